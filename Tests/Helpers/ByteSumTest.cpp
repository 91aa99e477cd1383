#include "Support/ByteSum.h"

#include <gtest/gtest.h>
#include <limits>

using namespace pellimor;

namespace {
constexpr qint64 kMax = std::numeric_limits<qint64>::max();
constexpr qint64 kMin = std::numeric_limits<qint64>::min();
} // namespace

TEST(ByteSum, addsExactlyUntilTheRangeEndsThenStaysAtItsEdge) {
    struct Case {
        qint64 a;
        qint64 b;
        qint64 expected;
    };
    const Case cases[] = {
        {0, 0, 0},
        {1'000, 2'000, 3'000},
        {-5, 3, -2},
        {kMax - 1, 1, kMax},
        {kMax, 1, kMax},
        {kMax, kMax, kMax},
        {kMax / 2 + 1, kMax / 2 + 1, kMax},
        {kMin, -1, kMin},
        {kMin, kMin, kMin},
        {kMax, kMin, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ByteSum::saturatingAdd(c.a, c.b), c.expected) << c.a << " + " << c.b;
        EXPECT_EQ(ByteSum::saturatingAdd(c.b, c.a), c.expected) << c.b << " + " << c.a;
    }
}

TEST(ByteSum, sumsOfThreeSizesNearTheTopAreFull) {
    EXPECT_EQ(ByteSum::saturatingSum({}), 0);
    EXPECT_EQ(ByteSum::saturatingSum({1, 2, 3}), 6);
    EXPECT_EQ(ByteSum::saturatingSum({kMax - 10, 5, 5}), kMax);
    EXPECT_EQ(ByteSum::saturatingSum({kMax - 10, 6, 5}), kMax);
    EXPECT_EQ(ByteSum::saturatingSum({kMax, kMax, kMax}), kMax);
    static_assert(ByteSum::saturatingSum({kMax, 1}) == kMax);
}
