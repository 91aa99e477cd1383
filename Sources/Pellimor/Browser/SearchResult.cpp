#include "Browser/SearchResult.h"

#include <QHash>

namespace pellimor {

namespace {

// Hits per area, in area order, only the areas that have any.
QList<QPair<SearchArea, qint64>> perArea(const QHash<SearchArea, qint64>& counts) {
    QList<QPair<SearchArea, qint64>> pairs;
    for (const SearchArea area : allSearchAreas()) {
        const qint64 n = counts.value(area);
        if (n >= 1)
            pairs.append({area, n});
    }
    return pairs;
}

bool hasArea(const QList<SearchHit>& hits, SearchArea area) {
    for (const SearchHit& hit : hits) {
        if (hit.area == area)
            return true;
    }
    return false;
}

} // namespace

QStringList SearchResult::Event::reasons() const {
    QStringList reasons;
    if (hasArea(hits, SearchArea::eventName))
        reasons.append(QStringLiteral("event"));
    QHash<SearchArea, qint64> counts;
    for (const SearchHit& hit : hits) {
        if (hit.area != SearchArea::eventName)
            ++counts[hit.area];
    }
    for (const auto& [area, n] : perArea(counts))
        reasons.append(count(area, n));
    if (!projects.isEmpty())
        reasons.append(count(SearchArea::projectName, projects.size()));
    return reasons;
}

QList<QPair<SearchArea, qint64>> SearchResult::Library::eventHitCounts() const {
    QHash<SearchArea, qint64> counts;
    for (const Event& event : events) {
        for (const SearchHit& hit : event.hits) {
            if (hit.area != SearchArea::eventName)
                ++counts[hit.area];
        }
    }
    return perArea(counts);
}

QStringList SearchResult::Library::reasons() const {
    QStringList reasons;
    for (const SearchArea area : allSearchAreas()) {
        if (hasArea(hits, area))
            reasons.append(noun(area).one);
    }
    qint64 namedEvents = 0;
    qint64 projectCount = 0;
    for (const Event& event : events) {
        if (hasArea(event.hits, SearchArea::eventName))
            ++namedEvents;
        projectCount += event.projects.size();
    }
    if (namedEvents >= 1)
        reasons.append(count(SearchArea::eventName, namedEvents));
    if (projectCount >= 1)
        reasons.append(count(SearchArea::projectName, projectCount));
    for (const auto& [area, n] : eventHitCounts())
        reasons.append(count(area, n));
    return reasons;
}

} // namespace pellimor
