// The menus as values: titles, shortcuts, and which items are present, enabled and checked
// for each state of the catalogue and the settings.

#include "Shell/MenuModel.h"

#include "Catalogue/Records/RecordJson.h"
#include "Platform/Paths.h"
#include "Shell/FinalCutFacts.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace pellimor;
using MenuModel::Inputs;
using MenuModel::Item;
using MenuModel::Menu;
using test::TestEnv;

namespace {

// One line per present item: its title, then "⟨shortcut⟩", "✓"/"☐" for checkable items and
// "(off)" when disabled; a separator is "—"; a submenu lists its items in brackets.
QString describe(const Item& item) {
    if (item.kind == Item::Kind::separator)
        return QStringLiteral("—");
    QString line = item.title;
    if (!item.shortcut.isEmpty())
        line += QStringLiteral(" ⟨") + item.shortcut + QStringLiteral("⟩");
    if (item.checkable)
        line += item.checked ? QStringLiteral(" ✓") : QStringLiteral(" ☐");
    if (item.kind == Item::Kind::submenu) {
        QStringList inner;
        for (const Item& child : item.items) {
            if (child.present)
                inner.append(describe(child));
        }
        line += QStringLiteral(" [") + inner.join(QStringLiteral(", ")) + QStringLiteral("]");
    }
    if (!item.enabled)
        line += QStringLiteral(" (off)");
    return line;
}

QStringList describe(const QList<Menu>& menus, const QString& id) {
    for (const Menu& menu : menus) {
        if (menu.id != id)
            continue;
        QStringList lines;
        for (const Item& item : menu.items) {
            if (item.present)
                lines.append(describe(item));
        }
        return lines;
    }
    ADD_FAILURE() << "no menu " << id.toStdString();
    return {};
}

ScanJob pausedJob(qint64 rootIndex, QStringList roots) {
    ScanJob job;
    job.roots = std::move(roots);
    job.rootIndex = rootIndex;
    job.concurrency = 2;
    job.updatedAt = QDateTime::currentDateTimeUtc();
    return job;
}

Inputs idle() {
    Inputs in;
    in.watchedFolders = 2;
    in.drives = QStringList{QStringLiteral("/Volumes/Archive"), QStringLiteral("/Volumes/backup")};
    return in;
}

TEST(MenuModelTest, menuBarInOrder) {
    QStringList titles;
    for (const Menu& menu : MenuModel::build(idle()))
        titles.append(menu.title);
    EXPECT_EQ(titles, (QStringList{"Tovlin", "File", "Edit", "View", "Scan", "Final Cut", "Help"}));
}

TEST(MenuModelTest, fixedMenusWithTheirShortcuts) {
    const QList<Menu> menus = MenuModel::build(idle());
    EXPECT_EQ(describe(menus, "app"), (QStringList{"—", "Settings… ⟨Ctrl+,⟩", "—", "Quit Tovlin ⟨Ctrl+Q⟩"}));
    EXPECT_EQ(describe(menus, "file"),
              (QStringList{"Add Folder to Watch… ⟨Ctrl+Shift+O⟩", "Export CSV… ⟨Ctrl+Shift+E⟩"}));
    EXPECT_EQ(describe(menus, "edit"), QStringList{"Find… ⟨Ctrl+F⟩"});
    EXPECT_EQ(describe(menus, "view"),
              (QStringList{"Browser ⟨Ctrl+1⟩", "Libraries ⟨Ctrl+2⟩", "Events ⟨Ctrl+3⟩", "Projects ⟨Ctrl+4⟩",
                           "Media Files ⟨Ctrl+5⟩", "Plug-ins ⟨Ctrl+6⟩", "Compare ⟨Ctrl+7⟩", "—",
                           "Date columns [Date modified ✓, Date created ☐]",
                           "Working Drives Only ⟨Ctrl+Shift+B⟩ ☐", "Larger Text ⟨Ctrl+Shift+L⟩ ☐"}));
    EXPECT_EQ(describe(menus, "help"),
              (QStringList{"Tovlin Manual ⟨Ctrl+?⟩", "What's New in Tovlin", "—", "Report a Problem…",
                           "Show Log File", "Reveal Activity Log"}));
}

TEST(MenuModelTest, scanMenuFollowsTheCatalogue) {
    struct Case {
        const char* name;
        Inputs inputs;
        QStringList scan;
        bool fileAddEnabled;
    };
    Inputs scanning = idle();
    scanning.scanning = true;
    Inputs noFolders = idle();
    noFolders.watchedFolders = 0;
    Inputs paused = idle();
    paused.pausedJob = pausedJob(1, {"/a", "/b", "/c"});
    Inputs pausedWhileScanning = scanning;
    pausedWhileScanning.pausedJob = pausedJob(0, {"/a"});
    Inputs noDrives = idle();
    noDrives.drives.clear();

    const QList<Case> cases{
        {"idle",
         idle(),
         {"Add Folder to Watch…", "Refresh Watched Folders", "Scan Entire Drive (slow)… [Archive, backup]",
          "—"},
         true},
        {"scanning",
         scanning,
         {"Add Folder to Watch… (off)", "Refresh Watched Folders (off)",
          "Scan Entire Drive (slow)… [Archive (off), backup (off)] (off)", "—", "Pause Scan", "Stop Scan"},
         false},
        {"no watched folders",
         noFolders,
         {"Add Folder to Watch…", "Refresh Watched Folders (off)",
          "Scan Entire Drive (slow)… [Archive, backup]", "—"},
         true},
        {"paused on the second of three roots",
         paused,
         {"Add Folder to Watch…", "Resume Paused Scan (2 of 3 locations)", "Refresh Watched Folders",
          "Scan Entire Drive (slow)… [Archive, backup]", "—"},
         true},
        {"a paused job is offered while another scan runs",
         pausedWhileScanning,
         {"Add Folder to Watch… (off)", "Resume Paused Scan (1 of 1 locations)",
          "Refresh Watched Folders (off)", "Scan Entire Drive (slow)… [Archive (off), backup (off)] (off)",
          "—", "Pause Scan", "Stop Scan"},
         false},
        {"only the start-up disk",
         noDrives,
         {"Add Folder to Watch…", "Refresh Watched Folders", "Scan Entire Drive (slow)… []", "—"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QList<Menu> menus = MenuModel::build(c.inputs);
        EXPECT_EQ(describe(menus, "scan"), c.scan);
        EXPECT_EQ(MenuModel::find(menus, "file.addWatchFolder")->enabled, c.fileAddEnabled);
    }
}

TEST(MenuModelTest, driveItemsCarryTheirPaths) {
    const QList<Menu> menus = MenuModel::build(idle());
    const auto drive = MenuModel::find(menus, "scan.drive:/Volumes/backup");
    ASSERT_TRUE(drive.has_value());
    EXPECT_EQ(drive->title, QStringLiteral("backup"));
    EXPECT_EQ(drive->command, MenuModel::Command::scanEntireDrive);
    EXPECT_EQ(drive->argument, QStringLiteral("/Volumes/backup"));
}

TEST(MenuModelTest, finalCutItemsFollowTheirFiles) {
    struct Case {
        bool saved;
        bool parked;
        QStringList expected;
    };
    const QList<Case> cases{
        {false,
         false,
         {"Save Final Cut Settings", "Put Final Cut Settings Back (off)", "—", "Put DeRoom Back (off)"}},
        {true,
         false,
         {"Save Final Cut Settings", "Put Final Cut Settings Back", "—", "Put DeRoom Back (off)"}},
        {false,
         true,
         {"Save Final Cut Settings", "Put Final Cut Settings Back (off)", "—", "Put DeRoom Back"}},
    };
    for (const Case& c : cases) {
        Inputs in = idle();
        in.savedPreferences = c.saved;
        in.deroomParked = c.parked;
        EXPECT_EQ(describe(MenuModel::build(in), "finalCut"), c.expected) << c.saved << c.parked;
    }
}

TEST(MenuModelTest, viewTogglesAndPickerShowTheStoredSettings) {
    struct Case {
        QString dateMode;
        bool hideBackups;
        bool comfortable;
        QStringList tail;
    };
    const QList<Case> cases{
        {"created",
         true,
         false,
         {"Date columns [Date modified ☐, Date created ✓]", "Working Drives Only ⟨Ctrl+Shift+B⟩ ✓",
          "Larger Text ⟨Ctrl+Shift+L⟩ ☐"}},
        // A value that is no choice checks none (the tables still show modification dates).
        {"foo",
         false,
         true,
         {"Date columns [Date modified ☐, Date created ☐]", "Working Drives Only ⟨Ctrl+Shift+B⟩ ☐",
          "Larger Text ⟨Ctrl+Shift+L⟩ ✓"}},
    };
    for (const Case& c : cases) {
        Inputs in = idle();
        in.dateMode = c.dateMode;
        in.hideBackups = c.hideBackups;
        in.comfortable = c.comfortable;
        EXPECT_EQ(describe(MenuModel::build(in), "view").mid(8), c.tail) << c.dateMode.toStdString();
    }
}

TEST(MenuModelTest, checkForUpdatesOnlyWithAFeed) {
    Inputs in = idle();
    in.updatesOffered = true;
    EXPECT_EQ(describe(MenuModel::build(in), "app").first(), QStringLiteral("Check for Updates…"));
}

TEST(MenuModelTest, resumeTitleCountsFromOne) {
    EXPECT_EQ(MenuModel::resumeTitle(pausedJob(1, {"/a", "/b", "/c"})),
              QStringLiteral("Resume Paused Scan (2 of 3 locations)"));
    EXPECT_EQ(MenuModel::resumeTitle(pausedJob(11, QStringList(12, "/x"))),
              QStringLiteral("Resume Paused Scan (12 of 12 locations)"));
    // A damaged job file never makes the title claim a location the job does not have.
    EXPECT_EQ(MenuModel::resumeTitle(pausedJob(5, {"/a", "/b", "/c"})),
              QStringLiteral("Resume Paused Scan (3 of 3 locations)"));
    EXPECT_EQ(MenuModel::resumeTitle(pausedJob(3, {"/a", "/b", "/c"})),
              QStringLiteral("Resume Paused Scan (3 of 3 locations)"));
    EXPECT_EQ(MenuModel::resumeTitle(pausedJob(-3, {"/a", "/b"})),
              QStringLiteral("Resume Paused Scan (1 of 2 locations)"));
    // In the menu bar too.
    Inputs in = idle();
    in.pausedJob = pausedJob(5, {"/a", "/b", "/c"});
    EXPECT_EQ(MenuModel::find(MenuModel::build(in), QStringLiteral("scan.resume"))->title,
              QStringLiteral("Resume Paused Scan (3 of 3 locations)"));
}

// The inputs gathered from a real catalogue, its data folder and the program's files.
class MenuInputsTest : public ::testing::Test {
protected:
    test::CatalogTestEnv env{QStringLiteral("menu-inputs")};
    const QString volumes = TestEnv::freshDir(QStringLiteral("menu-volumes"));
    test::ScopedEnvironment volumesRoot{"TOVLIN_VOLUMES_ROOT", volumes};

    void TearDown() override {
        QFile::remove(FinalCutFacts::deroomRecordFile());
        FinalCutFacts::setSavedPreferencesCheck({});
    }
};

TEST_F(MenuInputsTest, pausedJobWatchedFoldersDrivesAndSettings) {
    const ScanJob job = pausedJob(1, {"/a", "/b", "/c"});
    QDir().mkpath(env.dataDir);
    QFile file(QDir(env.dataDir).filePath("scanjob.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(RecordJson::encodeRecordBytes(job, RecordJson::DateForm::Since2001).value());
    file.close();
    QDir().mkpath(QDir(volumes).filePath("Media"));
    env.settings->setText("dateMode", "created");
    env.settings->setFlag("hideBackupDrives", true);

    auto catalog = env.makeCatalog();
    catalog->seed({.roots = QList<ScanRoot>{ScanRoot{"/x", std::nullopt}, ScanRoot{"/y", std::nullopt}}});
    const Inputs in = MenuModel::currentInputs(*catalog);
    EXPECT_FALSE(in.scanning);
    ASSERT_TRUE(in.pausedJob.has_value());
    EXPECT_EQ(MenuModel::resumeTitle(*in.pausedJob), QStringLiteral("Resume Paused Scan (2 of 3 locations)"));
    EXPECT_EQ(in.watchedFolders, 2);
    EXPECT_EQ(in.drives, QStringList{QDir(volumes).filePath("Media")});
    EXPECT_EQ(in.dateMode, QStringLiteral("created"));
    EXPECT_TRUE(in.hideBackups);
    EXPECT_FALSE(in.comfortable);
    EXPECT_FALSE(in.updatesOffered);
}

TEST_F(MenuInputsTest, finalCutFilesAreLookedAtEachTime) {
    auto catalog = env.makeCatalog();
    EXPECT_EQ(FinalCutFacts::deroomRecordFile(),
              Paths::programSupportFolder() + QStringLiteral("/Parked Audio Units/parked-deroom.json"));
    EXPECT_FALSE(MenuModel::currentInputs(*catalog).deroomParked);
    EXPECT_FALSE(MenuModel::currentInputs(*catalog).savedPreferences);

    QDir().mkpath(QFileInfo(FinalCutFacts::deroomRecordFile()).absolutePath());
    QFile record(FinalCutFacts::deroomRecordFile());
    ASSERT_TRUE(record.open(QIODevice::WriteOnly));
    record.close();
    FinalCutFacts::setSavedPreferencesCheck([] { return true; });
    const Inputs in = MenuModel::currentInputs(*catalog);
    EXPECT_TRUE(in.deroomParked);
    EXPECT_TRUE(in.savedPreferences);
    EXPECT_EQ(
        describe(MenuModel::build(in), "finalCut"),
        (QStringList{"Save Final Cut Settings", "Put Final Cut Settings Back", "—", "Put DeRoom Back"}));
}

} // namespace
