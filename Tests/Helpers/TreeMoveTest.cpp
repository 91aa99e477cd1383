// Moving a whole tree without ever replacing anything: a rename on one file system, and the
// copy that is checked before the original goes where the two places lie on different drives
// (taken on purpose through the hooks, and for real where the machine has a second one). A copy
// never takes another drive mounted inside, and what goes again after a failed or finished copy
// is only what the move made and the original it copied, never what another program put there.

#include "Support/TreeMove.h"

#include "Tests/Support/ScopedMount.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pellimor;
using test::treeContents;

namespace {

// A small component bundle: nested folders (one of them empty, one with its own permission
// bits), a program, an empty file and a link inside the bundle.
QString writeBundle(const QString& folder) {
    const QString bundle = QDir(folder).filePath(QStringLiteral("Accentize-DeRoom2.component"));
    test::writeFile(bundle + "/Contents/Info.plist", "<plist>deroom</plist>");
    test::writeFile(bundle + "/Contents/MacOS/DeRoom2", QByteArray(70000, 'x'));
    QFile::setPermissions(bundle + "/Contents/MacOS/DeRoom2", QFile::ReadOwner | QFile::WriteOwner |
                                                                  QFile::ExeOwner | QFile::ReadGroup |
                                                                  QFile::ExeGroup);
    test::writeFile(bundle + "/Contents/Resources/empty", QByteArray());
    QDir().mkpath(bundle + "/Contents/Resources/Unused");
    ::chmod(QFile::encodeName(bundle + "/Contents/Resources").constData(), 0750);
    ::symlink("../Info.plist", QFile::encodeName(bundle + "/Contents/Resources/Info link").constData());
    return bundle;
}

} // namespace

TEST(TreeMove, MovesTheWholeTreeOnOneDriveAndAcrossDrives) {
    for (const bool across : {false, true}) {
        SCOPED_TRACE(across ? "across drives" : "one drive");
        const QString folder = test::TestEnv::freshDir(QStringLiteral("tree-move"));
        const QString bundle = writeBundle(folder);
        const QStringList before = treeContents(bundle);
        const QString to = folder + "/Parked Audio Units/Accentize-DeRoom2.component";
        QDir().mkpath(QFileInfo(to).absolutePath());

        TreeMove::Hooks hooks;
        hooks.acrossFileSystems = across;
        const TreeMove::Outcome moved = TreeMove::move(bundle, to, hooks);
        ASSERT_TRUE(moved) << moved.error.toStdString();
        EXPECT_EQ(treeContents(to), before);
        EXPECT_FALSE(QFileInfo::exists(bundle));
        EXPECT_FALSE(QFileInfo(bundle).isSymLink());
    }
}

TEST(TreeMove, NeverReplacesWhatStandsAtTheDestination) {
    enum class Taken { file, emptyFolder, fullFolder, link };
    for (const bool across : {false, true}) {
        for (const Taken taken : {Taken::file, Taken::emptyFolder, Taken::fullFolder, Taken::link}) {
            SCOPED_TRACE(testing::Message() << (across ? "across " : "one drive ") << int(taken));
            const QString folder = test::TestEnv::freshDir(QStringLiteral("tree-move-taken"));
            const QString bundle = writeBundle(folder);
            const QString to = folder + "/taken";
            switch (taken) {
            case Taken::file:
                test::writeFile(to, "someone else's");
                break;
            case Taken::emptyFolder:
                QDir().mkpath(to); // a plain rename would replace an empty folder
                break;
            case Taken::fullFolder:
                test::writeFile(to + "/Contents/Info.plist", "the other one");
                break;
            case Taken::link:
                ::symlink("nowhere", QFile::encodeName(to).constData());
                break;
            }
            const QStringList bundleBefore = treeContents(bundle);
            const QStringList takenBefore = treeContents(to);

            TreeMove::Hooks hooks;
            hooks.acrossFileSystems = across;
            const TreeMove::Outcome moved = TreeMove::move(bundle, to, hooks);
            EXPECT_FALSE(moved);
            EXPECT_EQ(moved.errorCode, EEXIST) << moved.error.toStdString();
            EXPECT_EQ(treeContents(bundle), bundleBefore);
            EXPECT_EQ(treeContents(to), takenBefore);
        }
    }
}

