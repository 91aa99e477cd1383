// Copies between folders held open: they land in the folders that were opened whatever became
// of their paths, never write through a link at the target's name, never take a name with more
// than one component, and a copy that fails leaves nothing in the folder it was written to.

#include "Support/FileCopy.h"

#include "Support/OpenFolder.h"
#include "Tests/Support/FileSizeLimit.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace pellimor;
using test::TestEnv;

namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

QString in(const QString& folder, const QString& name) {
    return QDir(folder).filePath(name);
}

} // namespace

TEST(FileCopy, aCopyBetweenOpenFoldersLandsInTheFoldersOpenedEvenWhenTheirPathsNowLeadElsewhere) {
    const QString root = TestEnv::freshDir(QStringLiteral("copyat-swap"));
    const QString source = in(root, QStringLiteral("Source"));
    const QString target = in(root, QStringLiteral("Target"));
    const QString decoy = in(root, QStringLiteral("Decoy"));
    test::writeFile(in(source, QStringLiteral("a.plist")), "the real one");
    test::writeFile(in(decoy, QStringLiteral("a.plist")), "a decoy of the same length");
    ASSERT_TRUE(QDir().mkpath(target));
    const OpenFolder from = OpenFolder::open(source);
    const OpenFolder to = OpenFolder::open(target);
    ASSERT_TRUE(from && to);

    // Both paths swapped for links to the decoy after the folders were opened.
    ASSERT_EQ(
        ::rename(native(source).constData(), native(in(root, QStringLiteral("Source, moved"))).constData()),
        0);
    ASSERT_EQ(
        ::rename(native(target).constData(), native(in(root, QStringLiteral("Target, moved"))).constData()),
        0);
    ASSERT_TRUE(QFile::link(decoy, source));
    ASSERT_TRUE(QFile::link(decoy, target));
    const QStringList decoyBefore = test::treeContents(decoy);

    const FileCopy::Outcome copied = FileCopy::copyAt(from.fd(), "a.plist", to.fd(), "b.plist");
    ASSERT_TRUE(copied.size) << copied.error.toStdString();
    EXPECT_EQ(*copied.size, qint64(QByteArray("the real one").size()));
    EXPECT_EQ(test::readAll(in(root, QStringLiteral("Target, moved/b.plist"))), "the real one");
    EXPECT_EQ(QFileInfo(in(root, QStringLiteral("Target, moved/b.plist"))).lastModified(),
              QFileInfo(in(root, QStringLiteral("Source, moved/a.plist"))).lastModified());
    EXPECT_EQ(test::treeContents(decoy), decoyBefore);
}

