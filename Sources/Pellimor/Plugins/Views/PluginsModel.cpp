#include "Plugins/Views/PluginsModel.h"

#include "Plugins/PluginColumns.h"
#include "Plugins/StatusIcon.h"

namespace pellimor {

namespace {

using Column = PluginColumns::Column;

// A library row's index carries its pack row's position + 1; a pack row's carries 0.
constexpr quintptr kTop = 0;

QString displayText(const PNode& row, int column) {
    switch (column) {
    case PluginColumns::status:
        return PluginColumns::statusLabel(row.status);
    case PluginColumns::name:
        return row.name;
    case PluginColumns::kind:
        return row.kind;
    case PluginColumns::libraries:
        return row.isPack ? QString::number(row.libraries) : QString();
    case PluginColumns::projects:
        return QString::number(row.projects);
    case PluginColumns::uses:
        return QString::number(row.uses);
    case PluginColumns::details:
        return row.details;
    default:
        return {};
    }
}

} // namespace

PluginsModel::PluginsModel(QObject* parent)
    : QAbstractItemModel(parent), m_lastVisible(PluginColumns::declared().last()) {}

bool PluginsModel::sameShape(const QList<PNode>& a, const QList<PNode>& b) {
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

void PluginsModel::allChanged(const QList<int>& roles) {
    for (int pack = 0; pack < m_rows.size(); ++pack) {
        const QModelIndex first = index(pack, 0);
        Q_EMIT dataChanged(first, index(pack, PluginColumns::count - 1), roles);
        const int kids = int(m_rows[pack].kids.size());
        if (kids > 0)
            Q_EMIT dataChanged(index(0, 0, first), index(kids - 1, PluginColumns::count - 1, first), roles);
    }
}

void PluginsModel::setRows(const QList<PNode>& rows) {
    if (rows == m_rows)
        return;
    if (!sameShape(rows, m_rows)) {
        beginResetModel();
        m_rows = rows;
        endResetModel();
        return;
    }
    m_rows = rows;
    allChanged();
}

void PluginsModel::setQuery(const SearchQuery& query) {
    if (query == m_query)
        return;
    m_query = query;
    allChanged({Qt::DisplayRole});
}

const PNode* PluginsModel::node(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this)
        return nullptr;
    if (index.internalId() == kTop)
        return index.row() < m_rows.size() ? &m_rows[index.row()] : nullptr;
    const qsizetype pack = qsizetype(index.internalId()) - 1;
    if (pack >= m_rows.size() || index.row() >= m_rows[pack].kids.size())
        return nullptr;
    return &m_rows[pack].kids[index.row()];
}

QModelIndex PluginsModel::indexOf(const QString& id, int column) const {
    for (int pack = 0; pack < m_rows.size(); ++pack) {
        if (m_rows[pack].id == id)
            return index(pack, column);
        const QList<PNode>& kids = m_rows[pack].kids;
        for (int kid = 0; kid < kids.size(); ++kid) {
            if (kids[kid].id == id)
                return createIndex(kid, column, quintptr(pack) + 1);
        }
    }
    return {};
}

void PluginsModel::setLastVisible(const QString& id) {
    if (id == m_lastVisible)
        return;
    m_lastVisible = id;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, PluginColumns::count - 1);
    allChanged({Qt::TextAlignmentRole});
}

Qt::Alignment PluginsModel::alignment(int column) const {
    const QList<PluginColumns::Spec>& specs = PluginColumns::specs();
    if (column < 0 || column >= specs.size())
        return Qt::AlignLeading | Qt::AlignVCenter;
    const bool trailing = specs[column].numeric || specs[column].id == m_lastVisible;
    return (trailing ? Qt::AlignTrailing : Qt::AlignLeading) | Qt::AlignVCenter;
}

QModelIndex PluginsModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= PluginColumns::count)
        return {};
    if (!parent.isValid())
        return row < m_rows.size() ? createIndex(row, column, kTop) : QModelIndex();
    if (parent.internalId() != kTop || parent.row() >= m_rows.size())
        return {};
    if (row >= m_rows[parent.row()].kids.size())
        return {};
    return createIndex(row, column, quintptr(parent.row()) + 1);
}

QModelIndex PluginsModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == kTop)
        return {};
    return createIndex(int(child.internalId() - 1), 0, kTop);
}

int PluginsModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return int(m_rows.size());
    if (parent.column() != 0 || parent.internalId() != kTop || parent.row() >= m_rows.size())
        return 0;
    return int(m_rows[parent.row()].kids.size());
}

int PluginsModel::columnCount(const QModelIndex&) const {
    return PluginColumns::count;
}

QVariant PluginsModel::data(const QModelIndex& index, int role) const {
    const PNode* row = node(index);
    if (!row)
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return displayText(*row, column);
    case Qt::TextAlignmentRole:
        return int(alignment(column));
    case Qt::ToolTipRole:
        if (column == PluginColumns::status)
            return statusIcon(row->status).help;
        return column == PluginColumns::details && !row->details.isEmpty() ? QVariant(row->details)
                                                                           : QVariant();
    case Qt::AccessibleTextRole:
        if (column == PluginColumns::status)
            return PluginColumns::statusLabel(row->status) + QStringLiteral(": ") +
                   statusIcon(row->status).help;
        if (column == PluginColumns::name && !row->isPack)
            return row->name + (row->online ? QStringLiteral(", drive connected")
                                            : QStringLiteral(", drive not connected"));
        if (column == PluginColumns::open && !row->isPack)
            return PluginColumns::folderTip() + QStringLiteral("; ") + PluginColumns::finalCutTip() +
                   (row->online ? QString() : QStringLiteral(" (drive not connected)"));
        return displayText(*row, column);
    default:
        return {};
    }
}

QVariant PluginsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= PluginColumns::count)
        return {};
    if (role == Qt::DisplayRole)
        return PluginColumns::specs()[section].title;
    if (role == Qt::TextAlignmentRole)
        return int(alignment(section));
    return {};
}

Qt::ItemFlags PluginsModel::flags(const QModelIndex& index) const {
    if (!node(index))
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace pellimor
