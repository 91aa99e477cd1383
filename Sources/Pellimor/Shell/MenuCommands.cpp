#include "Shell/MenuCommands.h"

#include "App/AppAction.h"
#include "App/AppSettings.h"
#include "App/NotificationHub.h"
#include "Catalogue/Logs/ActivityLog.h"
#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Store/Catalog.h"
#include "Shell/Updates.h"
#include "Shell/WindowSettings.h"

namespace pellimor::MenuCommands {

void perform(const MenuModel::Item& item, Catalog& catalog, Windows& windows) {
    perform(item, catalog, windows, Updates::shared());
}

void perform(const MenuModel::Item& item, Catalog& catalog, Windows& windows, Updates& updates) {
    if (!item.present || !item.enabled || item.kind != MenuModel::Item::Kind::action)
        return;
    NotificationHub& hub = NotificationHub::shared();
    using C = MenuModel::Command;
    switch (item.command) {
    case C::none:
        return;
    case C::checkForUpdates:
        updates.checkNow();
        return;
    case C::openSettings:
        windows.openSettings();
        return;
    case C::quit:
        windows.quit();
        return;
    case C::addWatchFolder:
        hub.post(AppAction::addWatchFolder());
        return;
    case C::exportCSV:
        hub.post(AppAction::exportCSV());
        return;
    case C::find:
        hub.post(AppAction::focusSearch());
        return;
    case C::resumePausedScan:
        catalog.resumePausedScan();
        return;
    case C::refreshWatchedFolders:
        catalog.rescanAllRoots(WindowSettings::read().scanOptions(), std::nullopt);
        return;
    case C::scanEntireDrive:
        hub.post(AppAction::scanEntireDrive(), item.argument);
        return;
    case C::pauseScan:
        catalog.pause();
        return;
    case C::stopScan:
        catalog.stop();
        return;
    case C::saveFCPSettings:
        hub.post(AppAction::saveFCPSettings());
        return;
    case C::restoreFCPSettings:
        hub.post(AppAction::restoreFCPSettings());
        return;
    case C::putDeRoomBack:
        hub.post(AppAction::putDeRoomBack());
        return;
    case C::setMode:
        hub.post(AppAction::setMode(), item.argument);
        return;
    case C::setDateMode:
        AppSettings::setDateMode(item.argument);
        return;
    case C::toggleWorkingDrivesOnly:
        AppSettings::setHideBackups(!AppSettings::hideBackups());
        return;
    case C::toggleLargerText:
        AppSettings::setComfortable(!AppSettings::comfortable());
        return;
    case C::openManual:
        AppSettings::setManualDoc(QStringLiteral("Manual"));
        windows.openManual();
        return;
    case C::openWhatsNew:
        AppSettings::setManualDoc(QStringLiteral("What's New"));
        windows.openManual();
        return;
    case C::reportProblem:
        windows.openReport();
        return;
    case C::showLogFile:
        ErrorLog::reveal();
        return;
    case C::revealActivityLog:
        ActivityLog::reveal();
        return;
    }
}

} // namespace pellimor::MenuCommands
