// The windowed application offscreen: its windows, their look, the menus drawn from the menu
// model and kept current, and the first showing of the main window.

#include "Shell/Views/PellimorApp.h"

#include "App/NotificationHub.h"
#include "Catalogue/Logs/ErrorLog.h"
#include "Shell/Views/AppMenuBar.h"
#include "Shell/Views/MainContent.h"
#include "Shell/Views/MainWindow.h"
#include "Shell/Views/ManualWindow.h"
#include "Shell/Views/ReportWindow.h"
#include "Shell/Views/SettingsWindow.h"
#include "Shell/Views/WindowLook.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/ScriptedPrompts.h"
#include "Tests/Support/TestEnv.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStyle>
#include <gtest/gtest.h>

using namespace pellimor;
using test::CatalogTestEnv;
using test::TestEnv;

namespace {

class PellimorAppTest : public ::testing::Test {
protected:
    CatalogTestEnv env{QStringLiteral("app")};
    const QString volumes = TestEnv::freshDir(QStringLiteral("app-volumes"));
    test::ScopedEnvironment volumesRoot{"TOVLIN_VOLUMES_ROOT", volumes};
    std::unique_ptr<PellimorApp> app = std::make_unique<PellimorApp>();
    // The main window's questions are answered as dismissed dialogs, never waited for.
    const std::shared_ptr<test::ScriptedPrompts> prompts = std::make_shared<test::ScriptedPrompts>();

    PellimorAppTest() { app->mainContent().setPrompts(prompts); }

    QAction* action(const QString& id) const {
        QAction* found = app->menus().action(id);
        EXPECT_NE(found, nullptr) << id.toStdString();
        return found;
    }
    // Lets the coalesced menu rebuild run.
    static void settle() { CatalogTestEnv::spin(20); }

    static int windowsOfType(const char* className) {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            count += widget->inherits(className) ? 1 : 0;
        return count;
    }
};

TEST_F(PellimorAppTest, mainWindowWithItsMenus) {
    MainWindow& main = app->mainWindow();
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Tovlin"));
    EXPECT_EQ(main.size(), QSize(1400, 900));
    EXPECT_EQ(main.minimumSize(), QSize(1000, 640));
    EXPECT_DOUBLE_EQ(main.font().pointSizeF(), 13.0);
    ASSERT_NE(main.centralWidget(), nullptr);

    QStringList titles;
    for (QAction* menu : main.menuBar()->actions())
        titles.append(menu->text());
    EXPECT_EQ(titles, (QStringList{"Tovlin", "File", "Edit", "View", "Scan", "Final Cut", "Help"}));

    EXPECT_EQ(action("file.addWatchFolder")->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    EXPECT_EQ(action("view.mode:Compare")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_7));
    EXPECT_EQ(action("view.largerText")->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    EXPECT_FALSE(action("scan.refresh")->isEnabled()); // no watched folders yet
    EXPECT_FALSE(action("scan.pause")->isVisible());
    EXPECT_FALSE(action("scan.resume")->isVisible());
    EXPECT_FALSE(action("finalCut.putDeRoomBack")->isEnabled());
    EXPECT_FALSE(action("app.checkForUpdates")->isVisible());

    app->showMainWindow();
    EXPECT_TRUE(main.isVisible());
}

TEST_F(PellimorAppTest, menusFollowTheCatalogueAndTheSettings) {
    const QString folder = TestEnv::freshDir(QStringLiteral("watched"));
    app->catalog().seed({.roots = QList<ScanRoot>{ScanRoot{folder, std::nullopt}}});
    QDir().mkpath(QDir(volumes).filePath(QStringLiteral("Media")));
    settle();
    ASSERT_TRUE(action("scan.refresh")->isEnabled());

    action("scan.refresh")->trigger();
    ASSERT_TRUE(app->catalog().isScanning());
    // A scan of an empty folder may end within one turn of the event loop; the menus are
    // looked at while it surely runs.
    app->refreshMenus();
    EXPECT_TRUE(action("scan.pause")->isVisible());
    EXPECT_TRUE(action("scan.stop")->isVisible());
    EXPECT_FALSE(action("file.addWatchFolder")->isEnabled());
    EXPECT_FALSE(action("scan.entireDrive")->isEnabled());
    ASSERT_NE(action("scan.drive:" + QDir(volumes).filePath("Media")), nullptr);

    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !app->catalog().isScanning(); }));
    settle();
    EXPECT_FALSE(action("scan.pause")->isVisible());
    EXPECT_TRUE(action("file.addWatchFolder")->isEnabled());

    env.settings->setFlag(QStringLiteral("hideBackupDrives"), true);
    settle();
    EXPECT_TRUE(action("view.workingDrivesOnly")->isChecked());
}

