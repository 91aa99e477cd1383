#pragma once

#include "Widgets/ButtonTreeView.h"

#include <QList>
#include <QStyledItemDelegate>

namespace pellimor {

class PluginsModel;
class TipRegions;

// Draws the Plug-ins table's cells: the status symbol (its meaning as the tip) and coloured
// label, the online dot before a library's name, names with the search's terms highlighted
// (semibold for packs), the kind in the secondary colour, numbers in digits of equal width,
// the details cut at the end, and a library row's two "Open" buttons. The buttons are parts of
// the painted cell: one layout function places them for painting, for their tips and for
// clicks (buttons()), and each click target reaches 5 pixels beyond its icon. Font sizes scale
// with "Larger Text"; paddings, gaps and the dot do not.
//
// Main thread only.
class PluginsDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum Part { folder, finalCut };
    static constexpr qreal hitMargin = 5;

    explicit PluginsDelegate(const PluginsModel& model, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // The buttons of the cell at `index` laid out in `option.rect`; none outside the "Open"
    // column and on pack rows.
    QList<CellButton> buttons(const QStyleOptionViewItem& option, const QModelIndex& index) const;

private:
    void layout(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                TipRegions* tips, QList<CellButton>* buttons) const;

    const PluginsModel& m_model;
};

} // namespace pellimor
