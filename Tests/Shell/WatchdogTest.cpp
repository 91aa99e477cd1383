// The main-thread watchdog against a main thread that really blocks: its activity-log lines,
// its warning in the error log, one timer however often it is started, and a clean end.

#include "Catalogue/Logs/ActivityLog.h"
#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Logs/UITrace.h"
#include "Shell/MainThreadWatchdog.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TestEnv.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

using namespace pellimor;
using namespace std::chrono_literals;
using test::TestEnv;

namespace {

struct Line {
    QString kind;   // "stall" or "recovered"
    double seconds; // as written, one decimal
    QString rest;   // what follows the duration
};

class WatchdogTest : public ::testing::Test {
protected:
    // Each test writes its logs into folders of its own.
    const QString root = TestEnv::freshDir(QStringLiteral("watchdog"));
    test::ScopedEnvironment dataHome{"XDG_DATA_HOME", QDir(root).filePath(QStringLiteral("share"))};
    test::ScopedEnvironment dataDir{"TOVLIN_DATA_DIR", QDir(root).filePath(QStringLiteral("data"))};
    const bool wasHeadless = ErrorLog::headless();

    void SetUp() override {
        ErrorLog::setHeadless(false);
        UITrace::shared().update([](UITrace::Fields& f) {
            f = UITrace::Fields();
            f.tab = QStringLiteral("Media Files");
            f.queryLen = 4;
        });
    }
    void TearDown() override {
        ErrorLog::setHeadless(wasHeadless);
        UITrace::shared().update([](UITrace::Fields& f) { f = UITrace::Fields(); });
    }

    static QStringList linesOf(const QString& file) {
        QFile log(file);
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The watchdog's lines in the activity log, in order.
    static QList<Line> watchdogLines() {
        static const QRegularExpression form(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ  main-thread  (stall|recovered) "
                           "(\\d+\\.\\d)s (.*)$"));
        QList<Line> lines;
        for (const QString& text : linesOf(ActivityLog::url())) {
            const QRegularExpressionMatch match = form.match(text);
            EXPECT_TRUE(match.hasMatch()) << "unexpected activity line: " << text.toStdString();
            if (match.hasMatch())
                lines.append({match.captured(1), match.captured(2).toDouble(), match.captured(3)});
        }
        return lines;
    }

    static QStringList errorLines() { return linesOf(ErrorLog::url()); }

    // Runs the event loop, as a window would, until `done` holds; the limit only ends a hung run.
    static bool spinUntil(const std::function<bool()>& done) {
        const QDeadlineTimer deadline(60000);
        while (!done()) {
            if (deadline.hasExpired())
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            std::this_thread::sleep_for(2ms);
        }
        return true;
    }
    // Runs the event loop for a while, answering promptly all along.
    static void spinFor(std::chrono::milliseconds span) {
        const QDeadlineTimer deadline(span);
        spinUntil([&] { return deadline.hasExpired(); });
    }
    static void blockMainThread(std::chrono::milliseconds span) { std::this_thread::sleep_for(span); }

    static QString snapshot() { return UITrace::shared().snapshot(); }
};

TEST_F(WatchdogTest, aMainThreadBlockedForFiveSecondsGivesOneStallOneRecoveryAndOneWarning) {
    MainThreadWatchdog watchdog; // the program's timing: a check every 0.5 s, a stall after 2.0 s
    watchdog.start();
    ASSERT_TRUE(spinUntil([&] { return watchdog.ticks() >= 2; }));
    ASSERT_TRUE(watchdogLines().isEmpty());

    blockMainThread(5s);
    ASSERT_TRUE(spinUntil([&] { return watchdogLines().size() >= 2; })) << "no recovery was reported";
    // The questions that queued up behind the block find nothing more to report.
    spinFor(1500ms);

    const QList<Line> lines = watchdogLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].kind, QStringLiteral("stall"));
    EXPECT_GE(lines[0].seconds, 2.0);
    EXPECT_LE(lines[0].seconds, 5.0) << "reported while the block lasted";
    EXPECT_EQ(lines[0].rest, snapshot());
    EXPECT_TRUE(lines[0].rest.contains(QStringLiteral("tab=Media Files")));
    EXPECT_EQ(lines[1].kind, QStringLiteral("recovered"));
    EXPECT_GE(lines[1].seconds, 5.0) << "measured from the last answer before the stall";
    EXPECT_EQ(lines[1].rest, snapshot());

    const QStringList errors = errorLines();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].endsWith(QStringLiteral(" WARN window: The window stopped answering for ") +
                                   QString::asprintf("%.1f", lines[1].seconds) + QStringLiteral("s.")))
        << errors[0].toStdString();
}