TEST_F(PellimorAppTest, drivePlugsInAndOutOfTheWholeDriveMenu) {
    const QString media = QDir(volumes).filePath(QStringLiteral("Media"));
    QDir().mkpath(media);
    app->refreshMenus();
    ASSERT_NE(app->menus().action("scan.drive:" + media), nullptr);
    EXPECT_EQ(app->menus().action("scan.drive:" + media)->text(), QStringLiteral("Media"));

    test::HubRecorder hub;
    app->menus().action("scan.drive:" + media)->trigger();
    ASSERT_EQ(hub.posts.size(), 1);
    EXPECT_EQ(hub.posts[0].first, QStringLiteral("fcp.ScanEntireDrive"));
    EXPECT_EQ(hub.posts[0].second, media);

    settle();
    QDir(media).removeRecursively();
    app->refreshMenus();
    EXPECT_EQ(app->menus().action("scan.drive:" + media), nullptr);
    EXPECT_TRUE(app->menus().menu(QStringLiteral("scan.entireDrive"))->actions().isEmpty());
}

TEST_F(PellimorAppTest, menuItemsPostAndWrite) {
    test::HubRecorder hub;
    action("view.mode:Media Files")->trigger();
    action("file.exportCSV")->trigger();
    ASSERT_EQ(hub.posts.size(), 2);
    EXPECT_EQ(hub.posts[0].first, QStringLiteral("fcp.SetMode"));
    EXPECT_EQ(hub.posts[0].second, QStringLiteral("Media Files"));
    EXPECT_EQ(hub.posts[1].first, QStringLiteral("fcp.ExportCSV"));

    action("view.dateMode:created")->trigger();
    EXPECT_EQ(env.settings->text(QStringLiteral("dateMode")), QStringLiteral("created"));
    settle();
    EXPECT_TRUE(action("view.dateMode:created")->isChecked());
    EXPECT_FALSE(action("view.dateMode:modified")->isChecked());
    // Choosing the checked choice again keeps its check mark.
    action("view.dateMode:created")->trigger();
    settle();
    EXPECT_TRUE(action("view.dateMode:created")->isChecked());
}

TEST_F(PellimorAppTest, largerTextScalesTheMainAndManualWindowsAtOnce) {
    app->openManual();
    env.settings->setFlag(QStringLiteral("comfortableText"), true);
    EXPECT_DOUBLE_EQ(app->mainWindow().font().pointSizeF(), 16.9);
    EXPECT_EQ(app->mainWindow().minimumSize(), QSize(1250, 760));
    EXPECT_DOUBLE_EQ(app->manualWindow()->font().pointSizeF(), 16.9);

    app->mainWindow().resize(1100, 700);
    EXPECT_GE(app->mainWindow().width(), 1250);
    EXPECT_GE(app->mainWindow().height(), 760);

    action("view.largerText")->trigger();
    EXPECT_FALSE(env.settings->flag(QStringLiteral("comfortableText"), true));
    EXPECT_DOUBLE_EQ(app->mainWindow().font().pointSizeF(), 13.0);
    EXPECT_EQ(app->mainWindow().minimumSize(), QSize(1000, 640));
}

TEST_F(PellimorAppTest, appearanceColoursTheMainManualAndReportWindows) {
    app->openManual();
    app->openReport();
    app->openSettings();
    const QColor dark = WindowLook::darkPalette().color(QPalette::Window);
    const QColor light = WindowLook::lightPalette().color(QPalette::Window);
    ASSERT_NE(dark, light);

    env.settings->setText(QStringLiteral("appearance"), QStringLiteral("dark"));
    for (QWidget* window : QList<QWidget*>{&app->mainWindow(), app->manualWindow(), app->reportWindow()}) {
        EXPECT_EQ(window->palette().color(QPalette::Window), dark) << window->objectName().toStdString();
        EXPECT_TRUE(window->testAttribute(Qt::WA_SetPalette));
    }
    // Child widgets inherit it.
    EXPECT_EQ(app->mainWindow().centralWidget()->palette().color(QPalette::WindowText),
              WindowLook::darkPalette().color(QPalette::WindowText));
    // Menus pop up as windows of their own; they are dark too.
    EXPECT_EQ(app->menus().menu(QStringLiteral("view"))->palette().color(QPalette::Window), dark);
    EXPECT_EQ(app->menus().menu(QStringLiteral("scan.entireDrive"))->palette().color(QPalette::Window), dark);
    EXPECT_FALSE(app->settingsWindow()->testAttribute(Qt::WA_SetPalette));
    EXPECT_EQ(QApplication::style()->name().toLower(), QStringLiteral("fusion"));

    env.settings->setText(QStringLiteral("appearance"), QStringLiteral("light"));
    EXPECT_EQ(app->reportWindow()->palette().color(QPalette::Window), light);

    // Spelled with a capital, it is no scheme: the windows follow the system again.
    env.settings->setText(QStringLiteral("appearance"), QStringLiteral("Dark"));
    for (QWidget* window : QList<QWidget*>{&app->mainWindow(), app->manualWindow(), app->reportWindow()}) {
        EXPECT_FALSE(window->testAttribute(Qt::WA_SetPalette)) << window->objectName().toStdString();
        EXPECT_EQ(window->palette().color(QPalette::Window),
                  QApplication::palette(window).color(QPalette::Window));
    }
}

