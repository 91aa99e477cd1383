#include "Widgets/TwoLevelModel.h"

namespace pellimor {

TwoLevelModel::TwoLevelModel(QList<Column> columns, QObject* parent)
    : QAbstractItemModel(parent), m_columns(std::move(columns)),
      m_lastVisible(m_columns.isEmpty() ? QString() : m_columns.last().id) {}

void TwoLevelModel::allChanged(const QList<int>& roles) {
    const int last = int(m_columns.size()) - 1;
    for (int top = 0; top < topCount(); ++top) {
        const QModelIndex first = index(top, 0);
        Q_EMIT dataChanged(first, index(top, last), roles);
        const int kids = int(kidCount(top));
        if (kids > 0)
            Q_EMIT dataChanged(index(0, 0, first), index(kids - 1, last, first), roles);
    }
}

void TwoLevelModel::setLastVisible(const QString& id) {
    if (id == m_lastVisible)
        return;
    m_lastVisible = id;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, int(m_columns.size()) - 1);
    allChanged({Qt::TextAlignmentRole});
}

Qt::Alignment TwoLevelModel::alignment(int column) const {
    if (column < 0 || column >= m_columns.size())
        return Qt::AlignLeading | Qt::AlignVCenter;
    const bool trailing = m_columns[column].numeric || m_columns[column].id == m_lastVisible;
    return (trailing ? Qt::AlignTrailing : Qt::AlignLeading) | Qt::AlignVCenter;
}

QModelIndex TwoLevelModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= m_columns.size())
        return {};
    if (!parent.isValid())
        return row < topCount() ? createIndex(row, column, quintptr(0)) : QModelIndex();
    if (topOf(parent) >= 0 || parent.row() >= topCount())
        return {};
    if (row >= kidCount(parent.row()))
        return {};
    return kidIndex(parent.row(), row, column);
}

QModelIndex TwoLevelModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || topOf(child) < 0)
        return {};
    return createIndex(int(topOf(child)), 0, quintptr(0));
}

int TwoLevelModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return int(topCount());
    if (parent.column() != 0 || topOf(parent) >= 0 || parent.row() >= topCount())
        return 0;
    return int(kidCount(parent.row()));
}

int TwoLevelModel::columnCount(const QModelIndex&) const {
    return int(m_columns.size());
}

QVariant TwoLevelModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns[section].title;
    if (role == Qt::TextAlignmentRole)
        return int(alignment(section));
    return {};
}

} // namespace pellimor
