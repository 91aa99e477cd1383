// The main-thread watchdog: its activity-log lines, its warning in the error log, one timer
// however often it is started, and a clean end. The tests drive the checks and a virtual clock
// themselves, so a main thread that stalls for seconds is a main thread that answers nothing
// while the clock moves on.

#include "Catalogue/Logs/ActivityLog.h"
#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Logs/UITrace.h"
#include "Shell/MainThreadWatchdog.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/VirtualClock.h"

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
using Checks = MainThreadWatchdog::Checks;

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
    // Stalls are measured on it; it moves only when a test says so.
    test::ScopedVirtualClock clock;
    static constexpr std::chrono::milliseconds period = MainThreadWatchdog::Timing{}.period;

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

    // The watchdog's lines in the activity log, in order.
    static QList<Line> watchdogLines() {
        static const QRegularExpression form(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ  main-thread  (stall|recovered) "
                           "(\\d+\\.\\d)s (.*)$"));
        QList<Line> lines;
        for (const QString& text : test::lines(ActivityLog::url())) {
            const QRegularExpressionMatch match = form.match(text);
            EXPECT_TRUE(match.hasMatch()) << "unexpected activity line: " << text.toStdString();
            if (match.hasMatch())
                lines.append({match.captured(1), match.captured(2).toDouble(), match.captured(3)});
        }
        return lines;
    }

    static QStringList errorLines() { return test::lines(ErrorLog::url()); }

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
    // Waits, answering nothing, until `done` holds; the limit only ends a hung run.
    static bool waitWithoutAnswering(const std::function<bool()>& done) {
        const QDeadlineTimer deadline(60000);
        while (!done()) {
            if (deadline.hasExpired())
                return false;
            std::this_thread::sleep_for(2ms);
        }
        return true;
    }

    // The main thread answers every question waiting for it.
    static void answer() { QCoreApplication::sendPostedEvents(); }

    // The main thread answers nothing for `span`: the clock moves on a step at a time, with a
    // check after each step, as the watchdog's thread would make them.
    void blockMainThread(MainThreadWatchdog& watchdog, std::chrono::milliseconds span,
                         std::chrono::milliseconds step = period) {
        for (std::chrono::milliseconds passed{0}; passed < span; passed += step) {
            clock->advance(step);
            watchdog.check();
        }
    }

    static QString snapshot() { return UITrace::shared().snapshot(); }
};

TEST_F(WatchdogTest, aMainThreadBlockedForFiveSecondsGivesOneStallOneRecoveryAndOneWarning) {
    MainThreadWatchdog watchdog; // the program's timing: a check every 0.5 s, a stall after 2.0 s
    watchdog.start(Checks::onCall);
    for (int i = 0; i < 2; ++i) {
        clock->advance(period);
        watchdog.check();
        answer();
    }
    ASSERT_TRUE(watchdogLines().isEmpty());

    // The last answer came at 1.0 s; the check at 3.0 s finds it exactly 2.0 s old, the one
    // at 3.5 s too old.
    blockMainThread(watchdog, 5s);
    const QList<Line> during = watchdogLines();
    ASSERT_EQ(during.size(), 1) << "the stall is reported while the block lasts";
    EXPECT_EQ(during[0].kind, QStringLiteral("stall"));
    EXPECT_EQ(during[0].seconds, 2.5);
    EXPECT_EQ(during[0].rest, snapshot());
    EXPECT_TRUE(during[0].rest.contains(QStringLiteral("tab=Media Files")));
    EXPECT_TRUE(errorLines().isEmpty());

    answer();
    // The questions that queued up behind the block find nothing more to report.
    clock->advance(period);
    watchdog.check();
    answer();

    const QList<Line> lines = watchdogLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1].kind, QStringLiteral("recovered"));
    EXPECT_EQ(lines[1].seconds, 5.0) << "measured from the last answer before the stall";
    EXPECT_EQ(lines[1].rest, snapshot());

    const QStringList errors = errorLines();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].endsWith(QStringLiteral(" WARN window: The window stopped answering for 5.0s.")))
        << errors[0].toStdString();
}

TEST_F(WatchdogTest, onlyAnAnswerOlderThanTheThresholdIsAStall) {
    struct Case {
        const char* what;
        QList<std::chrono::milliseconds> blocks; // answered after each
        QStringList expected;                    // "<kind> <seconds>"
    };
    const QList<Case> cases = {
        {"busy stretches short of the threshold, with answers between", {1000ms, 1000ms}, {}},
        {"answers reset the wait", {1500ms, 1500ms, 1500ms}, {}},
        {"exactly the threshold", {2000ms}, {}},
        {"a period past the threshold", {2500ms}, {"stall 2.5", "recovered 2.5"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const qsizetype linesBefore = watchdogLines().size();
        const qsizetype errorsBefore = errorLines().size();
        MainThreadWatchdog watchdog;
        watchdog.start(Checks::onCall);
        for (const std::chrono::milliseconds block : c.blocks) {
            blockMainThread(watchdog, block);
            answer();
        }
        QStringList got;
        for (const Line& line : watchdogLines().mid(linesBefore))
            got.append(line.kind + u' ' + QString::number(line.seconds, 'f', 1));
        EXPECT_EQ(got, c.expected);
        EXPECT_EQ(errorLines().size() - errorsBefore, c.expected.size() / 2);
    }
}

TEST_F(WatchdogTest, everyStallIsReportedOnceAndAHeadlessRunWritesNoWarning) {
    MainThreadWatchdog watchdog({100ms, 300ms});
    watchdog.start(Checks::onCall);
    watchdog.check();
    answer();

    // Seven checks find the answer too old; one line says so.
    blockMainThread(watchdog, 1000ms, 100ms);
    answer();
    EXPECT_EQ(errorLines().size(), 1);

    // Self-tests and diagnostics keep the error log alone; the activity log still gets both.
    ErrorLog::setHeadless(true);
    blockMainThread(watchdog, 1000ms, 100ms);
    answer();

    const QList<Line> lines = watchdogLines();
    ASSERT_EQ(lines.size(), 4);
    QStringList kinds;
    QList<double> seconds;
    for (const Line& line : lines) {
        kinds.append(line.kind);
        seconds.append(line.seconds);
    }
    EXPECT_EQ(kinds, (QStringList{"stall", "recovered", "stall", "recovered"}));
    EXPECT_EQ(seconds, (QList<double>{0.4, 1.0, 0.4, 1.0}));
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
        // Its own thread checks every 20 ms and finds a stall once the clock has moved on.
        MainThreadWatchdog watchdog({20ms, 100ms});
        watchdog.start();
        ASSERT_TRUE(spinUntil([&] { return watchdog.ticks() >= 1; }));
        // Questions pile up behind the main thread, which answers none of them from here on, and
        // a stall is reported; the watchdog then goes before the main thread ever answers.
        clock->advance(400ms);
        ASSERT_TRUE(waitWithoutAnswering([&] { return !watchdogLines().isEmpty(); }));
    }
    // Everything queued is delivered now: it must not reach the watchdog that is gone.
    answer();
    const QList<Line> lines = watchdogLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].kind, QStringLiteral("stall"));
    EXPECT_EQ(lines[0].seconds, 0.4);
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
