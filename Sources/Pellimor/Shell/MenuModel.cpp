#include "Shell/MenuModel.h"

#include "App/AppAction.h"
#include "App/AppSettings.h"
#include "App/Mode.h"
#include "Catalogue/Store/Catalog.h"
#include "Shell/FinalCutFacts.h"
#include "Shell/Updates.h"

#include <QFileInfo>
#include <algorithm>

namespace pellimor::MenuModel {

namespace {

using C = Command;

Item action(const QString& id, const QString& title, Command command, const QString& shortcut = {}) {
    Item item;
    item.id = id;
    item.title = title;
    item.command = command;
    item.shortcut = shortcut;
    return item;
}

Item toggle(const QString& id, const QString& title, Command command, bool checked, const QString& shortcut) {
    Item item = action(id, title, command, shortcut);
    item.checkable = true;
    item.checked = checked;
    return item;
}

Item separator(const QString& id) {
    Item item;
    item.kind = Item::Kind::separator;
    item.id = id;
    return item;
}

Item submenu(const QString& id, const QString& title, QList<Item> items) {
    Item item;
    item.kind = Item::Kind::submenu;
    item.id = id;
    item.title = title;
    item.items = std::move(items);
    return item;
}

Menu applicationMenu(const Inputs& in) {
    Item updates = action(QStringLiteral("app.checkForUpdates"), QStringLiteral("Check for Updates…"),
                          C::checkForUpdates);
    updates.present = in.updatesOffered;
    return {QStringLiteral("app"),
            QStringLiteral("Tovlin"),
            {updates, separator(QStringLiteral("app.sep1")),
             action(QStringLiteral("app.settings"), QStringLiteral("Settings…"), C::openSettings,
                    QStringLiteral("Ctrl+,")),
             separator(QStringLiteral("app.sep2")),
             action(QStringLiteral("app.quit"), QStringLiteral("Quit Tovlin"), C::quit,
                    QStringLiteral("Ctrl+Q"))}};
}

Menu fileMenu(const Inputs& in) {
    Item add = action(QStringLiteral("file.addWatchFolder"), QStringLiteral("Add Folder to Watch…"),
                      C::addWatchFolder, QStringLiteral("Ctrl+Shift+O"));
    add.enabled = !in.scanning;
    return {QStringLiteral("file"),
            QStringLiteral("File"),
            {add, action(QStringLiteral("file.exportCSV"), QStringLiteral("Export CSV…"), C::exportCSV,
                         QStringLiteral("Ctrl+Shift+E"))}};
}

Menu editMenu() {
    return {
        QStringLiteral("edit"),
        QStringLiteral("Edit"),
        {action(QStringLiteral("edit.find"), QStringLiteral("Find…"), C::find, QStringLiteral("Ctrl+F"))}};
}

Menu viewMenu(const Inputs& in) {
    QList<Item> items;
    for (const Mode mode : allModes()) {
        Item tab = action(QStringLiteral("view.mode:") + rawValue(mode), rawValue(mode), C::setMode,
                          QStringLiteral("Ctrl+") + AppAction::modeShortcut(mode));
        tab.argument = rawValue(mode);
        items.append(tab);
    }
    items.append(separator(QStringLiteral("view.sep1")));

    // A picker: the stored value's choice carries the check mark; a value that is no choice
    // checks none.
    QList<Item> dates;
    const std::pair<QString, QString> choices[] = {
        {QStringLiteral("Date modified"), QStringLiteral("modified")},
        {QStringLiteral("Date created"), QStringLiteral("created")}};
    for (const auto& [title, value] : choices) {
        Item choice =
            toggle(QStringLiteral("view.dateMode:") + value, title, C::setDateMode, in.dateMode == value, {});
        choice.argument = value;
        dates.append(choice);
    }
    items.append(submenu(QStringLiteral("view.dateColumns"), QStringLiteral("Date columns"), dates));

    items.append(toggle(QStringLiteral("view.workingDrivesOnly"), QStringLiteral("Working Drives Only"),
                        C::toggleWorkingDrivesOnly, in.hideBackups, QStringLiteral("Ctrl+Shift+B")));
    items.append(toggle(QStringLiteral("view.largerText"), QStringLiteral("Larger Text"), C::toggleLargerText,
                        in.comfortable, QStringLiteral("Ctrl+Shift+L")));
    return {QStringLiteral("view"), QStringLiteral("View"), items};
}

Menu scanMenu(const Inputs& in) {
    QList<Item> items;

    Item add = action(QStringLiteral("scan.addWatchFolder"), QStringLiteral("Add Folder to Watch…"),
                      C::addWatchFolder);
    add.enabled = !in.scanning;
    items.append(add);

    // Offered whenever a job is paused, also while another scan runs: resuming then is the
    // catalogue's to refuse.
    Item resume = action(QStringLiteral("scan.resume"), QString(), C::resumePausedScan);
    resume.present = in.pausedJob.has_value();
    if (in.pausedJob)
        resume.title = resumeTitle(*in.pausedJob);
    items.append(resume);

    Item refresh = action(QStringLiteral("scan.refresh"), QStringLiteral("Refresh Watched Folders"),
                          C::refreshWatchedFolders);
    refresh.enabled = in.watchedFolders > 0 && !in.scanning;
    items.append(refresh);

    QList<Item> drives;
    for (const QString& path : in.drives) {
        Item drive =
            action(QStringLiteral("scan.drive:") + path, QFileInfo(path).fileName(), C::scanEntireDrive);
        drive.argument = path;
        // Disabled with their submenu, so that a stale menu or a shortcut cannot start one.
        drive.enabled = !in.scanning;
        drives.append(drive);
    }
    Item entire =
        submenu(QStringLiteral("scan.entireDrive"), QStringLiteral("Scan Entire Drive (slow)…"), drives);
    entire.enabled = !in.scanning;
    items.append(entire);

    items.append(separator(QStringLiteral("scan.sep1")));

    Item pause = action(QStringLiteral("scan.pause"), QStringLiteral("Pause Scan"), C::pauseScan);
    pause.present = in.scanning;
    items.append(pause);
    Item stop = action(QStringLiteral("scan.stop"), QStringLiteral("Stop Scan"), C::stopScan);
    stop.present = in.scanning;
    items.append(stop);

    return {QStringLiteral("scan"), QStringLiteral("Scan"), items};
}

Menu finalCutMenu(const Inputs& in) {
    Item restore = action(QStringLiteral("finalCut.restoreSettings"),
                          QStringLiteral("Put Final Cut Settings Back"), C::restoreFCPSettings);
    restore.enabled = in.savedPreferences;
    Item deroom =
        action(QStringLiteral("finalCut.putDeRoomBack"), QStringLiteral("Put DeRoom Back"), C::putDeRoomBack);
    deroom.enabled = in.deroomParked;
    return {QStringLiteral("finalCut"),
            QStringLiteral("Final Cut"),
            {action(QStringLiteral("finalCut.saveSettings"), QStringLiteral("Save Final Cut Settings"),
                    C::saveFCPSettings),
             restore, separator(QStringLiteral("finalCut.sep1")), deroom}};
}

Menu helpMenu() {
    return {
        QStringLiteral("help"),
        QStringLiteral("Help"),
        {action(QStringLiteral("help.manual"), QStringLiteral("Tovlin Manual"), C::openManual,
                QStringLiteral("Ctrl+?")),
         action(QStringLiteral("help.whatsNew"), QStringLiteral("What's New in Tovlin"), C::openWhatsNew),
         separator(QStringLiteral("help.sep1")),
         action(QStringLiteral("help.reportProblem"), QStringLiteral("Report a Problem…"), C::reportProblem),
         action(QStringLiteral("help.showLogFile"), QStringLiteral("Show Log File"), C::showLogFile),
         action(QStringLiteral("help.revealActivityLog"), QStringLiteral("Reveal Activity Log"),
                C::revealActivityLog)}};
}

std::optional<Item> findIn(const QList<Item>& items, const QString& id) {
    for (const Item& item : items) {
        if (item.id == id)
            return item;
        if (auto found = findIn(item.items, id))
            return found;
    }
    return std::nullopt;
}

} // namespace

Inputs currentInputs(const Catalog& catalog) {
    return currentInputs(catalog, Updates::shared());
}

Inputs currentInputs(const Catalog& catalog, const Updates& updates) {
    Inputs in;
    in.scanning = catalog.isScanning();
    in.pausedJob = catalog.pausedJob();
    in.watchedFolders = catalog.roots().size();
    in.drives = AppAction::mountedVolumes();
    in.savedPreferences = FinalCutFacts::savedPreferencesExist();
    in.deroomParked = FinalCutFacts::deroomParked();
    in.updatesOffered = updates.available();
    in.dateMode = AppSettings::dateMode();
    in.hideBackups = AppSettings::hideBackups();
    in.comfortable = AppSettings::comfortable();
    return in;
}

QList<Menu> build(const Inputs& inputs) {
    return {applicationMenu(inputs), fileMenu(inputs),     editMenu(), viewMenu(inputs),
            scanMenu(inputs),        finalCutMenu(inputs), helpMenu()};
}

QString resumeTitle(const ScanJob& job) {
    // A damaged or hand-written job file may point past its roots (or before them); the title
    // never claims a location the job does not have.
    qint64 shown = job.rootIndex + 1;
    if (!job.roots.isEmpty())
        shown = std::clamp<qint64>(shown, 1, job.roots.size());
    return QStringLiteral("Resume Paused Scan (%1 of %2 locations)")
        .arg(QString::number(shown), QString::number(job.roots.size()));
}

std::optional<Item> find(const QList<Menu>& menus, const QString& id) {
    for (const Menu& menu : menus) {
        if (auto found = findIn(menu.items, id))
            return found;
    }
    return std::nullopt;
}

} // namespace pellimor::MenuModel
