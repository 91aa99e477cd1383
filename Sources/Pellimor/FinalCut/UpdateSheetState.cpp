#include "FinalCut/UpdateSheetState.h"

#include "Catalogue/Store/Catalog.h"
#include "FinalCut/SafetyCopy.h"
#include "Support/ByteCount.h"

#include <algorithm>

namespace pellimor {

namespace {

using Case = LibraryUpdater::Status::Case;

const QString kUnknown = QStringLiteral("?");

} // namespace

UpdateSheetState UpdateSheetState::forRequest(const QList<LibraryInfo>& libraries) {
    UpdateSheetState state;
    state.libraries = libraries;
    for (const LibraryInfo& library : libraries)
        state.chosen.insert(library.path);
    return state;
}

QString UpdateSheetState::title() const {
    return QStringLiteral("Update libraries for Final Cut Pro ") + installed.value_or(kUnknown);
}

QList<UpdateSheetState::Row> UpdateSheetState::rows() const {
    QList<Row> rows;
    if (!items.isEmpty()) {
        for (const LibraryUpdater::Item& item : items) {
            rows.append(Row{item.id, item.lib.name, detailLine(item, installed),
                            item.status.kind == Case::failed, mark(item.status), false});
        }
        return rows;
    }
    // Before any run the updater holds nothing: the request's libraries wait, as the run would
    // list them.
    for (const LibraryInfo& library : libraries) {
        const LibraryUpdater::Item waiting{library.path, library, LibraryUpdater::Status(Case::waiting),
                                           QString()};
        rows.append(Row{library.path, library.name, detailLine(waiting, installed), false,
                        begun() ? Mark::waiting : Mark::checkbox, chosen.contains(library.path)});
    }
    return rows;
}

QString UpdateSheetState::backupLine() const {
    if (backupCount < 1)
        return {};
    return QString::number(backupCount) + QStringLiteral(" of these are on a drive marked as backup.");
}

QString UpdateSheetState::permissionText() const {
    return trusted ? QStringLiteral("Accessibility access granted, so the app can press Update for you.")
                   : QStringLiteral("Accessibility access needed so the app can press Update for you.");
}

QString UpdateSheetState::savedToText() const {
    return QStringLiteral("Saved to: ") + safetyRoot();
}

QString UpdateSheetState::safetyRoot() const {
    // Taken as it is: a folder that does not exist yet is made by the first copy, and one that
    // cannot be made says why in the run's failure.
    return safetyFolder.isEmpty() ? SafetyCopy::storageRoot() : safetyFolder;
}

QString UpdateSheetState::firstButton() const {
    return running ? QStringLiteral("Stop after this library") : QStringLiteral("Close");
}

QString UpdateSheetState::startLabel() const {
    if (practice)
        return QStringLiteral("Start Practice Run");
    return QStringLiteral("Update ") + QString::number(chosen.size()) + QStringLiteral(" Libraries");
}

bool UpdateSheetState::startEnabled() const {
    // The three refusals of the updater that the sheet can foresee; a missing Final Cut Pro
    // is the updater's to report.
    return !begun() && !toStart().isEmpty() && trusted && !finalCutRunning;
}

QList<LibraryInfo> UpdateSheetState::toStart() const {
    QList<LibraryInfo> ticked;
    for (const LibraryInfo& library : libraries) {
        if (chosen.contains(library.path))
            ticked.append(library);
    }
    return ticked;
}

QString UpdateSheetState::detailLine(const LibraryUpdater::Item& item,
                                     const std::optional<QString>& installed) {
    if (!item.detail.isEmpty())
        return item.detail;
    return item.lib.fcpVersion.value_or(kUnknown) + QStringLiteral(" → ") + installed.value_or(kUnknown) +
           QStringLiteral(" · ") + ByteCount::file(item.lib.totalSize()) + QStringLiteral(" · ") +
           item.lib.volumeName;
}

UpdateSheetState::Mark UpdateSheetState::mark(const LibraryUpdater::Status& status) {
    switch (status.kind) {
    case Case::waiting:
        return Mark::waiting;
    case Case::safetyCopy:
    case Case::opening:
    case Case::awaitingPrompt:
    case Case::updating:
    case Case::closing:
        return Mark::busy;
    case Case::done:
    case Case::alreadyCurrent:
    case Case::practiceOK:
        return Mark::good;
    case Case::skipped:
        return Mark::skipped;
    case Case::failed:
        return Mark::failed;
    }
    return Mark::waiting;
}

int UpdateSheetState::countOnBackupDrives(const QList<LibraryInfo>& libraries, const Catalog& catalog) {
    return int(std::count_if(libraries.cbegin(), libraries.cend(),
                             [&](const LibraryInfo& library) { return catalog.isBackupDrive(library); }));
}

QString UpdateSheetState::warningText() {
    return QStringLiteral(
        "An updated library can't be opened in an older Final Cut Pro. Libraries are updated "
        "one at a time, and the whole queue stops if anything unexpected happens.");
}

QString UpdateSheetState::safetyCopyText() {
    return QStringLiteral("Save a safety copy of each library's database files first (recommended)");
}

QString UpdateSheetState::explanationText() {
    return QStringLiteral(
        "Copies everything except the media folders (Original Media, Render Files, Proxy, "
        "Optimized, Analysis), so it is small and fast. It lets you restore the database if an "
        "update goes wrong. It does not replace a real backup of your media.");
}

QString UpdateSheetState::practiceText() {
    return QStringLiteral(
        "Practice run first: open each library, find the prompt, then press Cancel (nothing is changed)");
}

QString UpdateSheetState::staleNoteText() {
    return QStringLiteral(
        "Still red although it is switched on? That entry is for an older version of this app. "
        "Select “Tovlin” (or “Pellimor”, its old name) in the Accessibility list, press − to "
        "remove it, then drag the app in from Finder (Show App in Finder) or press + and add "
        "it, and switch it on.");
}

QString UpdateSheetState::finalCutOpenText() {
    return QStringLiteral("Final Cut Pro is open. Quit it before starting.");
}

QString UpdateSheetState::stoppingText() {
    return QStringLiteral("Stopping after the current library…");
}

QString UpdateSheetState::revealTip() {
    return QStringLiteral("Reveals this app so you can drag it into the Accessibility list");
}

QString UpdateSheetState::chooserMessage() {
    return QStringLiteral("Where should safety copies be kept?");
}

QString UpdateSheetState::chooserButton() {
    return QStringLiteral("Use This Folder");
}

} // namespace pellimor
