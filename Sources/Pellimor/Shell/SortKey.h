#pragma once

#include <QList>

namespace pellimor {

// The columns the four main tables sort by. Each names the row field (or, for
// `pluginProblems`, LibraryRow::pluginProblems()) the column shows.
enum class LibraryField {
    name,
    drive,
    brokenLinks,
    pluginProblems, // missing packs first, then partly installed ones
    size,
    events,
    projects,
    mediaFiles,
    reclaimable,
    modified,
    fcp,
};
enum class EventField { event, library, drive, modified, size, original, reclaimable, mediaFiles, projects };
enum class ProjectField {
    project,
    event,
    library,
    drive,
    duration,
    format,
    modified,
    eventSize,
    librarySize
};
enum class MediaField { file, event, library, drive, size, ext };

// One key of a table's sort order: a column and a direction. Texts compare the way the file
// manager orders names (TextCompare::localizedStandard), numbers and dates by value.
template <typename Field> struct SortKey {
    Field field;
    bool ascending = true;
    bool operator==(const SortKey&) const = default;
};

// Sorts by the first key, breaks ties with the next; rows still tied keep their build order.
// Clicking a column header replaces the whole list.
template <typename Field> using SortOrder = QList<SortKey<Field>>;

} // namespace pellimor
