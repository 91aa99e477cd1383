#pragma once

#include "Shell/MenuModel.h"

namespace pellimor {
class Catalog;
class Updates;
} // namespace pellimor

// What a chosen menu item does. The main window's commands are posted through the
// NotificationHub and never reach into a window; the Scan menu's resume, refresh, pause and
// stop act on the Catalog; the View menu's toggles and picker write stored settings; the
// Help items and the application menu open windows through `Windows`.
//
// Main thread only.
namespace pellimor::MenuCommands {

// The windows a command may open, supplied by the application object.
class Windows {
public:
    virtual ~Windows() = default;
    virtual void openSettings() = 0;
    virtual void openManual() = 0; // opens the one manual window, or brings it forward
    virtual void openReport() = 0; // likewise for the problem-report window
    virtual void quit() = 0;
};

// Carries out `item`'s command. A disabled or absent item does nothing: a shortcut or a
// stale menu must not start what the menu refuses.
void perform(const MenuModel::Item& item, Catalog& catalog, Windows& windows);
// The same with `updates` in place of Updates::shared().
void perform(const MenuModel::Item& item, Catalog& catalog, Windows& windows, Updates& updates);

} // namespace pellimor::MenuCommands
