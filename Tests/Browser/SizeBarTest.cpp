#include "Browser/SizeBar.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <limits>

using namespace pellimor;

namespace {

constexpr qint64 kTop = std::numeric_limits<qint64>::max();
constexpr qint64 GB = 1'000'000'000;

struct Printed {
    QStringList lines;
    std::function<void(const QString&)> print() {
        return [this](const QString& line) { lines.append(line); };
    }
};

} // namespace

TEST(SizeBar, theSelfTestsCasesHoldAndItSaysSoInOneLine) {
    Printed out;
    EXPECT_TRUE(SizeBar::selfTest(out.print()));
    EXPECT_EQ(out.lines, QStringList{QStringLiteral("size bar self-test ok")});
}

TEST(SizeBar, aSelfTestOverAWrongCaseFailsAndNamesIt) {
    const QList<SizeBar::Check> good = SizeBar::selfTestCases();
    ASSERT_GE(good.size(), 3);

    struct Wrong {
        const char* what;
        std::function<void(SizeBar::Check&)> spoil;
        const char* mentions;
    };
    const Wrong wrongs[] = {
        {"a width", [](SizeBar::Check& c) { c.widths.filled += 1; }, "widths"},
        {"a segment", [](SizeBar::Check& c) { c.widths.render += 0.5; }, "widths"},
        {"the tooltip", [](SizeBar::Check& c) { c.tooltip += QLatin1Char('!'); }, "tooltip"},
    };
    for (const Wrong& wrong : wrongs) {
        QList<SizeBar::Check> cases = good;
        SizeBar::Check& spoiled = cases[1];
        wrong.spoil(spoiled);
        spoiled.name = QStringLiteral("the spoiled case");
        Printed out;
        EXPECT_FALSE(SizeBar::selfTest(cases, out.print())) << wrong.what;
        ASSERT_EQ(out.lines.size(), 1) << wrong.what;
        EXPECT_TRUE(out.lines.front().contains(QStringLiteral("the spoiled case")))
            << out.lines.front().toStdString();
        EXPECT_TRUE(out.lines.front().contains(QLatin1String(wrong.mentions)))
            << out.lines.front().toStdString();
        EXPECT_FALSE(out.lines.front().contains(QLatin1Char('\n')));
    }
}

TEST(SizeBar, edgesOfTheWidthRule) {
    struct Case {
        const char* what;
        SizeBar bar;
        double width;
        SizeBar::Widths expected;
    };
    const Case cases[] = {
        {"nothing generated", {0, 0, 0, 10 * GB}, 100, {}},
        {"a sliver of a large library is 4 wide", {0, 0, 10'000'000, 100 * GB}, 300, {4, 0, 0, 4}},
        {"narrower than 4: all of it", {0, 1, 0, 100 * GB}, 2.5, {2.5, 0, 2.5, 0}},
        {"total 0: full", {GB, 0, 0, 0}, 40, {40, 40, 0, 0}},
        {"total negative: full", {0, GB, 0, -GB}, 40, {40, 0, 40, 0}},
        {"total below the sum: full", {GB, GB, 0, GB}, 60, {60, 30, 30, 0}},
        {"proxy takes the remainder", {GB, 3 * GB, 0, 4 * GB}, 80, {80, 20, 60, 0}},
        {"render takes the remainder", {GB, 0, GB, 4 * GB}, 80, {40, 20, 0, 20}},
        {"no width", {GB, GB, GB, 3 * GB}, 0, {}},
        {"negative width", {GB, GB, GB, 3 * GB}, -5, {}},
        {"negative counts are nothing", {-GB, -1, -kTop, 3 * GB}, 50, {}},
        {"all near 2^63: full and split in three", {kTop, kTop, kTop, kTop}, 60, {60, 20, 20, 20}},
        {"one near 2^63 against a small total", {0, 0, kTop, 1}, 60, {60, 0, 0, 60}},
    };
    for (const Case& c : cases) {
        const SizeBar::Widths w = c.bar.widths(c.width);
        EXPECT_NEAR(w.filled, c.expected.filled, 1e-9) << c.what;
        EXPECT_NEAR(w.optimized, c.expected.optimized, 1e-9) << c.what;
        EXPECT_NEAR(w.proxy, c.expected.proxy, 1e-9) << c.what;
        EXPECT_NEAR(w.render, c.expected.render, 1e-9) << c.what;
    }
}

TEST(SizeBar, segmentsNeverGoNegativeAndAlwaysFillTheFilledPart) {
    const qint64 sizes[] = {-kTop, -1, 0, 1, 999, GB, kTop / 2, kTop - 1, kTop};
    const double widths[] = {0.5, 4, 37, 1000};
    for (qint64 o : sizes)
        for (qint64 p : sizes)
            for (qint64 r : sizes)
                for (qint64 total : {qint64(0), GB, kTop})
                    for (double width : widths) {
                        const SizeBar bar{o, p, r, total};
                        const SizeBar::Widths w = bar.widths(width);
                        SCOPED_TRACE(testing::Message()
                                     << o << " " << p << " " << r << " of " << total << " in " << width);
                        EXPECT_GE(w.optimized, 0);
                        EXPECT_GE(w.proxy, 0);
                        EXPECT_GE(w.render, 0);
                        EXPECT_LE(w.filled, width);
                        EXPECT_NEAR(w.optimized + w.proxy + w.render, w.filled, 1e-9 * width);
                        if (bar.generated() >= 1) {
                            EXPECT_GE(w.filled, std::min(width, SizeBar::minimumFill));
                        }
                    }
}

TEST(SizeBar, tooltipsSpellTheNumbersOut) {
    struct Case {
        SizeBar bar;
        const char* expected;
    };
    const Case cases[] = {
        {{0, 0, 0, 5 * GB}, "Nothing to clear."},
        {{-GB, 0, -1, 5 * GB}, "Nothing to clear."},
        {{0, 0, 10'000'000, 100 * GB}, "Render (orange)  10 MB\n10 MB of 100 GB in this library."},
        {{1'500'000'000, 250'000'000, 0, 0, QStringLiteral("event")},
         "Optimized (teal)  1.5 GB\nProxy (purple)  250 MB\n1.75 GB of 1.75 GB in this event."},
        {{kTop, kTop, 0, kTop},
         "Optimized (teal)  9.22 EB\nProxy (purple)  9.22 EB\n9.22 EB of 9.22 EB in this library."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.bar.tooltip(), QString::fromUtf8(c.expected));
}
