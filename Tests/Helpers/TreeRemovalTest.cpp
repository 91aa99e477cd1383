// Deleting for good through open folders: links go themselves and never what they point to, an
// item that is not the one checked is left alone, another mount inside stays with the folders
// holding it (a bind mount of the same drive included), and a tree of any depth takes only a
// few descriptors. The Trash's wording of these outcomes is tested with the Trash.

#include "Support/TreeRemoval.h"

#include "Tests/Support/ScopedMount.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace pellimor;

namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

bool present(const QString& path) {
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

QStringList entries(const QString& folder) {
    QStringList names =
        QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

// The item at `path` as a caller finds and checks it: its folder held open and its facts now.
struct Held {
    explicit Held(const QString& path)
        : folder(OpenFolder::open(QFileInfo(path).absolutePath())), name(native(QFileInfo(path).fileName())),
          facts(folder.entryFacts(name).value_or(ItemFacts{})) {}
    TreeRemoval::Outcome remove() const { return TreeRemoval::remove(folder, name, facts); }
    TreeRemoval::Outcome removeAt() const { return TreeRemoval::removeAt(folder, name); }

    OpenFolder folder;
    QByteArray name;
    ItemFacts facts;
};

} // namespace

TEST(TreeRemoval, TakesFilesLinksAndWholeFoldersAndNeverWhatALinkPointsTo) {
    const QString dir = test::TestEnv::freshDir(QStringLiteral("tree-removal"));
    const QString elsewhere = dir + QStringLiteral("/Elsewhere");
    test::writeFile(elsewhere + QStringLiteral("/data.mov"), "outside");
    test::writeFile(elsewhere + QStringLiteral("/Deep/more.mov"), "outside too");
    const QStringList elsewhereTree = test::treeListing(elsewhere);

    // A folder with hidden entries, and links to a file and to a folder elsewhere, deep down.
    const QString folder = dir + QStringLiteral("/Proxy Media");
    test::writeFile(folder + QStringLiteral("/own.mov"), "own");
    test::writeFile(folder + QStringLiteral("/.hidden/own.mov"), "own");
    QDir().mkpath(folder + QStringLiteral("/Sub/Empty"));
    ASSERT_EQ(
        ::symlink(native(elsewhere + "/data.mov").constData(), native(folder + "/data.mov").constData()), 0);
    ASSERT_EQ(::symlink(native(elsewhere + "/Deep").constData(), native(folder + "/Sub/Deep").constData()),
              0);
    const QString file = dir + QStringLiteral("/render.mov");
    test::writeFile(file, "render");
    const QString link = dir + QStringLiteral("/Render Link");
    ASSERT_EQ(::symlink(native(elsewhere).constData(), native(link).constData()), 0);

    for (const QString& item : {folder, file, link}) {
        SCOPED_TRACE(item.toStdString());
        const TreeRemoval::Outcome removed = Held(item).remove();
        EXPECT_TRUE(removed.removed()) << removed.reason().toStdString();
        EXPECT_TRUE(removed.reason().isEmpty());
        EXPECT_FALSE(present(item));
    }
    EXPECT_EQ(test::treeListing(elsewhere), elsewhereTree);
}

TEST(TreeRemoval, AnItemThatIsNotTheOneCheckedOrNotThereIsLeftAloneAndSaid) {
    const QString dir = test::TestEnv::freshDir(QStringLiteral("tree-removal-changed"));
    const QString item = dir + QStringLiteral("/Render Files");
    test::writeFile(item + QStringLiteral("/render.mov"), "render");
    const Held held(item);
    // Replaced after its check: moved away, and another folder put in its place.
    ASSERT_EQ(std::rename(native(item).constData(), native(dir + "/moved").constData()), 0);
    test::writeFile(item + QStringLiteral("/someone else's.mov"), "keep");

    const TreeRemoval::Outcome replaced = held.remove();
    EXPECT_TRUE(replaced.changed);
    EXPECT_FALSE(replaced.removed());
    EXPECT_EQ(replaced.reason(), QStringLiteral("it changed since it was checked"));
    EXPECT_EQ(test::readAll(item + QStringLiteral("/someone else's.mov")), "keep");
    EXPECT_EQ(test::readAll(dir + QStringLiteral("/moved/render.mov")), "render");

    // Nothing at the name: an error for the item checked, nothing to do for whatever is there.
    const Held gone(dir + QStringLiteral("/gone"));
    EXPECT_EQ(gone.remove().errorCode, ENOENT);
    EXPECT_EQ(gone.remove().reason(), QStringLiteral("No such file or directory"));
    EXPECT_TRUE(gone.removeAt().removed());
    // Nor is a name that is not one component ever looked up as a path.
    EXPECT_EQ(TreeRemoval::removeAt(held.folder, "moved/render.mov").errorCode, EINVAL);
    EXPECT_EQ(test::readAll(dir + QStringLiteral("/moved/render.mov")), "render");
    // A folder that did not open names its own failure.
    EXPECT_EQ(TreeRemoval::removeAt(OpenFolder::open(dir + QStringLiteral("/missing")), "x").errorCode,
              ENOENT);

    // Whatever stands there now goes.
    EXPECT_TRUE(Held(item).removeAt().removed());
    EXPECT_FALSE(present(item));
}

TEST(TreeRemoval, AnotherMountInsideStaysWithTheFoldersHoldingItAndTheRestGoes) {
    for (const bool bind : {true, false}) {
        SCOPED_TRACE(bind ? "the event's originals bound inside" : "a tmpfs inside");
        const QString dir = test::TestEnv::freshDir(QStringLiteral("tree-removal-mount"));
        const QString originals = dir + QStringLiteral("/Original Media");
        const QString item = dir + QStringLiteral("/Render Files");
        const QString at = item + QStringLiteral("/Peaks Data/bm");
        test::writeFile(originals + QStringLiteral("/A001.mov"), "original");
        test::writeFile(originals + QStringLiteral("/Day 2/B001.mov"), "original");
        test::writeFile(item + QStringLiteral("/Peaks Data/peaks.data"), "peaks");
        test::writeFile(item + QStringLiteral("/Peaks Data/Sub/more.data"), "peaks");
        test::writeFile(item + QStringLiteral("/High Quality Media/render.mov"), "render");
        QDir().mkpath(at);
        test::ScopedMount mount =
            bind ? test::ScopedMount::bind(originals, at) : test::ScopedMount::tmpfs(at);
        if (!mount)
            GTEST_SKIP() << mount.reason().toStdString();
        if (!bind)
            test::writeFile(at + QStringLiteral("/on the tmpfs.mov"), "tmpfs");
        const QStringList mounted = test::treeListing(at);
        const QStringList originalsTree = test::treeListing(originals);

        const TreeRemoval::Outcome removed = Held(item).remove();
        EXPECT_TRUE(removed.mountInside);
        EXPECT_EQ(removed.errorCode, 0);
        EXPECT_EQ(removed.reason(), QStringLiteral("another drive is mounted inside it"));
        EXPECT_EQ(test::treeListing(at), mounted);
        EXPECT_EQ(test::treeListing(originals), originalsTree);
        EXPECT_EQ(entries(item), QStringList{"Peaks Data"});
        EXPECT_EQ(entries(item + QStringLiteral("/Peaks Data")), QStringList{"bm"});

        // The mount point itself is never entered, by either call.
        const Held top(at);
        for (const TreeRemoval::Outcome& refused : {top.remove(), top.removeAt()}) {
            EXPECT_TRUE(refused.mountPoint);
            EXPECT_EQ(refused.reason(), QStringLiteral("it is another drive mounted there"));
        }
        EXPECT_EQ(test::treeListing(at), mounted);
    }
}

TEST(TreeRemoval, ADeepTreeHoldsOnlyAFewFoldersOpen) {
    // Deeper than a path can be written, with a file at every level.
    const QString dir = test::TestEnv::freshDir(QStringLiteral("tree-removal-deep"));
    const QString item = dir + QStringLiteral("/Render Files");
    ASSERT_TRUE(QDir().mkdir(item));
    int fd = ::open(native(item).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int depth = 2500;
    for (int level = 0; level < depth && fd >= 0; ++level) {
        ::close(::openat(fd, "f", O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
        ASSERT_EQ(::mkdirat(fd, "d", 0700), 0);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    ASSERT_GE(fd, 0);
    ::close(fd);

    // Only a few descriptors more than are open now may be opened during the removal.
    const Held held(item);
    const int open =
        int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System).size());
    struct rlimit limit {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    const struct rlimit lowered { rlim_t(open + 16), limit.rlim_max };
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    const TreeRemoval::Outcome removed = held.remove();
    ::setrlimit(RLIMIT_NOFILE, &limit);

    EXPECT_TRUE(removed.removed()) << removed.reason().toStdString();
    EXPECT_FALSE(present(item));
}
