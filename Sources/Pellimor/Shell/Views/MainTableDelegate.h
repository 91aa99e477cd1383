#pragma once

#include "Browser/SearchQuery.h"

#include <QRectF>
#include <QStyledItemDelegate>

namespace pellimor {

class Catalog;
class RowTableModel;
class TipRegions;

// Paints every cell of the main window's four tables from its typed cell (TableCell) with the
// shared cell painter: a name with its online dot (the favourite star first for a library),
// the search's terms emphasised and the badges after it; highlighted and plain texts on one
// line; byte counts, whole numbers, lengths and versions in equal-width digits; dates; rows of
// pills. Cells align as their column says.
//
// The same layout answers hover tips (TipRegions) and presses on a library's star, which toggle
// the favourite. Main thread only; the catalogue and the model must outlive it.
class MainTableDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr qreal kPadding = 4;      // at the left and right of every cell's content
    static constexpr qreal kDotSide = 7;      // the online dot
    static constexpr qreal kGap = 6;          // after the star, after the dot, between badges
    static constexpr qreal kPillGap = 4;      // between the pills of a pill column
    static constexpr double kTextPoints = 13; // every text but the pills'

    MainTableDelegate(Catalog& catalog, const RowTableModel& model, QObject* parent = nullptr);

    // The search whose terms are emphasised (the window's applied search).
    void setQuery(const SearchQuery& query) { m_query = query; }
    const SearchQuery& query() const { return m_query; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // The height of every row at the font scale in force.
    static int rowHeight();
    // Where a library row's star lies in its name cell; empty for any other cell.
    QRectF starFrame(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // The hover tips of one cell, as laid out in `option.rect` (tests and helpEvent).
    TipRegions tips(const QStyleOptionViewItem& option, const QModelIndex& index) const;

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    // Lays out one cell: paints it when `painter` is set, records its tips when `tips` is set;
    // answers where the star went.
    QRectF drawCell(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                    TipRegions* tips) const;

    Catalog& m_catalog;
    const RowTableModel& m_model;
    SearchQuery m_query;
};

} // namespace pellimor
