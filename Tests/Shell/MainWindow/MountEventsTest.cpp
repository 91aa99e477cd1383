// Drives coming and going while the main window is open: the mounted set and free space follow
// every event, and a mounted drive refreshes the watched folders on it when "autoRefresh" is
// on and no scan runs. Events come from the fake mount watcher; the program becoming active
// refreshes free space.

#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"

#include <QDir>
#include <QGuiApplication>
#include <gtest/gtest.h>

using namespace pellimor;
using test::MainWindowHarness;
using test::TestEnv;

namespace {

class MountEventsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Nothing happens at start-up: an empty catalogue with "autoRefresh" off.
        window.env.settings->setFlag(QStringLiteral("autoRefresh"), false);
        home = TestEnv::freshDir(QStringLiteral("mount-home"));
        homeLibrary = test::writeLibrary(home, QStringLiteral("At Home"));
        driveFolder = QDir(window.volumes).filePath(QStringLiteral("Media/Projects"));
        window.create();
        window.catalog().seed(
            {.roots = QList<ScanRoot>{ScanRoot{home, std::nullopt}, ScanRoot{driveFolder, std::nullopt}}});
        window.show();
        ASSERT_FALSE(window.catalog().isScanning());
        ASSERT_EQ(window.mounts->listening(), 1);
    }

    QStringList catalogued() const {
        QStringList paths;
        for (const LibraryInfo& library : window.catalog().libraries())
            paths.append(library.path);
        return paths;
    }

    MainWindowHarness window{QStringLiteral("mounts")};
    QString home;
    QString homeLibrary;
    QString driveFolder;
};

TEST_F(MountEventsTest, mountedDriveRefreshesOnlyTheWatchedFoldersOnIt) {
    window.env.settings->setFlag(QStringLiteral("autoRefresh"), true);
    const QString drive = window.plugDrive(QStringLiteral("Media"));
    const QString onDrive = test::writeLibrary(driveFolder, QStringLiteral("On Drive"));
    const qint64 spaceBefore = window.catalog().volumeSpaceGeneration();

    window.mounts->mount(drive);
    EXPECT_TRUE(window.catalog().mounted().contains(drive));
    EXPECT_GT(window.catalog().volumeSpaceGeneration(), spaceBefore);
    ASSERT_TRUE(window.catalog().isScanning());
    EXPECT_EQ(window.catalog().currentJob().roots, QStringList{driveFolder});
    EXPECT_FALSE(window.catalog().currentJob().fullRescan);
    ASSERT_TRUE(window.scanned());
    EXPECT_EQ(catalogued(), QStringList{onDrive});
}

TEST_F(MountEventsTest, unmountedDriveLeavesTheMountedSetAndStartsNothing) {
    const QString drive = window.plugDrive(QStringLiteral("Media"));
    window.mounts->mount(drive); // "autoRefresh" off: recorded only
    ASSERT_TRUE(window.catalog().mounted().contains(drive));
    EXPECT_FALSE(window.catalog().isScanning());

    window.env.settings->setFlag(QStringLiteral("autoRefresh"), true);
    QDir(drive).removeRecursively();
    const qint64 spaceBefore = window.catalog().volumeSpaceGeneration();
    window.mounts->unmount(drive);
    EXPECT_EQ(window.catalog().mounted(), QSet<QString>{QStringLiteral("/")});
    EXPECT_GT(window.catalog().volumeSpaceGeneration(), spaceBefore);
    window.settle();
    EXPECT_FALSE(window.catalog().isScanning());
    EXPECT_TRUE(catalogued().isEmpty());
}

TEST_F(MountEventsTest, driveMountedDuringAScanIsRecordedButStartsNothing) {
    window.env.settings->setFlag(QStringLiteral("autoRefresh"), true);
    window.catalog().rescanAllRoots(ScanOptions{.posters = false, .concurrency = 1}, QStringLiteral("/"));
    ASSERT_TRUE(window.catalog().isScanning());
    const QStringList running = window.catalog().currentJob().roots;

    const QString drive = window.plugDrive(QStringLiteral("Media"));
    test::writeLibrary(driveFolder, QStringLiteral("On Drive"));
    window.mounts->mount(drive);
    EXPECT_TRUE(window.catalog().mounted().contains(drive));
    EXPECT_EQ(window.catalog().currentJob().roots, running);
    ASSERT_TRUE(window.scanned());
    EXPECT_EQ(catalogued(), QStringList{homeLibrary});
}

TEST_F(MountEventsTest, becomingActiveRefreshesFreeSpace) {
    const qint64 before = window.catalog().volumeSpaceGeneration();
    auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    ASSERT_NE(gui, nullptr);
    Q_EMIT gui->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_EQ(window.catalog().volumeSpaceGeneration(), before);
    Q_EMIT gui->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(window.catalog().volumeSpaceGeneration(), before + 1);
}

TEST_F(MountEventsTest, theWindowStopsListeningWhenItGoes) {
    window.app.reset();
    EXPECT_EQ(window.mounts->listening(), 0);
    // Nobody is told any more; nothing is left to crash on.
    window.mounts->mount(window.plugDrive(QStringLiteral("Media")));
}

} // namespace
