#include "Support/ByteCount.h"

#include <gtest/gtest.h>
#include <limits>

using namespace pellimor;

TEST(ByteCount, FileStyleTable) {
    const struct {
        qint64 bytes;
        const char* text;
    } cases[] = {
        {0, "Zero KB"},
        {1, "1 byte"},
        {2, "2 bytes"},
        {999, "999 bytes"},
        // Kilobytes: whole numbers, rounded half up.
        {1000, "1 KB"},
        {1499, "1 KB"},
        {1500, "2 KB"},
        {999'499, "999 KB"},
        // Rounding up to 1000 of a unit moves to the next unit.
        {999'500, "1 MB"},
        {999'999, "1 MB"},
        // Megabytes: one decimal, trailing zero dropped.
        {1'000'000, "1 MB"},
        {1'049'999, "1 MB"},
        {1'050'000, "1.1 MB"},
        {1'500'000, "1.5 MB"},
        {999'949'999, "999.9 MB"},
        {999'950'000, "1 GB"},
        // Gigabytes and up: two decimals, trailing zeros dropped.
        {1'000'000'000, "1 GB"},
        {2'250'000'000, "2.25 GB"},
        {2'300'000'000, "2.3 GB"},
        {2'304'999'999, "2.3 GB"},
        {2'305'000'000, "2.31 GB"},
        {999'995'000'000, "1 TB"},
        {1'234'567'890'123, "1.23 TB"},
        {5'000'000'000'000'000, "5 PB"},
        {1'000'000'000'000'000'000, "1 EB"},
        {std::numeric_limits<qint64>::max(), "9.22 EB"},
        // Negative counts: a minus sign, then the same rule.
        {-1, "-1 byte"},
        {-1500, "-2 KB"},
        {-2'250'000'000, "-2.25 GB"},
        {std::numeric_limits<qint64>::min(), "-9.22 EB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ByteCount::file(c.bytes), QString::fromUtf8(c.text)) << c.bytes;
}
