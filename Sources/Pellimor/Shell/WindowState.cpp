#include "Shell/WindowState.h"

#include "App/AppAction.h"

#include <QDir>

namespace pellimor {

WindowState WindowState::initial() {
    WindowState state;
    state.scope = SearchScope::load();
    return state;
}

bool WindowState::changeMode(Mode newMode) {
    if (newMode == mode)
        return false;
    mode = newMode;
    // A row identifier means something else in every tab.
    changeSelection(std::nullopt);
    return true;
}

void WindowState::changeSelection(const std::optional<QString>& newSelection) {
    selection = newSelection;
    showInspector = selection.has_value();
}

void WindowState::changeShowInspector(bool show) {
    showInspector = show;
    if (!show)
        selection.reset();
}

void WindowState::mediaReplaced() {
    if (mode == Mode::media && selection)
        changeSelection(std::nullopt);
}

WindowState::MenuEffect WindowState::receive(const QString& name, const std::optional<QString>& object) {
    if (name == AppAction::setMode()) {
        if (!object)
            return MenuEffect::none;
        const std::optional<Mode> tab = modeFromRawValue(*object);
        if (!tab)
            return MenuEffect::none;
        return changeMode(*tab) ? MenuEffect::refreshTrace : MenuEffect::none;
    }
    if (name == AppAction::scanEntireDrive()) {
        if (object && !object->isEmpty()) {
            // As a file address would give the path back: absolute and clean.
            pendingDrive = QDir::cleanPath(
                QDir::isAbsolutePath(*object) ? *object : QDir::current().absoluteFilePath(*object));
        }
        return MenuEffect::none;
    }
    if (name == AppAction::exportCSV())
        return MenuEffect::exportCSV;
    if (name == AppAction::addWatchFolder())
        return MenuEffect::chooseFolder;
    if (name == AppAction::saveFCPSettings())
        return MenuEffect::saveFCPSettings;
    if (name == AppAction::restoreFCPSettings())
        return MenuEffect::restoreFCPSettings;
    if (name == AppAction::putDeRoomBack())
        return MenuEffect::putDeRoomBack;
    return MenuEffect::none;
}

} // namespace pellimor
