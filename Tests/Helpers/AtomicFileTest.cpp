#include "Support/AtomicFile.h"

#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {
QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
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