TEST(TreeMove, ACopyThatFailsOrDiffersIsRemovedAndTheOriginalStaysWhole) {
    struct Case {
        const char* name;
        std::function<void(const QString& bundle)> prepare; // before the move
        std::function<void(const QString& copy)> spoil;     // after the copy, before its check
    };
    const Case cases[] = {
        {"a pipe inside cannot be copied",
         [](const QString& bundle) {
             ::mkfifo(QFile::encodeName(bundle + "/Contents/Resources/pipe").constData(), 0600);
         },
         {}},
        {"a file of the copy shrank",
         {},
         [](const QString& copy) { QFile::resize(copy + "/Contents/MacOS/DeRoom2", 10); }},
        {"the copy has an entry more",
         {},
         [](const QString& copy) { test::writeFile(copy + "/Contents/extra", "x"); }},
        {"the copy lacks an entry",
         {},
         [](const QString& copy) { QDir(copy + "/Contents/Resources/Unused").removeRecursively(); }},
        {"a link of the copy points elsewhere",
         {},
         [](const QString& copy) {
             const QByteArray link = QFile::encodeName(copy + "/Contents/Resources/Info link");
             ::unlink(link.constData());
             ::symlink("../MacOS/DeRoom2", link.constData());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = test::TestEnv::freshDir(QStringLiteral("tree-move-spoiled"));
        const QString bundle = writeBundle(folder);
        if (c.prepare)
            c.prepare(bundle);
        const QStringList before = treeContents(bundle);
        const QString to = folder + "/elsewhere";

        TreeMove::Hooks hooks;
        hooks.acrossFileSystems = true;
        hooks.afterCopy = c.spoil;
        const TreeMove::Outcome moved = TreeMove::move(bundle, to, hooks);
        EXPECT_FALSE(moved);
        EXPECT_FALSE(moved.error.isEmpty());
        EXPECT_EQ(treeContents(bundle), before);
        EXPECT_EQ(treeContents(to), QStringList{QStringLiteral("<nothing>")});
    }
}

TEST(TreeMove, AcrossDrivesAnotherDriveMountedInsideStopsTheMoveBeforeAnythingIsTouched) {
    for (const bool bind : {true, false}) {
        SCOPED_TRACE(bind ? "a folder bound inside" : "a tmpfs inside");
        const QString folder = test::TestEnv::freshDir(QStringLiteral("tree-move-mount"));
        const QString bundle = writeBundle(folder);
        const QString originals = folder + "/Original Media";
        test::writeFile(originals + "/A001.mov", QByteArray(5000, 'o'));
        const QString at = bundle + "/Contents/Resources/Mounted";
        QDir().mkpath(at);
        test::ScopedMount mount =
            bind ? test::ScopedMount::bind(originals, at) : test::ScopedMount::tmpfs(at);
        if (!mount)
            GTEST_SKIP() << mount.reason().toStdString();
        if (!bind)
            test::writeFile(at + "/on the tmpfs.mov", "tmpfs");
        const QStringList before = treeContents(bundle);
        const QStringList originalsBefore = treeContents(originals);
        const QString to = folder + "/elsewhere";

        TreeMove::Hooks hooks;
        hooks.acrossFileSystems = true;
        const TreeMove::Outcome moved = TreeMove::move(bundle, to, hooks);
        EXPECT_FALSE(moved);
        EXPECT_EQ(moved.error, bundle + " holds another drive mounted inside it (at " + at +
                                   "), so it can't be moved to another drive.");
        EXPECT_EQ(treeContents(bundle), before);
        EXPECT_EQ(treeContents(originals), originalsBefore);
        EXPECT_EQ(treeContents(to), QStringList{QStringLiteral("<nothing>")});
    }
}

TEST(TreeMove, ACopyThatFailsNeverRemovesWhatAnotherPutAtTheDestinationMeanwhile) {
    enum class Top { file, link, folder };
    for (const Top kind : {Top::file, Top::link, Top::folder}) {
        SCOPED_TRACE(int(kind));
        const QString folder = test::TestEnv::freshDir(QStringLiteral("tree-move-raced"));
        const QString bundle = writeBundle(folder);
        const QString from = kind == Top::file   ? bundle + "/Contents/Info.plist"
                             : kind == Top::link ? bundle + "/Contents/Resources/Info link"
                                                 : bundle;
        const QStringList before = treeContents(bundle);
        const QString to = folder + "/taken meanwhile";

        TreeMove::Hooks hooks;
        hooks.acrossFileSystems = true;
        // Taken after the move found the name free, before its copy is made there.
        hooks.beforeCopy = [](const QString& copy) { test::writeFile(copy, "someone else's"); };
        const TreeMove::Outcome moved = TreeMove::move(from, to, hooks);
        EXPECT_FALSE(moved);
        EXPECT_EQ(moved.errorCode, EEXIST) << moved.error.toStdString();
        EXPECT_EQ(test::readAll(to), "someone else's");
        EXPECT_EQ(treeContents(bundle), before);
    }
}

TEST(TreeMove, TheOriginalGoesOnlyWhileItIsTheItemThatWasCopied) {
    const QString folder = test::TestEnv::freshDir(QStringLiteral("tree-move-swapped"));
    const QString bundle = writeBundle(folder);
    const QStringList before = treeContents(bundle);
    const QString to = folder + "/elsewhere";

    TreeMove::Hooks hooks;
    hooks.acrossFileSystems = true;
    // Once the copy is made, the original is moved aside and another folder takes its name.
    hooks.afterCopy = [&bundle](const QString&) {
        ASSERT_EQ(std::rename(QFile::encodeName(bundle).constData(),
                              QFile::encodeName(bundle + " aside").constData()),
                  0);
        test::writeFile(bundle + "/someone else's", "keep");
    };
    const TreeMove::Outcome moved = TreeMove::move(bundle, to, hooks);
    EXPECT_FALSE(moved);
    EXPECT_TRUE(moved.error.startsWith("A whole copy is at " + to + ", but " + bundle))
        << moved.error.toStdString();
    EXPECT_EQ(test::readAll(bundle + "/someone else's"), "keep");
    EXPECT_EQ(treeContents(bundle + " aside"), before);
    EXPECT_EQ(treeContents(to), before);
}

TEST(TreeMove, NothingAtTheSourceIsAnError) {
    const QString folder = test::TestEnv::freshDir(QStringLiteral("tree-move-missing"));
    const TreeMove::Outcome moved = TreeMove::move(folder + "/gone", folder + "/to");
    EXPECT_FALSE(moved);
    EXPECT_EQ(moved.errorCode, ENOENT);
    EXPECT_TRUE(moved.error.contains(folder + "/gone")) << moved.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder + "/to"));
}

