// Folders held open: a step down never goes through a link, a swap after opening leaves the
// open folder where it was, a mount inside a folder is told even when it binds a folder of the
// same file system (same device), a listing gives every name from the first each time, and the
// step up reaches the folder the open one lies in now.

#include "Support/OpenFolder.h"

#include "Tests/Support/ScopedMount.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace pellimor;

namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

} // namespace

TEST(OpenFolder, singleNamesRefuseEverythingThatIsNotOneComponent) {
    const struct {
        QString name;
        bool single;
    } cases[] = {
        {QStringLiteral("Render Files"), true},
        {QStringLiteral(".hidden"), true},
        {QStringLiteral("..."), true},
        {QString(), false},
        {QStringLiteral("."), false},
        {QStringLiteral(".."), false},
        {QStringLiteral("a/b"), false},
        {QStringLiteral("/"), false},
        {QStringLiteral("Day") + QChar(0) + QStringLiteral("/x"), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isSingleName(QStringView(c.name)), c.single) << c.name.toStdString();
        EXPECT_EQ(isSingleName(c.name.toUtf8()), c.single) << c.name.toStdString();
    }
}

TEST(OpenFolder, stepsDownNeverGoThroughALink) {
    const QString dir = test::TestEnv::freshDir("open-folder-links");
    test::writeFile(dir + "/real/inner/file", "x");
    test::writeFile(dir + "/outside/inner/file", "y");
    ASSERT_EQ(::symlink(native(dir + "/outside").constData(), native(dir + "/link").constData()), 0);

    const OpenFolder top = OpenFolder::open(dir);
    ASSERT_TRUE(top) << top.errorText().toStdString();
    EXPECT_TRUE(top.descend("real/inner"));

    const OpenFolder viaLink = top.child("link");
    EXPECT_FALSE(viaLink);
    EXPECT_TRUE(viaLink.errorCode() == ELOOP || viaLink.errorCode() == ENOTDIR) << viaLink.errorCode();
    EXPECT_FALSE(top.descend("link/inner"));
    EXPECT_FALSE(OpenFolder::open(dir + "/link"));
    EXPECT_TRUE(OpenFolder::open(dir + "/link", OpenFolder::LastLink::followed));

    for (const QByteArray& bad : {QByteArray(".."), QByteArray("real/../outside"), QByteArray("a/b")})
        EXPECT_FALSE(top.child(bad)) << bad.constData();
    EXPECT_EQ(top.child("..").errorCode(), EINVAL);

    const std::optional<ItemFacts> link = top.entryFacts("link");
    ASSERT_TRUE(link);
    EXPECT_TRUE(link->isLink());
}

TEST(OpenFolder, anOpenFolderStaysTheOneOpenedWhenItsPathIsSwapped) {
    const QString dir = test::TestEnv::freshDir("open-folder-swap");
    test::writeFile(dir + "/Render Files/a", "a");
    test::writeFile(dir + "/outside/keep", "k");

    const OpenFolder render = OpenFolder::open(dir + "/Render Files");
    ASSERT_TRUE(render);
    const ItemFacts opened = render.facts();
    // The folder is moved away and a link to the outside folder takes its name.
    ASSERT_EQ(std::rename(native(dir + "/Render Files").constData(), native(dir + "/moved").constData()), 0);
    ASSERT_EQ(::symlink(native(dir + "/outside").constData(), native(dir + "/Render Files").constData()), 0);

    // Acting through the open folder reaches the moved folder, never the outside one.
    EXPECT_TRUE(render.entryFacts("a"));
    EXPECT_FALSE(render.entryFacts("keep"));
    const std::optional<ItemFacts> now = itemFactsAt(AT_FDCWD, native(dir + "/moved"));
    ASSERT_TRUE(now);
    EXPECT_TRUE(now->sameItem(opened));
    const OpenFolder again = OpenFolder::open(dir + "/Render Files", OpenFolder::LastLink::followed);
    ASSERT_TRUE(again);
    EXPECT_FALSE(again.facts().sameItem(opened));
}

