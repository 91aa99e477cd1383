// The program's clock: the system one (system time, QTimer) and the virtual one tests install,
// which must keep the same contract — once, in time order, never after a cancel or after the
// context is gone.

#include "Platform/Clock.h"

#include "Platform/Services.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/FakeMainBundle.h"
#include "Tests/Support/ScaledClock.h"
#include "Tests/Support/VirtualClock.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using namespace pellimor;
using namespace std::chrono_literals;
using platform::Clock;

namespace {

// What the calls of one test did, as "<name>" or, on a virtual clock, "<name>@<ms>".
struct Journal {
    QStringList entries;
    std::shared_ptr<Clock> clock;
    bool stamped = false;

    std::function<void()> note(const QString& name) {
        return [this, name] {
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread()) << name.toStdString();
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(clock->monotonic()).count();
            entries.append(stamped ? name + u'@' + QString::number(ms) : name);
        };
    }
};

} // namespace

TEST(SystemClock, ReadsTheSystemTimeInUtcAndAMonotonicSpan) {
    const std::shared_ptr<Clock> clock = platform::services().clock;
    ASSERT_NE(clock, nullptr);
    const QDateTime before = QDateTime::currentDateTimeUtc();
    const QDateTime now = clock->now();
    const QDateTime after = QDateTime::currentDateTimeUtc();
    EXPECT_EQ(now.timeSpec(), Qt::UTC);
    EXPECT_LE(before, now);
    EXPECT_LE(now, after);

    const std::chrono::nanoseconds first = clock->monotonic();
    EXPECT_LE(first, clock->monotonic());
}

TEST(SystemClock, RunsEachCallOnceUnlessCancelledOrItsContextIsGone) {
    const std::shared_ptr<Clock> clock = platform::services().clock;
    Journal journal{{}, clock};
    QObject context;
    auto gone = std::make_unique<QObject>();

    // Every call is made after those due before it, so their order holds however slowly
    // this runs.
    Clock::Call first = clock->after(0ms, &context, journal.note(QStringLiteral("first")));
    Clock::Call cancelled = clock->after(0ms, &context, journal.note(QStringLiteral("cancelled")));
    clock->after(0ms, gone.get(), journal.note(QStringLiteral("context gone")));
    clock->after(-5ms, &context, journal.note(QStringLiteral("negative delay")));
    // Cancelled from a callback that runs before it.
    Clock::Call cancelledByAnother;
    clock->after(0ms, &context, [&] { cancelledByAnother.cancel(); });
    cancelledByAnother = clock->after(10ms, &context, journal.note(QStringLiteral("cancelled late")));
    clock->after(20ms, &context, journal.note(QStringLiteral("later")));
    EXPECT_TRUE(first.pending());
    cancelled.cancel();
    EXPECT_FALSE(cancelled.pending());
    gone.reset();

    // The last call is due after every other one would have run.
    bool last = false;
    clock->after(60ms, &context, [&] { last = true; });
    ASSERT_TRUE(test::waitUntil([&] { return last; }));
    QStringList ran = journal.entries;
    ran.sort();
    EXPECT_EQ(ran, (QStringList{"first", "later", "negative delay"}));
    EXPECT_EQ(journal.entries.last(), QStringLiteral("later"));
    EXPECT_FALSE(first.pending());
    EXPECT_FALSE(cancelledByAnother.pending());
    first.cancel(); // after it ran: nothing happens
    EXPECT_FALSE(Clock::Call().pending());
}

TEST(VirtualClock, AdvanceRunsWhatFallsDueInTimeOrderAtItsOwnTime) {
    test::ScopedVirtualClock scoped;
    Journal journal{{}, scoped.clock(), true};
    QObject context;
    auto gone = std::make_unique<QObject>();
    const std::shared_ptr<test::VirtualClock> clock = scoped.clock();
    ASSERT_EQ(platform::services().clock, clock);
    const QDateTime start = clock->now();

    clock->after(300ms, &context, journal.note(QStringLiteral("c")));
    clock->after(100ms, &context, journal.note(QStringLiteral("a")));
    clock->after(100ms, &context, journal.note(QStringLiteral("a2"))); // same time: made second
    Clock::Call cancelled = clock->after(150ms, &context, journal.note(QStringLiteral("cancelled")));
    clock->after(150ms, gone.get(), journal.note(QStringLiteral("context gone")));
    // A callback that schedules more: within the span they run in the same advance, beyond it
    // they wait.
    clock->after(200ms, &context, [&] {
        journal.note(QStringLiteral("b"))();
        clock->after(0ms, &context, journal.note(QStringLiteral("b+0")));
        clock->after(50ms, &context, journal.note(QStringLiteral("b+50")));
        clock->after(500ms, &context, journal.note(QStringLiteral("b+500")));
    });
    cancelled.cancel();
    gone.reset();
    EXPECT_EQ(clock->pendingCalls(), 4);

    clock->advance(99ms);
    EXPECT_TRUE(journal.entries.isEmpty()) << "nothing before its time";
    clock->advance(201ms);
    EXPECT_EQ(journal.entries, (QStringList{"a@100", "a2@100", "b@200", "b+0@200", "b+50@250", "c@300"}));
    EXPECT_EQ(clock->monotonic(), 300ms);
    EXPECT_EQ(clock->now(), start.addMSecs(300));
    EXPECT_EQ(clock->pendingCalls(), 1);

    clock->advance(400ms);
    EXPECT_EQ(journal.entries.last(), QStringLiteral("b+500@700"));
    EXPECT_EQ(journal.entries.size(), 7);
    EXPECT_EQ(clock->pendingCalls(), 0);
}

