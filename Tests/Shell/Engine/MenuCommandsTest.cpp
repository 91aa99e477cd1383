// What choosing a menu item does: the notifications it posts, the settings it writes, the
// catalogue calls of the Scan menu and the windows of the Help and application menus.

#include "Shell/MenuCommands.h"

#include "Catalogue/Logs/ActivityLog.h"
#include "Catalogue/Logs/ErrorLog.h"
#include "Shell/MenuModel.h"
#include "Tests/Support/CatalogSeeding.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/RecordingFileManager.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace pellimor;
using MenuModel::Inputs;
using MenuModel::Item;
using test::TestEnv;

namespace {

class RecordingWindows final : public MenuCommands::Windows {
public:
    void openSettings() override { calls.append("settings"); }
    void openManual() override { calls.append("manual"); }
    void openReport() override { calls.append("report"); }
    void quit() override { calls.append("quit"); }
    QStringList calls;
};

class MenuCommandsTest : public ::testing::Test {
protected:
    test::CatalogTestEnv env{QStringLiteral("menu-commands")};
    std::unique_ptr<Catalog> catalog = env.makeCatalog();
    RecordingWindows windows;
    test::HubRecorder hub;

    Item item(const Inputs& inputs, const QString& id) const {
        const auto found = MenuModel::find(MenuModel::build(inputs), id);
        EXPECT_TRUE(found.has_value()) << id.toStdString();
        return found.value_or(Item{});
    }
    void choose(const Inputs& inputs, const QString& id) {
        MenuCommands::perform(item(inputs, id), *catalog, windows);
    }

