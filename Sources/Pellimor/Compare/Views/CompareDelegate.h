#pragma once

#include <QList>
#include <QRectF>
#include <QStyledItemDelegate>

namespace pellimor {

class CompareModel;
class TipRegions;

// Draws the Compare table's cells: the status symbol and coloured label, the online dot
// before a copy's drive, numbers in digits of equal width, dates, the details in the secondary
// colour shortened in the middle, and a copy's two "Open" buttons. The buttons are parts of the
// painted cell, not widgets: one layout function places them for painting, for their tips and
// for clicks (the table asks hits()), and each click target reaches 5 pixels beyond its icon
// (iconHitArea). Font sizes scale with "Larger Text"; paddings and the dot do not.
//
// Main thread only.
class CompareDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum class Part { folder, finalCut };

    // A button of one cell: where its icon is drawn (view coordinates) and whether it takes
    // clicks (not while the copy's drive is away).
    struct Hit {
        Part part;
        QRectF rect;
        bool enabled = true;
    };

    static constexpr qreal hitMargin = 5;

    explicit CompareDelegate(const CompareModel& model, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // The buttons of the cell at `index` laid out in `option.rect`; none outside the "Open"
    // column and on group rows.
    QList<Hit> hits(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    static QString tip(Part part);

private:
    void layout(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                TipRegions* tips, QList<Hit>* hits) const;

    const CompareModel& m_model;
};

} // namespace pellimor
