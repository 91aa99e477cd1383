// The path card's timing on the virtual clock: when it opens, what keeps it open, when it
// closes, and that a wait left behind by its view does nothing.

#include "Browser/HoverCardTiming.h"

#include "Tests/Support/VirtualClock.h"

#include <QObject>
#include <gtest/gtest.h>
#include <memory>

using namespace pellimor;
using namespace std::chrono_literals;

namespace {

class HoverCardTimingTest : public ::testing::Test {
protected:
    test::ScopedVirtualClock clock;
    QObject view;
    int changes = 0;
    HoverCardTiming card{&view, [this] { ++changes; }};
};

TEST_F(HoverCardTimingTest, crossingTheTextInUnderASecondNeverOpensIt) {
    card.enterText();
    clock->advance(999ms);
    card.leaveText();
    clock->advance(5s);
    EXPECT_FALSE(card.isShown());
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(clock->pendingCalls(), 0);
}

TEST_F(HoverCardTimingTest, restingASecondOpensItAndItClosesFourTenthsAfterTheLeave) {
    card.enterText();
    clock->advance(999ms);
    EXPECT_FALSE(card.isShown());
    clock->advance(1ms);
    EXPECT_TRUE(card.isShown());
    EXPECT_EQ(changes, 1);

    // Entering the text again while open starts nothing.
    card.leaveText();
    card.enterText();
    EXPECT_FALSE(card.isWaiting());

    card.leaveText();
    clock->advance(399ms);
    EXPECT_TRUE(card.isShown());
    clock->advance(1ms);
    EXPECT_FALSE(card.isShown());
}

TEST_F(HoverCardTimingTest, movingIntoTheCardOrComingBackInTimeKeepsItOpen) {
    card.enterText();
    clock->advance(1s);
    ASSERT_TRUE(card.isShown());

    // Text to card within 0.4 s.
    card.leaveText();
    clock->advance(300ms);
    card.enterCard();
    EXPECT_FALSE(card.isWaiting());
    clock->advance(2s);
    EXPECT_TRUE(card.isShown());

    // Out of the card and back within 0.4 s, twice.
    for (int i = 0; i < 2; ++i) {
        card.leaveCard();
        clock->advance(350ms);
        card.enterCard();
        clock->advance(1s);
        EXPECT_TRUE(card.isShown());
    }
    card.leaveCard();
    clock->advance(400ms);
    EXPECT_FALSE(card.isShown());
}

TEST_F(HoverCardTimingTest, copiedLastsUntilTheCardClosesAndTheNextOpeningSaysCopyPath) {
    card.enterText();
    clock->advance(1s);
    card.leaveText();
    card.enterCard();
    card.copied();
    EXPECT_TRUE(card.isCopied());
    card.leaveCard();
    clock->advance(200ms);
    card.enterCard();
    clock->advance(1s);
    EXPECT_TRUE(card.isCopied()) << "the pointer came back in time";

    card.leaveCard();
    clock->advance(400ms);
    EXPECT_FALSE(card.isShown());
    EXPECT_FALSE(card.isCopied());
    card.enterText();
    clock->advance(1s);
    EXPECT_TRUE(card.isShown());
    EXPECT_FALSE(card.isCopied());
}

TEST(HoverCardTimingLifetime, aWaitOutlivingItsViewOrItsTimingDoesNothing) {
    test::ScopedVirtualClock clock;
    int changes = 0;
    {
        auto view = std::make_unique<QObject>();
        HoverCardTiming card(view.get(), [&] { ++changes; });
        card.enterText();
        view.reset();
        clock->advance(2s);
        EXPECT_FALSE(card.isShown());
    }
    QObject view;
    {
        HoverCardTiming card(&view, [&] { ++changes; });
        card.enterText();
    }
    clock->advance(2s);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(clock->pendingCalls(), 0);
}

} // namespace