    static Inputs everythingEnabled() {
        Inputs in;
        in.watchedFolders = 1;
        in.drives = {QStringLiteral("/Volumes/Media")};
        in.savedPreferences = true;
        in.deroomParked = true;
        return in;
    }
};

TEST_F(MenuCommandsTest, mainWindowCommandsArePostedWithTheirTexts) {
    struct Case {
        const char* id;
        const char* name;
        std::optional<QString> object;
    };
    const QList<Case> cases{
        {"file.addWatchFolder", "fcp.AddWatchFolder", std::nullopt},
        {"scan.addWatchFolder", "fcp.AddWatchFolder", std::nullopt},
        {"file.exportCSV", "fcp.ExportCSV", std::nullopt},
        {"edit.find", "fcp.FocusSearch", std::nullopt},
        {"scan.drive:/Volumes/Media", "fcp.ScanEntireDrive", QStringLiteral("/Volumes/Media")},
        {"finalCut.saveSettings", "fcp.SaveFCPSettings", std::nullopt},
        {"finalCut.restoreSettings", "fcp.RestoreFCPSettings", std::nullopt},
        {"finalCut.putDeRoomBack", "fcp.PutDeRoomBack", std::nullopt},
        {"view.mode:Browser", "fcp.SetMode", QStringLiteral("Browser")},
        {"view.mode:Media Files", "fcp.SetMode", QStringLiteral("Media Files")},
        {"view.mode:Compare", "fcp.SetMode", QStringLiteral("Compare")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        hub.posts.clear();
        choose(everythingEnabled(), QString::fromUtf8(c.id));
        ASSERT_EQ(hub.posts.size(), 1);
        EXPECT_EQ(hub.posts[0].first, QString::fromLatin1(c.name));
        EXPECT_EQ(hub.posts[0].second, c.object);
    }
    EXPECT_TRUE(windows.calls.isEmpty());
    EXPECT_FALSE(catalog->isScanning());
}

TEST_F(MenuCommandsTest, disabledOrAbsentItemsDoNothing) {
    Inputs scanning = everythingEnabled();
    scanning.scanning = true;
    Inputs nothingSaved;
    for (const auto& [inputs, id] :
         QList<std::pair<Inputs, QString>>{{scanning, "file.addWatchFolder"},
                                           {scanning, "scan.drive:/Volumes/Media"},
                                           {nothingSaved, "finalCut.restoreSettings"},
                                           {nothingSaved, "finalCut.putDeRoomBack"},
                                           {nothingSaved, "scan.refresh"},
                                           {nothingSaved, "scan.resume"},
                                           {nothingSaved, "scan.pause"}}) {
        choose(inputs, id);
        EXPECT_TRUE(hub.posts.isEmpty()) << id.toStdString();
    }
    EXPECT_FALSE(catalog->isScanning());
    EXPECT_FALSE(catalog->stopDiscardsResume());
}

TEST_F(MenuCommandsTest, viewMenuWritesTheStoredSettings) {
    choose(Inputs{}, "view.dateMode:created");
    EXPECT_EQ(env.settings->text("dateMode"), QStringLiteral("created"));
    choose(Inputs{}, "view.dateMode:modified");
    EXPECT_EQ(env.settings->text("dateMode"), QStringLiteral("modified"));

    choose(Inputs{}, "view.workingDrivesOnly");
    EXPECT_TRUE(env.settings->holds("hideBackupDrives", platform::SettingsStore::Type::Flag));
    EXPECT_TRUE(env.settings->flag("hideBackupDrives", false));
    choose(Inputs{}, "view.workingDrivesOnly");
    EXPECT_FALSE(env.settings->flag("hideBackupDrives", true));

    choose(Inputs{}, "view.largerText");
    EXPECT_TRUE(env.settings->flag("comfortableText", false));
    EXPECT_TRUE(hub.posts.isEmpty());
}

TEST_F(MenuCommandsTest, helpAndApplicationItemsOpenTheirWindows) {
    choose(Inputs{}, "help.whatsNew");
    EXPECT_EQ(env.settings->text("manualDoc"), QStringLiteral("What's New"));
    choose(Inputs{}, "help.manual");
    EXPECT_EQ(env.settings->text("manualDoc"), QStringLiteral("Manual"));
    choose(Inputs{}, "help.reportProblem");
    choose(Inputs{}, "app.settings");
    choose(Inputs{}, "app.quit");
    EXPECT_EQ(windows.calls, (QStringList{"manual", "manual", "report", "settings", "quit"}));
    EXPECT_TRUE(hub.posts.isEmpty());
}

TEST_F(MenuCommandsTest, logItemsRevealTheirFiles) {
    auto shell = std::make_shared<test::RecordingFileManager>();
    platform::Services services;
    services.shell = shell;
    platform::ScopedServices scope(services);
    choose(Inputs{}, "help.showLogFile");
    choose(Inputs{}, "help.revealActivityLog");
    EXPECT_EQ(shell->revealed, (QStringList{ErrorLog::url(), ActivityLog::url()}));
}

TEST_F(MenuCommandsTest, refreshScansTheWatchedFoldersWithTheStoredSettings) {
    const QString folder = TestEnv::freshDir(QStringLiteral("watched"));
    catalog->seed({.roots = QList<ScanRoot>{ScanRoot{folder, std::nullopt}}});
    env.settings->setFlag("fullRescan", true);
    env.settings->setFlag("makePosters", false);
    env.settings->setInteger("scanThreads", 4);

    choose(MenuModel::currentInputs(*catalog), "scan.refresh");
    ASSERT_TRUE(catalog->isScanning());
    const ScanJob& job = catalog->scanHost()->job();
    EXPECT_EQ(job.roots, QStringList{folder});
    EXPECT_TRUE(job.fullRescan);
    EXPECT_FALSE(job.posters);
    EXPECT_EQ(job.concurrency, 4);
    EXPECT_TRUE(hub.posts.isEmpty());
    ASSERT_TRUE(test::CatalogTestEnv::waitUntil([&] { return !catalog->isScanning(); }));
}

TEST_F(MenuCommandsTest, pauseAndStopTellTheScanWhetherToKeepItsJob) {
    const QString folder = TestEnv::freshDir(QStringLiteral("watched"));
    catalog->seed({.roots = QList<ScanRoot>{ScanRoot{folder, std::nullopt}}});
    choose(MenuModel::currentInputs(*catalog), "scan.refresh");
    ASSERT_TRUE(catalog->isScanning());

    const Inputs scanning = MenuModel::currentInputs(*catalog);
    choose(scanning, "scan.stop");
    EXPECT_TRUE(catalog->stopDiscardsResume());
    choose(scanning, "scan.pause");
    EXPECT_FALSE(catalog->stopDiscardsResume());
    ASSERT_TRUE(test::CatalogTestEnv::waitUntil([&] { return !catalog->isScanning(); }));
}

TEST_F(MenuCommandsTest, resumeContinuesThePausedJob) {
    const QString first = TestEnv::freshDir(QStringLiteral("first"));
    const QString second = TestEnv::freshDir(QStringLiteral("second"));
    ScanJob job;
    job.roots = {first, second};
    job.rootIndex = 1;
    job.concurrency = 2;
    catalog->scanHost()->job() = job;
    CatalogSeeding::writeJob(*catalog);
    catalog.reset();
    catalog = env.makeCatalog();
    ASSERT_TRUE(catalog->pausedJob().has_value());

    const Inputs in = MenuModel::currentInputs(*catalog);
    EXPECT_EQ(item(in, "scan.resume").title, QStringLiteral("Resume Paused Scan (2 of 2 locations)"));
    choose(in, "scan.resume");
    EXPECT_TRUE(catalog->isScanning());
    EXPECT_FALSE(catalog->pausedJob().has_value());
    EXPECT_EQ(catalog->scanHost()->job().rootIndex, 1);
    ASSERT_TRUE(test::CatalogTestEnv::waitUntil([&] { return !catalog->isScanning(); }));
}

} // namespace
