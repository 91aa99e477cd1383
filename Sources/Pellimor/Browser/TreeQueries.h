#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Store/Catalog.h"

#include <QString>
#include <optional>

namespace pellimor {

// What building the library browser's tree asks the catalogue about its libraries. The window
// answers with CatalogTreeQueries over its Catalog; tests answer with a fake, so the build stays
// a function of plain inputs. Called on the thread that builds (the main thread for the
// catalogue's answer).
class TreeQueries {
public:
    virtual ~TreeQueries() = default;

    // The library's drive is connected and the bundle is there.
    virtual bool isOnline(const LibraryInfo& library) = 0;
    // Against the installed Final Cut Pro.
    virtual Catalog::UpdateStatus updateStatus(const LibraryInfo& library) = 0;
    // Its plug-in packs that are missing or incomplete here.
    virtual Catalog::PluginStats pluginStats(const LibraryInfo& library) = 0;
    // Its drive is marked as backup.
    virtual bool isBackupDrive(const LibraryInfo& library) = 0;
    // The installed Final Cut Pro's version; nothing when none is installed.
    virtual std::optional<QString> installedFCP() = 0;
};

} // namespace pellimor
