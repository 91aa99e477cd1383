#include "Support/TextCompare.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <future>
#include <gtest/gtest.h>
#include <vector>

using namespace pellimor;

namespace {
// Composed and decomposed spellings of "é".
const QString kComposedE = QString::fromUtf8("\u00E9");
const QString kDecomposedE = QString::fromUtf8("e\u0301");
} // namespace

TEST(TextCompare, FinderLikeOrder) {
    const struct {
        QString a;
        QString b;
    } ascending[] = {
        {"Event 2", "Event 10"},
        {"event 9", "Event 10"},
        {"Clip 1", "clip 2"},
        {"File2", "file10"},
        {"apple", "Banana"},
        {"Banana", "cherry"},
        {"e", kComposedE},         // accents count
        {kComposedE + "t", "f"},   // ...after the letter itself
        {"Résumé 9", "resume 10"}, // but not before the number
        {"a", "A"},                // equal but for case: still a fixed order
        {"File 02", "File 2"},     // equal in value: still a fixed order
        {"2024", "Archive"},
    };
    for (const auto& c : ascending) {
        EXPECT_LT(TextCompare::localizedStandard(c.a, c.b), 0)
            << c.a.toStdString() << " < " << c.b.toStdString();
        EXPECT_GT(TextCompare::localizedStandard(c.b, c.a), 0)
            << c.b.toStdString() << " > " << c.a.toStdString();
        EXPECT_TRUE(TextCompare::lessThan(c.a, c.b));
        EXPECT_FALSE(TextCompare::lessThan(c.b, c.a));
    }
    EXPECT_EQ(TextCompare::localizedStandard("Same", "Same"), 0);
    // Composed and decomposed spellings are the same text.
    EXPECT_EQ(TextCompare::localizedStandard("Caf" + kComposedE, "Caf" + kDecomposedE), 0);
    EXPECT_FALSE(TextCompare::lessThan("Caf" + kDecomposedE, "Caf" + kComposedE));
}

TEST(TextCompare, SortIsIndependentOfInputOrder) {
    // An accented capital sorts with its letter, not after "z" as its code would.
    const QStringList expected{"Éclair",  "Event 1",  "event 2",   "Event 2",
                               "Event 9", "Event 10", "Event 100", "zoom"};
    QStringList names = expected;
    std::reverse(names.begin(), names.end());
    std::sort(names.begin(), names.end(), TextCompare::lessThan);
    EXPECT_EQ(names, expected);
    std::rotate(names.begin(), names.begin() + 3, names.end());
    std::sort(names.begin(), names.end(), TextCompare::lessThan);
    EXPECT_EQ(names, expected);
}

TEST(TextCompare, DigitRunFallback) {
    const struct {
        const char* a;
        const char* b;
        int sign;
    } cases[] = {
        {"Event 2", "Event 10", -1},
        {"event 10", "Event 9", 1},
        {"File 007", "file 7", 0},
        {"abc", "ABC", 0},
        {"a1b2", "a1b10", -1},
        {"a", "a1", -1},
        {"10", "9", 1},
        {"x", "", 1},
        {"12345678901234567890", "9", 1},
    };
    for (const auto& c : cases) {
        const int r = TextCompare::digitRunCompare(QString::fromUtf8(c.a), QString::fromUtf8(c.b));
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
    }
    // Digits of another script compare by value and sit where ASCII digits do relative to
    // letters, so the order stays transitive.
    const QString arabicTwo = QString::fromUtf8("\u0662");
    EXPECT_LT(TextCompare::digitRunCompare(arabicTwo, "10"), 0);
    EXPECT_LT(TextCompare::digitRunCompare(arabicTwo, "a"), 0);
    EXPECT_LT(TextCompare::digitRunCompare("10", "a"), 0);
}

TEST(TextCompare, SafeFromManyThreads) {
    QStringList names;
    for (int i = 200; i > 0; --i)
        names.append(QStringLiteral("Clip %1").arg(i));
    std::vector<std::future<QStringList>> runs;
    for (int t = 0; t < 4; ++t)
        runs.push_back(std::async(std::launch::async, [names] {
            QStringList sorted = names;
            std::sort(sorted.begin(), sorted.end(), TextCompare::lessThan);
            return sorted;
        }));
    for (auto& run : runs) {
        const QStringList sorted = run.get();
        ASSERT_EQ(sorted.size(), 200);
        EXPECT_EQ(sorted.first(), "Clip 1");
        EXPECT_EQ(sorted[9], "Clip 10");
        EXPECT_EQ(sorted.last(), "Clip 200");
    }
}

TEST(TextCompare, NumbersByValueAlsoInTheCLocale) {
    // Each thread builds its collator from the default locale on first use, so a new
    // thread sees the "C" locale set here.
    const QLocale previous;
    QLocale::setDefault(QLocale::c());
    const auto order =
        std::async(std::launch::async, [] {
            return std::vector<int>{TextCompare::localizedStandard("Event 2", "Event 10"),
                                    TextCompare::localizedStandard(QString::fromUtf8("\u00C9clair"), "Event"),
                                    TextCompare::localizedStandard("apple", "Banana")};
        }).get();
    QLocale::setDefault(previous);
    EXPECT_EQ(order, (std::vector<int>{-1, -1, -1}));
}

TEST(TextCompare, CodePointOrderAndWordOrder) {
    // U+FF01 (fullwidth "!") comes before U+1F600 (an emoji stored as two surrogate units).
    EXPECT_TRUE(TextCompare::codePointLess(QString::fromUtf8("\uFF01"), QString::fromUtf8("\U0001F600")));
    EXPECT_FALSE(TextCompare::codePointLess(QString::fromUtf8("\U0001F600"), QString::fromUtf8("\uFF01")));
    EXPECT_TRUE(TextCompare::codePointLess("B", "a"));
    EXPECT_TRUE(TextCompare::codePointLess("ab", "abc"));
    EXPECT_FALSE(TextCompare::codePointLess("abc", "abc"));

    EXPECT_LT(TextCompare::localizedCaseInsensitive("Take 10", "Take 9"), 0);
    EXPECT_LT(TextCompare::localizedCaseInsensitive("battery", "Desert"), 0);
    EXPECT_LT(
        TextCompare::localizedCaseInsensitive(QString::fromUtf8("Eclair"), QString::fromUtf8("\u00C9clair")),
        0);
    EXPECT_LT(TextCompare::localizedCaseInsensitive(QString::fromUtf8("\u00C9clair"), "Zebra"), 0);
    // Equal by the collation, still a fixed order.
    EXPECT_NE(TextCompare::localizedCaseInsensitive("desert", "Desert"), 0);
    EXPECT_EQ(TextCompare::localizedCaseInsensitive("desert", "desert"), 0);
}
