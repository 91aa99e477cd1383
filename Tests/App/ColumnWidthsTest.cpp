// Measuring a column's content: which texts are rendered, at what size, and how rows of pills
// add up.

#include "App/ColumnWidths.h"

#include "Tests/Support/RecordingMeasurer.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace pellimor;
using test::RecordingMeasurer;
using Weight = TextMeasurer::Weight;

TEST(ColumnWidths, measureRendersOnlyTheFourLongestTextsAndKeepsTheEarlierOfEqualOnes) {
    const QString e = QStringLiteral("e\u0301"); // a decomposed "é": two code units, one character
    struct Case {
        const char* what;
        QStringList texts;
        QStringList rendered; // in the order the kept candidates are measured
        double width;         // at 13 points, scale 1
    };
    const auto w = [](const QString& text) { return std::ceil(RecordingMeasurer::widthOf(text, 13)); };
    const QList<Case> cases = {
        {"nothing", {}, {}, 0},
        {"only empty texts", {"", "", ""}, {}, 0},
        {"one text, rounded up", {"Alpha"}, {"Alpha"}, w("Alpha")},
        {"3, 9, 9, 9, 9: the short one is dropped",
         {"abc", "123456789", "bcdefghij", "cdefghijk", "defghijkl"},
         {"123456789", "bcdefghij", "cdefghijk", "defghijkl"},
         w("123456789")},
        {"a later text of equal length does not replace an earlier one",
         {"123456789", "bcdefghij", "cdefghijk", "defghijkl", "LATERLATE"},
         {"123456789", "bcdefghij", "cdefghijk", "defghijkl"},
         w("123456789")},
        {"a longer later text replaces the last of the shortest",
         {"ab", "cd", "ef", "gh", "ijk"},
         {"ijk", "ab", "cd", "ef"},
         w("ijk")},
        // "e" + accent is one character, the shortest of the five, so "gh" takes its place.
        {"combining marks count once", {e, "ab", "cd", "ef", "gh"}, {"ab", "cd", "ef", "gh"}, w("ab")},
        {"a CR LF pair counts once",
         {"a\r\nb", "abcd", "abce", "abcf", "abcg"},
         {"abcd", "abce", "abcf", "abcg"},
         w("abcd")},
        {"empty texts do not take a place", {"", "x", "", "y"}, {"x", "y"}, w("x")},
    };
    for (const Case& c : cases) {
        RecordingMeasurer measurer;
        const ColumnWidths widths(1.0, measurer);
        EXPECT_EQ(widths.measure(c.texts, 13), c.width) << c.what;
        EXPECT_EQ(measurer.texts(), c.rendered) << c.what;
    }
}

TEST(ColumnWidths, measureScalesTheSizeAndPassesTheWeight) {
    struct Case {
        double scale;
        double size;
        Weight weight;
        double points;
    };
    const Case cases[] = {
        {1.0, 13, Weight::regular, 13.0},
        {1.3, 13, Weight::regular, 16.9},
        {1.3, 10, Weight::semibold, 13.0},
    };
    for (const Case& c : cases) {
        RecordingMeasurer measurer;
        const double width =
            ColumnWidths(c.scale, measurer).measure({QStringLiteral("Size")}, c.size, c.weight);
        ASSERT_EQ(measurer.rendered.size(), 1);
        EXPECT_NEAR(measurer.rendered[0].points, c.points, 1e-9) << c.scale << " × " << c.size;
        EXPECT_EQ(measurer.rendered[0].weight, c.weight);
        EXPECT_EQ(width, std::ceil(RecordingMeasurer::widthOf(QStringLiteral("Size"), c.points)));
    }
}

TEST(ColumnWidths, pillsAddEachPillsGapAndPaddingToTheWidestRowOfLabels) {
    const auto bold10 = [](const QString& text, double scale) {
        return std::ceil(RecordingMeasurer::widthOf(text, 10 * scale));
    };
    struct Case {
        const char* what;
        QList<QStringList> rows;
        double gap;
        double scale;
        double width;
    };
    const QList<Case> cases = {
        {"no rows", {}, 6, 1.0, 0},
        {"only empty rows", {{}, {}}, 6, 1.0, 0},
        {"two rows", {{"A", "BB"}, {"C"}}, 6, 1.0, 2 * (6 + 10) + bold10("ABB", 1.0)},
        {"Larger Text pads each pill by 13", {{"A", "BB"}, {"C"}}, 6, 1.3, 2 * (6 + 13) + bold10("ABB", 1.3)},
        // The count comes from the row with most pills, the text from the widest row.
        {"most pills and widest text in different rows",
         {{"a", "b", "c"}, {"Longer"}},
         4,
         1.0,
         3 * (4 + 10) + bold10("Longer", 1.0)},
    };
    for (const Case& c : cases) {
        RecordingMeasurer measurer;
        EXPECT_DOUBLE_EQ(ColumnWidths(c.scale, measurer).pills(c.rows, c.gap), c.width) << c.what;
        for (const RecordingMeasurer::Rendered& r : std::as_const(measurer.rendered)) {
            EXPECT_EQ(r.weight, Weight::bold) << c.what;
            EXPECT_NEAR(r.points, 10 * c.scale, 1e-9) << c.what;
        }
    }
}
