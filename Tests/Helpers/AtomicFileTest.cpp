#include "Support/AtomicFile.h"

#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <memory>

using namespace pellimor;

namespace {
QByteArray contents(const QString& path) {
    return test::readAll(path, "<missing>");
}
} // namespace

TEST(AtomicFile, WritesAndReplacesWholeFilesCreatingFolders) {
    const QString dir = test::TestEnv::freshDir("atomic");
    const QString path = QDir(dir).filePath("a/b/c/catalog.json");
    ASSERT_TRUE(AtomicFile::write(path, "first version, rather long").ok());
    EXPECT_EQ(contents(path), "first version, rather long");

    // A shorter write replaces the file whole: nothing of the old content is left.
    ASSERT_TRUE(AtomicFile::write(path, "v2").ok());
    EXPECT_EQ(contents(path), "v2");
    ASSERT_TRUE(AtomicFile::write(path, QByteArray()).ok());
    EXPECT_EQ(contents(path), "");
    // No temporary files are left beside it.
    EXPECT_EQ(QDir(QDir(dir).filePath("a/b/c")).entryList(QDir::Files | QDir::Hidden),
              QStringList{"catalog.json"});
}

TEST(AtomicFile, FailuresAreReportedAndLeaveOldFilesAlone) {
    const QString dir = test::TestEnv::freshDir("atomic-fail");

    // The parent "folder" is a file: the folder cannot be created, the file is untouched.
    const QString blocker = QDir(dir).filePath("blocker");
    ASSERT_TRUE(AtomicFile::write(blocker, "keep me").ok());
    const Result<void> underFile = AtomicFile::write(blocker + "/inner/x.json", "data");
    EXPECT_FALSE(underFile.ok());
    EXPECT_TRUE(underFile.error().contains(blocker + "/inner/x.json")) << underFile.error().toStdString();
    EXPECT_EQ(contents(blocker), "keep me");

    // The target is a folder: it is not replaced by a file.
    const QString folder = QDir(dir).filePath("folder");
    QDir().mkpath(folder + "/child");
    const Result<void> onFolder = AtomicFile::write(folder, "data");
    EXPECT_FALSE(onFolder.ok());
    EXPECT_FALSE(onFolder.error().isEmpty());
    EXPECT_TRUE(QFileInfo(folder + "/child").isDir());

    EXPECT_FALSE(AtomicFile::write(QString(), "data").ok());
}

// Both kinds of replacement give readers whole files and leave nothing beside them, and fail
// the same way.
TEST(AtomicFile, UnsyncedReplacementIsAsWholeAsASyncedOne) {
    for (const AtomicFile::Durability durability :
         {AtomicFile::Durability::synced, AtomicFile::Durability::unsynced}) {
        SCOPED_TRACE(durability == AtomicFile::Durability::synced ? "synced" : "unsynced");
        const QString dir = test::TestEnv::freshDir("atomic-durability");
        const QString path = QDir(dir).filePath("a/b/scanjob.json");
        ASSERT_TRUE(AtomicFile::write(path, "first version, rather long", durability).ok());
        EXPECT_EQ(contents(path), "first version, rather long");
        ASSERT_TRUE(AtomicFile::write(path, "v2", durability).ok());
        EXPECT_EQ(contents(path), "v2");
        EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{"scanjob.json"});

        // A folder in the file's place stays a folder, and no temporary file is left.
        const QString folder = QDir(dir).filePath("folder");
        QDir().mkpath(folder + "/child");
        const Result<void> onFolder = AtomicFile::write(folder, "data", durability);
        EXPECT_FALSE(onFolder.ok());
        EXPECT_TRUE(onFolder.error().contains(folder)) << onFolder.error().toStdString();
        EXPECT_TRUE(QFileInfo(folder + "/child").isDir());
        EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{});

        const QString blocker = QDir(dir).filePath("blocker");
        ASSERT_TRUE(AtomicFile::write(blocker, "keep me", durability).ok());
        EXPECT_FALSE(AtomicFile::write(blocker + "/inner/x.json", "data", durability).ok());
        EXPECT_EQ(contents(blocker), "keep me");
    }
}

// A staged file is invisible under its name until committed; one dropped uncommitted leaves
// the old file and no temporary file behind.
TEST(AtomicFile, StagedFileTakesTheNameOnlyWhenCommitted) {
    const QString dir = test::TestEnv::freshDir("atomic-staged");
    const QString path = QDir(dir).filePath("lists/media-1.json");
    ASSERT_TRUE(AtomicFile::write(path, "old").ok());
    const auto filesBeside = [&] {
        return QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden);
    };

    {
        Result<std::shared_ptr<AtomicFile::Staged>> dropped = AtomicFile::stage(path, "never used");
        ASSERT_TRUE(dropped.ok()) << dropped.error().toStdString();
        EXPECT_EQ(dropped.value()->path(), path);
        EXPECT_EQ(contents(path), "old");
        EXPECT_EQ(filesBeside().size(), 2);
    }
    EXPECT_EQ(contents(path), "old");
    EXPECT_EQ(filesBeside(), QStringList{"media-1.json"});

    Result<std::shared_ptr<AtomicFile::Staged>> kept = AtomicFile::stage(path, "new");
    ASSERT_TRUE(kept.ok());
    EXPECT_EQ(contents(path), "old");
    ASSERT_TRUE(kept.value()->commit().ok());
    EXPECT_EQ(contents(path), "new");
    EXPECT_FALSE(kept.value()->commit().ok()) << "a second commit has nothing to give";
    kept.value().reset();
    EXPECT_EQ(contents(path), "new");
    EXPECT_EQ(filesBeside(), QStringList{"media-1.json"});

    // Staged in a new folder; a commit that cannot rename reports it and cleans up.
    const QString fresh = QDir(dir).filePath("new/folder/media-2.json");
    Result<std::shared_ptr<AtomicFile::Staged>> staged = AtomicFile::stage(fresh, "x");
    ASSERT_TRUE(staged.ok());
    ASSERT_TRUE(QDir().mkpath(fresh + "/in-the-way"));
    const Result<void> committed = staged.value()->commit();
    EXPECT_FALSE(committed.ok());
    EXPECT_TRUE(committed.error().contains(fresh)) << committed.error().toStdString();
    EXPECT_EQ(QDir(QDir(dir).filePath("new/folder")).entryList(QDir::Files | QDir::Hidden), QStringList{});

    EXPECT_FALSE(AtomicFile::stage(QString(), "x").ok());
}
