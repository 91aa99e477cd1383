#include "Compare/Views/CompareModel.h"

#include "Compare/CompareColumns.h"

namespace pellimor {

namespace {

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

CompareModel::CompareModel(QObject* parent) : TwoLevelRows(columnsOf(CompareColumns::defs()), parent) {}

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
    if (role == Qt::InitialSortOrderRole && orientation == Qt::Horizontal && section >= 0 &&
        section < CompareColumns::count)
        return int(Qt::AscendingOrder); // a first click on a column sorts it ascending
    return TwoLevelRows::headerData(section, orientation, role);
}

} // namespace pellimor
