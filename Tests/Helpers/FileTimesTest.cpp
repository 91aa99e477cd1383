#include "Support/FileTimes.h"

#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pellimor;

TEST(FileTimes, ReadsTheItemItselfNotWhatALinkPointsTo) {
    const QDir dir(test::TestEnv::freshDir("filetimes"));
    const QString file = dir.filePath("clip.mov");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
    f.flush();
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(1704067200250, Qt::UTC);
    ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    f.close();
    ASSERT_EQ(::symlink("clip.mov", QFile::encodeName(dir.filePath("link.mov")).constData()), 0);

    EXPECT_EQ(FileTimes::modified(file), when);
    EXPECT_DOUBLE_EQ(*FileTimes::modifiedSeconds(file), 1704067200.25);
    EXPECT_NE(FileTimes::modified(dir.filePath("link.mov")), when);
    EXPECT_FALSE(FileTimes::modified(dir.filePath("missing")).has_value());
    EXPECT_FALSE(FileTimes::created(dir.filePath("missing")).has_value());
    // Where the file system keeps birth times, a new file was born about now.
    if (const auto born = FileTimes::created(file)) {
        EXPECT_LT(qAbs(born->secsTo(QDateTime::currentDateTimeUtc())), 600);
    }
}
