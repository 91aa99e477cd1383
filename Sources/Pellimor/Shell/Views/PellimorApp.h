#pragma once

#include "Shell/MenuCommands.h"
#include "Widgets/RefreshScheduler.h"

#include <QObject>
#include <QStringList>
#include <memory>

namespace pellimor {

class AppMenuBar;
class Catalog;
class MainContent;
class MainWindow;
class ManualWindow;
class OpenInFinalCut;
class ReportWindow;
class SettingsWindow;

namespace platform {
class SettingsStore;
}

// The windowed application: it owns the one Catalog for the life of the process, the four
// windows (the main window "Tovlin", the manual and problem-report windows, at most one of
// each, and the Settings window) and the menus. It exists only on the windowed road: main()
// has already tried the command-line switches, so creating it creates the Catalog (data
// folder, catalogue, paused scan, volumes).
//
// The look follows the stored settings at once: "Larger Text" scales the main and manual
// windows' fonts (13 × 1.3 points) and raises the main window's minimum size; "appearance"
// colours the main, manual and report windows (WindowLook). The menus are rebuilt whenever
// the Catalog or a stored setting changes.
//
// The first time the main window is shown in the process, the main-thread watchdog starts and
// the error log's start marker is written; later shows, also of another PellimorApp, do
// neither again.
//
// Main thread only; needs a QApplication.
class PellimorApp final : public QObject, private MenuCommands::Windows {
    Q_OBJECT
public:
    // `arguments` are the program's arguments, its path first; the main window acts on
    // "--resume" and "--scan" from them when it is first shown.
    explicit PellimorApp(QStringList arguments = {}, QObject* parent = nullptr);
    ~PellimorApp() override;

    const QStringList& arguments() const { return m_arguments; }
    Catalog& catalog() const { return *m_catalog; }
    MainWindow& mainWindow() const { return *m_main; }
    // The main window's content: its tabs, sidebar, details and the state they share.
    MainContent& mainContent() const { return *m_content; }
    AppMenuBar& menus() const { return *m_menus; }

    void showMainWindow();

    // Open the window, or bring the one that is open forward.
    void openSettings() override;
    void openManual() override;
    void openReport() override;
    void quit() override;

    // The windows opened so far; null before the first opening.
    ManualWindow* manualWindow() const { return m_manual.get(); }
    ReportWindow* reportWindow() const { return m_report.get(); }
    SettingsWindow* settingsWindow() const { return m_settings.get(); }

    // Rebuilds the menus now (they are otherwise rebuilt through the main window's refresh
    // scheduler after a change).
    void refreshMenus();

    // Whether the first showing of a main window was already handled in this process.
    static bool firstShowHandled();

private:
    void scheduleMenuRefresh();
    void applyLook();
    void onMainWindowShown();
    // Creates the window with `args` when there is none yet.
    template <typename Window, typename... Args>
    Window* bringForward(std::unique_ptr<Window>& window, Args&... args);

    QStringList m_arguments;
    std::shared_ptr<platform::SettingsStore> m_store; // whose changes the look and menus follow
    // Declared first so that it outlives every window that shows it.
    std::unique_ptr<Catalog> m_catalog;
    std::unique_ptr<MainWindow> m_main;
    MainContent* m_content = nullptr; // owned by m_main
    AppMenuBar* m_menus = nullptr;
    std::unique_ptr<ManualWindow> m_manual;
    std::unique_ptr<ReportWindow> m_report;
    std::unique_ptr<SettingsWindow> m_settings;
    // Behind Catalog::openInFCP and putDeRoomBack; it asks over the main window, and goes first.
    std::unique_ptr<OpenInFinalCut> m_finalCut;
    RefreshScheduler::Part m_menuPart = -1;
};

} // namespace pellimor
