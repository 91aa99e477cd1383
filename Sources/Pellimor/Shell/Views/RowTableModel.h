#pragma once

#include "Shell/TableColumn.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <optional>

namespace pellimor {

// A read-only table over rows already built, filtered and sorted by the window (TableRows) and
// turned into typed cells (MainTables): the model only shows them. Each row keeps its
// identifier, so the window can find the selected row again after the rows were rebuilt.
// MainTableDelegate paints the cells; the display role holds each cell's text and the
// accessible-text role what a screen reader should read of it (badges and tips included).
//
// Rows given again with the same columns and identifiers in the same order change in place:
// the view keeps its scroll position, current row and selection, and redraws only the rows
// whose cells changed. Anything else resets the model.
//
// Main thread only.
class RowTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    using Column = TableColumn;
    using Row = TableRow;

    using QAbstractTableModel::QAbstractTableModel;

    // Replaces columns and rows at once (in place where they line up, as above).
    void replace(QList<Column> columns, QList<Row> rows);

    const QList<Column>& columns() const { return m_columns; }
    const QList<Row>& rows() const { return m_rows; }
    // The position of the row with that identifier; none when it is not shown.
    std::optional<int> rowOf(const QString& id) const;
    // The column that shows that sort field; none when no column does.
    std::optional<int> columnOf(int sortKey) const;
    // The cell and the row at `index`; null outside the table.
    const TableCell* cell(const QModelIndex& index) const;
    const Row* row(const QModelIndex& index) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<Column> m_columns;
    QList<Row> m_rows;
};

} // namespace pellimor
