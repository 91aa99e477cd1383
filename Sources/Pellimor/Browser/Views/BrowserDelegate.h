#pragma once

#include "Browser/BNode.h"
#include "Browser/RowTint.h"
#include "Browser/SearchQuery.h"

#include <QColor>
#include <QPointer>
#include <QRectF>
#include <QStyledItemDelegate>
#include <functional>
#include <optional>

namespace pellimor {

class BrowserModel;
class Catalog;
class TipRegions;

// Paints every cell of the library browser's table with the shared cell painter, from the
// row's BNode (BrowserCells says what each cell holds): the name with its star, symbol, online
// dot, emphasised search terms and "matched: " pills; the version in its colour; the path;
// dates, byte counts and the size bar; the pills of missing files, plug-ins and alerts. Each
// column aligns as the model says (BrowserColumns::fillAlignment); while the libraries are
// grouped by drive every cell is laid on its row's drive tint.
//
// The same layout answers hover tips (TipRegions), presses on a library's star (which toggle
// the favourite) and where a library's path text lies (for the path card).
//
// Main thread only; the catalogue and the model must outlive it.
class BrowserDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    // Padding at the left and right of every cell's content.
    static constexpr qreal kPadding = 4;

    struct Context {
        SearchQuery query; // its terms are emphasised in names
        // The tint of a row's cells while grouped by drive; empty when not grouped.
        std::function<std::optional<RowTint>(const BNode& node, bool dark)> tint;
    };

    BrowserDelegate(Catalog& catalog, const BrowserModel& model, QObject* parent = nullptr);

    void setContext(Context context);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // Where the path text of a library row's "Path" cell lies in `option.rect`; empty for any
    // other cell.
    QRectF pathTextRect(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // The drive tint of the row of `index` while grouped by drive; none otherwise. The table
    // lays it under the disclosure triangles too, so the whole row carries it.
    std::optional<QColor> tint(const QModelIndex& index, bool dark) const;

    // Where a library row's star lies in its "Name" cell; empty for any other cell.
    QRectF starFrame(const QStyleOptionViewItem& option, const QModelIndex& index) const;

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    // Lays out one cell: paints it when `painter` is set, records its tips when `tips` is set.
    // Answers where the star and the path text went.
    struct Placed {
        QRectF star;
        QRectF pathText;
    };
    Placed drawCell(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                    TipRegions* tips) const;

    Catalog& m_catalog;
    const BrowserModel& m_model;
    Context m_context;
};

} // namespace pellimor
