// The system mount watcher on a private volumes root, where drives are plugged in by creating
// folders: every drive that appears or goes is reported once, hidden folders never, and a
// root that is removed and made again is watched again.

#include "Platform/MountWatcher.h"
#include "Platform/SystemServices.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

using namespace pellimor;
using test::TestEnv;

namespace {

class SystemMountWatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir().mkpath(QDir(root).filePath(QStringLiteral("Present")));
        events = platform::makeSystemMountWatcher()->watch();
        QObject::connect(events.get(), &platform::MountEvents::mounted,
                         [this](const QString& path) { log.append(QStringLiteral("+") + path); });
        QObject::connect(events.get(), &platform::MountEvents::unmounted,
                         [this](const QString& path) { log.append(QStringLiteral("-") + path); });
    }

    QString drive(const QString& name) const { return QDir(root).filePath(name); }
    bool logged(const QStringList& expected) {
        return test::waitUntil([&] { return log.size() >= expected.size(); }, 10000) && log == expected;
    }

    const QString root = TestEnv::freshDir(QStringLiteral("mount-root"));
    test::ScopedEnvironment volumesRoot{"TOVLIN_VOLUMES_ROOT", root};
    std::unique_ptr<platform::MountEvents> events;
    QStringList log;
};

TEST_F(SystemMountWatcherTest, foldersPluggedAndUnpluggedUnderTheRootAreReported) {
    // A drive already there when the watch began is not news.
    ASSERT_TRUE(QDir().mkdir(drive(QStringLiteral("Media"))));
    ASSERT_TRUE(logged({"+" + drive("Media")})) << log.join(u' ').toStdString();

    // Hidden folders and plain files are not drives.
    ASSERT_TRUE(QDir().mkdir(drive(QStringLiteral(".Trashes"))));
    QFile file(drive(QStringLiteral("notes.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_TRUE(QDir().mkdir(drive(QStringLiteral("Archive"))));
    ASSERT_TRUE(logged({"+" + drive("Media"), "+" + drive("Archive")})) << log.join(u' ').toStdString();

    ASSERT_TRUE(QDir().rmdir(drive(QStringLiteral("Media"))));
    ASSERT_TRUE(logged({"+" + drive("Media"), "+" + drive("Archive"), "-" + drive("Media")}))
        << log.join(u' ').toStdString();

    // A rename is one drive going and another coming.
    log.clear();
    ASSERT_TRUE(QDir().rename(drive(QStringLiteral("Archive")), drive(QStringLiteral("Vault"))));
    ASSERT_TRUE(test::waitUntil([&] { return log.size() >= 2; }, 10000));
    log.sort();
    EXPECT_EQ(log, (QStringList{"+" + drive("Vault"), "-" + drive("Archive")}));
}

TEST_F(SystemMountWatcherTest, aRootRemovedAndMadeAgainIsWatchedAgain) {
    ASSERT_TRUE(QDir(root).removeRecursively());
    ASSERT_TRUE(logged({"-" + drive("Present")})) << log.join(u' ').toStdString();

    ASSERT_TRUE(QDir().mkpath(drive(QStringLiteral("Back"))));
    ASSERT_TRUE(logged({"-" + drive("Present"), "+" + drive("Back")})) << log.join(u' ').toStdString();
    ASSERT_TRUE(QDir().mkdir(drive(QStringLiteral("Later"))));
    ASSERT_TRUE(logged({"-" + drive("Present"), "+" + drive("Back"), "+" + drive("Later")}))
        << log.join(u' ').toStdString();
}

TEST_F(SystemMountWatcherTest, endingTheWatchStopsItsThreadAndItsEvents) {
    // A second watch, still running, sees the same change.
    QStringList witnessed;
    const std::unique_ptr<platform::MountEvents> witness = platform::makeSystemMountWatcher()->watch();
    QObject::connect(witness.get(), &platform::MountEvents::mounted,
                     [&](const QString& path) { witnessed.append(path); });

    events.reset();
    ASSERT_TRUE(QDir().mkdir(drive(QStringLiteral("Media"))));
    // Once the running watch has reported the drive, the change has been seen; the ended
    // watch, its thread gone, reports nothing, even when everything queued is delivered.
    ASSERT_TRUE(test::waitUntil([&] { return !witnessed.isEmpty(); }, 10000));
    EXPECT_EQ(witnessed, QStringList{drive(QStringLiteral("Media"))});
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(log.isEmpty());
}

} // namespace
