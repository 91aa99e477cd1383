#pragma once

#include "Catalogue/Records/EventRow.h"
#include "Catalogue/Records/LibraryRow.h"
#include "Catalogue/Records/MediaRow.h"
#include "Catalogue/Records/ProjectRow.h"
#include "Shell/TableColumn.h"

#include <QList>
#include <QString>

// What the main window's Libraries, Events, Projects and Media Files tables show of their rows:
// the columns in order, and every row's typed cells. The rows come filtered and sorted
// (TableRows); only their look is decided here. Every column is always shown; the date column
// is titled "Created" for the date mode "created" exactly, else "Modified".
//
// `installed` is the installed Final Cut Pro's version (Catalog::installedFCP), empty when none:
// without one a library's version is shown bare, as nothing can be compared. Plain functions;
// any thread.
namespace pellimor::MainTables {

struct Table {
    QList<TableColumn> columns;
    QList<TableRow> rows;
};

QList<TableColumn> libraryColumns(const QString& dateMode);
QList<TableColumn> eventColumns(const QString& dateMode);
QList<TableColumn> projectColumns(const QString& dateMode);
QList<TableColumn> mediaColumns();

// The badges after a library's name: "×N" in orange for two copies or more; "needs FCP update"
// in blue (update 1) or "newer than your FCP" in red (update 2); "matched: …" in green while
// the row matches a search.
QList<BrowserCells::Pill> libraryBadges(const LibraryRow& row);
// "matched: …" in green while the row matches a search; else none.
QList<BrowserCells::Pill> matchBadges(const QString& matched);
// The version cell: the row's update code stands for the catalogue's status, read as unknown
// while no Final Cut Pro is installed.
VersionCell versionCell(const LibraryRow& row, const QString& installed);

Table libraries(const QList<LibraryRow>& rows, const QString& dateMode, const QString& installed);
Table events(const QList<EventRow>& rows, const QString& dateMode);
Table projects(const QList<ProjectRow>& rows, const QString& dateMode);
Table media(const QList<MediaRow>& rows);

// The Media Files tab shows its table while the live search text, trimmed, holds anything (even
// before that text is applied); otherwise a placeholder that asks for a file name.
bool showsMediaPlaceholder(const QString& search);
// The placeholder's last line: the number of indexed media files with the locale's digit
// grouping, then " media files are indexed.".
QString indexedMediaText(qint64 count);

} // namespace pellimor::MainTables
