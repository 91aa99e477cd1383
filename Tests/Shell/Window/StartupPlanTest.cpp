#include "Shell/StartupPlan.h"

#include "Catalogue/Logs/UITrace.h"
#include "Catalogue/Scan/ScanHost.h"
#include "Shell/WindowState.h"
#include "Tests/Shell/Window/WindowTestSupport.h"

#include <gtest/gtest.h>

using namespace pellimor;
using test::CatalogTestEnv;
using test::libraryAt;
using Kind = SidebarItem::Kind;

namespace {

const QDateTime kNow = QDateTime(QDate(2025, 3, 1), QTime(9, 30), Qt::UTC);

std::string describe(const StartupPlan::StartupActions& a) {
    QStringList parts;
    if (a.resume)
        parts << "resume";
    if (a.scan)
        parts << "scan " + a.scan->roots.join(',');
    if (a.askRefresh)
        parts << "ask";
    if (a.refreshAll)
        parts << "refresh all";
    return parts.isEmpty() ? std::string("nothing") : parts.join(" + ").toStdString();
}

// Every job the window starts begins at its first root with nothing done.
void expectFresh(const ScanJob& job) {
    EXPECT_EQ(job.rootIndex, 0);
    EXPECT_FALSE(job.pending.has_value());
    EXPECT_TRUE(job.found.isEmpty());
    EXPECT_TRUE(job.done.isEmpty());
    EXPECT_FALSE(job.discoveryDone);
    EXPECT_EQ(job.updatedAt, kNow);
}

} // namespace

TEST(StartupDecision, SwitchesCatalogueAndPausedScanDecideTheFirstSteps) {
    struct Case {
        QStringList args;
        bool empty;
        bool paused;
        bool scanning;
        bool autoRefresh;
        std::string expected;
    };
    const QString prog = QStringLiteral("/usr/bin/tovlin");
    const QList<Case> cases = {
        {{prog}, true, false, false, true, "refresh all"},
        {{prog}, true, false, false, false, "nothing"},
        {{prog}, true, true, false, true, "nothing"},
        {{prog}, false, false, false, true, "ask"},
        {{prog}, false, true, false, true, "nothing"},
        {{prog, "--resume"}, false, false, false, true, "resume"},
        {{prog, "--resume"}, false, true, false, true, "resume"},
        {{prog, "--resume"}, true, false, false, true, "resume + refresh all"},
        // "--scan" as the last argument counts as absent.
        {{prog, "--scan"}, false, false, false, true, "ask"},
        {{prog, "--scan"}, true, false, false, true, "refresh all"},
        // With paths it ends the sequence, whether or not its scan can start.
        {{prog, "--scan", "/a", "/b/"}, false, false, false, true, "scan /a,/b"},
        {{prog, "--scan", "/a"}, true, false, false, true, "scan /a"},
        {{prog, "--scan", "/a"}, false, false, true, true, "nothing"},
        {{prog, "--resume", "--scan", "/a"}, false, true, false, true, "resume"},
        {{prog, "--resume", "--scan", "/a"}, false, false, false, true, "resume + scan /a"},
        {{prog, "--scan", "rel/dir", "../up"}, true, false, false, true, "scan /work/dir/rel/dir,/work/up"},
    };
    WindowSettings settings;
    for (const Case& c : cases) {
        settings.autoRefresh = c.autoRefresh;
        const StartupPlan::StartupFacts facts{c.args, c.empty, c.paused, c.scanning,
                                              QStringLiteral("/work/dir")};
        EXPECT_EQ(describe(StartupPlan::decideStartup(facts, settings, kNow)), c.expected)
            << c.args.join(' ').toStdString() << (c.empty ? " empty" : " filled")
            << (c.paused ? " paused" : "") << (c.scanning ? " scanning" : "");
    }
}

