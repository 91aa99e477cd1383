// The window's refresh scheduler under a manual clock: requests coalesced to one run per part
// and turn, in the parts' order; passes kept apart while scanning, further after a slow pass;
// the last state of a scan drawn at once; runNow; parts whose owner is gone.

#include "Widgets/RefreshScheduler.h"

#include "Tests/Support/ManualRefreshTiming.h"

#include <QObject>
#include <QStringList>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>

using namespace pellimor;
using namespace std::chrono_literals;
using Part = RefreshScheduler::Part;

namespace {

class RefreshSchedulerTest : public ::testing::Test {
protected:
    // A part that writes its name into the log when it runs, and then does `also`.
    Part part(const QString& name, std::function<void()> also = {}) {
        return scheduler.addPart(&owner, [this, name, also] {
            log.append(name);
            if (also)
                also();
        });
    }

    test::ManualRefreshTiming time;
    QObject owner;
    RefreshScheduler scheduler{nullptr, time.timing()};
    QStringList log;
};

TEST_F(RefreshSchedulerTest, requestsOfOneTurnRunEachRequestedPartOnceInOrder) {
    const Part sidebar = part(QStringLiteral("sidebar"));
    const Part content = part(QStringLiteral("content"));
    const Part details = part(QStringLiteral("details"));
    for (int change = 0; change < 50; ++change)
        scheduler.request({content, sidebar});
    EXPECT_TRUE(log.isEmpty()); // nothing runs inside the turn that asked

    time.turn();
    EXPECT_EQ(log, (QStringList{"sidebar", "content"}));
    EXPECT_EQ(scheduler.runs(details), 0);
    EXPECT_EQ(scheduler.passes(), 1);

    time.turn();
    EXPECT_EQ(scheduler.passes(), 1);
    EXPECT_EQ(time.waiting(), 0u);
}

TEST_F(RefreshSchedulerTest, partRequestedDuringAPassRunsLaterInItOrOnTheNextTurn) {
    Part first = -1;
    Part second = -1;
    bool asked = false;
    first = part(QStringLiteral("first"), [&] {
        if (!std::exchange(asked, true))
            scheduler.request({second, first}); // one still to come, and itself
    });
    second = part(QStringLiteral("second"));

    scheduler.request(first);
    time.turn();
    EXPECT_EQ(log, (QStringList{"first", "second"}));
    EXPECT_TRUE(scheduler.isRequested(first));

    time.turn();
    EXPECT_EQ(log, (QStringList{"first", "second", "first"}));
    EXPECT_FALSE(scheduler.isRequested(first));
}

// Requests every 10 ms for two seconds, each followed by a turn of the event loop; a pass
// costs `cost` of the clock's time.
TEST_F(RefreshSchedulerTest, passesKeepApartWhileScanningByThePeriodOrTheirCost) {
    struct Case {
        const char* name;
        bool scanning;
        std::chrono::milliseconds cost;
        std::chrono::milliseconds spacing; // the least time from one pass to the next; 0: every turn
    };
    const Case cases[] = {
        {"idle", false, 0ms, 0ms},
        {"idle, slow passes", false, 30ms, 0ms},
        {"scanning", true, 0ms, RefreshScheduler::kScanningPeriod},
        {"scanning, slow passes", true, 50ms, 50ms + RefreshScheduler::kSlowPassFactor * 50ms},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ManualRefreshTiming clock;
        QObject owner;
        RefreshScheduler scheduler(nullptr, clock.timing());
        int turns = 0;
        const Part view = scheduler.addPart(&owner, [&] { clock.advance(c.cost); });
        scheduler.setScanning(c.scanning);
        const std::chrono::nanoseconds start = clock.now();
        while (clock.now() - start < 2s) {
            scheduler.request(view);
            clock.turn();
            ++turns;
            clock.advance(10ms);
        }
        const auto elapsed = clock.now() - start;
        if (c.spacing == 0ms) {
            EXPECT_EQ(scheduler.runs(view), turns);
        } else {
            EXPECT_LE(scheduler.runs(view), elapsed / c.spacing + 1);
            EXPECT_GE(scheduler.runs(view), elapsed / c.spacing / 2); // and still draws as it goes
        }
    }
}

TEST_F(RefreshSchedulerTest, endOfAScanDrawsWhatWaitsOnTheNextTurn) {
    const Part status = part(QStringLiteral("status"));
    const Part content = part(QStringLiteral("content"));
    scheduler.setScanning(true);
    scheduler.request(status);
    time.turn();
    ASSERT_EQ(log, QStringList{"status"});

    // Within the period: the requests wait, however many turns go by.
    time.advance(10ms);
    scheduler.request({status, content});
    for (int turn = 0; turn < 5; ++turn)
        time.turn();
    EXPECT_EQ(log, QStringList{"status"});

    // The scan ends: no waiting out the period, and one run of each part.
    scheduler.setScanning(false);
    time.turn();
    EXPECT_EQ(log, (QStringList{"status", "status", "content"}));
    time.advance(1s);
    time.turn();
    EXPECT_EQ(scheduler.passes(), 2);

    // A scan that ends with everything drawn adds no pass.
    scheduler.setScanning(true);
    scheduler.setScanning(false);
    time.turn();
    EXPECT_EQ(scheduler.passes(), 2);
}

TEST_F(RefreshSchedulerTest, runNowDrawsAtOnceAndOnlyOnce) {
    const Part sidebar = part(QStringLiteral("sidebar"));
    const Part content = part(QStringLiteral("content"));
    scheduler.setScanning(true);
    scheduler.request(sidebar);
    time.turn();
    log.clear();

    // Even within a scan's period.
    scheduler.request({content, sidebar});
    scheduler.runNow();
    EXPECT_EQ(log, (QStringList{"sidebar", "content"}));
    time.advance(1s);
    time.turn();
    EXPECT_EQ(log, (QStringList{"sidebar", "content"}));

    // Nothing requested, nothing runs.
    scheduler.runNow();
    EXPECT_EQ(scheduler.passes(), 2);
}

TEST_F(RefreshSchedulerTest, partOfADestroyedOwnerNoLongerRuns) {
    auto view = std::make_unique<QObject>();
    int runs = 0;
    const Part gone = scheduler.addPart(view.get(), [&] { ++runs; });
    const Part kept = part(QStringLiteral("kept"));
    scheduler.request({gone, kept});
    view.reset();
    time.turn();
    scheduler.request(gone);
    time.turn();
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(log, QStringList{"kept"});
    EXPECT_FALSE(scheduler.isRequested(gone));
}

} // namespace
