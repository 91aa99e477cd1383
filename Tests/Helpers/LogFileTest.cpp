#include "Support/LogFile.h"

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

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

const QString kTime = QStringLiteral("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ");

} // namespace

TEST(LogFile, AppendsAfterWhatIsThereAndCreatesAMissingFile) {
    const QString dir = test::TestEnv::freshDir("logfile");

    // An existing log, its last line not even ended: every byte of it stays, in front.
    const QString existing = QDir(dir).filePath("existing.txt");
    writeFile(existing, "first line\nunfinished");
    ASSERT_TRUE(LogFile::append(existing, "\nraw bytes\n").ok());
    ASSERT_TRUE(LogFile::append(existing, QByteArray()).ok());
    ASSERT_TRUE(LogFile::appendLine(existing, "a line").ok());
    const QByteArray kept = "first line\nunfinished\nraw bytes\n";
    const QByteArray after = contents(existing);
    ASSERT_TRUE(after.startsWith(kept)) << after.toStdString();
    EXPECT_TRUE(QRegularExpression("^" + kTime + "  a line\n$")
                    .match(QString::fromUtf8(after.mid(kept.size())))
                    .hasMatch())
        << after.toStdString();

    // Nothing to append still leaves a file to show.
    const QString fresh = QDir(dir).filePath("fresh.txt");
    ASSERT_TRUE(LogFile::append(fresh, QByteArray()).ok());
    EXPECT_TRUE(QFileInfo(fresh).isFile());
    EXPECT_EQ(contents(fresh), "");
}

TEST(LogFile, ALineIsTheTimeTwoSpacesAndTheTextOnOneLine) {
    struct Case {
        QString text;
        QString written; // after the time and the two spaces, before the line feed
    };
    const Case cases[] = {
        {"search  Café 2", "search  Café 2"},
        {"", ""},
        // A line feed would start a line without a time; a carriage return is left alone.
        {"first\nsecond\rthird\n", "first second\rthird "},
        {"\n\n", "  "},
    };
    const QString dir = test::TestEnv::freshDir("logfile-lines");
    int index = 0;
    for (const Case& c : cases) {
        const QString path = QDir(dir).filePath(QString::number(index++) + ".txt");
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        ASSERT_TRUE(LogFile::appendLine(path, c.text).ok());
        const qint64 after = QDateTime::currentSecsSinceEpoch();

        const QString got = QString::fromUtf8(contents(path));
        const QRegularExpressionMatch match =
            QRegularExpression("^(" + kTime + ")  (.*)\n$", QRegularExpression::DotMatchesEverythingOption)
                .match(got);
        ASSERT_TRUE(match.hasMatch()) << got.toStdString();
        EXPECT_EQ(match.captured(2), c.written) << got.toStdString();
        const qint64 stamp = QDateTime::fromString(match.captured(1), Qt::ISODate).toSecsSinceEpoch();
        EXPECT_GE(stamp, before);
        EXPECT_LE(stamp, after);
    }
}

// Threads appending at once to one file that does not exist yet: every line arrives, whole.
TEST(LogFile, ConcurrentAppendersNeverInterleaveWithinALine) {
    const QString path = QDir(test::TestEnv::freshDir("logfile-threads")).filePath("log.txt");
    constexpr int kThreads = 8;
    constexpr int kLines = 120;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &path] {
            for (int n = 0; n < kLines; ++n) {
                // Some lines are far longer than any I/O buffer.
                const int length = (n % 8 == 0) ? 70000 + t : 40 + (t * 37 + n * 13) % 3000;
                const QString text = QStringLiteral("t%1 n%2 len%3 ").arg(t).arg(n).arg(length) +
                                     QString(length, u'x') + " end";
                if (t % 2 == 0)
                    EXPECT_TRUE(LogFile::appendLine(path, text).ok());
                else
                    EXPECT_TRUE(LogFile::append(path, (text + u'\n').toUtf8()).ok());
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    QStringList lines = QString::fromUtf8(contents(path)).split(u'\n');
    ASSERT_TRUE(lines.last().isEmpty()) << "the last line is not ended";
    lines.removeLast();
    ASSERT_EQ(lines.size(), kThreads * kLines);
    const QRegularExpression whole("^(?:" + kTime + "  )?t(\\d+) n(\\d+) len(\\d+) (x*) end$");
    QSet<QString> seen;
    for (const QString& line : std::as_const(lines)) {
        const QRegularExpressionMatch match = whole.match(line);
        ASSERT_TRUE(match.hasMatch()) << line.left(120).toStdString();
        EXPECT_EQ(match.capturedLength(4), match.captured(3).toInt()) << line.left(120).toStdString();
        seen.insert(match.captured(1) + u'/' + match.captured(2));
    }
    EXPECT_EQ(seen.size(), kThreads * kLines);
}

// A log that cannot be written is a value the caller may drop, never a crash, and nothing
// is created on the way.
TEST(LogFile, AFileThatCannotBeOpenedFailsAsAValue) {
    const QString dir = test::TestEnv::freshDir("logfile-fail");
    const QString plainFile = QDir(dir).filePath("plain");
    writeFile(plainFile, "keep");
    struct Case {
        const char* what;
        QString path;
    };
    const Case cases[] = {
        {"missing folder", QDir(dir).filePath("missing/log.txt")},
        {"parent is a file", plainFile + "/log.txt"},
        {"a folder at its name", dir},
        {"no name", QString()},
    };
    for (const Case& c : cases) {
        const Result<void> bytes = LogFile::append(c.path, "bytes\n");
        const Result<void> line = LogFile::appendLine(c.path, "line");
        EXPECT_FALSE(bytes.ok()) << c.what;
        EXPECT_FALSE(line.ok()) << c.what;
        EXPECT_FALSE(bytes.error().isEmpty()) << c.what;
        if (!c.path.isEmpty()) {
            EXPECT_TRUE(line.error().contains(c.path)) << c.what << ": " << line.error().toStdString();
        }
    }
    EXPECT_FALSE(QFileInfo::exists(QDir(dir).filePath("missing")));
    EXPECT_EQ(contents(plainFile), "keep");
}