TEST(StartupDecision, TheJobsOfTheSwitchTheChooserAndTheWholeDrive) {
    WindowSettings settings;
    settings.fullRescan = true;
    settings.makePosters = false;
    settings.scanThreads = 4;
    settings.folderDepth = 3;

    const ScanJob scan = StartupPlan::scanSwitchJob({"/Volumes/A/Films/", "rel"}, "/home/me", settings, kNow);
    EXPECT_EQ(scan.roots, (QStringList{"/Volumes/A/Films", "/home/me/rel"}));
    EXPECT_EQ(scan.maxDepth, std::nullopt);
    EXPECT_TRUE(scan.remember);
    EXPECT_FALSE(scan.fullRescan); // whatever the setting says
    EXPECT_FALSE(scan.posters);
    EXPECT_EQ(scan.concurrency, 4);
    expectFresh(scan);

    const ScanJob chosen =
        StartupPlan::folderChooserJob({"/Volumes/A/Films", "/Volumes/B/Jobs"}, settings, kNow);
    EXPECT_EQ(chosen.roots, (QStringList{"/Volumes/A/Films", "/Volumes/B/Jobs"}));
    EXPECT_EQ(chosen.maxDepth, 3);
    EXPECT_TRUE(chosen.remember);
    EXPECT_TRUE(chosen.fullRescan);
    EXPECT_FALSE(chosen.posters);
    EXPECT_EQ(chosen.concurrency, 4);
    expectFresh(chosen);

    const ScanJob drive = StartupPlan::wholeDriveJob("/Volumes/Media", settings, kNow);
    EXPECT_EQ(drive.roots, QStringList{"/Volumes/Media"});
    EXPECT_EQ(drive.maxDepth, std::nullopt);
    EXPECT_FALSE(drive.remember);
    EXPECT_TRUE(drive.fullRescan);
    EXPECT_FALSE(drive.posters);
    EXPECT_EQ(drive.concurrency, 4);
    expectFresh(drive);

    EXPECT_EQ(StartupPlan::wholeDriveTitle(QStringLiteral("/Volumes/Media")),
              QStringLiteral("Scan all of Media?"));
    EXPECT_EQ(StartupPlan::wholeDriveTitle(QStringLiteral("/Volumes/My Drive/")),
              QStringLiteral("Scan all of My Drive?"));
    EXPECT_EQ(StartupPlan::wholeDriveTitle(std::nullopt), QStringLiteral("Scan all of this drive?"));
}

TEST(VolumeDecision, MountsRecordTheSetAndRefreshOnlyThatVolume) {
    using StartupPlan::VolumeActions;
    struct Case {
        std::optional<QString> volume;
        bool autoRefresh;
        bool scanning;
        std::optional<QString> rescan;
    };
    const QList<Case> cases = {
        {"/Volumes/Media", true, false, "/Volumes/Media"}, {"/Volumes/Media/", true, false, "/Volumes/Media"},
        {"/Volumes/Media", false, false, std::nullopt},    {"/Volumes/Media", true, true, std::nullopt},
        {std::nullopt, true, false, std::nullopt}, // the notification did not say where
    };
    for (const Case& c : cases) {
        const VolumeActions a = StartupPlan::decideMounted(c.volume, c.autoRefresh, c.scanning);
        EXPECT_TRUE(a.recordMounted);
        EXPECT_EQ(a.rescanVolume, c.rescan) << c.volume.value_or("(none)").toStdString();
    }
    EXPECT_EQ(StartupPlan::decideUnmounted(), (VolumeActions{true, false, std::nullopt}));
    EXPECT_EQ(StartupPlan::decideActivated(), (VolumeActions{false, true, std::nullopt}));
}

TEST(UITraceFields, TheSidebarSummaryTabQueryLengthAndScanning) {
    struct Case {
        SidebarSelection sidebar;
        QString text;
    };
    const QList<Case> cases = {
        {{}, "Everything"},
        {{Kind::all}, "Everything"},
        {{Kind::duplicates}, "Duplicates"},
        {{Kind::offline}, "Drive not connected"},
        {{Kind::reclaimable}, "Over 1 GB reclaimable"},
        {{Kind::broken}, "Missing files"},
        {{Kind::needsUpdate}, "Needs FCP update"},
        {{Kind::missingPlugins}, "Missing plug-ins"},
        {{Kind::damaged}, "Damaged"},
        {{Kind::all, Kind::damaged}, "Everything"}, // two smart items name none
        {{Kind::all, SidebarItem::drive("A")}, "1 drives"},
        {{SidebarItem::drive("A"), SidebarItem::drive("B"), SidebarItem::favorite("/x")},
         "2 drives+1 favorites"},
        {{Kind::broken, SidebarItem::drive("A"), SidebarItem::favorite("/x"), SidebarItem::favorite("/y")},
         "Missing files+1 drives+2 favorites"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StartupPlan::sidebarTrace(c.sidebar), c.text) << c.text.toStdString();

    EXPECT_EQ(StartupPlan::characterCount(QString()), 0);
    EXPECT_EQ(StartupPlan::characterCount(QStringLiteral("abc")), 3);
    EXPECT_EQ(StartupPlan::characterCount(QStringLiteral("Cafe\u0301")), 4);
    EXPECT_EQ(StartupPlan::characterCount(QStringLiteral("\U0001F44D\U0001F3FD ok")), 4);

    WindowState state;
    state.mode = Mode::media;
    state.appliedSearch = QStringLiteral("Café 2");
    state.search = QStringLiteral("typed further");
    state.sidebar = {Kind::offline};
    EXPECT_EQ(StartupPlan::traceFields(state, true),
              (StartupPlan::TraceFields{6, QStringLiteral("Media Files"),
                                        QStringLiteral("Drive not connected"), true}));
}

namespace {

// A catalogue with two drives: this test's own drive A and a second one, B, each holding a
// watched folder.
class StartupCarryOutTest : public ::testing::Test {
protected:
    void SetUp() override {
        driveB = QDir(VolumesRoot::root()).filePath(QUuid::createUuid().toString(QUuid::Id128));
        QDir().mkpath(driveB + "/Jobs");
        rootA = w.folderOnDrive("Films");
        rootB = driveB + "/Jobs";
        catalog().seed(
            {.roots = QList<ScanRoot>{ScanRoot{rootA, std::nullopt}, ScanRoot{rootB, std::nullopt}}});
        w.env.volumes->setCapacity(w.drive, platform::VolumeFacts::Capacity{1000, 400});
    }
    void TearDown() override {
        finishScan();
        QDir(driveB).removeRecursively();
    }

    Catalog& catalog() { return *w.catalog; }
    void finishScan() {
        ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !catalog().isScanning(); }));
    }
    QStringList currentRoots() { return catalog().scanHost()->job().roots; }

    test::WindowCatalog w;
    QString driveB, rootA, rootB;
};

} // namespace

