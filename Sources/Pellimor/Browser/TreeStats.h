#pragma once

#include "Browser/SearchArea.h"

#include <QMap>

namespace pellimor {

// The counters of one build of the library browser's tree. They count only while a search is
// active (all zero and empty otherwise), over the libraries the search found.
struct TreeStats {
    qint64 libraries = 0; // libraries with a search result
    qint64 events = 0;    // events in those results
    qint64 projects = 0;  // projects in those events' results
    // Per area, the event-level hits of the results (SearchResult::Library::eventHitCounts).
    QMap<SearchArea, qint64> areas;

    bool operator==(const TreeStats&) const = default;
};

} // namespace pellimor
