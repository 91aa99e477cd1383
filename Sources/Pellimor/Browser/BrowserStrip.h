#pragma once

#include "Browser/TreeStats.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Store/Catalog.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// What the library browser's strips say: the buttons above the table (which show, their
// labels, tips and the libraries they pass on) and, while a search is active, the summary of
// what it found. Plain functions over the libraries shown and the catalogue's answers; any
// thread, given answers that may be asked there.
namespace pellimor::BrowserStrip {

// ---- Buttons ------------------------------------------------------------------------------

QString expandAllTitle();   // "Expand All"
QString expandAllTip();     // "Show every event and project"
QString collapseAllTitle(); // "Collapse All"
QString collapseAllTip();   // "Fold everything back to one line per library"

// The libraries the update button passes on, in list order: those that need updating for the
// installed Final Cut Pro, are online and carry no problem text. No button when empty.
QList<LibraryInfo> updateTargets(const QList<LibraryInfo>& libraries,
                                 const std::function<bool(const LibraryInfo&)>& online,
                                 const std::function<Catalog::UpdateStatus(const LibraryInfo&)>& status);
// "Update 2 to Final Cut 10.8…" (`installed` empty when none is installed).
QString updateTitle(qsizetype count, const QString& installed);
QString updateTip();
QString updateSymbol(); // "arrow.up.circle"

// The libraries the missing-files button passes on, in list order: those with a broken link in
// any event, when the list may offer the button (`missingForList`) and its owner can open the
// sheet (`canOpen`); otherwise none. No button when empty.
QList<LibraryInfo> missingTargets(const QList<LibraryInfo>& libraries, bool missingForList, bool canOpen);
// "Find Missing Files in This Library…", "Find Missing Files in These 2 Libraries…".
QString missingTitle(qsizetype count);
QString missingTip();
QString missingSymbol(); // "questionmark.folder"

// ---- The search summary ---------------------------------------------------------------------

// From the counters of the tree's last build.
// "1 library", "3 projects", "1 event", then per area in area order "2 keywords": each only
// when its count is above 0.
QStringList summaryParts(const TreeStats& found);
// "Nothing found. Turn on another choice next to the search field, or try fewer words." when
// the tree has no rows; else "Found " and the parts joined with " · ".
QString summaryText(const TreeStats& found, bool noResults);
QString summarySymbol(bool noResults); // "questionmark.circle" or "text.magnifyingglass"
QString summaryHint(); // "Each library shows why it matched. Click its arrow to see everything inside it."

// ---- The UI trace --------------------------------------------------------------------------

// The counts the browser writes into the UI trace after a build: searching, the counters;
// otherwise the number of top-level rows and no events or projects.
struct TraceCounts {
    qint64 libraries = 0;
    qint64 events = 0;
    qint64 projects = 0;
    bool operator==(const TraceCounts&) const = default;
};
TraceCounts traceCounts(bool searching, const TreeStats& found, qint64 topLevelRows);

} // namespace pellimor::BrowserStrip