TEST(VirtualClock, StaysInForceUnderOverridesOfOtherServicesAndGoesWithItsScope) {
    const std::shared_ptr<Clock> system = platform::services().clock;
    {
        test::ScopedVirtualClock scoped;
        {
            platform::Services others;
            others.bundle = std::make_shared<test::FakeMainBundle>();
            const platform::ScopedServices inner(others);
            EXPECT_EQ(platform::services().clock, scoped.clock());
        }
        EXPECT_EQ(platform::services().clock, scoped.clock());
    }
    EXPECT_EQ(platform::services().clock, system);
}

TEST(VirtualClock, DeliversQueuedEventsBetweenDueCallbacks) {
    test::ScopedVirtualClock scoped;
    Journal journal{{}, scoped.clock(), true};
    QObject context;
    // A callback that hands work to the event loop, as one that starts a worker does with its
    // answer: the answer is in before the next due call runs.
    scoped->after(100ms, &context, [&] {
        journal.note(QStringLiteral("start"))();
        QMetaObject::invokeMethod(&context, journal.note(QStringLiteral("answer")), Qt::QueuedConnection);
    });
    scoped->after(100ms, &context, journal.note(QStringLiteral("same time")));
    scoped->after(200ms, &context, journal.note(QStringLiteral("next")));
    EXPECT_TRUE(scoped->runUntil([&] { return journal.entries.size() == 4; }, 1s));
    EXPECT_EQ(journal.entries, (QStringList{"start@100", "answer@100", "same time@100", "next@200"}));

    // advance() runs the due calls only, as a blocked main thread would leave them.
    scoped->after(100ms, &context, [&] {
        QMetaObject::invokeMethod(&context, journal.note(QStringLiteral("queued")), Qt::QueuedConnection);
    });
    scoped->advance(1s);
    EXPECT_EQ(journal.entries.size(), 4);
    test::runQueued();
    EXPECT_EQ(journal.entries.last(), QStringLiteral("queued@1200"));
}

TEST(VirtualClock, RunUntilLetsWorkersFinishInRealTimeAndMovesOnlyWhenNothingElseIsLeft) {
    test::ScopedVirtualClock scoped;
    Journal journal{{}, scoped.clock(), true};
    QObject context;
    std::atomic<bool> release = false;
    bool answered = false;
    // A worker that answers only once the test lets it: the clock does not run ahead past the
    // 2 s look while it is busy, since nothing is due before that look.
    std::thread worker([&] {
        while (!release)
            std::this_thread::sleep_for(1ms);
        QMetaObject::invokeMethod(
            &context, [&] { answered = true; }, Qt::QueuedConnection);
    });
    scoped->after(2s, &context, [&] {
        journal.note(QStringLiteral("look"))();
        release = true;
    });
    EXPECT_TRUE(scoped->runUntil([&] { return answered; }, 10s));
    worker.join();
    EXPECT_EQ(journal.entries, (QStringList{"look@2000"}));
    EXPECT_EQ(scoped->monotonic(), 2s) << "the clock stands where the answer came";

    // A limit that comes first: the clock stops there, and what is due later still waits.
    scoped->after(5s, &context, journal.note(QStringLiteral("late")));
    EXPECT_FALSE(scoped->runUntil([] { return false; }, 3s, 50ms));
    EXPECT_EQ(scoped->monotonic(), 5s);
    EXPECT_EQ(scoped->pendingCalls(), 1);
}

TEST(ScaledClock, RunsWaitsFasterInTimeOrderAndKeepsTheCallContract) {
    test::ScopedScaledClock scoped(200);
    const std::shared_ptr<Clock> clock = platform::services().clock;
    ASSERT_EQ(clock, scoped.clock());
    Journal journal{{}, clock};
    QObject context;
    auto gone = std::make_unique<QObject>();
    const std::chrono::nanoseconds start = clock->monotonic();

    std::chrono::nanoseconds lastAt{};
    clock->after(4s, &context, journal.note(QStringLiteral("second")));
    clock->after(2s, &context, journal.note(QStringLiteral("first")));
    Clock::Call cancelled = clock->after(1s, &context, journal.note(QStringLiteral("cancelled")));
    clock->after(1s, gone.get(), journal.note(QStringLiteral("context gone")));
    clock->after(6s, &context, [&] {
        lastAt = clock->monotonic();
        journal.note(QStringLiteral("last"))();
    });
    cancelled.cancel();
    gone.reset();

    ASSERT_TRUE(test::waitUntil([&] { return journal.entries.size() == 3; }));
    EXPECT_EQ(journal.entries, (QStringList{"first", "second", "last"}));
    EXPECT_GE(lastAt - start, 6s) << "never before its time on the scaled reading";
    EXPECT_GE(clock->now(), QDateTime::currentDateTimeUtc()) << "the reading runs ahead of the wall";
}
