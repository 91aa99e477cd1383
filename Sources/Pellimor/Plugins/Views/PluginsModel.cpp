#include "Plugins/Views/PluginsModel.h"

#include "Plugins/PluginColumns.h"
#include "Plugins/StatusIcon.h"

namespace pellimor {

namespace {

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

PluginsModel::PluginsModel(QObject* parent) : TwoLevelRows(columnsOf(PluginColumns::defs()), parent) {}

void PluginsModel::setQuery(const SearchQuery& query) {
    if (query == m_query)
        return;
    m_query = query;
    allChanged({Qt::DisplayRole});
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

} // namespace pellimor
