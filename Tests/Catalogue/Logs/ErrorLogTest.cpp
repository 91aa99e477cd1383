#include "Catalogue/Logs/ErrorLog.h"

#include "Platform/Paths.h"
#include "Platform/ProblemReporter.h"
#include "Platform/Services.h"
#include "Platform/SettingsStore.h"
#include "Tests/Support/FileGates.h"
#include "Tests/Support/RecordingFileManager.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <exception>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace pellimor;
using ErrorLog::Level;
using test::lines;
using test::readAll;
using test::writeFile;

namespace {

const QDateTime kWhen(QDate(2025, 3, 1), QTime(9, 30, 0), Qt::UTC);
const QString kTime = QStringLiteral("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ");

// A data folder of its own per test, and the log switched on (the test runner's own "--gtest"
// arguments would otherwise make a real run headless).
class ErrorLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedDataDir = qgetenv("TOVLIN_DATA_DIR");
        m_savedHeadless = ErrorLog::headless();
        m_dir = test::TestEnv::freshDir(QStringLiteral("errorlog"));
        qputenv("TOVLIN_DATA_DIR", m_dir.toUtf8());
        ErrorLog::setHeadless(false);
    }
    void TearDown() override {
        qputenv("TOVLIN_DATA_DIR", m_savedDataDir);
        ErrorLog::setHeadless(m_savedHeadless);
    }

    QString m_dir;

private:
    QByteArray m_savedDataDir;
    bool m_savedHeadless = false;
};

} // namespace

TEST_F(ErrorLogTest, EntriesAreOneFoldedLineEach) {
    struct Case {
        Level level;
        QString area;
        QString message;
        std::optional<QString> path;
        QString expected;
    };
    const QString everyBreak =
        QStringLiteral("a\vb\fc\rd\r\ne") + QChar(0x85) + "f" + QChar(0x2028) + "g" + QChar(0x2029) + "h\n";
    const std::vector<Case> cases{
        {Level::error, "catalogue", "The catalogue could not be saved: The disk is full.", std::nullopt,
         "2025-03-01T09:30:00Z ERROR catalogue: The catalogue could not be saved: The disk is full."},
        {Level::info, "start", "Tovlin 1.2 (7)", std::nullopt,
         "2025-03-01T09:30:00Z INFO start: Tovlin 1.2 (7)"},
        {Level::warn, "window", "First step\n    second step", std::nullopt,
         "2025-03-01T09:30:00Z WARN window: First step | second step"},
        // Three lines with blank (and space-only) lines between them.
        {Level::error, "scan", "Line one\n\n \t \n\tLine two  \n\nLine three\n", std::nullopt,
         "2025-03-01T09:30:00Z ERROR scan: Line one | Line two | Line three"},
        {Level::error, "scan", everyBreak, std::nullopt,
         "2025-03-01T09:30:00Z ERROR scan: a | b | c | d | e | f | g | h"},
        {Level::error, "free-up-space", "Could not move “Render Files” to the Trash.",
         QStringLiteral("/Volumes/Work/Old – copy.fcpbundle"),
         "2025-03-01T09:30:00Z ERROR free-up-space: Could not move “Render Files” to the Trash.  path: "
         "/Volumes/Work/Old – copy.fcpbundle"},
        // The path is part of the folded text.
        {Level::error, "missing-files", "Copy failed\n", QStringLiteral("/tmp/a\nb"),
         "2025-03-01T09:30:00Z ERROR missing-files: Copy failed | path: /tmp/a | b"},
        {Level::error, "eject", "", std::nullopt, "2025-03-01T09:30:00Z ERROR eject: "},
    };

    // The first entry creates the folders; the rest are appended in order.
    const QString file = m_dir + "/nested/deeper/error-log.txt";
    QStringList expected;
    for (const Case& c : cases) {
        ErrorLog::write(c.level, c.area, c.message, c.path, file, 500000, kWhen);
        expected.append(c.expected + "\n");
    }
    EXPECT_EQ(QString::fromUtf8(readAll(file)), expected.join(QString()));
    EXPECT_FALSE(QFileInfo::exists(file + ".1"));
}

