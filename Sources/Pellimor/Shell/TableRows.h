#pragma once

#include "App/Mode.h"
#include "Browser/ProjectFocus.h"
#include "Browser/SearchQuery.h"
#include "Browser/SearchResult.h"
#include "Catalogue/Records/EventRow.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/LibraryRow.h"
#include "Catalogue/Records/MediaRow.h"
#include "Catalogue/Records/ProjectRow.h"
#include "Shell/SortKey.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

namespace pellimor {

class Catalog;

// The rows of the main window's Libraries, Events, Projects and Media Files tables, built
// afresh from the catalogue each time a table is drawn, already filtered by the sidebar (the
// visible libraries) and the applied search, and sorted by the table's sort order.
//
// Row identifiers: a library row is its path; an event row path + "|" + event name; a
// project row path + "|" + event + "|" + project; a media row the decimal position of its
// entry in Catalog::media(). Main thread only (they read the Catalog).
namespace TableRows {

// What every builder takes besides the catalogue.
struct RowInputs {
    QList<LibraryInfo> visible; // SidebarFilter::visibleLibraries, in order
    SearchQuery query;          // parsed from the window's appliedSearch
    SearchResult result;        // the window's searchResult
    QString dateMode;           // the "dateMode" setting
};

// The most media rows a table holds; the walk over the media list stops there, before sorting.
inline constexpr qsizetype kMediaRowCap = 5000;

// Earlier than every real date: where a row has no date to show.
QDateTime distantPast();

// The date rule: the creation date when `dateMode` is exactly "created", else the
// modification date; distantPast() when the chosen one is absent.
QDateTime pick(const std::optional<QDateTime>& created, const std::optional<QDateTime>& modified,
               const QString& dateMode);

// How many libraries of Catalog::shownLibraries() carry this library's internal identifier,
// from counts made by SidebarFilter::copyCounts; 1 without an identifier or count.
qint64 copies(const LibraryInfo& library, const QHash<QString, qint64>& counts);

// While a search is active, only libraries with a library result give rows; events and
// projects also need a hit of their own (or one at library level, or, for projects, the
// event's name). `matched` words why a row matches; "" without a search.
QList<LibraryRow> libraryRows(Catalog& catalog, const RowInputs& in, const SortOrder<LibraryField>& sort);
QList<EventRow> eventRows(const Catalog& catalog, const RowInputs& in, const SortOrder<EventField>& sort);
QList<ProjectRow> projectRows(const Catalog& catalog, const RowInputs& in,
                              const SortOrder<ProjectField>& sort);
// Only while a search is active (none at all without one): the media entries of visible
// libraries whose file names hold every term, in media-list order, at most kMediaRowCap of
// them (taken from the start of the list), then sorted.
QList<MediaRow> mediaRows(const Catalog& catalog, const RowInputs& in, const SortOrder<MediaField>& sort);

// Stable sorts by a sort order: first key first, ties kept in build order.
void sortRows(QList<LibraryRow>& rows, const SortOrder<LibraryField>& sort);
void sortRows(QList<EventRow>& rows, const SortOrder<EventField>& sort);
void sortRows(QList<ProjectRow>& rows, const SortOrder<ProjectField>& sort);
void sortRows(QList<MediaRow>& rows, const SortOrder<MediaField>& sort);

// The catalogued library a selected row belongs to, in the tab `mode`; none without a row,
// for an identifier the tab cannot resolve, or a library no longer catalogued.
//   Libraries: the library whose path is the identifier.
//   Media Files: a decimal position ("+"/"-" allowed) into Catalog::media(), its entry's
//     library; none outside the list. (WindowState::mediaReplaced() clears a selection the
//     list no longer backs.)
//   Events, Projects, Browser: RowLibrary::find over the catalogued libraries, the rest of
//     the identifier naming an event (Events), an event and project (Projects) or anything
//     (Browser).
std::optional<LibraryInfo> library(const std::optional<QString>& row, Mode mode, const Catalog& catalog);

// The project the details panel focuses in the Projects tab: the event and the project of the
// row's library that the rest of the identifier names (what follows the library's path and its
// "|" is the event's name, "|" and the project's name). Names may hold "|" themselves, so the
// pair is found among the library's own events and projects, the first event in stored order
// that fits; none in other tabs, or when the identifier names no project of the library.
std::optional<ProjectFocus> focusedProject(const std::optional<QString>& row, Mode mode,
                                           const Catalog& catalog);

} // namespace TableRows

} // namespace pellimor
