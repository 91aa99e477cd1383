#include "Plugins/PackStats.h"

#include "Plugins/PackHealth.h"
#include "Plugins/PackSummary.h"
#include "Plugins/PluginChecker.h"

namespace pellimor {

Catalog::PluginStats PackStats::count(const LibraryInfo& library) {
    const QList<PackSummary> summaries = packSummaries(library);
    Catalog::PluginStats stats;
    stats.packs = int(summaries.size());
    for (const PackSummary& summary : summaries) {
        switch (packHealth(summary).status) {
        case PluginStatus::missing:
            ++stats.missing;
            break;
        case PluginStatus::partial:
            ++stats.partial;
            break;
        case PluginStatus::unverified:
            ++stats.unverified;
            break;
        case PluginStatus::installed:
            break;
        }
    }
    return stats;
}

Catalog::PluginCounter PackStats::counter() {
    Catalog::PluginCounter counter;
    counter.count = &PackStats::count;
    counter.forget = [] { PluginChecker::shared().forget(); };
    return counter;
}

} // namespace pellimor
