#pragma once

#include "Browser/SearchArea.h"
#include "Browser/SearchHit.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

namespace pellimor {

// The hits of one search run, per library path. Views derive trees and rows from it; `id`
// tells one run from the next so they can cache what they derive. A plain value; safe to copy
// between threads.
struct SearchResult {
    // The hits of one event, and per project name the hits of that project.
    struct Event {
        QList<SearchHit> hits;
        QMap<QString, QList<SearchHit>> projects;

        // In this order: "event" when an eventName hit is among `hits`; then for every other
        // area, in area order, the count of its hits ("2 clip names"); then the number of
        // projects ("1 project").
        QStringList reasons() const;

        bool operator==(const Event&) const = default;
    };

    // The library-level hits of one library, and per event name its event result.
    struct Library {
        QList<SearchHit> hits;
        QMap<QString, Event> events;

        // Per area except eventName, the event-level hits of that area over all events, in
        // area order, only areas with at least one. Project hits are not counted.
        QList<QPair<SearchArea, qint64>> eventHitCounts() const;

        // In this order: the singular noun of every area with a library-level hit ("library
        // name", "path or drive"); the number of events holding an eventName hit ("2 event
        // names"); the number of projects over all events ("1 project"); then each pair of
        // eventHitCounts() ("3 keywords").
        QStringList reasons() const;

        bool operator==(const Library&) const = default;
    };

    qint64 id = 0; // grows with every search run; 0 is older than any run
    QMap<QString, Library> libraries;

    // Identifier 0 and no libraries: the result before any search.
    static SearchResult empty() { return {}; }

    bool operator==(const SearchResult&) const = default;
};

} // namespace pellimor