// Where the machine has a memory file system beside the test folder, the move really crosses.
TEST(TreeMove, CrossesToAnotherDriveForReal) {
    const QString other = QStringLiteral("/dev/shm");
    struct stat here {
    }, there{};
    const QString folder = test::TestEnv::freshDir(QStringLiteral("tree-move-real"));
    if (::stat(QFile::encodeName(folder).constData(), &here) != 0 ||
        ::stat(QFile::encodeName(other).constData(), &there) != 0 || here.st_dev == there.st_dev ||
        ::access(QFile::encodeName(other).constData(), W_OK) != 0)
        GTEST_SKIP() << "no second file system to move to";
    const QString bundle = writeBundle(folder);
    const QStringList before = treeContents(bundle);
    const QString to = other + QStringLiteral("/tovlin-tree-move-") + QString::number(::getpid());
    QDir(to).removeRecursively();

    const TreeMove::Outcome moved = TreeMove::move(bundle, to);
    ASSERT_TRUE(moved) << moved.error.toStdString();
    EXPECT_EQ(treeContents(to), before);
    EXPECT_FALSE(QFileInfo::exists(bundle));
    // And back, onto the test's own drive.
    const TreeMove::Outcome back = TreeMove::move(to, bundle);
    ASSERT_TRUE(back) << back.error.toStdString();
    EXPECT_EQ(treeContents(bundle), before);
    EXPECT_FALSE(QFileInfo::exists(to));
}
