#include "Shell/Views/SidebarModel.h"

#include "Shell/SidebarDrives.h"

namespace pellimor {

namespace {

// A header's internal id is 0; a row's is its section's position plus one.
constexpr quintptr kHeaderId = 0;

} // namespace

SidebarModel::SidebarModel(QObject* parent) : QAbstractItemModel(parent) {}

bool SidebarModel::setSections(QList<SidebarSection> sections) {
    if (sections == m_sections)
        return false;
    beginResetModel();
    m_sections = std::move(sections);
    endResetModel();
    return true;
}

const SidebarSection* SidebarModel::section(const QModelIndex& index) const {
    if (!index.isValid())
        return nullptr;
    const qsizetype at = index.internalId() == kHeaderId ? index.row() : qsizetype(index.internalId() - 1);
    return at >= 0 && at < m_sections.size() ? &m_sections.at(at) : nullptr;
}

const SidebarRow* SidebarModel::row(const QModelIndex& index) const {
    if (!index.isValid() || index.internalId() == kHeaderId)
        return nullptr;
    const SidebarSection* owner = section(index);
    return owner && index.row() >= 0 && index.row() < owner->rows.size() ? &owner->rows.at(index.row())
                                                                         : nullptr;
}

bool SidebarModel::isHeader(const QModelIndex& index) const {
    return index.isValid() && index.internalId() == kHeaderId;
}

QModelIndex SidebarModel::header(SidebarSection::Kind kind) const {
    for (qsizetype i = 0; i < m_sections.size(); ++i) {
        if (m_sections.at(i).kind == kind)
            return index(int(i), 0);
    }
    return {};
}

QModelIndex SidebarModel::indexOf(const SidebarItem& item) const {
    for (qsizetype s = 0; s < m_sections.size(); ++s) {
        const QList<SidebarRow>& rows = m_sections.at(s).rows;
        for (qsizetype r = 0; r < rows.size(); ++r) {
            if (rows.at(r).item == item)
                return createIndex(int(r), 0, quintptr(s + 1));
        }
    }
    return {};
}

QModelIndex SidebarModel::watchedRow(const QString& path) const {
    for (qsizetype s = 0; s < m_sections.size(); ++s) {
        const QList<SidebarRow>& rows = m_sections.at(s).rows;
        for (qsizetype r = 0; r < rows.size(); ++r) {
            if (rows.at(r).root && rows.at(r).root->path == path)
                return createIndex(int(r), 0, quintptr(s + 1));
        }
    }
    return {};
}

QModelIndex SidebarModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row < m_sections.size() ? createIndex(row, 0, kHeaderId) : QModelIndex();
    if (!isHeader(parent) || parent.row() >= m_sections.size())
        return {};
    return row < m_sections.at(parent.row()).rows.size() ? createIndex(row, 0, quintptr(parent.row() + 1))
                                                         : QModelIndex();
}

QModelIndex SidebarModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == kHeaderId)
        return {};
    return createIndex(int(child.internalId() - 1), 0, kHeaderId);
}

int SidebarModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return int(m_sections.size());
    if (isHeader(parent) && parent.row() < m_sections.size())
        return int(m_sections.at(parent.row()).rows.size());
    return 0;
}

int SidebarModel::columnCount(const QModelIndex& /*parent*/) const {
    return 1;
}

QVariant SidebarModel::data(const QModelIndex& index, int role) const {
    if (isHeader(index)) {
        const SidebarSection* header = section(index);
        if (!header)
            return {};
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return header->title;
        return {};
    }
    const SidebarRow* shown = row(index);
    if (!shown)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return shown->title;
    case Qt::AccessibleTextRole: {
        QStringList parts{shown->title};
        if (shown->drive)
            parts.append(SidebarDrives::roleLabel(*shown->drive));
        if (!shown->detail.isEmpty())
            parts.append(shown->detail);
        return parts.join(QStringLiteral(", "));
    }
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        return shown->help.isEmpty() ? QVariant() : QVariant(shown->help);
    default:
        return {};
    }
}

Qt::ItemFlags SidebarModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    const SidebarRow* shown = row(index);
    if (!shown || !shown->item)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace pellimor