TEST(FileCopy, aCopyBetweenOpenFoldersNeverWritesThroughALinkOrTakesAPath) {
    const QString root = TestEnv::freshDir(QStringLiteral("copyat-refusals"));
    const QString source = in(root, QStringLiteral("Source"));
    const QString target = in(root, QStringLiteral("Target"));
    const QString outside = in(root, QStringLiteral("Outside"));
    test::writeFile(in(source, QStringLiteral("a.plist")), "copy me");
    test::writeFile(in(outside, QStringLiteral("kept.plist")), "not to be written");
    ASSERT_TRUE(QDir().mkpath(target));
    ASSERT_TRUE(
        QFile::link(in(outside, QStringLiteral("kept.plist")), in(target, QStringLiteral("to-file"))));
    ASSERT_TRUE(
        QFile::link(in(outside, QStringLiteral("new.plist")), in(target, QStringLiteral("dangling"))));
    ASSERT_TRUE(QFile::link(outside, in(target, QStringLiteral("to-folder"))));
    ASSERT_TRUE(QFile::link(in(source, QStringLiteral("a.plist")), in(source, QStringLiteral("link.plist"))));
    const OpenFolder from = OpenFolder::open(source);
    const OpenFolder to = OpenFolder::open(target);
    ASSERT_TRUE(from && to);
    const QStringList outsideBefore = test::treeContents(outside);
    const QStringList targetBefore = test::treeContents(target);

    const struct {
        const char* name;
        QByteArray from;
        QByteArray to;
        int error;
    } cases[] = {
        {"a link to a file at the target's name", "a.plist", "to-file", EEXIST},
        {"a link to nothing yet at the target's name", "a.plist", "dangling", EEXIST},
        {"a target name that goes through a link to a folder", "a.plist", "to-folder/new.plist", EINVAL},
        {"a source name that is a path", "../Source/a.plist", "b.plist", EINVAL},
        {"a source that is a link", "link.plist", "b.plist", ELOOP},
        {"an empty name", "a.plist", "", EINVAL},
        {"the folder itself", "a.plist", ".", EINVAL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FileCopy::Outcome copied = FileCopy::copyAt(from.fd(), c.from, to.fd(), c.to);
        EXPECT_FALSE(copied.size);
        EXPECT_EQ(copied.errorCode, c.error);
        EXPECT_EQ(copied.error, FileCopy::errorText(c.error));
    }
    EXPECT_EQ(test::treeContents(outside), outsideBefore);
    EXPECT_EQ(test::treeContents(target), targetBefore);
}

TEST(FileCopy, aCopyBetweenOpenFoldersThatFailsHalfWayLeavesNothingInTheOpenFolder) {
    const QString root = TestEnv::freshDir(QStringLiteral("copyat-full"));
    const QString source = in(root, QStringLiteral("Source"));
    const QString target = in(root, QStringLiteral("Target"));
    test::writeFile(in(source, QStringLiteral("large.plist")), QByteArray(256 * 1024, 'x'));
    ASSERT_TRUE(QDir().mkpath(target));
    const OpenFolder from = OpenFolder::open(source);
    const OpenFolder to = OpenFolder::open(target);
    ASSERT_TRUE(from && to);
    // The target's path now names another folder, which must not get the removal either.
    ASSERT_EQ(
        ::rename(native(target).constData(), native(in(root, QStringLiteral("Target, moved"))).constData()),
        0);
    test::writeFile(in(target, QStringLiteral("copy.plist")), "someone else's file by that name");

    // Writes past 64 KB fail, as on a full disk.
    const FileCopy::Outcome copied = [&] {
        const test::FileSizeLimit limited(64 * 1024);
        return FileCopy::copyAt(from.fd(), "large.plist", to.fd(), "copy.plist");
    }();

    ASSERT_FALSE(copied.size);
    EXPECT_EQ(copied.errorCode, EFBIG);
    EXPECT_EQ(
        QDir(in(root, QStringLiteral("Target, moved"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        QStringList());
    EXPECT_EQ(test::readAll(in(target, QStringLiteral("copy.plist"))), "someone else's file by that name");
}

TEST(FileCopy, aRenameBetweenOpenFoldersNeverReplacesWhatStandsAtTheNewName) {
    const QString root = TestEnv::freshDir(QStringLiteral("rename-at"));
    const QString from = in(root, QStringLiteral("From"));
    const QString to = in(root, QStringLiteral("To"));
    test::writeFile(in(from, QStringLiteral("a.plist")), "moving");
    test::writeFile(in(to, QStringLiteral("file.plist")), "already here");
    test::writeFile(in(root, QStringLiteral("Outside/kept.plist")), "outside");
    ASSERT_TRUE(
        QFile::link(in(root, QStringLiteral("Outside/kept.plist")), in(to, QStringLiteral("link.plist"))));
    ASSERT_TRUE(
        QFile::link(in(root, QStringLiteral("Outside/none.plist")), in(to, QStringLiteral("dangling"))));
    const OpenFolder source = OpenFolder::open(from);
    const OpenFolder target = OpenFolder::open(to);
    ASSERT_TRUE(source && target);
    const QStringList before = test::treeContents(root);

    for (const char* taken : {"file.plist", "link.plist", "dangling"}) {
        SCOPED_TRACE(taken);
        EXPECT_EQ(FileCopy::renameWithoutReplacing(source.fd(), "a.plist", target.fd(), taken), EEXIST);
    }
    EXPECT_EQ(test::treeContents(root), before);
    EXPECT_EQ(FileCopy::renameWithoutReplacing(source.fd(), "a.plist", target.fd(), "b.plist"), 0);
    EXPECT_EQ(test::readAll(in(to, QStringLiteral("b.plist"))), "moving");
    EXPECT_FALSE(QFileInfo::exists(in(from, QStringLiteral("a.plist"))));
}
