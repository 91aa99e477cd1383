#pragma once

#include <QHeaderView>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

class QTreeView;

namespace pellimor {

class ColumnAutoFit;
class TwoLevelModel;

// What a tab's outline table over a TwoLevelModel does the same way in every tab: its columns'
// set-up, its sort arrow, the top rows the user opened and the selected row, both kept by row
// id across new rows. A "def" is a column as a table declares it (title, id, minimum, ideal, and
// the optional sort field a click on its header sorts by); a "sort" has `keys`, each with a
// `field` and `ascending`, and sorts by `Field::rank` when it has none.
//
// Main thread only.
namespace TwoLevelTable {

struct ColumnSize {
    double ideal = 0;
    double minimum = 0;
};

// The columns: their ideal widths to start with, their minimums held and fitted to their
// content by the ColumnAutoFit returned (a child of `table`), and the user's arrangement read
// back and saved under `tableName` (ColumnChooser). The model is told its last visible column
// now and whenever a column moves, shows or hides.
ColumnAutoFit* setUpColumns(QTreeView& table, TwoLevelModel& model, const QList<ColumnSize>& sizes,
                            const QString& tableName, const QStringList& declared);

template <typename Def>
ColumnAutoFit* setUpColumns(QTreeView& table, TwoLevelModel& model, const QList<Def>& defs,
                            const QString& tableName) {
    QList<ColumnSize> sizes;
    QStringList declared;
    for (const Def& def : defs) {
        sizes.append({def.ideal, def.minimum});
        declared.append(def.id);
    }
    return setUpColumns(table, model, sizes, tableName, declared);
}

// The header's arrow on the column the sort's first key sorts by (the status's rank when it
// has none), pointing its way; the header's own signals are held meanwhile.
template <typename Def, typename Sort>
void showSortIndicator(QHeaderView& header, const QList<Def>& defs, const Sort& sort) {
    const QSignalBlocker blocker(&header);
    const typename Sort::Field first = sort.keys.isEmpty() ? Sort::Field::rank : sort.keys.first().field;
    const bool ascending = sort.keys.isEmpty() || sort.keys.first().ascending;
    for (int column = 0; column < defs.size(); ++column) {
        if (defs[column].sort == first)
            header.setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    }
}

// Adds the id of each row the user opens to `open` and removes it when closed, except while
// `updating` (the view putting its rows back). Both must outlive the table.
void keepOpenRows(QTreeView& table, const TwoLevelModel& model, QSet<QString>& open, const bool& updating);

// After new rows: opens the top rows whose ids are in `open` (closes the others), and selects
// the row with id `selected`, or nothing when there is none or it is gone.
void restore(QTreeView& table, const TwoLevelModel& model, const QSet<QString>& open,
             const std::optional<QString>& selected);

// Selects the row with `id` as a click would, opening its top row; none, or an id not shown,
// clears the selection and the current row. Answers whether a row was selected.
bool select(QTreeView& table, const TwoLevelModel& model, const std::optional<QString>& id);

// The id of the selected row, or none.
std::optional<QString> selectedId(const QTreeView& table, const TwoLevelModel& model);

} // namespace TwoLevelTable

} // namespace pellimor
