#include "Catalogue/Logs/ActivityLog.h"

#include "Platform/Paths.h"
#include "Platform/Services.h"
#include "Tests/Support/RecordingFileManager.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace pellimor;
using test::lines;
using test::readAll;
using test::writeFile;

namespace {

const QString kTime = QStringLiteral("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ");

// Each test gets an Application Support folder of its own, so the first line really is the
// first.
class ActivityLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedDataHome = qgetenv("XDG_DATA_HOME");
        m_dataHome = test::TestEnv::freshDir(QStringLiteral("share"));
        qputenv("XDG_DATA_HOME", m_dataHome.toUtf8());
    }
    void TearDown() override { qputenv("XDG_DATA_HOME", m_savedDataHome); }

    QString folder() const { return QDir(m_dataHome).filePath(QStringLiteral("Pellimor")); }

    QString m_dataHome;

private:
    QByteArray m_savedDataHome;
};

} // namespace

TEST_F(ActivityLogTest, FirstLineCreatesTheFileAndLaterLinesAppend) {
    ASSERT_FALSE(QFileInfo::exists(folder()));
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    ActivityLog::append(QStringLiteral("search"), QStringLiteral("first\nsecond\rthird"));
    ActivityLog::append(QStringLiteral("main-thread"), QStringLiteral("stalled 2.5 s"));
    const qint64 after = QDateTime::currentSecsSinceEpoch();

    EXPECT_EQ(ActivityLog::url(), folder() + "/activity-log.txt");
    const QStringList got = lines(ActivityLog::url());
    ASSERT_EQ(got.size(), 2);

    // A line feed inside the message becomes a space; a carriage return stays.
    const QRegularExpression first("^(" + kTime + ")  search  first second\rthird$");
    const QRegularExpressionMatch match = first.match(got[0]);
    ASSERT_TRUE(match.hasMatch()) << got[0].toStdString();
    const QDateTime stamp = QDateTime::fromString(match.captured(1), Qt::ISODate);
    EXPECT_GE(stamp.toSecsSinceEpoch(), before);
    EXPECT_LE(stamp.toSecsSinceEpoch(), after);

    EXPECT_TRUE(QRegularExpression("^" + kTime + "  main-thread  stalled 2\\.5 s$").match(got[1]).hasMatch())
        << got[1].toStdString();
}

TEST_F(ActivityLogTest, StaysInApplicationSupportWhateverTheDataFolder) {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("TOVLIN_DATA_DIR"));
    ASSERT_NE(Paths::dataFolder(), Paths::programSupportFolder());
    ActivityLog::append(QStringLiteral("volume-space"), QStringLiteral("refreshed"));
    EXPECT_TRUE(QFileInfo(folder() + "/activity-log.txt").isFile());
    EXPECT_FALSE(QFileInfo::exists(QDir(Paths::dataFolder()).filePath("activity-log.txt")));
}

// Threads logging at once, starting before the file exists: every line arrives, whole.
TEST_F(ActivityLogTest, ConcurrentAppendsKeepEveryLineWhole) {
    constexpr int kThreads = 8;
    constexpr int kLines = 150;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int n = 0; n < kLines; ++n) {
                // Some lines are longer than any I/O buffer.
                const int length = (n % 10 == 0) ? 20000 + t : 50 + (t * 37 + n * 13) % 3000;
                ActivityLog::append(QStringLiteral("search"),
                                    QStringLiteral("t%1 n%2 len%3 ").arg(t).arg(n).arg(length) +
                                        QString(length, QLatin1Char('x')) + " end");
            }
        });
    }
    for (auto& thread : threads)
        thread.join();

    const QRegularExpression shape("^" + kTime + "  search  t(\\d+) n(\\d+) len(\\d+) (x*) end$");
    QSet<QString> seen;
    int broken = 0;
    for (const QString& line : lines(ActivityLog::url())) {
        const QRegularExpressionMatch m = shape.match(line);
        if (!m.hasMatch() || m.captured(4).size() != m.captured(3).toInt()) {
            ++broken;
            continue;
        }
        seen.insert(m.captured(1) + "/" + m.captured(2));
    }
    EXPECT_EQ(broken, 0);
    EXPECT_EQ(seen.size(), kThreads * kLines);
}

TEST_F(ActivityLogTest, RevealCreatesAnEmptyLogAndShowsIt) {
    auto shell = std::make_shared<test::RecordingFileManager>();
    platform::Services fakes;
    fakes.shell = shell;
    platform::ScopedServices scope(fakes);

    ActivityLog::reveal();
    const QString path = folder() + "/activity-log.txt";
    EXPECT_EQ(shell->revealed, QStringList{path});
    EXPECT_TRUE(QFileInfo(path).isFile());
    EXPECT_EQ(QFileInfo(path).size(), 0);

    // Revealing an existing log leaves its lines alone.
    ActivityLog::append(QStringLiteral("search"), QStringLiteral("kept"));
    const QByteArray content = readAll(path);
    ActivityLog::reveal();
    EXPECT_EQ(readAll(path), content);
    EXPECT_EQ(shell->revealed, (QStringList{path, path}));
}

// A log that cannot be opened loses the line; nothing that stands in its way is replaced.
TEST_F(ActivityLogTest, UnopenableLogLosesTheLineAndDamagesNothing) {
    // The log's name is taken by a folder with a file in it.
    const QString path = folder() + "/activity-log.txt";
    ASSERT_TRUE(QDir().mkpath(path));
    writeFile(path + "/inside.txt", "inside\n");
    ActivityLog::append(QStringLiteral("search"), QStringLiteral("lost"));
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(readAll(path + "/inside.txt"), "inside\n");
    EXPECT_EQ(QDir(folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"activity-log.txt"});

    // The Application Support folder lies below a regular file.
    const QString blocker = QDir(m_dataHome).filePath("blocker");
    writeFile(blocker, "keep me\n");
    qputenv("XDG_DATA_HOME", QDir(blocker).filePath("share").toUtf8());
    auto shell = std::make_shared<test::RecordingFileManager>();
    platform::Services fakes;
    fakes.shell = shell;
    platform::ScopedServices scope(fakes);
    ActivityLog::append(QStringLiteral("search"), QStringLiteral("lost too"));
    ActivityLog::reveal();
    EXPECT_TRUE(QFileInfo(blocker).isFile());
    EXPECT_EQ(readAll(blocker), "keep me\n");
}
