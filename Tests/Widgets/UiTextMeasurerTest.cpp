// The widget measurer renders with the views' fonts: the glyphs, the size and the weight all
// count, not the number of characters.

#include "Widgets/UiTextMeasurer.h"

#include "App/ColumnWidths.h"

#include <gtest/gtest.h>

using namespace pellimor;
using Weight = TextMeasurer::Weight;

TEST(UiTextMeasurer, widthsFollowGlyphsSizeAndWeight) {
    const UiTextMeasurer measurer;
    const QString wide = QStringLiteral("WWWW");
    const QString narrow = QStringLiteral("iiii");
    EXPECT_GT(measurer.width(wide, 13, Weight::regular), measurer.width(narrow, 13, Weight::regular));
    EXPECT_GT(measurer.width(wide, 16.9, Weight::regular), measurer.width(wide, 13, Weight::regular));
    EXPECT_GE(measurer.width(wide, 13, Weight::bold), measurer.width(wide, 13, Weight::regular));
    EXPECT_EQ(measurer.width(QString(), 13, Weight::regular), 0);

    // Of four texts of equal length the widest glyphs decide, measured whole.
    const double column = ColumnWidths(1.0, measurer).measure({narrow, wide, narrow}, 13);
    EXPECT_GE(column, measurer.width(wide, 13, Weight::regular));
    EXPECT_LT(column, measurer.width(wide, 13, Weight::regular) + 1);
}
