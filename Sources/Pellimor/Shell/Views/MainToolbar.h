#pragma once

#include "App/Mode.h"
#include "Browser/SearchScope.h"
#include "Shell/ToolbarModel.h"

#include <QToolBar>
#include <optional>

class QAction;
class QActionGroup;
class QHBoxLayout;
class QMenu;
class QToolButton;

namespace pellimor {

class Catalog;
class SearchField;

// The main window's toolbar: the view picker, the date picker, the "Working drives only"
// button, the Scan menu, "Pause" and "Stop" while a scan runs, and the search field. It draws
// what ToolbarModel decides and acts on the stored settings and the Catalog itself; the tab,
// the folder chooser and the search text are the window's, which hears them through the
// signals below. The toolbar redraws only when present() is called.
//
// Main thread only; the catalogue must outlive it.
class MainToolbar final : public QToolBar {
    Q_OBJECT
public:
    explicit MainToolbar(Catalog& catalog, QWidget* parent = nullptr);

    // Draws `bar` with `mode` checked in the view picker. Drawing what is shown changes
    // nothing.
    void present(const ToolbarModel::Toolbar& bar, Mode mode);

    SearchField* searchField() const { return m_search; }
    // The tab checked in the view picker.
    std::optional<Mode> checkedMode() const;
    // The picker's action of `mode` (tests trigger it as a click would).
    QAction* modeAction(Mode mode) const;
    QWidget* viewPicker() const { return m_picker; }
    QToolButton* dateButton() const { return m_date; }
    QToolButton* workingDrivesButton() const { return m_working; }
    QToolButton* scanButton() const { return m_scan; }
    QMenu* scanMenu() const { return m_scanMenu; }
    // "Scan Entire Drive (slow)…"; its entries are made each time it is about to show.
    QMenu* entireDriveMenu() const { return m_drivesMenu; }
    QToolButton* pauseButton() const { return m_pause; }
    QToolButton* stopButton() const { return m_stop; }
    // The model drawn last.
    const ToolbarModel::Toolbar& shown() const { return m_shown; }

Q_SIGNALS:
    // The user picked a tab in the view picker.
    void modeChosen(Mode mode);
    // "Add Folder to Watch…" was chosen.
    void addFolderChosen();

protected:
    void changeEvent(QEvent* event) override;

private:
    void buildScanMenu(const ToolbarModel::Toolbar& bar);
    void buildDrivesMenu();
    void restyle(const ToolbarModel::Toolbar& bar);

    Catalog& m_catalog;
    ToolbarModel::Toolbar m_shown;
    std::optional<Mode> m_mode;
    bool m_everShown = false;

    QWidget* m_picker = nullptr;
    QHBoxLayout* m_pickerLayout = nullptr;
    QActionGroup* m_modes = nullptr;
    QToolButton* m_date = nullptr;
    QMenu* m_dateMenu = nullptr;
    QToolButton* m_working = nullptr;
    QToolButton* m_scan = nullptr;
    QMenu* m_scanMenu = nullptr;
    QMenu* m_drivesMenu = nullptr;
    QToolButton* m_pause = nullptr;
    QToolButton* m_stop = nullptr;
    QAction* m_pauseItem = nullptr; // the toolbar's items that hold the two buttons
    QAction* m_stopItem = nullptr;
    SearchField* m_search = nullptr;
};

} // namespace pellimor
