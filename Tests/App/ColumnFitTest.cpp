// Fitting columns: what a column wants, how spare room is shared and a shortage cut, and when
// a fit is skipped or a width left alone.

#include "App/ColumnFit.h"

#include <gtest/gtest.h>

using namespace pellimor;
using ColumnFit::Column;

namespace {

Column headerOnly(double header, double minimum = 0, double maximum = 10000) {
    Column column;
    column.header = header;
    column.minimum = minimum;
    column.maximum = maximum;
    return column;
}

// A column that wants exactly `want` from its content (content − 6, header well below).
Column wanting(double want, double minimum = 0, double maximum = 10000) {
    Column column = headerOnly(0, minimum, maximum);
    column.content = want - 6;
    return column;
}

Column currently(Column column, double width) {
    column.width = width;
    return column;
}

// The input whose available width (viewport − 2) is `available`.
ColumnFit::Input input(QList<Column> columns, double available) {
    return {std::move(columns), 0, available + 2};
}

QList<std::optional<double>> widths(std::initializer_list<double> list) {
    QList<std::optional<double>> result;
    for (const double w : list)
        result.append(w);
    return result;
}

} // namespace

TEST(ColumnFit, aColumnWantsItsContentOrItsHeaderWithinItsLimits) {
    struct Case {
        const char* what;
        Column column;
        double want;
    };
    Column withInset = headerOnly(40);
    withInset.content = 100;
    withInset.inset = 8;
    Column narrowContent = headerOnly(40);
    narrowContent.content = 10;
    const QList<Case> cases = {
        {"content, inset and 6 to spare", withInset, 114},
        {"no content: the header plus 14", headerOnly(40), 54},
        {"content narrower than the header", narrowContent, 54},
        {"raised to the minimum", headerOnly(40, 80), 80},
        {"lowered to the maximum", headerOnly(40, 0, 50), 50},
        {"a minimum above the maximum wins", headerOnly(40, 80, 60), 80},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(ColumnFit::want(c.column), c.want) << c.what;
}

TEST(ColumnFit, spareRoomIsSharedByWantAmongColumnsThatCanGrow) {
    struct Case {
        const char* what;
        QList<Column> columns;
        double available;
        QList<std::optional<double>> widths;
    };
    const QList<Case> cases = {
        // 150 to spare; the first column is at its maximum, so 100 and 200 share all of it.
        {"a column at its maximum keeps it",
         {wanting(50, 0, 50), wanting(100), wanting(200)},
         500,
         widths({50, 150, 300})},
        // The second column's share (100) stops at its maximum of 120.
        {"no column grows past its maximum", {wanting(100, 0, 120), wanting(100)}, 400, widths({120, 200})},
        {"every column at its maximum: each keeps its want",
         {wanting(50, 0, 50), wanting(70, 0, 70)},
         400,
         widths({50, 70})},
        {"a header-only column shares too", {headerOnly(46), wanting(180)}, 360, widths({90, 270})},
        {"shares are rounded down", {wanting(100), wanting(200)}, 301, widths({100, 200})},
    };
    for (const Case& c : cases) {
        const ColumnFit::Plan plan = ColumnFit::plan(input(c.columns, c.available), {});
        EXPECT_FALSE(plan.unchanged) << c.what;
        EXPECT_EQ(plan.widths, c.widths) << c.what;
    }
}

TEST(ColumnFit, aShortageCutsWideColumnsToOneCapButNoneBelowItsMinimum) {
    struct Case {
        const char* what;
        QList<Column> columns;
        double available;
        QList<std::optional<double>> widths;
    };
    const QList<Case> cases = {
        // 2 × cap + 50 + 180 = 531 gives a cap of 150.5: the 300 and 200 columns are cut to it,
        // the 50 keeps its want, the one with a minimum of 180 stays there.
        {"one common cap",
         {wanting(300), wanting(200), wanting(50), wanting(250, 180)},
         531,
         widths({150, 150, 50, 180})},
        // The minimums alone (200) exceed the 150 available: no cap fits, each gets its minimum.
        {"no cap fits", {wanting(300, 100), wanting(200, 100)}, 150, widths({100, 100})},
        {"no cap fits and no minimum",
         {currently(wanting(300), 50), currently(wanting(200), 50)},
         -20,
         widths({0, 0})},
    };
    for (const Case& c : cases) {
        const ColumnFit::Plan plan = ColumnFit::plan(input(c.columns, c.available), {});
        EXPECT_EQ(plan.widths, c.widths) << c.what;
    }
}

TEST(ColumnFit, anUnchangedKeySkipsTheFitAndOnePixelMoreRefits) {
    const ColumnFit::Input first = input({wanting(100.4), headerOnly(30), wanting(80, 0, 80)}, 400);
    const ColumnFit::Plan planned = ColumnFit::plan(first, {});
    EXPECT_EQ(planned.key, (QList<qint64>{100, 44, 80, 400, 3}));
    EXPECT_FALSE(planned.unchanged);

    // The same inputs, whatever the widths are now: nothing to compute, nothing to write.
    ColumnFit::Input again = first;
    again.columns[0].width = 17;
    const ColumnFit::Plan same = ColumnFit::plan(again, planned.key);
    EXPECT_TRUE(same.unchanged);
    EXPECT_EQ(same.key, planned.key);
    EXPECT_TRUE(same.widths.isEmpty());

    ColumnFit::Input wider = first;
    wider.viewport += 1;
    const ColumnFit::Plan refit = ColumnFit::plan(wider, planned.key);
    EXPECT_FALSE(refit.unchanged);
    EXPECT_EQ(refit.key, (QList<qint64>{100, 44, 80, 401, 3}));

    // Leading space counts twice, and the view's spacing once per column.
    ColumnFit::Input spaced = first;
    spaced.leading = 3;
    spaced.columns[1].spacing = 2;
    EXPECT_EQ(ColumnFit::plan(spaced, {}).key, (QList<qint64>{100, 44, 80, 392, 3}));
}

TEST(ColumnFit, changesOfHalfAPixelOrLessAreNotWritten) {
    struct Case {
        double current;
        std::optional<double> written;
    };
    // The column gets 150 (its want of 150.5, rounded down), with nothing to spare.
    const Case cases[] = {
        {150, std::nullopt}, {150.5, std::nullopt}, {149.5, std::nullopt},
        {150.6, 150},        {149.4, 150},          {0, 150},
    };
    for (const Case& c : cases) {
        Column column = wanting(150.5, 0, 150.5);
        column.width = c.current;
        const ColumnFit::Plan plan = ColumnFit::plan(input({column}, 150.5), {});
        ASSERT_EQ(plan.widths.size(), 1);
        EXPECT_EQ(plan.widths[0], c.written) << "from " << c.current;
    }
}
