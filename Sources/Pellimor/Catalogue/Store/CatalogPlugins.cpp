#include "Catalogue/Records/RecordJson.h"
#include "Catalogue/Store/Catalog.h"
#include "Support/ShortestDouble.h"

namespace pellimor {

namespace {

// The library's path, "|" and its scan time as seconds since 1970 in the shortest decimal
// text that reads back to the same double, a whole number keeping ".0" ("1700000000.0",
// "1700000000.25"). A rescan changes the time and so gives the library a fresh entry.
QString statsKey(const LibraryInfo& library) {
    const QString key = library.path + QLatin1Char('|');
    const std::optional<double> seconds =
        RecordJson::secondsFor(library.scannedAt, RecordJson::DateForm::Since1970);
    return seconds ? key + shortestDouble(*seconds) : key;
}

} // namespace

void Catalog::setPluginCounter(PluginCounter counter) {
    m_pluginCounter = std::move(counter);
    m_pluginStatsCache.clear();
}

Catalog::PluginStats Catalog::pluginStats(const LibraryInfo& library) {
    const QString key = statsKey(library);
    const auto cached = m_pluginStatsCache.constFind(key);
    if (cached != m_pluginStatsCache.constEnd())
        return cached.value();
    const PluginStats stats = m_pluginCounter.count ? m_pluginCounter.count(library) : PluginStats{};
    m_pluginStatsCache.insert(key, stats);
    return stats;
}

void Catalog::recheckPlugins() {
    if (m_pluginCounter.forget)
        m_pluginCounter.forget();
    m_pluginStatsCache.clear();
    Q_EMIT changed();
}

} // namespace pellimor
