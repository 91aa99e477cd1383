#include "Browser/SearchArea.h"

namespace pellimor {

namespace {

struct AreaWords {
    SearchArea area;
    const char* raw;
    const char* title;
    const char* one;
    const char* many;
};

// One row per area, in declaration order.
constexpr AreaWords kWords[] = {
    {SearchArea::libraryName, "libraryName", "Library name", "library name", "library names"},
    {SearchArea::eventName, "eventName", "Event name", "event name", "event names"},
    {SearchArea::projectName, "projectName", "Project name", "project", "projects"},
    {SearchArea::keywords, "keywords", "Keywords", "keyword", "keywords"},
    {SearchArea::metaTags, "metaTags", "Meta tags", "meta tag", "meta tags"},
    {SearchArea::notesMarkers, "notesMarkers", "Notes and markers", "note or marker", "notes and markers"},
    {SearchArea::clipNames, "clipNames", "Clip names", "clip name", "clip names"},
    {SearchArea::mediaFiles, "mediaFiles", "Media file names", "media file", "media files"},
    {SearchArea::cameraFormat, "cameraFormat", "Camera and format", "camera or format",
     "camera and format details"},
    {SearchArea::roles, "roles", "Roles", "role", "roles"},
    {SearchArea::plugins, "plugins", "Plug-ins", "plug-in", "plug-ins"},
    {SearchArea::pathDrive, "pathDrive", "Path and drive", "path or drive", "path and drive details"},
    {SearchArea::fcpVersion, "fcpVersion", "FCP version", "FCP version", "FCP versions"},
};

const AreaWords& words(SearchArea area) {
    return kWords[static_cast<int>(area)];
}

} // namespace

QString rawValue(SearchArea area) {
    return QString::fromLatin1(words(area).raw);
}

std::optional<SearchArea> searchAreaFromRawValue(const QString& raw) {
    for (const AreaWords& w : kWords) {
        if (raw == QLatin1StringView(w.raw))
            return w.area;
    }
    return std::nullopt;
}

const QList<SearchArea>& allSearchAreas() {
    static const QList<SearchArea> areas = [] {
        QList<SearchArea> list;
        for (const AreaWords& w : kWords)
            list.append(w.area);
        return list;
    }();
    return areas;
}

QString title(SearchArea area) {
    return QString::fromLatin1(words(area).title);
}

SearchAreaNoun noun(SearchArea area) {
    return {QString::fromLatin1(words(area).one), QString::fromLatin1(words(area).many)};
}

QString count(SearchArea area, qint64 n) {
    return QString::number(n) + u' ' + QString::fromLatin1(n == 1 ? words(area).one : words(area).many);
}

} // namespace pellimor
