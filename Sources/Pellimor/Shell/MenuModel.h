#pragma once

#include "Catalogue/Records/ScanJob.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace pellimor {
class Catalog;
class Updates;
} // namespace pellimor

// The menu bar as plain values: every menu, item, title, shortcut and enabled, present and
// checked state, decided from the catalogue's state, the stored settings and a few files.
// The widgets only draw what build() returns and hand the chosen item's command back (see
// MenuCommands); nothing here touches a widget.
namespace pellimor::MenuModel {

// What an item does when chosen.
enum class Command {
    none,
    checkForUpdates,
    openSettings,
    quit,
    addWatchFolder,          // posts "fcp.AddWatchFolder"
    exportCSV,               // posts "fcp.ExportCSV"
    find,                    // posts "fcp.FocusSearch"
    resumePausedScan,        // Catalog::resumePausedScan()
    refreshWatchedFolders,   // Catalog::rescanAllRoots() with the stored scan settings
    scanEntireDrive,         // posts "fcp.ScanEntireDrive" with `argument`, the drive's path
    pauseScan,               // Catalog::pause()
    stopScan,                // Catalog::stop()
    saveFCPSettings,         // posts "fcp.SaveFCPSettings"
    restoreFCPSettings,      // posts "fcp.RestoreFCPSettings"
    putDeRoomBack,           // posts "fcp.PutDeRoomBack"
    setMode,                 // posts "fcp.SetMode" with `argument`, the tab's raw value
    setDateMode,             // writes "dateMode" = `argument`
    toggleWorkingDrivesOnly, // flips "hideBackupDrives"
    toggleLargerText,        // flips "comfortableText"
    openManual,              // "manualDoc" = "Manual", then the manual window
    openWhatsNew,            // "manualDoc" = "What's New", then the manual window
    reportProblem,           // the problem-report window
    showLogFile,             // ErrorLog::reveal()
    revealActivityLog,       // ActivityLog::reveal()
};

struct Item {
    enum class Kind { action, separator, submenu };
    Kind kind = Kind::action;
    QString id; // unique in the menu bar and stable across rebuilds ("scan.refresh")
    QString title;
    QString shortcut; // portable key text ("Ctrl+Shift+O"); ⌘ is Ctrl here; empty when none
    Command command = Command::none;
    QString argument; // the drive path, tab raw value or date mode the command carries
    bool present = true;
    bool enabled = true;
    bool checkable = false;
    bool checked = false;
    QList<Item> items; // a submenu's items
};

struct Menu {
    QString id;
    QString title;
    QList<Item> items;
};

// Everything the menus depend on, gathered at one moment.
struct Inputs {
    bool scanning = false;
    std::optional<ScanJob> pausedJob;
    qsizetype watchedFolders = 0;
    QStringList drives;            // AppAction::mountedVolumes()
    bool savedPreferences = false; // FinalCutFacts::savedPreferencesExist()
    bool deroomParked = false;     // FinalCutFacts::deroomParked()
    bool updatesOffered = false;   // Updates::available()
    QString dateMode = QStringLiteral("modified");
    bool hideBackups = false;
    bool comfortable = false;
};

// The inputs as they are now: the catalogue's scanning flag, paused job and watched folders,
// the mounted drives, the two Final Cut files and the stored settings; whether updates are
// offered is `updates`' decision, taken once. Main thread only.
Inputs currentInputs(const Catalog& catalog);
Inputs currentInputs(const Catalog& catalog, const Updates& updates);

// The menus in menu-bar order: the application menu "Tovlin", then "File", "Edit", "View",
// "Scan", "Final Cut" and "Help".
QList<Menu> build(const Inputs& inputs);

// "Resume Paused Scan (N of M locations)": N is the job's root index plus 1, M its number of
// roots, as plain whole numbers; N is kept within 1…M when the job has roots. The menu bar and
// the toolbar both title their entry with it.
QString resumeTitle(const ScanJob& job);

// The item with that id anywhere in `menus` (submenus included); nothing when absent.
std::optional<Item> find(const QList<Menu>& menus, const QString& id);

} // namespace pellimor::MenuModel
