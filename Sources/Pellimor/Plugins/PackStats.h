#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Store/Catalog.h"

namespace pellimor {

// The counting behind Catalog::pluginStats, and the counter the application gives the
// catalogue so that its statistics come from the checker. Main thread only.
struct PackStats {
    // The library's packs (packSummaries), and how many of them are missing, partial and
    // unverified by their health (packHealth).
    static Catalog::PluginStats count(const LibraryInfo& library);

    // count(), and a forget that empties the shared checker's cache and drops its FxPlug index:
    // for Catalog::setPluginCounter.
    static Catalog::PluginCounter counter();
};

} // namespace pellimor