TEST_F(PellimorAppTest, manualAndReportAreSingleWindows) {
    action("help.manual")->trigger();
    ManualWindow* manual = app->manualWindow();
    ASSERT_NE(manual, nullptr);
    EXPECT_EQ(env.settings->text(QStringLiteral("manualDoc")), QStringLiteral("Manual"));
    action("help.whatsNew")->trigger();
    EXPECT_EQ(env.settings->text(QStringLiteral("manualDoc")), QStringLiteral("What's New"));
    manual->close();
    action("help.manual")->trigger();
    EXPECT_EQ(app->manualWindow(), manual);
    EXPECT_TRUE(manual->isVisible());
    EXPECT_EQ(manual->windowTitle(), QStringLiteral("Tovlin Manual"));
    EXPECT_EQ(windowsOfType("pellimor::ManualWindow"), 1);

    action("help.reportProblem")->trigger();
    action("help.reportProblem")->trigger();
    ASSERT_NE(app->reportWindow(), nullptr);
    EXPECT_EQ(windowsOfType("pellimor::ReportWindow"), 1);
    EXPECT_EQ(app->reportWindow()->windowTitle(), QStringLiteral("Report a Problem"));
    EXPECT_EQ(app->reportWindow()->size(), QSize(700, 720));

    action("app.settings")->trigger();
    action("app.settings")->trigger();
    EXPECT_EQ(windowsOfType("pellimor::SettingsWindow"), 1);

    // None of them keeps the program running once the main window closes.
    EXPECT_FALSE(manual->testAttribute(Qt::WA_QuitOnClose));
    EXPECT_FALSE(app->reportWindow()->testAttribute(Qt::WA_QuitOnClose));
    EXPECT_FALSE(app->settingsWindow()->testAttribute(Qt::WA_QuitOnClose));
}

TEST_F(PellimorAppTest, reportAProblemRaisesAnOpenReportWithoutReadingItAgain) {
    const auto logLine = [](const QString& message) {
        ErrorLog::write(ErrorLog::Level::error, QStringLiteral("scan"), message, std::nullopt,
                        ErrorLog::url(), ErrorLog::capBytes, QDateTime::currentDateTimeUtc());
    };
    const auto shown = [this] {
        return app->reportWindow()->findChild<QPlainTextEdit*>(QStringLiteral("report"))->toPlainText();
    };
    logLine(QStringLiteral("First problem."));
    action("help.reportProblem")->trigger();
    ReportWindow* window = app->reportWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->minimumSize(), QSize(620, 600));
    EXPECT_TRUE(shown().contains(QStringLiteral("First problem.")));

    logLine(QStringLiteral("Second problem."));
    action("help.reportProblem")->trigger();
    EXPECT_EQ(app->reportWindow(), window);
    EXPECT_FALSE(shown().contains(QStringLiteral("Second problem.")));

    // Shown anew, it reads the log again.
    window->close();
    action("help.reportProblem")->trigger();
    EXPECT_TRUE(shown().contains(QStringLiteral("Second problem.")));
}

TEST_F(PellimorAppTest, firstShowingStartsTheWatchdogAndWritesTheStartMarkerOnce) {
    const bool alreadyHandled = PellimorApp::firstShowHandled();
    const bool headless = ErrorLog::headless();
    ErrorLog::setHeadless(false);
    const auto startLines = [] {
        QFile log(ErrorLog::url());
        if (!log.open(QIODevice::ReadOnly))
            return 0;
        return int(QString::fromUtf8(log.readAll()).count(QStringLiteral(" INFO start: ")));
    };

    app->showMainWindow();
    EXPECT_TRUE(PellimorApp::firstShowHandled());
    app->mainWindow().close();
    app->showMainWindow();
    auto second = std::make_unique<PellimorApp>();
    second->showMainWindow();
    second.reset();
    ErrorLog::setHeadless(headless);

    // Once per process: when an earlier test in this process showed a main window first, this
    // test's data folder gets no marker at all.
    EXPECT_EQ(startLines(), alreadyHandled ? 0 : 1);
}

} // namespace