TEST(OpenFolder, aBindMountOfTheSameFileSystemIsToldByItsMount) {
    const QString dir = test::TestEnv::freshDir("open-folder-mount");
    test::writeFile(dir + "/Original Media/clip.mov", "original");
    QDir().mkpath(dir + "/Render Files/Peaks Data/bm");
    QDir().mkpath(dir + "/Render Files/Peaks Data/plain");
    test::ScopedMount mount =
        test::ScopedMount::bind(dir + "/Original Media", dir + "/Render Files/Peaks Data/bm");
    if (!mount)
        GTEST_SKIP() << mount.reason().toStdString();

    const OpenFolder peaks = OpenFolder::open(dir + "/Render Files/Peaks Data");
    ASSERT_TRUE(peaks);
    const std::optional<ItemFacts> bound = peaks.entryFacts("bm");
    const std::optional<ItemFacts> plain = peaks.entryFacts("plain");
    ASSERT_TRUE(bound && plain);
    EXPECT_EQ(bound->device, peaks.facts().device) << "a bind mount keeps the device";
    EXPECT_TRUE(bound->isMountedInside(peaks.facts()));
    EXPECT_FALSE(plain->isMountedInside(peaks.facts()));

    test::ScopedMount other = test::ScopedMount::tmpfs(dir + "/Render Files/Peaks Data/plain");
    ASSERT_TRUE(other) << other.reason().toStdString();
    const std::optional<ItemFacts> tmpfs = peaks.entryFacts("plain");
    ASSERT_TRUE(tmpfs);
    EXPECT_NE(tmpfs->device, peaks.facts().device);
    EXPECT_TRUE(tmpfs->isMountedInside(peaks.facts()));
}

TEST(OpenFolder, aListingGivesEveryNameFromTheFirstEachTimeAndSaysWhyItStopped) {
    const QString dir = test::TestEnv::freshDir("open-folder-names");
    test::writeFile(dir + "/Render Files/a.mov", "a");
    test::writeFile(dir + "/Render Files/.hidden", "h");
    test::writeFile(dir + "/Render Files/Peaks Data/deep", "d");
    ASSERT_EQ(::symlink("nowhere", native(dir + "/Render Files/link").constData()), 0);
    const std::vector<QByteArray> expected{".hidden", "Peaks Data", "a.mov", "link"};

    const OpenFolder render = OpenFolder::open(dir + "/Render Files");
    ASSERT_TRUE(render);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        std::vector<QByteArray> names;
        EXPECT_EQ(render.names(names), 0);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, expected);
    }

    // Entries removed as they are handed over: each is handed over once, and none is left.
    int handed = 0;
    EXPECT_EQ(render.eachName([&](const QByteArray& name) {
        ++handed;
        if (name != "Peaks Data")
            ::unlinkat(render.fd(), name.constData(), 0);
    }),
              0);
    EXPECT_EQ(handed, 4);
    EXPECT_EQ(render.names(), std::vector<QByteArray>{"Peaks Data"});

    // A folder that did not open lists nothing and says why.
    const OpenFolder missing = OpenFolder::open(dir + "/missing");
    std::vector<QByteArray> none;
    EXPECT_EQ(missing.names(none), ENOENT);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(OpenFolder().names(none), EBADF);
}

TEST(OpenFolder, theStepUpReachesTheFolderItLiesInNowAndNoOther) {
    const QString dir = test::TestEnv::freshDir("open-folder-parent");
    test::writeFile(dir + "/Event/Render Files/a.mov", "a");
    QDir().mkpath(dir + "/Elsewhere");

    const OpenFolder render = OpenFolder::open(dir + "/Event/Render Files");
    ASSERT_TRUE(render);
    const OpenFolder event = render.parent();
    ASSERT_TRUE(event);
    EXPECT_TRUE(event.facts().sameItem(OpenFolder::open(dir + "/Event").facts()));

    // Moved into another folder while open, and a link to that folder put in its old place: the
    // path "Event/Render Files/.." would now climb to the test folder.
    ASSERT_EQ(std::rename(native(dir + "/Event/Render Files").constData(),
                          native(dir + "/Elsewhere/Render Files").constData()),
              0);
    ASSERT_EQ(
        ::symlink(native(dir + "/Elsewhere").constData(), native(dir + "/Event/Render Files").constData()),
        0);
    const OpenFolder now = render.parent();
    ASSERT_TRUE(now);
    EXPECT_TRUE(now.facts().sameItem(OpenFolder::open(dir + "/Elsewhere").facts()));
    EXPECT_FALSE(now.facts().sameItem(event.facts()));
    EXPECT_EQ(OpenFolder().parent().errorCode(), EBADF);
}