// An entry that would take the file past the cap starts a new file; reaching the cap exactly
// does not.
TEST_F(ErrorLogTest, RotatesWhenTheEntryWouldPassTheCap) {
    const qint64 cap = 500000;
    const QString message = QStringLiteral("The catalogue could not be saved.");
    const QByteArray entry = "2025-03-01T09:30:00Z ERROR catalogue: " + message.toUtf8() + "\n";
    const QByteArray older = "an older generation\n";

    struct Case {
        const char* name;
        qint64 existing; // bytes in "error-log.txt" before the entry; -1: no file
        bool rotates;
    };
    for (const Case c :
         {Case{"fills the file exactly", cap - entry.size(), false},
          Case{"one byte past the cap", cap - entry.size() + 1, true},
          Case{"10 bytes to spare", cap - entry.size() - 10, false},
          Case{"10 bytes past the cap", cap - entry.size() + 10, true}, Case{"no file yet", -1, false}}) {
        SCOPED_TRACE(c.name);
        const QString file = test::TestEnv::freshDir("rotation") + "/error-log.txt";
        writeFile(file + ".1", older);
        QByteArray before;
        if (c.existing >= 0) {
            before = QByteArray(c.existing - 1, 'x') + "\n";
            writeFile(file, before);
        }
        ErrorLog::write(Level::error, "catalogue", message, std::nullopt, file, cap, kWhen);
        if (c.rotates) {
            EXPECT_EQ(readAll(file + ".1"), before);
            EXPECT_EQ(readAll(file), entry);
            // The next small entry joins the new file.
            ErrorLog::write(Level::error, "catalogue", message, std::nullopt, file, cap, kWhen);
            EXPECT_EQ(readAll(file), entry + entry);
            EXPECT_EQ(readAll(file + ".1"), before);
        } else {
            EXPECT_EQ(readAll(file + ".1"), older);
            EXPECT_EQ(readAll(file), before + entry);
        }
    }
}

TEST_F(ErrorLogTest, RecentReadsBothGenerationsOldestFirst) {
    const QString file = m_dir + "/error-log.txt";
    writeFile(file + ".1", "old one\nold two\n");
    // Line breaks of any kind, empty lines dropped, nothing trimmed.
    writeFile(file, "new one\r\n\r\n  new two\n");

    EXPECT_EQ(ErrorLog::recent(3, file), (QStringList{"old two", "new one", "  new two"}));
    EXPECT_EQ(ErrorLog::recent(10, file), (QStringList{"old one", "old two", "new one", "  new two"}));
    EXPECT_EQ(ErrorLog::recent(1, file), QStringList{"  new two"});
    EXPECT_TRUE(ErrorLog::recent(0, file).isEmpty());
    EXPECT_TRUE(ErrorLog::recent(-2, file).isEmpty());

    QFile::remove(file);
    EXPECT_EQ(ErrorLog::recent(3, file), (QStringList{"old one", "old two"}));
    EXPECT_TRUE(ErrorLog::recent(3, m_dir + "/missing.txt").isEmpty());

    // What write() produces reads back entry by entry.
    const QString written = m_dir + "/written/error-log.txt";
    ErrorLog::write(Level::warn, "window", "slow\nvery slow", std::nullopt, written, 500000, kWhen);
    ErrorLog::write(Level::error, "scan", "failed", QStringLiteral("/x"), written, 500000, kWhen);
    EXPECT_EQ(ErrorLog::recent(150, written),
              (QStringList{"2025-03-01T09:30:00Z WARN window: slow | very slow",
                           "2025-03-01T09:30:00Z ERROR scan: failed  path: /x"}));
}

// A named pipe at the log's name (or its older generation's) is no log to read; reading it would
// hold the log's lock, and every thread that logs, for good.
TEST_F(ErrorLogTest, RecentNeverReadsAPipe) {
    const QString file = m_dir + "/error-log.txt";
    writeFile(file, "new one\n");
    const test::NamedPipe older(file + ".1");
    QStringList lines;
    EXPECT_TRUE(test::returnsUnaided({&older}, [&] { lines = ErrorLog::recent(5, file); }));
    EXPECT_EQ(lines, QStringList{"new one"});
}

TEST_F(ErrorLogTest, LivesInTheDataFolder) {
    EXPECT_EQ(ErrorLog::url(), m_dir + "/error-log.txt");
    qunsetenv("TOVLIN_DATA_DIR");
    EXPECT_EQ(ErrorLog::url(), Paths::programSupportFolder() + "/error-log.txt");
}

TEST_F(ErrorLogTest, LogWritesNowToTheDataFolderUnlessHeadless) {
    ErrorLog::setHeadless(true);
    ErrorLog::log(Level::error, "scan", "not written");
    EXPECT_FALSE(QFileInfo::exists(ErrorLog::url()));

    ErrorLog::setHeadless(false);
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    ErrorLog::log(Level::error, "scan", "written", QStringLiteral("/Volumes/A"));
    const qint64 after = QDateTime::currentSecsSinceEpoch();
    const QStringList got = lines(ErrorLog::url());
    ASSERT_EQ(got.size(), 1);
    const QRegularExpressionMatch m =
        QRegularExpression("^(" + kTime + ") ERROR scan: written  path: /Volumes/A$").match(got[0]);
    ASSERT_TRUE(m.hasMatch()) << got[0].toStdString();
    const qint64 stamp = QDateTime::fromString(m.captured(1), Qt::ISODate).toSecsSinceEpoch();
    EXPECT_GE(stamp, before);
    EXPECT_LE(stamp, after);
}