TEST_F(StartupCarryOutTest, MountingRecordsTheSetRefreshesSpaceAndRescansThatVolumeOnly) {
    // A library on A, so A's free space is wanted.
    w.setLibraries({libraryAt(w.folderOnDrive("Films/Lib.fcpbundle"))});
    w.env.volumes->setMountedVolumes(QStringList{w.drive, driveB});

    StartupPlan::volumeMounted(catalog(), w.drive);
    EXPECT_EQ(catalog().mounted(), (QSet<QString>{"/", w.drive, driveB}));
    ASSERT_TRUE(catalog().isScanning());
    EXPECT_EQ(currentRoots(), QStringList{rootA});

    // Mounting another drive while that scan runs records the set but starts nothing.
    w.env.volumes->setMountedVolumes(QStringList{w.drive});
    StartupPlan::volumeMounted(catalog(), driveB);
    EXPECT_EQ(catalog().mounted(), (QSet<QString>{"/", w.drive}));
    EXPECT_EQ(currentRoots(), QStringList{rootA});
    finishScan();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return catalog().volumeSpace().contains(w.drive); }));
    EXPECT_EQ(catalog().volumeSpace().value(w.drive), (Catalog::VolumeSpace{1000, 400}));

    // Coming back to the program reads the figures again.
    w.env.volumes->setCapacity(w.drive, platform::VolumeFacts::Capacity{1000, 100});
    StartupPlan::activated(catalog());
    ASSERT_TRUE(
        CatalogTestEnv::waitUntil([&] { return catalog().volumeSpace().value(w.drive).free == 100; }));

    // Unplugging A drops it from the set and from the free-space figures at once.
    w.env.volumes->setMountedVolumes(QStringList{});
    StartupPlan::volumeUnmounted(catalog());
    EXPECT_EQ(catalog().mounted(), (QSet<QString>{"/"}));
    EXPECT_FALSE(catalog().volumeSpace().contains(w.drive));
    EXPECT_FALSE(catalog().isScanning());
}

TEST_F(StartupCarryOutTest, MountingWithAutoRefreshOffOrWithoutAVolumeOnlyRecords) {
    w.env.settings->setFlag(QStringLiteral("autoRefresh"), false);
    w.env.volumes->setMountedVolumes(QStringList{w.drive});
    StartupPlan::volumeMounted(catalog(), w.drive);
    EXPECT_EQ(catalog().mounted(), (QSet<QString>{"/", w.drive}));
    EXPECT_FALSE(catalog().isScanning());

    w.env.settings->setFlag(QStringLiteral("autoRefresh"), true);
    w.env.volumes->setMountedVolumes(QStringList{w.drive, driveB});
    StartupPlan::volumeMounted(catalog(), std::nullopt);
    EXPECT_EQ(catalog().mounted(), (QSet<QString>{"/", w.drive, driveB}));
    EXPECT_FALSE(catalog().isScanning());
}

