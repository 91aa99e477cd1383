#pragma once

#include "Widgets/ButtonTreeView.h"

#include <QList>
#include <QString>
#include <QStyledItemDelegate>

namespace pellimor {

struct RowColours;
class TipRegions;

// A table's delegate that draws every cell's content itself from one layout function: given a
// painter it draws, given tips it adds the cell's hover tips, given a list it places the
// cell's buttons (parts of the painted cell, not widgets). So painting, tips and clicks (the
// ButtonTreeView asks buttons()) always agree. The row's selection and hover background is the
// style's. Rows are one 13-point line (or a button icon, if taller) plus a padding above and
// below; paddings and gaps are logical pixels and do not scale with "Larger Text", the fonts
// and icons do.
//
// Main thread only.
class CellLayoutDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr qreal padX = 4;        // a cell's text from its edges
    static constexpr qreal rowPad = 4;      // above and below a row's line
    static constexpr qreal buttonIcon = 16; // a button's icon, before the font scale
    static constexpr qreal buttonGap = 8;   // between two buttons of a cell
    static constexpr qreal hitMargin = 5;   // a button's click target beyond its icon

    // A button's look: its symbol (Icons.h) and its tip.
    struct ButtonFace {
        QString symbol;
        QString tip;
    };

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // The buttons of the cell at `index` laid out in `option.rect`; none outside the button
    // column.
    QList<CellButton> buttons(const QStyleOptionViewItem& option, const QModelIndex& index) const;

protected:
    CellLayoutDelegate(int buttonColumn, QObject* parent);

    // Places the cell's pieces in `option.rect`: draws them when `painter` is not null, adds
    // their tips to `tips` and the cell's buttons to `buttons` when those are not null.
    virtual void layout(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                        TipRegions* tips, QList<CellButton>* buttons) const = 0;

    // One button per face, their parts the faces' positions, side by side at the leading edge
    // of `cell` (the trailing one when `alignment` is), centred vertically; in the text's
    // colour and taking clicks when `enabled`, else faded and not. Each tip covers its
    // button's click target.
    static void layoutButtons(QPainter* painter, const QRectF& cell, Qt::Alignment alignment,
                              const QList<ButtonFace>& faces, bool enabled, const RowColours& colours,
                              TipRegions* tips, QList<CellButton>* buttons);

    // Whether `alignment` is to the trailing edge.
    static bool trailing(Qt::Alignment alignment) { return alignment & (Qt::AlignTrailing | Qt::AlignRight); }

private:
    int m_buttonColumn;
};

} // namespace pellimor
