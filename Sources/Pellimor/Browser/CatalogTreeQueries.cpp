#include "Browser/CatalogTreeQueries.h"

namespace pellimor {

bool CatalogTreeQueries::isOnline(const LibraryInfo& library) {
    return m_catalog.isOnline(library);
}

Catalog::UpdateStatus CatalogTreeQueries::updateStatus(const LibraryInfo& library) {
    return m_catalog.updateStatus(library);
}

Catalog::PluginStats CatalogTreeQueries::pluginStats(const LibraryInfo& library) {
    return m_catalog.pluginStats(library);
}

bool CatalogTreeQueries::isBackupDrive(const LibraryInfo& library) {
    return m_catalog.isBackupDrive(library);
}

std::optional<QString> CatalogTreeQueries::installedFCP() {
    return m_catalog.installedFCP();
}

} // namespace pellimor
