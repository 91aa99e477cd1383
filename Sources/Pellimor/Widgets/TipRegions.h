#pragma once

#include <QList>
#include <QRectF>
#include <QString>

class QHelpEvent;
class QWidget;

namespace pellimor {

// The hover tips of the parts of one painted cell (a pill, a dot, a star, a bar), so a
// delegate can answer the tip of the part under the pointer. A delegate lays its cell out
// once, in one function that both paints and records: the painters in CellPainter take a
// TipRegions* and add each part's area and tip as they place it (with no painter they only
// place). helpEvent() lays the cell out again without a painter and answers:
//
//   bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
//                  const QModelIndex& index) override {
//       TipRegions tips;
//       drawCell(nullptr, option, index, &tips);
//       return tips.answer(event, view->viewport()) || QStyledItemDelegate::helpEvent(event, view, option,
//       index);
//   }
//
// Tips are Qt tooltips: they never take a click from the part beneath them. Main thread only.
class TipRegions {
public:
    struct Region {
        QRectF area;
        QString text;
    };

    // Parts without a tip are not recorded.
    void add(const QRectF& area, const QString& text);

    // The tip at `point`: of the last part added that holds it (parts placed later lie on
    // top), or an empty text.
    QString textAt(const QPointF& point) const;

    // Answers a tooltip event over `widget` (a view's viewport, in whose coordinates the areas
    // are): shows the tip of the part under the pointer, for as long as the pointer stays in that
    // part, and answers true; answers false, showing nothing, when no part is there, so the
    // caller can fall back to the cell's own tip.
    bool answer(QHelpEvent* event, QWidget* widget) const;

    const QList<Region>& regions() const { return m_regions; }
    bool isEmpty() const { return m_regions.isEmpty(); }

private:
    const Region* regionAt(const QPointF& point) const;

    QList<Region> m_regions;
};

} // namespace pellimor