TEST_F(StartupCarryOutTest, StartUpAsksToRefreshAFilledCatalogue) {
    w.setLibraries({libraryAt("/Volumes/Elsewhere/Old.fcpbundle")});
    w.env.volumes->setMountedVolumes(QStringList{w.drive});
    WindowState state;
    state.mode = Mode::libraries;
    StartupPlan::startUp(state, catalog(), {"tovlin"});
    EXPECT_TRUE(state.askRefresh);
    EXPECT_FALSE(catalog().isScanning());
    EXPECT_EQ(catalog().mounted(), (QSet<QString>{"/", w.drive}));
    EXPECT_EQ(UITrace::shared().snapshot(),
              QStringLiteral("queryLen=0 libraries=0 events=0 projects=0 tab=Libraries sidebar=Everything "
                             "scanning=false"));

    // "Refresh" checks every watched folder again, without a full rescan even when it is set.
    w.env.settings->setFlag(QStringLiteral("fullRescan"), true);
    w.env.settings->setInteger(QStringLiteral("scanThreads"), 3);
    w.env.volumes->setMountedVolumes(QStringList{w.drive, driveB});
    StartupPlan::answerRefresh(state, catalog());
    EXPECT_FALSE(state.askRefresh);
    ASSERT_TRUE(catalog().isScanning());
    const ScanJob& job = catalog().scanHost()->job();
    EXPECT_EQ(job.roots, (QStringList{rootA, rootB}));
    EXPECT_FALSE(job.fullRescan);
    EXPECT_EQ(job.concurrency, 3);
}

TEST_F(StartupCarryOutTest, StartUpRefreshesAnEmptyCatalogueOrScansTheSwitchPaths) {
    w.env.volumes->setMountedVolumes(QStringList{w.drive, driveB});
    WindowState state;
    StartupPlan::startUp(state, catalog(), {"tovlin"});
    EXPECT_FALSE(state.askRefresh);
    ASSERT_TRUE(catalog().isScanning());
    EXPECT_EQ(currentRoots(), (QStringList{rootA, rootB}));
    finishScan();

    const QString extra = w.folderOnDrive("Extra");
    StartupPlan::startUp(state, catalog(), {"tovlin", "--scan", extra + "/"});
    ASSERT_TRUE(catalog().isScanning());
    EXPECT_EQ(currentRoots(), QStringList{extra});
    EXPECT_TRUE(catalog().scanHost()->job().remember);
    EXPECT_FALSE(state.askRefresh);
    // Asked again while it runs: the paths are dropped, and nothing is asked either.
    StartupPlan::startUp(state, catalog(), {"tovlin", "--scan", rootB});
    EXPECT_EQ(currentRoots(), QStringList{extra});
    EXPECT_FALSE(state.askRefresh);
}

TEST_F(StartupCarryOutTest, TheWholeDriveQuestionAndTheFolderChooser) {
    w.env.settings->setInteger(QStringLiteral("folderDepth"), 2);
    w.env.settings->setFlag(QStringLiteral("fullRescan"), true);
    WindowState state;
    state.pendingDrive = driveB;
    EXPECT_TRUE(StartupPlan::confirmWholeDrive(state, catalog()));
    EXPECT_EQ(state.pendingDrive, std::nullopt);
    ASSERT_TRUE(catalog().isScanning());
    EXPECT_EQ(currentRoots(), QStringList{driveB});
    EXPECT_FALSE(catalog().scanHost()->job().remember);
    EXPECT_TRUE(catalog().scanHost()->job().fullRescan);

    // While it runs, neither another drive nor chosen folders start anything.
    state.pendingDrive = w.drive;
    EXPECT_FALSE(StartupPlan::confirmWholeDrive(state, catalog()));
    EXPECT_EQ(state.pendingDrive, std::nullopt);
    EXPECT_FALSE(StartupPlan::chooseFolderConfirmed(catalog(), {rootA}));
    EXPECT_EQ(currentRoots(), QStringList{driveB});
    finishScan();

    state.pendingDrive = w.drive;
    StartupPlan::cancelWholeDrive(state);
    EXPECT_EQ(state.pendingDrive, std::nullopt);
    EXPECT_FALSE(catalog().isScanning());

    EXPECT_FALSE(StartupPlan::chooseFolderConfirmed(catalog(), {}));
    EXPECT_TRUE(StartupPlan::chooseFolderConfirmed(catalog(), {rootA, rootB}));
    ASSERT_TRUE(catalog().isScanning());
    const ScanJob& job = catalog().scanHost()->job();
    EXPECT_EQ(job.roots, (QStringList{rootA, rootB}));
    EXPECT_EQ(job.maxDepth, 2);
    EXPECT_TRUE(job.remember);
    EXPECT_TRUE(job.fullRescan);
}
