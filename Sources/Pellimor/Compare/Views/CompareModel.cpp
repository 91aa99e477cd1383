#include "Compare/Views/CompareModel.h"

#include "Compare/CompareColumns.h"

namespace pellimor {

namespace {

// A copy row's index carries its group row's position + 1; a group row's carries 0.
constexpr quintptr kTop = 0;

QString displayText(const CNode& row, int column) {
    switch (column) {
    case CompareColumns::status:
        return row.label;
    case CompareColumns::name:
        return row.name;
    case CompareColumns::copies:
        return row.isGroup ? QString::number(row.copies) : QString();
    case CompareColumns::saved:
        return CompareColumns::savedText(row.lastSaved);
    case CompareColumns::projects:
        return QString::number(row.projects);
    case CompareColumns::size:
        return CompareColumns::sizeText(row.size);
    case CompareColumns::details:
        return row.details;
    default:
        return {};
    }
}

} // namespace

CompareModel::CompareModel(QObject* parent)
    : QAbstractItemModel(parent), m_lastVisible(CompareColumns::declared().last()) {}

bool CompareModel::sameShape(const QList<CNode>& a, const QList<CNode>& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].id != b[i].id || a[i].kids.size() != b[i].kids.size())
            return false;
        for (qsizetype k = 0; k < a[i].kids.size(); ++k) {
            if (a[i].kids[k].id != b[i].kids[k].id)
                return false;
        }
    }
    return true;
}

void CompareModel::setRows(const QList<CNode>& rows) {
    if (rows == m_rows)
        return;
    if (!sameShape(rows, m_rows)) {
        beginResetModel();
        m_rows = rows;
        endResetModel();
        return;
    }
    m_rows = rows;
    for (int group = 0; group < m_rows.size(); ++group) {
        const QModelIndex first = index(group, 0);
        Q_EMIT dataChanged(first, index(group, CompareColumns::count - 1));
        const int kids = int(m_rows[group].kids.size());
        if (kids > 0)
            Q_EMIT dataChanged(index(0, 0, first), index(kids - 1, CompareColumns::count - 1, first));
    }
}

const CNode* CompareModel::node(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this)
        return nullptr;
    if (index.internalId() == kTop)
        return index.row() < m_rows.size() ? &m_rows[index.row()] : nullptr;
    const qsizetype group = qsizetype(index.internalId()) - 1;
    if (group >= m_rows.size() || index.row() >= m_rows[group].kids.size())
        return nullptr;
    return &m_rows[group].kids[index.row()];
}

QModelIndex CompareModel::indexOf(const QString& id, int column) const {
    for (int group = 0; group < m_rows.size(); ++group) {
        if (m_rows[group].id == id)
            return index(group, column);
        const QList<CNode>& kids = m_rows[group].kids;
        for (int kid = 0; kid < kids.size(); ++kid) {
            if (kids[kid].id == id)
                return createIndex(kid, column, quintptr(group) + 1);
        }
    }
    return {};
}

void CompareModel::setLastVisible(const QString& id) {
    if (id == m_lastVisible)
        return;
    m_lastVisible = id;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, CompareColumns::count - 1);
    for (int group = 0; group < m_rows.size(); ++group) {
        const QModelIndex first = index(group, 0);
        Q_EMIT dataChanged(first, index(group, CompareColumns::count - 1), {Qt::TextAlignmentRole});
        const int kids = int(m_rows[group].kids.size());
        if (kids > 0)
            Q_EMIT dataChanged(index(0, 0, first), index(kids - 1, CompareColumns::count - 1, first),
                               {Qt::TextAlignmentRole});
    }
}

Qt::Alignment CompareModel::alignment(int column) const {
    const QList<CompareColumns::Spec>& specs = CompareColumns::specs();
    if (column < 0 || column >= specs.size())
        return Qt::AlignLeading | Qt::AlignVCenter;
    const bool trailing = specs[column].numeric || specs[column].id == m_lastVisible;
    return (trailing ? Qt::AlignTrailing : Qt::AlignLeading) | Qt::AlignVCenter;
}

QModelIndex CompareModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= CompareColumns::count)
        return {};
    if (!parent.isValid())
        return row < m_rows.size() ? createIndex(row, column, kTop) : QModelIndex();
    if (parent.internalId() != kTop || parent.row() >= m_rows.size())
        return {};
    if (row >= m_rows[parent.row()].kids.size())
        return {};
    return createIndex(row, column, quintptr(parent.row()) + 1);
}

QModelIndex CompareModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == kTop)
        return {};
    return createIndex(int(child.internalId() - 1), 0, kTop);
}

int CompareModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return int(m_rows.size());
    if (parent.column() != 0 || parent.internalId() != kTop || parent.row() >= m_rows.size())
        return 0;
    return int(m_rows[parent.row()].kids.size());
}

int CompareModel::columnCount(const QModelIndex&) const {
    return CompareColumns::count;
}

QVariant CompareModel::data(const QModelIndex& index, int role) const {
    const CNode* row = node(index);
    if (!row)
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return displayText(*row, column);
    case Qt::TextAlignmentRole:
        return int(alignment(column));
    case Qt::ToolTipRole:
        return column == CompareColumns::details ? QVariant(row->details) : QVariant();
    case Qt::AccessibleTextRole:
        if (column == CompareColumns::status && row->isGroup)
            return (row->rank == 2 ? QStringLiteral("Up to date: ") : QStringLiteral("Needs attention: ")) +
                   row->label;
        if (column == CompareColumns::name && !row->isGroup)
            return row->name + (row->online ? QStringLiteral(", drive connected")
                                            : QStringLiteral(", drive not connected"));
        if (column == CompareColumns::open && !row->isGroup)
            return QStringLiteral("Open the folder; open in Final Cut Pro") +
                   (row->online ? QString() : QStringLiteral(" (drive not connected)"));
        return displayText(*row, column);
    default:
        return {};
    }
}

QVariant CompareModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= CompareColumns::count)
        return {};
    if (role == Qt::DisplayRole)
        return CompareColumns::specs()[section].title;
    if (role == Qt::TextAlignmentRole)
        return int(alignment(section));
    if (role == Qt::InitialSortOrderRole)
        return int(Qt::AscendingOrder); // a first click on a column sorts it ascending
    return {};
}

Qt::ItemFlags CompareModel::flags(const QModelIndex& index) const {
    if (!node(index))
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace pellimor
