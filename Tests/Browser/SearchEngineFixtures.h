#pragma once

// Small catalogues for the search engine's tests, and readable failure messages for results.

#include "Browser/SearchResult.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Store/Catalog.h"

#include <QList>
#include <QMap>
#include <QString>
#include <ostream>

namespace pellimor {

inline void PrintTo(const SearchHit& hit, std::ostream* os) {
    *os << rawValue(hit.area).toStdString() << ":\"" << hit.text.toStdString() << '"';
}

inline void PrintTo(const QList<SearchHit>& hits, std::ostream* os) {
    *os << '[';
    for (qsizetype i = 0; i < hits.size(); ++i) {
        if (i)
            *os << ", ";
        PrintTo(hits.at(i), os);
    }
    *os << ']';
}

inline void PrintTo(const SearchResult::Library& library, std::ostream* os) {
    *os << "{hits ";
    PrintTo(library.hits, os);
    for (auto event = library.events.cbegin(); event != library.events.cend(); ++event) {
        *os << "; event \"" << event.key().toStdString() << "\" ";
        PrintTo(event->hits, os);
        for (auto project = event->projects.cbegin(); project != event->projects.cend(); ++project) {
            *os << " project \"" << project.key().toStdString() << "\" ";
            PrintTo(*project, os);
        }
    }
    *os << '}';
}

inline void PrintTo(const QMap<QString, SearchResult::Library>& libraries, std::ostream* os) {
    *os << '{';
    for (auto it = libraries.cbegin(); it != libraries.cend(); ++it) {
        *os << "\n  \"" << it.key().toStdString() << "\": ";
        PrintTo(*it, os);
    }
    *os << "\n}";
}

namespace test::search {

inline LibraryInfo library(const QString& path, const QString& name, const QString& volume = "Media") {
    LibraryInfo info;
    info.path = path;
    info.name = name;
    info.volumeName = volume;
    return info;
}

inline EventInfo event(const QString& name) {
    EventInfo info;
    info.name = name;
    return info;
}

inline ProjectInfo project(const QString& name) {
    ProjectInfo info;
    info.name = name;
    return info;
}

inline Catalog::MediaEntry2 media(const QString& libraryPath, const QString& event, const QString& name) {
    return {libraryPath, MediaEntry{name, 1000, event}};
}

using Hits = QList<SearchHit>;

inline SearchResult::Event eventResult(const Hits& hits, const QMap<QString, Hits>& projects = {}) {
    return {hits, projects};
}

inline SearchResult::Library libraryResult(const Hits& hits,
                                           const QMap<QString, SearchResult::Event>& events = {}) {
    return {hits, events};
}

} // namespace test::search

} // namespace pellimor
