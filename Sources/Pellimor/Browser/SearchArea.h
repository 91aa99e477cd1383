#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace pellimor {

// The thirteen kinds of catalogue text a search can look at. The order is the order of every
// list of areas, every loop over them and every ordering of reasons. The raw value is the
// case's name.
enum class SearchArea {
    libraryName,
    eventName,
    projectName,
    keywords,
    metaTags,
    notesMarkers,
    clipNames,
    mediaFiles,
    cameraFormat,
    roles,
    plugins,
    pathDrive,
    fcpVersion,
};

// How reasons and counts word an area, for one and for many.
struct SearchAreaNoun {
    QString one;
    QString many;
    bool operator==(const SearchAreaNoun&) const = default;
};

// "libraryName", "eventName", ... — the case's name.
QString rawValue(SearchArea area);

// The area whose raw value is exactly `raw` (case-sensitive); nothing for any other text.
std::optional<SearchArea> searchAreaFromRawValue(const QString& raw);

// The thirteen areas in declaration order.
const QList<SearchArea>& allSearchAreas();

// The label of the area's tick box: "Library name", "Notes and markers", "FCP version"...
QString title(SearchArea area);

// "library name"/"library names"; the project area says "project"/"projects".
SearchAreaNoun noun(SearchArea area);

// The number, a space, and the singular noun for exactly 1, else the plural: "0 keywords",
// "1 note or marker", "3 notes and markers".
QString count(SearchArea area, qint64 n);

inline size_t qHash(SearchArea area, size_t seed = 0) noexcept {
    return ::qHash(static_cast<int>(area), seed);
}

} // namespace pellimor
