#pragma once

#include "Browser/TreeQueries.h"

namespace pellimor {

// The catalogue's answers to the tree's questions. Main thread only, like the Catalog; the
// catalogue must outlive this object.
class CatalogTreeQueries final : public TreeQueries {
public:
    explicit CatalogTreeQueries(Catalog& catalog) : m_catalog(catalog) {}

    bool isOnline(const LibraryInfo& library) override;
    Catalog::UpdateStatus updateStatus(const LibraryInfo& library) override;
    Catalog::PluginStats pluginStats(const LibraryInfo& library) override;
    bool isBackupDrive(const LibraryInfo& library) override;
    std::optional<QString> installedFCP() override;

private:
    Catalog& m_catalog;
};

} // namespace pellimor
