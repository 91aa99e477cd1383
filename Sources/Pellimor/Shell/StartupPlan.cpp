#include "Shell/StartupPlan.h"

#include "Catalogue/Logs/UITrace.h"
#include "Catalogue/Store/Catalog.h"
#include "FinalCut/DeRoomPark.h"
#include "Shell/SidebarFilter.h"
#include "Shell/WindowState.h"
#include "Support/Graphemes.h"

#include <QDir>
#include <QFileInfo>

namespace pellimor::StartupPlan {

namespace {

const QString kResume = QStringLiteral("--resume");
const QString kScan = QStringLiteral("--scan");

// A path as a file address gives it back: absolute (relative ones taken from `base`) and
// clean, without a trailing "/".
QString filePath(const QString& path, const QString& base) {
    if (QDir::isAbsolutePath(path))
        return QDir::cleanPath(path);
    return QDir::cleanPath(QDir(base.isEmpty() ? QDir::currentPath() : base).absoluteFilePath(path));
}

// What the window's own refreshes of the watched folders ask for (at start-up, from the
// refresh question, when a drive is plugged in): the stored settings, but never a full
// rescan, whatever "fullRescan" says, since they only check for what changed.
ScanOptions refreshOptions(const WindowSettings& settings) {
    ScanOptions options = settings.scanOptions();
    options.fullRescan = false;
    return options;
}

} // namespace

// ---- Start-up -------------------------------------------------------------------------------

StartupActions decideStartup(const StartupFacts& facts, const WindowSettings& settings,
                             const QDateTime& now) {
    StartupActions actions;
    const bool resume = facts.arguments.contains(kResume);
    actions.resume = resume;

    const qsizetype scanAt = facts.arguments.indexOf(kScan);
    if (scanAt >= 0 && scanAt + 1 < facts.arguments.size()) {
        // The resumed scan is running by the time the paths come up, and a running scan
        // drops them.
        const bool scanningThen = facts.isScanning || (resume && facts.pausedJob);
        if (!scanningThen)
            actions.scan = scanSwitchJob(facts.arguments.mid(scanAt + 1), facts.workingFolder, settings, now);
        return actions;
    }

    if (!facts.catalogueEmpty) {
        actions.askRefresh = !facts.pausedJob && !resume;
    } else if (settings.autoRefresh && !facts.pausedJob) {
        actions.refreshAll = true;
    }
    return actions;
}

void startUp(WindowState& state, Catalog& catalog, const QStringList& arguments) {
    traceUI(state, catalog);
    catalog.recordMounted();
    // A park or put-back of DeRoom that a kill cut short is settled before anything else can
    // open a library.
    DeRoomPark::recoverAtStartUp(catalog);

    const WindowSettings settings = WindowSettings::read();
    StartupFacts facts;
    facts.arguments = arguments;
    facts.catalogueEmpty = catalog.libraries().isEmpty();
    facts.pausedJob = catalog.pausedJob().has_value();
    facts.isScanning = catalog.isScanning();
    facts.workingFolder = QDir::currentPath();
    const StartupActions actions = decideStartup(facts, settings);

    if (actions.resume)
        catalog.resumePausedScan();
    if (actions.scan) {
        // Asked again: the decision foresaw the resumed scan, this sees it.
        if (!catalog.isScanning())
            catalog.run(*actions.scan);
        return;
    }
    if (actions.askRefresh)
        state.askRefresh = true;
    if (actions.refreshAll)
        catalog.rescanAllRoots(refreshOptions(settings), std::nullopt);
}

// ---- Scans the window starts ----------------------------------------------------------------

ScanJob scanSwitchJob(const QStringList& paths, const QString& workingFolder, const WindowSettings& settings,
                      const QDateTime& now) {
    QStringList roots;
    roots.reserve(paths.size());
    for (const QString& path : paths)
        roots.append(filePath(path, workingFolder));
    ScanOptions options = settings.scanOptions();
    options.depth.reset();
    options.fullRescan = false;
    return options.freshJob(std::move(roots), true, now);
}

ScanJob folderChooserJob(const QStringList& folders, const WindowSettings& settings, const QDateTime& now) {
    QStringList roots;
    roots.reserve(folders.size());
    for (const QString& folder : folders)
        roots.append(filePath(folder, QString()));
    return settings.scanOptions().freshJob(std::move(roots), true, now);
}

ScanJob wholeDriveJob(const QString& drivePath, const WindowSettings& settings, const QDateTime& now) {
    ScanOptions options = settings.scanOptions();
    options.depth.reset();
    return options.freshJob({filePath(drivePath, QString())}, false, now);
}

QString folderChooserPrompt() {
    return QStringLiteral("Watch");
}

QString folderChooserMessage() {
    return QStringLiteral(
        "Choose the folder(s) where your Final Cut Pro libraries live. They are re-checked automatically.");
}

bool chooseFolderConfirmed(Catalog& catalog, const QStringList& folders) {
    if (folders.isEmpty() || catalog.isScanning())
        return false;
    catalog.run(folderChooserJob(folders, WindowSettings::read(), QDateTime::currentDateTimeUtc()));
    return true;
}

QString wholeDriveTitle(const std::optional<QString>& drivePath) {
    QString name = QStringLiteral("this drive");
    if (drivePath) {
        const QString cleaned = QDir::cleanPath(*drivePath);
        name = cleaned == u"/" ? cleaned : QFileInfo(cleaned).fileName();
    }
    return QStringLiteral("Scan all of ") + name + u'?';
}

QString wholeDriveMessage() {
    return QStringLiteral(
        "This looks through every folder, so a large drive can take hours (a NAS even longer). "
        "Watching specific folders is much faster. You can stop it at any time.");
}

QString wholeDriveConfirmTitle() {
    return QStringLiteral("Scan Entire Drive");
}

bool confirmWholeDrive(WindowState& state, Catalog& catalog) {
    bool started = false;
    if (state.pendingDrive && !catalog.isScanning()) {
        catalog.run(
            wholeDriveJob(*state.pendingDrive, WindowSettings::read(), QDateTime::currentDateTimeUtc()));
        started = true;
    }
    state.pendingDrive.reset();
    return started;
}

void cancelWholeDrive(WindowState& state) {
    state.pendingDrive.reset();
}

QString refreshQuestionTitle() {
    return QStringLiteral("Refresh the scan?");
}

QString refreshQuestionMessage() {
    return QStringLiteral("The catalog is already saved. Refresh checks the watched folders again. Not now "
                          "leaves it as it is.");
}

void answerRefresh(WindowState& state, Catalog& catalog) {
    state.askRefresh = false;
    catalog.rescanAllRoots(refreshOptions(WindowSettings::read()), std::nullopt);
}

void answerRefreshLater(WindowState& state) {
    state.askRefresh = false;
}

// ---- Volumes and activation -----------------------------------------------------------------

VolumeActions decideMounted(const std::optional<QString>& volumePath, bool autoRefresh, bool isScanning) {
    VolumeActions actions;
    actions.recordMounted = true;
    if (autoRefresh && !isScanning && volumePath && !volumePath->isEmpty())
        actions.rescanVolume = QDir::cleanPath(*volumePath);
    return actions;
}

VolumeActions decideUnmounted() {
    VolumeActions actions;
    actions.recordMounted = true;
    return actions;
}

VolumeActions decideActivated() {
    VolumeActions actions;
    actions.refreshSpace = true;
    return actions;
}

void apply(const VolumeActions& actions, Catalog& catalog, const WindowSettings& settings) {
    if (actions.recordMounted) {
        catalog.recordMounted(); // the whole set is stored anew, never patched
    } else if (actions.refreshSpace) {
        catalog.refreshVolumeSpace();
    }
    if (actions.rescanVolume)
        catalog.rescanAllRoots(refreshOptions(settings), actions.rescanVolume);
}

void volumeMounted(Catalog& catalog, const std::optional<QString>& volumePath) {
    const WindowSettings settings = WindowSettings::read();
    apply(decideMounted(volumePath, settings.autoRefresh, catalog.isScanning()), catalog, settings);
}

void volumeUnmounted(Catalog& catalog) {
    apply(decideUnmounted(), catalog, WindowSettings::read());
}

void activated(Catalog& catalog) {
    apply(decideActivated(), catalog, WindowSettings::read());
    // Final Cut Pro may have been installed, updated or removed while the user was away.
    catalog.refreshInstalledFCP();
}

// ---- The UI trace ---------------------------------------------------------------------------

QString sidebarTrace(const SidebarSelection& sidebar) {
    const QSet<QString> drives = SidebarFilter::selectedDrives(sidebar);
    const QSet<QString> favorites = SidebarFilter::selectedFavorites(sidebar);
    QStringList parts;
    if (const std::optional<SidebarItem::Kind> smart = SidebarFilter::smartItem(sidebar)) {
        switch (*smart) {
        case SidebarItem::Kind::all:
            if (drives.isEmpty() && favorites.isEmpty())
                parts.append(QStringLiteral("Everything"));
            break;
        case SidebarItem::Kind::duplicates:
            parts.append(QStringLiteral("Duplicates"));
            break;
        case SidebarItem::Kind::offline:
            parts.append(QStringLiteral("Drive not connected"));
            break;
        case SidebarItem::Kind::reclaimable:
            parts.append(QStringLiteral("Over 1 GB reclaimable"));
            break;
        case SidebarItem::Kind::broken:
            parts.append(QStringLiteral("Missing files"));
            break;
        case SidebarItem::Kind::needsUpdate:
            parts.append(QStringLiteral("Needs FCP update"));
            break;
        case SidebarItem::Kind::missingPlugins:
            parts.append(QStringLiteral("Missing plug-ins"));
            break;
        case SidebarItem::Kind::damaged:
            parts.append(QStringLiteral("Damaged"));
            break;
        case SidebarItem::Kind::drive:
        case SidebarItem::Kind::favorite:
            break;
        }
    }
    if (!drives.isEmpty())
        parts.append(QString::number(drives.size()) + QStringLiteral(" drives"));
    if (!favorites.isEmpty())
        parts.append(QString::number(favorites.size()) + QStringLiteral(" favorites"));
    return parts.isEmpty() ? QStringLiteral("Everything") : parts.join(u'+');
}

qint64 characterCount(const QString& text) {
    return Graphemes::count(text);
}

TraceFields traceFields(const WindowState& state, bool isScanning) {
    TraceFields fields;
    fields.queryLen = characterCount(state.appliedSearch);
    fields.tab = rawValue(state.mode);
    fields.sidebar = sidebarTrace(state.sidebar);
    fields.scanning = isScanning;
    return fields;
}

void traceUI(const WindowState& state, const Catalog& catalog) {
    // Worked out before the lock is taken: the watchdog reads under it, possibly while the
    // main thread is stalled, so the lock is held only for the plain stores.
    const TraceFields fields = traceFields(state, catalog.isScanning());
    UITrace::shared().update([&](UITrace::Fields& f) {
        f.queryLen = fields.queryLen;
        f.tab = fields.tab;
        f.sidebar = fields.sidebar;
        f.scanning = fields.scanning;
    });
}

} // namespace pellimor::StartupPlan
