#pragma once

#include "App/Mode.h"
#include "Catalogue/Records/ScanJob.h"
#include "Shell/SidebarItem.h"
#include "Shell/WindowSettings.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace pellimor {

class Catalog;
struct WindowState;

// What the main window does when it first appears, when a volume comes or goes and when the
// program becomes active, and the scans it starts from its questions and its folder chooser;
// and the UI trace it writes. The decisions are plain functions over plain facts; the
// carry-out functions apply them to the Catalog. Main thread only.
namespace StartupPlan {

// ---- Start-up ---------------------------------------------------------------------------

// What is known when the window first appears.
struct StartupFacts {
    QStringList arguments;      // the process's arguments (the program's path first is harmless)
    bool catalogueEmpty = true; // Catalog::libraries() is empty
    bool pausedJob = false;     // Catalog::pausedJob() is present
    bool isScanning = false;    // Catalog::isScanning()
    QString workingFolder;      // relative "--scan" paths are taken from here
};

// The start-up actions, in the order they are carried out. At most one of `scan`,
// `askRefresh` and `refreshAll` is set.
struct StartupActions {
    bool resume = false; // "--resume": Catalog::resumePausedScan()
    // "--scan" followed by paths, when no scan will be running by then (one already running,
    // or the paused one just resumed, drops the paths): Catalog::run() with this job.
    std::optional<ScanJob> scan;
    bool askRefresh = false; // ask "Refresh the scan?"
    bool refreshAll = false; // Catalog::rescanAllRoots() over every watched folder, full rescan off
    bool operator==(const StartupActions&) const = default;
};

// The decision. "--scan" as the last argument counts as absent; "--scan" with paths ends the
// sequence whether or not its scan can start. Otherwise a filled catalogue without a paused
// job and without "--resume" asks "Refresh the scan?", and an empty one with "autoRefresh" on
// and no paused job refreshes every watched folder.
StartupActions decideStartup(const StartupFacts& facts, const WindowSettings& settings,
                             const QDateTime& now = QDateTime::currentDateTimeUtc());

// The first-appearance handler carried out: the UI trace, the mounted set and free space, a
// DeRoom move cut short settled (DeRoomPark::recoverAtStartUp), then decideStartup() over the
// process's arguments and the catalogue as it stands. Sets
// `state.askRefresh` when the question is to be asked.
void startUp(WindowState& state, Catalog& catalog, const QStringList& arguments);

// ---- Scans the window starts ------------------------------------------------------------

// The job of "--scan <paths>": the paths absolute and cleaned (relative ones taken from
// `workingFolder`), no depth limit, watched from now on, full rescan off.
ScanJob scanSwitchJob(const QStringList& paths, const QString& workingFolder, const WindowSettings& settings,
                      const QDateTime& now);
// The job of the folder chooser: the chosen folders, "folderDepth" levels, watched from now
// on, full rescan from "fullRescan".
ScanJob folderChooserJob(const QStringList& folders, const WindowSettings& settings, const QDateTime& now);
// The job of "Scan Entire Drive": the drive alone, no depth limit, not watched, full rescan
// from "fullRescan".
ScanJob wholeDriveJob(const QString& drivePath, const WindowSettings& settings, const QDateTime& now);

// The folder chooser's texts: it picks folders only (several at once), starting in the
// volumes root.
QString folderChooserPrompt();  // "Watch"
QString folderChooserMessage(); // "Choose the folder(s) where your Final Cut Pro libraries live. ..."

// The user confirmed the folder chooser with these folders: a scan of them starts unless one
// is running (or none was chosen). True when the job was handed to the catalogue.
bool chooseFolderConfirmed(Catalog& catalog, const QStringList& folders);

// "Scan all of Media?" for "/Volumes/Media"; "Scan all of this drive?" without a drive.
QString wholeDriveTitle(const std::optional<QString>& drivePath);
QString wholeDriveMessage();      // "This looks through every folder, so a large drive can take hours ..."
QString wholeDriveConfirmTitle(); // "Scan Entire Drive"

// "Scan Entire Drive" answered: the whole-drive scan of `state.pendingDrive` starts unless a
// scan is running; either way `pendingDrive` is cleared. True when the job was handed over.
bool confirmWholeDrive(WindowState& state, Catalog& catalog);
// "Cancel" or dismissed: only clears `pendingDrive`.
void cancelWholeDrive(WindowState& state);

// "Refresh the scan?"
QString refreshQuestionTitle();   // "Refresh the scan?"
QString refreshQuestionMessage(); // "The catalog is already saved. Refresh checks ..."
// "Refresh": every watched folder, full rescan off whatever "fullRescan" says. Clears
// `askRefresh`, as "Not now" (answerRefreshLater) and dismissing do.
void answerRefresh(WindowState& state, Catalog& catalog);
void answerRefreshLater(WindowState& state);

// ---- Volumes and activation -------------------------------------------------------------

// What a volume event asks of the catalogue. Recording the mounted set is always followed by
// a free-space refresh.
struct VolumeActions {
    bool recordMounted = false;          // Catalog::recordMounted(): "/" and every mounted volume
                                         // become the mounted set, then free space is refreshed
    bool refreshSpace = false;           // Catalog::refreshVolumeSpace() alone
    std::optional<QString> rescanVolume; // rescanAllRoots(), full rescan off, only: this volume
    bool operator==(const VolumeActions&) const = default;
};

// A volume was mounted (at `volumePath` when the notification says where): record the set;
// then, with "autoRefresh" on and no scan running, refresh the watched folders on that
// volume only.
VolumeActions decideMounted(const std::optional<QString>& volumePath, bool autoRefresh, bool isScanning);
// A volume was unmounted: record the set, nothing more.
VolumeActions decideUnmounted();
// The program became active: free space only.
VolumeActions decideActivated();

// Carry a decision out on the catalogue (reading the mounted volumes from the platform's
// volume service).
void apply(const VolumeActions& actions, Catalog& catalog, const WindowSettings& settings);

void volumeMounted(Catalog& catalog, const std::optional<QString>& volumePath);
void volumeUnmounted(Catalog& catalog);
// The program became active: free space as decided, and the installed Final Cut Pro read again.
void activated(Catalog& catalog);

// ---- The UI trace -----------------------------------------------------------------------

// A text naming the sidebar selection, parts joined by "+": the one smart filter's name
// ("Everything" for all — only when no drive or favourite is selected —, "Duplicates",
// "Drive not connected", "Over 1 GB reclaimable", "Missing files", "Needs FCP update",
// "Missing plug-ins", "Damaged"), "<n> drives", "<n> favorites"; "Everything" when no part
// results. Two drives and a favourite: "2 drives+1 favorites".
QString sidebarTrace(const SidebarSelection& sidebar);

// User-perceived characters of a text (Graphemes::count), as the trace and the search log
// count the search text.
qint64 characterCount(const QString& text);

// What traceUI() writes.
struct TraceFields {
    qint64 queryLen = 0; // characterCount(appliedSearch)
    QString tab;         // the tab's title (raw value)
    QString sidebar;     // sidebarTrace()
    bool scanning = false;
    bool operator==(const TraceFields&) const = default;
};
TraceFields traceFields(const WindowState& state, bool isScanning);

// Writes traceFields() into UITrace::shared() under its lock; the browser's counts are left
// alone.
void traceUI(const WindowState& state, const Catalog& catalog);

} // namespace StartupPlan

} // namespace pellimor
