#include "Shell/ToolbarModel.h"

#include "App/AppSettings.h"
#include "Catalogue/Store/Catalog.h"
#include "Shell/MenuModel.h"
#include "Shell/WindowState.h"

#include <QFileInfo>
#include <algorithm>

namespace pellimor::ToolbarModel {

namespace {

constexpr double kPickerShare = 0.42;
constexpr double kPickerMaxMinimum = 600;

} // namespace

Toolbar build(const Inputs& in) {
    Toolbar bar;
    bar.wide = in.winWidth >= kWideFrom;
    bar.large = in.winWidth >= kLargeFrom;

    if (bar.large)
        bar.pickerMinWidth = std::min(kPickerShare * in.winWidth, kPickerMaxMinimum);
    bar.pickerTrailingPadding = bar.large ? 14 : 4;

    bar.dateLabel =
        in.dateMode == QStringLiteral("created") ? QStringLiteral("Created") : QStringLiteral("Modified");
    bar.datePadding = bar.large ? 6 : 2;

    bar.workingFilled = in.hideBackups;
    bar.workingIcon = in.hideBackups ? QStringLiteral("externaldrive.fill.badge.checkmark")
                                     : QStringLiteral("externaldrive.badge.checkmark");
    bar.workingTip = in.hideBackups ? QStringLiteral("Backup drives hidden. Click to show them")
                                    : QStringLiteral("Hide backup drives");
    bar.workingPadH = bar.large ? 9 : 6;
    bar.workingPadV = bar.large ? 4 : 3;

    bar.scanEnabled = !in.scanning;
    using Kind = ScanEntry::Kind;
    bar.scanEntries.append({Kind::addFolder, QStringLiteral("Add Folder to Watch…"), true});
    if (in.pausedJob)
        bar.scanEntries.append({Kind::resume, MenuModel::resumeTitle(*in.pausedJob), true});
    bar.scanEntries.append({Kind::refresh, QStringLiteral("Refresh Watched Folders"), in.watchedFolders > 0});
    bar.scanEntries.append({Kind::entireDrive, entireDriveTitle(), true});

    bar.scanControls = in.scanning;
    bar.searchPrompt =
        in.mode == Mode::media ? QStringLiteral("File name, e.g. C0006") : QStringLiteral("Search");
    return bar;
}

Inputs currentInputs(const Catalog& catalog, const WindowState& state) {
    Inputs in;
    in.winWidth = state.winWidth;
    in.mode = state.mode;
    in.dateMode = AppSettings::dateMode();
    in.hideBackups = AppSettings::hideBackups();
    in.scanning = catalog.isScanning();
    in.pausedJob = catalog.pausedJob();
    in.watchedFolders = catalog.roots().size();
    return in;
}

QList<DriveEntry> driveEntries(const QStringList& mountPaths) {
    QList<DriveEntry> entries;
    entries.reserve(mountPaths.size());
    for (const QString& path : mountPaths)
        entries.append({QFileInfo(path).fileName(), path});
    return entries;
}

QString viewPickerTitle() {
    return QStringLiteral("View");
}

QString dateTip() {
    return QStringLiteral(
        "Choose which date the date columns show: when things were last changed, or when they were created.");
}

QString workingDrivesName() {
    return QStringLiteral("Working drives only");
}

QString scanTitle() {
    return QStringLiteral("Scan");
}

QString scanTip() {
    return QStringLiteral(
        "Search a drive or folder for Final Cut Pro libraries. Scan options live in Settings.");
}

QString entireDriveTitle() {
    return QStringLiteral("Scan Entire Drive (slow)…");
}

QString pauseTip() {
    return QStringLiteral("Pause the scan. Resume it later, even after quitting the app");
}

QString stopTip() {
    return QStringLiteral("Stop the scan. The catalog stays. It will not resume on its own.");
}

QString dateChoiceTitle(const QString& dateMode) {
    return dateMode == QStringLiteral("created") ? QStringLiteral("Date created")
                                                 : QStringLiteral("Date modified");
}

} // namespace pellimor::ToolbarModel
