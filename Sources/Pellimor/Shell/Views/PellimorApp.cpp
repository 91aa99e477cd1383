#include "Shell/Views/PellimorApp.h"

#include "App/AppSettings.h"
#include "App/Appearance.h"
#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Store/Catalog.h"
#include "FinalCut/FCPPreferencesBackup.h"
#include "FinalCut/OpenInFinalCut.h"
#include "Manual/ProblemReport.h"
#include "Platform/Services.h"
#include "Platform/SettingsStore.h"
#include "Plugins/PackStats.h"
#include "Shell/FinalCutFacts.h"
#include "Shell/MainThreadWatchdog.h"
#include "Shell/MenuModel.h"
#include "Shell/Views/AppMenuBar.h"
#include "Shell/Views/FinalCutPrompts.h"
#include "Shell/Views/MainContent.h"
#include "Shell/Views/MainToolbar.h"
#include "Shell/Views/MainWindow.h"
#include "Shell/Views/ManualWindow.h"
#include "Shell/Views/ReportWindow.h"
#include "Shell/Views/SettingsWindow.h"
#include "Shell/Views/WindowLook.h"

#include <QApplication>
#include <QMenuBar>
#include <atomic>
#include <utility>

namespace pellimor {

namespace {

std::atomic<bool> g_firstShowHandled{false};

void setFontPoints(QWidget* window, double points) {
    QFont font = window->font();
    if (font.pointSizeF() == points)
        return;
    font.setPointSizeF(points);
    window->setFont(font);
}

} // namespace

PellimorApp::PellimorApp(QStringList arguments, QObject* parent)
    : QObject(parent), m_arguments(std::move(arguments)), m_store(platform::services().settings),
      m_catalog(std::make_unique<Catalog>()), m_main(std::make_unique<MainWindow>()) {
    // Before anything is drawn, so no view ever shows the counts of a catalogue without it.
    m_catalog->setPluginCounter(PackStats::counter());
    // "Put Final Cut Settings Back" follows the saved folder at every rebuild of the menus.
    FinalCutFacts::setSavedPreferencesCheck(
        [] { return !FCPPreferencesBackup::preferenceFiles(FCPPreferencesBackup::savedFolder()).isEmpty(); });
    m_content = new MainContent(*m_catalog, m_arguments);
    m_main->setContent(m_content, m_content->toolBar());
    // Every "Open in Final Cut Pro" and "Put DeRoom Back" ends here, asking over the main window.
    m_finalCut = std::make_unique<OpenInFinalCut>(
        *m_catalog, std::make_shared<FinalCutPrompts>([this]() -> Prompts& { return m_content->prompts(); }));
    m_catalog->setOpener([this](const LibraryInfo& library) { m_finalCut->openInFCP(library); });
    m_catalog->setDeRoomRestorer([this] { m_finalCut->putDeRoomBack(); });
    // Closing the main window ends the program; the other windows never keep it running.
    m_main->setAttribute(Qt::WA_QuitOnClose, true);

    m_menus = new AppMenuBar(
        m_main->menuBar(),
        [this](const MenuModel::Item& item) {
            MenuCommands::perform(item, *m_catalog, *this);
            // A picker or toggle chosen again leaves the store as it was; redraw its check mark.
            scheduleMenuRefresh();
        },
        this);
    // A part of the main window's refresh scheduler, so the menus follow a scan at its pace.
    m_menuPart = m_content->refreshScheduler().addPart(this, [this] { refreshMenus(); });
    refreshMenus();
    applyLook();

    connect(m_main.get(), &MainWindow::shown, this, &PellimorApp::onMainWindowShown);
    connect(m_catalog.get(), &Catalog::changed, this, &PellimorApp::scheduleMenuRefresh);
    if (m_store) {
        connect(m_store.get(), &platform::SettingsStore::changed, this, [this](const QString& key) {
            if (key == AppSettings::Key::comfortableText || key == AppSettings::Key::appearance)
                applyLook();
            scheduleMenuRefresh();
        });
    }
}

PellimorApp::~PellimorApp() {
    // The windows and the catalogue go before this object's QObject part does; nothing they
    // say on their way out may reach the half-destroyed application.
    m_catalog->disconnect(this);
    if (m_store)
        m_store->disconnect(this);
}

void PellimorApp::showMainWindow() {
    m_main->show();
    m_main->raise();
    m_main->activateWindow();
}

template <typename Window, typename... Args>
Window* PellimorApp::bringForward(std::unique_ptr<Window>& window, Args&... args) {
    const bool created = !window;
    if (created) {
        window = std::make_unique<Window>(args...);
        window->setAttribute(Qt::WA_QuitOnClose, false);
    }
    if (created)
        applyLook();
    // Brought forward from the Dock, too: a minimised window opens again.
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
    return window.get();
}

void PellimorApp::openSettings() {
    bringForward(m_settings);
}

void PellimorApp::openManual() {
    bringForward(m_manual);
}

void PellimorApp::openReport() {
    bringForward(m_report, std::as_const(*m_catalog));
}

void PellimorApp::quit() {
    // Closing the windows first lets each one finish as if the user had closed it.
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

void PellimorApp::refreshMenus() {
    m_menus->apply(MenuModel::build(MenuModel::currentInputs(*m_catalog)));
}

void PellimorApp::scheduleMenuRefresh() {
    m_content->refreshScheduler().request(m_menuPart);
}

void PellimorApp::applyLook() {
    const bool comfortable = AppSettings::comfortable();
    const Appearance::ColorScheme scheme = Appearance::colorScheme(AppSettings::appearance());
    const double points = Appearance::mainFontPoints(comfortable);

    WindowLook::applyApplicationStyle(scheme);

    setFontPoints(m_main.get(), points);
    m_main->setMinimumSize(Appearance::mainMinimumSize(comfortable));
    WindowLook::applyPalette(m_main.get(), scheme);

    // The manual is given the font scale and the scheme; the report only the scheme; the
    // Settings window neither.
    if (m_manual) {
        setFontPoints(m_manual.get(), points);
        WindowLook::applyPalette(m_manual.get(), scheme);
    }
    if (m_report)
        WindowLook::applyPalette(m_report.get(), scheme);
}

void PellimorApp::onMainWindowShown() {
    if (g_firstShowHandled.exchange(true))
        return;
    MainThreadWatchdog::shared().start();
    ErrorLog::started(ProblemReport::appVersion());
}

bool PellimorApp::firstShowHandled() {
    return g_firstShowHandled.load();
}

} // namespace pellimor