// The platform layer's problems, once the error log is their sink: entries of their own level,
// under the same headless rule as every other entry.
TEST_F(ErrorLogTest, PlatformProblemsBecomeEntries) {
    namespace Reporter = platform::ProblemReporter;
    Reporter::Scoped sink(ErrorLog::logProblem);
    Reporter::report({Reporter::Level::warn, "settings", "kept aside", QStringLiteral("/c/settings.json.1")});

    // A settings store that cannot save, as the running program meets it.
    const QString blocker = m_dir + "/blocker";
    writeFile(blocker, "in the way");
    platform::SettingsStore store(blocker + "/settings.json");
    store.setFlag("autoRefresh", true);
    store.setFlag("autoRefresh", false);

    ErrorLog::setHeadless(true);
    Reporter::report({Reporter::Level::error, "settings", "not written", std::nullopt});

    const QStringList got = lines(ErrorLog::url());
    ASSERT_EQ(got.size(), 2) << got.join('\n').toStdString();
    EXPECT_TRUE(QRegularExpression("^" + kTime + " WARN settings: kept aside  path: /c/settings\\.json\\.1$")
                    .match(got[0])
                    .hasMatch())
        << got[0].toStdString();
    EXPECT_TRUE(QRegularExpression("^" + kTime + " ERROR settings: The settings could not be saved.*" +
                                   QRegularExpression::escape(blocker + "/settings.json"))
                    .match(got[1])
                    .hasMatch())
        << got[1].toStdString();
}

TEST_F(ErrorLogTest, HeadlessWhenAnyArgumentAfterTheProgramBeginsWithTwoDashes) {
    struct Case {
        std::vector<const char*> args;
        bool headless;
    };
    const std::vector<Case> cases{
        {{"tovlin"}, false},
        {{"tovlin", "--check"}, true},
        {{"tovlin", "--resume"}, true},
        {{"tovlin", "/Volumes/A", "--scan"}, true},
        {{"tovlin", "-psn_0_1234", "scan"}, false},
        {{"--tovlin"}, false}, // the program's own path does not count
        {{}, false},
    };
    for (const Case& c : cases) {
        const bool decided = ErrorLog::decideHeadless(int(c.args.size()), c.args.data());
        EXPECT_EQ(decided, c.headless) << (c.args.empty() ? "(none)" : c.args.back());
        EXPECT_EQ(ErrorLog::headless(), c.headless);
    }
}

TEST_F(ErrorLogTest, StartLineIsWrittenOncePerProcess) {
    ErrorLog::started("Tovlin 1.2 (7)");
    ErrorLog::started("Tovlin 9.9 (99)");
    const QStringList got = lines(ErrorLog::url());
    ASSERT_EQ(got.size(), 1);
    EXPECT_TRUE(
        QRegularExpression("^" + kTime + " INFO start: Tovlin 1\\.2 \\(7\\)$").match(got[0]).hasMatch())
        << got[0].toStdString();
}

TEST_F(ErrorLogTest, ConcurrentWritesKeepEveryEntryWhole) {
    constexpr int kThreads = 8;
    constexpr int kEntries = 150;
    const QRegularExpression shape(
        "^2025-03-01T09:30:00Z ERROR scan: t(\\d+) n(\\d+) len(\\d+) (x*) \\| end$");

    // With room for everything, and with a cap small enough to rotate many times meanwhile.
    for (const qint64 cap : {qint64(100000000), qint64(40000)}) {
        SCOPED_TRACE(cap);
        const QString file = test::TestEnv::freshDir("concurrent") + "/error-log.txt";
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([t, cap, file] {
                for (int n = 0; n < kEntries; ++n) {
                    const int length = (n % 10 == 0) ? 20000 + t : 40 + (t * 31 + n * 17) % 2000;
                    ErrorLog::write(Level::error, "scan",
                                    QStringLiteral("t%1 n%2 len%3 ").arg(t).arg(n).arg(length) +
                                        QString(length, QLatin1Char('x')) + "\n end",
                                    std::nullopt, file, cap, kWhen);
                }
            });
        }
        for (auto& thread : threads)
            thread.join();

        int broken = 0;
        QSet<QString> seen;
        for (const QString& line : lines(file + ".1") + lines(file)) {
            const QRegularExpressionMatch m = shape.match(line);
            if (!m.hasMatch() || m.captured(4).size() != m.captured(3).toInt())
                ++broken;
            else
                seen.insert(m.captured(1) + "/" + m.captured(2));
        }
        EXPECT_EQ(broken, 0);
        if (cap > 1000000)
            EXPECT_EQ(seen.size(), kThreads * kEntries);
        else
            EXPECT_LE(QFileInfo(file).size(), cap);
    }
}

