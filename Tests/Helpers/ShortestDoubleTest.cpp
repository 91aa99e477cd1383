#include "Support/ShortestDouble.h"

#include <QList>
#include <QPair>
#include <QString>
#include <gtest/gtest.h>

using namespace pellimor;

TEST(ShortestDouble, KeepsEveryDigitAndAlwaysShowsAFraction) {
    const QList<QPair<double, QString>> cases = {
        {0.25, "0.25"},
        {3.0, "3.0"},
        {0.0, "0.0"},
        {0.1 + 0.2, "0.30000000000000004"},
        {1.3 * 13, "16.900000000000002"},
        {1.3 * 22, "28.6"},
        {1733650000.25, "1733650000.25"},
        {1733650000.0, "1733650000.0"},
        {1700000000.0, "1700000000.0"},
        {9007199254740991.0, "9007199254740991.0"},
        {1e16, "1e+16"},
        {0.0001, "0.0001"},
        {1e-05, "1e-05"},
        {0.000123456789, "0.000123456789"},
        {-2.0, "-2.0"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(shortestDouble(value), text);
        EXPECT_EQ(shortestDouble(value).toDouble(), value) << "reads back to the same double";
    }
}