TEST_F(WatchdogTest, aMainThreadThatAnswersWithinTheThresholdLeavesNoLines) {
    MainThreadWatchdog watchdog;
    watchdog.start();
    ASSERT_TRUE(spinUntil([&] { return watchdog.ticks() >= 1; }));
    // Busy stretches well short of the 2.0 s threshold, with answers in between.
    for (int i = 0; i < 2; ++i) {
        blockMainThread(1000ms);
        spinFor(600ms);
    }
    EXPECT_TRUE(watchdogLines().isEmpty());
    EXPECT_TRUE(errorLines().isEmpty());
}

TEST_F(WatchdogTest, everyStallIsReportedOnceAndAHeadlessRunWritesNoWarning) {
    MainThreadWatchdog watchdog({50ms, 300ms});
    watchdog.start();
    ASSERT_TRUE(spinUntil([&] { return watchdog.ticks() >= 2; }));

    blockMainThread(1000ms);
    ASSERT_TRUE(spinUntil([&] { return watchdogLines().size() >= 2; }));
    spinFor(200ms);
    EXPECT_EQ(errorLines().size(), 1);

    // Self-tests and diagnostics keep the error log alone; the activity log still gets both.
    ErrorLog::setHeadless(true);
    blockMainThread(1000ms);
    ASSERT_TRUE(spinUntil([&] { return watchdogLines().size() >= 4; }));
    spinFor(200ms);

    const QList<Line> lines = watchdogLines();
    ASSERT_EQ(lines.size(), 4);
    QStringList kinds;
    for (const Line& line : lines)
        kinds.append(line.kind);
    EXPECT_EQ(kinds, (QStringList{"stall", "recovered", "stall", "recovered"}));
    for (const Line& line : lines)
        EXPECT_GE(line.seconds, 0.3);
    EXPECT_GE(lines[3].seconds, 1.0);
    EXPECT_EQ(errorLines().size(), 1) << "no warning while headless";
}

TEST_F(WatchdogTest, startingTwiceMakesOneTimer) {
    const MainThreadWatchdog::Timing timing{100ms, 2000ms};
    MainThreadWatchdog watchdog(timing);
    const auto begin = std::chrono::steady_clock::now();
    watchdog.start();
    watchdog.start();
    std::thread([&] { watchdog.start(); }).join();

    ASSERT_TRUE(spinUntil([&] { return watchdog.ticks() >= 8; }));
    const auto elapsed = std::chrono::steady_clock::now() - begin;
    // One timer never fires early, so it cannot have fired more often than the time allows;
    // a second timer would have doubled the count.
    const qint64 allowed = elapsed / timing.period + 1;
    EXPECT_LE(watchdog.ticks(), allowed);
}

TEST_F(WatchdogTest, endsCleanlyWithQuestionsStillQueuedAndAStallUnreported) {
    {
        MainThreadWatchdog watchdog({20ms, 100ms});
        watchdog.start();
        ASSERT_TRUE(spinUntil([&] { return watchdog.ticks() >= 1; }));
        // Questions pile up behind the block and a stall is reported; the watchdog then goes
        // before the main thread ever answers.
        blockMainThread(400ms);
    }
    spinFor(100ms); // the queued questions must not reach the watchdog that is gone
    const QList<Line> lines = watchdogLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].kind, QStringLiteral("stall"));
    EXPECT_TRUE(errorLines().isEmpty());
}

TEST_F(WatchdogTest, theProgramsWatchdogEndsWithTheProcess) {
    // In a process of its own, so that it leaves no watchdog running behind this test. The
    // process ends with the application object alive and the checks running.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            MainThreadWatchdog::shared().start();
            MainThreadWatchdog::shared().start();
            const QDeadlineTimer deadline(60000);
            while (MainThreadWatchdog::shared().ticks() < 2 && !deadline.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            std::exit(MainThreadWatchdog::shared().ticks() >= 2 ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