// A log that cannot be opened loses the entry; nothing that stands in its way is replaced,
// moved or read as a log.
TEST_F(ErrorLogTest, UnopenableLogLosesTheEntryAndDamagesNothing) {
    const QString blocker = m_dir + "/blocker";
    writeFile(blocker, "keep me\n");
    ErrorLog::write(Level::error, "scan", "lost", std::nullopt, blocker + "/error-log.txt", 500000, kWhen);
    EXPECT_EQ(readAll(blocker), "keep me\n");
    EXPECT_TRUE(ErrorLog::recent(5, blocker + "/error-log.txt").isEmpty());

    // A folder at the log's name, far past any cap, is neither rotated nor opened.
    const QString folder = m_dir + "/error-log.txt";
    ASSERT_TRUE(QDir().mkpath(folder));
    writeFile(folder + "/inside.txt", "inside\n");
    ErrorLog::write(Level::error, "scan", "lost too", std::nullopt, folder, 1, kWhen);
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_FALSE(QFileInfo::exists(folder + ".1"));
    EXPECT_EQ(readAll(folder + "/inside.txt"), "inside\n");
    EXPECT_TRUE(ErrorLog::recent(5, folder).isEmpty());

    // The same through the program's own entry point and reveal.
    auto shell = std::make_shared<test::RecordingFileManager>();
    platform::Services fakes;
    fakes.shell = shell;
    platform::ScopedServices scope(fakes);
    qputenv("TOVLIN_DATA_DIR", blocker.toUtf8());
    ErrorLog::log(Level::error, "scan", "lost as well");
    ErrorLog::reveal();
    EXPECT_EQ(readAll(blocker), "keep me\n");
    EXPECT_EQ(shell->revealed, QStringList{blocker + "/error-log.txt"});
}

TEST_F(ErrorLogTest, RevealCreatesAnEmptyLogAndShowsIt) {
    auto shell = std::make_shared<test::RecordingFileManager>();
    platform::Services fakes;
    fakes.shell = shell;
    platform::ScopedServices scope(fakes);
    const QString data = m_dir + "/not yet";
    qputenv("TOVLIN_DATA_DIR", data.toUtf8());

    ErrorLog::reveal();
    EXPECT_EQ(shell->revealed, QStringList{data + "/error-log.txt"});
    EXPECT_TRUE(QFileInfo(data + "/error-log.txt").isFile());
    EXPECT_EQ(QFileInfo(data + "/error-log.txt").size(), 0);

    ErrorLog::log(Level::error, "eject", "busy");
    const QByteArray content = readAll(ErrorLog::url());
    ErrorLog::reveal();
    EXPECT_EQ(readAll(ErrorLog::url()), content);
    EXPECT_EQ(shell->revealed.size(), 2);
}

namespace crashprobe {
struct Silent : std::exception {
    const char* what() const noexcept override { return ""; }
};
} // namespace crashprobe

// An exception that escapes a thread ends the process; the handler installed at start
// records it first, then the process aborts as it always did.
TEST(ErrorLogDeathTest, UncaughtExceptionsAreRecordedBeforeTheAbort) {
    struct Case {
        const char* name;
        void (*thrower)();
        bool headless;
        QString expected; // the entry's text; empty: no entry at all
    };
    const std::vector<Case> cases{
        {"with a reason", [] { throw std::runtime_error("disk on fire"); }, false,
         "ERROR crash: std::runtime_error: disk on fire"},
        {"empty reason", [] { throw crashprobe::Silent(); }, false,
         "ERROR crash: crashprobe::Silent: no reason given"},
        {"not an exception class", [] { throw 42; }, false, "ERROR crash: int: no reason given"},
        {"headless", [] { throw std::logic_error("quiet"); }, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString dir = test::TestEnv::freshDir("crash");
        const auto crash = [&] {
            qputenv("TOVLIN_DATA_DIR", dir.toUtf8());
            ErrorLog::setHeadless(c.headless);
            ErrorLog::started("Tovlin test");
            std::thread worker(c.thrower);
            worker.join();
        };
        EXPECT_DEATH(crash(), "terminate called after throwing");
        const QString log = dir + "/error-log.txt";
        if (c.expected.isEmpty()) {
            EXPECT_FALSE(QFileInfo::exists(log));
        } else {
            const QStringList last = ErrorLog::recent(1, log);
            ASSERT_EQ(last.size(), 1);
            EXPECT_TRUE(QRegularExpression("^" + kTime + " " + QRegularExpression::escape(c.expected) + "$")
                            .match(last[0])
                            .hasMatch())
                << last[0].toStdString();
        }
    }
}
