#include "Shell/Views/RowTableModel.h"

#include <algorithm>

namespace pellimor {

void RowTableModel::replace(QList<Column> columns, QList<Row> rows) {
    const bool lineUp = columns == m_columns && rows.size() == m_rows.size() &&
                        std::equal(rows.begin(), rows.end(), m_rows.begin(),
                                   [](const Row& a, const Row& b) { return a.id == b.id; });
    if (!lineUp) {
        beginResetModel();
        m_columns = std::move(columns);
        m_rows = std::move(rows);
        endResetModel();
        return;
    }
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype row = 0; row < rows.size(); ++row) {
        if (rows[row] == m_rows[row])
            continue;
        if (first < 0)
            first = row;
        last = row;
    }
    m_rows = std::move(rows);
    if (first >= 0 && !m_columns.isEmpty())
        Q_EMIT dataChanged(index(int(first), 0), index(int(last), int(m_columns.size()) - 1));
}

std::optional<int> RowTableModel::rowOf(const QString& id) const {
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row].id == id)
            return row;
    }
    return std::nullopt;
}

std::optional<int> RowTableModel::columnOf(int sortKey) const {
    for (int column = 0; column < m_columns.size(); ++column) {
        if (m_columns[column].sortKey == sortKey)
            return column;
    }
    return std::nullopt;
}

int RowTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int RowTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

const TableCell* RowTableModel::cell(const QModelIndex& index) const {
    const Row* shown = row(index);
    if (!shown || index.column() < 0 || index.column() >= shown->cells.size())
        return nullptr;
    return &shown->cells[index.column()];
}

const RowTableModel::Row* RowTableModel::row(const QModelIndex& index) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= m_rows.size() || index.column() < 0 ||
        index.column() >= m_columns.size())
        return nullptr;
    return &m_rows[index.row()];
}

QVariant RowTableModel::data(const QModelIndex& index, int role) const {
    const TableCell* shown = cell(index);
    if (!shown)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return shown->shown();
    case Qt::AccessibleTextRole:
        return shown->accessibleText();
    case Qt::TextAlignmentRole:
        return m_columns[index.column()].trailingEdge() ? int(Qt::AlignRight | Qt::AlignVCenter)
                                                        : int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant RowTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns[section].title;
    if (role == Qt::TextAlignmentRole)
        return m_columns[section].trailingEdge() ? int(Qt::AlignRight | Qt::AlignVCenter)
                                                 : int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

} // namespace pellimor
