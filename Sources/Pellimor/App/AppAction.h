#pragma once

#include "App/Mode.h"

#include <QChar>
#include <QString>
#include <QStringList>

// What the menus ask of the main window. Menu commands never reach into a window: they post
// one of these names through the NotificationHub, and the main window (or, for focusSearch,
// the search field) acts on it. Only setMode (the tab's raw value) and scanEntireDrive (the
// drive's path) carry a text; the others carry none.
namespace pellimor::AppAction {

const QString& setMode();            // "fcp.SetMode"
const QString& exportCSV();          // "fcp.ExportCSV"
const QString& addWatchFolder();     // "fcp.AddWatchFolder"
const QString& scanEntireDrive();    // "fcp.ScanEntireDrive"
const QString& focusSearch();        // "fcp.FocusSearch"
const QString& saveFCPSettings();    // "fcp.SaveFCPSettings"
const QString& restoreFCPSettings(); // "fcp.RestoreFCPSettings"
const QString& putDeRoomBack();      // "fcp.PutDeRoomBack"

// The eight menu notifications above, in that order.
const QStringList& allNames();

// Not a menu notification but posted through the same hub: asks a table to scroll the row
// whose identifier is the text it carries into view ("TovlinRevealRow").
const QString& revealRow();

// The drives offered for a whole-drive scan, computed afresh on every call: the volumes
// mounted under the volumes root as the platform's volume service lists them, without hidden
// ones (a name beginning with ".") and without anything outside the root (the start-up
// volume is never listed), sorted by their names compared as plain text (case-sensitive, no
// locale rules: "Archive" before "backup"). Mount paths. Safe from any thread.
QStringList mountedVolumes();

// The key of a tab's View menu item: the digit 1 plus the tab's position ("1" to "7").
QChar modeShortcut(Mode mode);

} // namespace pellimor::AppAction
