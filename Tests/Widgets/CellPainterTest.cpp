#include "Widgets/CellPainter.h"

#include "Browser/SizeBar.h"
#include "Widgets/DarkLook.h"
#include "Widgets/IconHitArea.h"
#include "Widgets/NamedColor.h"
#include "Widgets/SizeBarView.h"
#include "Widgets/TipRegions.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <gtest/gtest.h>
#include <limits>

using namespace pellimor;

namespace {

constexpr qint64 MB = 1'000'000;
constexpr qint64 GB = 1'000'000'000;

QImage canvas(int width, int height, const QColor& background = Qt::white) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    return image;
}

// Within a couple of levels per channel: antialiasing and colour conversions round.
bool near(const QColor& a, const QColor& b, int tolerance = 3) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QColor over(const QColor& color, qreal opacity, const QColor& background) {
    const auto mix = [&](int c, int b) { return int(std::lround(c * opacity + b * (1 - opacity))); };
    return QColor(mix(color.red(), background.red()), mix(color.green(), background.green()),
                  mix(color.blue(), background.blue()));
}

std::string rgb(const QColor& c) {
    return QStringLiteral("(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue()).toStdString();
}

QImage sizeBar(const SizeBar& bar, int width, int height, bool dark) {
    QImage image = canvas(width, height, dark ? QColor(40, 40, 40) : QColor(Qt::white));
    QPainter painter(&image);
    CellPainter::drawSizeBar(&painter, QRectF(0, 0, width, height), bar, dark, nullptr);
    return image;
}

} // namespace

TEST(CellPainter, theDarkLookIsAWindowDarkerThanItsText) {
    struct Case {
        QColor window;
        QColor text;
        bool dark;
    };
    const Case cases[] = {
        {Qt::white, Qt::black, false},
        {Qt::black, Qt::white, true},
        {QColor(53, 53, 53), QColor(236, 236, 236), true},
        {QColor(128, 128, 128), Qt::white, true},
        {QColor(128, 128, 128), Qt::black, false},
        {QColor(0, 0, 160), QColor(255, 255, 0), true}, // saturated colours by their luminance
        {QColor(90, 90, 90), QColor(90, 90, 90), false},
    };
    for (const Case& c : cases) {
        QPalette palette;
        palette.setColor(QPalette::Window, c.window);
        palette.setColor(QPalette::WindowText, c.text);
        EXPECT_EQ(DarkLook::isDark(palette), c.dark) << rgb(c.window) << " under " << rgb(c.text);
    }
}

TEST(CellPainter, sizeBarSliversFullBarsAndTracks) {
    const QColor track = namedColor(NamedColor::barTrack, false);
    const QColor darkTrack = namedColor(NamedColor::barTrack, true);
    const QColor orange = namedColor(NamedColor::orange, false);
    const QColor teal = namedColor(NamedColor::teal, false);
    const QColor purple = namedColor(NamedColor::purple, false);

    // 10 MB of render files in 100 GB: a 4-pixel orange sliver, then the track.
    const QImage sliver = sizeBar({0, 0, 10 * MB, 100 * GB}, 200, 10, false);
    EXPECT_TRUE(near(sliver.pixelColor(2, 5), orange)) << rgb(sliver.pixelColor(2, 5));
    EXPECT_TRUE(near(sliver.pixelColor(3, 5), orange)) << rgb(sliver.pixelColor(3, 5));
    EXPECT_TRUE(near(sliver.pixelColor(6, 5), track)) << rgb(sliver.pixelColor(6, 5));
    EXPECT_TRUE(near(sliver.pixelColor(100, 5), track)) << rgb(sliver.pixelColor(100, 5));

    // A total of 0: full to the end, split between the kinds.
    const QImage full = sizeBar({GB, GB, 0, 0}, 200, 10, false);
    EXPECT_TRUE(near(full.pixelColor(50, 5), teal)) << rgb(full.pixelColor(50, 5));
    EXPECT_TRUE(near(full.pixelColor(150, 5), purple)) << rgb(full.pixelColor(150, 5));
    EXPECT_TRUE(near(full.pixelColor(194, 5), purple)) << rgb(full.pixelColor(194, 5));

    // Sizes near 2^63 do not overflow: a full bar.
    constexpr qint64 top = std::numeric_limits<qint64>::max();
    const QImage huge = sizeBar({top, top, top, 10}, 90, 10, false);
    EXPECT_TRUE(near(huge.pixelColor(15, 5), teal));
    EXPECT_TRUE(near(huge.pixelColor(45, 5), purple));
    EXPECT_TRUE(near(huge.pixelColor(84, 5), orange)) << rgb(huge.pixelColor(84, 5));

    // Nothing generated: only the track, darker in the dark look.
    const QImage light = sizeBar({}, 100, 10, false);
    const QImage dark = sizeBar({}, 100, 10, true);
    EXPECT_TRUE(near(light.pixelColor(50, 5), track)) << rgb(light.pixelColor(50, 5));
    EXPECT_TRUE(near(dark.pixelColor(50, 5), darkTrack)) << rgb(dark.pixelColor(50, 5));
    EXPECT_EQ(darkTrack.red(), 56);
    EXPECT_EQ(track.red(), 230);
    // The outline lies inside the edge and differs from the track.
    EXPECT_FALSE(near(light.pixelColor(50, 0), track, 1)) << rgb(light.pixelColor(50, 0));
}

TEST(CellPainter, sizeBarsInCellsAndPanels) {
    const QRectF cell = CellPainter::sizeBarCellRect(QRectF(10, 20, 100, 24), 4);
    EXPECT_EQ(cell, QRectF(14, 28, 92, 8));

    TipRegions tips;
    const SizeBar bar{0, 0, 10 * MB, 100 * GB};
    CellPainter::drawSizeBar(nullptr, cell, bar, false, &tips);
    EXPECT_EQ(tips.textAt(cell.center()), bar.tooltip());

    SizeBarView view;
    view.setBar(bar);
    EXPECT_EQ(view.sizeHint().height(), 10);
    EXPECT_EQ(view.toolTip(), QStringLiteral("Render (orange)  10 MB\n10 MB of 100 GB in this library."));
    view.setBar({});
    EXPECT_EQ(view.toolTip(), QStringLiteral("Nothing to clear."));
}

TEST(CellPainter, pillsLineUpWithOneTipEach) {
    const QList<Pill> pills = {
        {QStringLiteral("3"), QColor(255, 59, 48), QStringLiteral("3 missing plug-ins")},
        {QStringLiteral("Backup"), QColor(0, 122, 255), QStringLiteral("A backup copy")},
        {QStringLiteral("12"), QColor(255, 149, 0), QStringLiteral("12 missing files")},
    };
    for (const double scale : {1.0, 1.3}) {
        SCOPED_TRACE(scale);
        EXPECT_NEAR(CellPainter::pillFont(scale).pointSizeF(), 10 * scale, 0.01);
        EXPECT_EQ(CellPainter::pillFont(scale).weight(), QFont::Bold);
        TipRegions tips;
        const QRectF area(20, 0, 400, 30);
        const qreal width = CellPainter::drawPills(nullptr, area, pills, 6, scale, &tips);
        ASSERT_EQ(tips.regions().size(), 3);
        const QFontMetricsF metrics(CellPainter::pillFont(scale));
        qreal x = area.left();
        for (qsizetype i = 0; i < pills.size(); ++i) {
            const QRectF r = tips.regions().at(i).area;
            EXPECT_EQ(tips.regions().at(i).text, pills.at(i).tip);
            EXPECT_DOUBLE_EQ(r.left(), x);
            EXPECT_NEAR(r.width(), metrics.horizontalAdvance(pills.at(i).label) + 10, 1e-9);
            EXPECT_NEAR(r.height(), metrics.height() + 2, 1e-9);
            EXPECT_NEAR(r.center().y(), area.center().y(), 1e-9);
            EXPECT_EQ(tips.textAt(r.center()), pills.at(i).tip);
            x = r.right() + 6;
        }
        EXPECT_NEAR(width, x - 6 - area.left(), 1e-9);
        // Between two pills there is no tip.
        EXPECT_TRUE(tips.textAt(QPointF(tips.regions().at(0).area.right() + 3, 15)).isEmpty());
    }
    EXPECT_EQ(CellPainter::drawPills(nullptr, QRectF(0, 0, 100, 20), {}, 6, 1.0, nullptr), 0);
}

TEST(CellPainter, pillCapsulesAreFilledAtTheCallersOpacity) {
    for (const qreal opacity : {0.2, 0.5}) {
        QImage image = canvas(120, 30);
        QPainter painter(&image);
        const Pill pill{QStringLiteral("W"), QColor(0, 122, 255), QStringLiteral("Wide"), opacity};
        TipRegions tips;
        CellPainter::drawPills(&painter, QRectF(10, 0, 100, 30), {pill}, 6, 1.0, &tips);
        painter.end();
        ASSERT_EQ(tips.regions().size(), 1);
        EXPECT_EQ(tips.regions().front().area.left(), 10);
        // Inside the left padding, on the middle line: the capsule's fill, no label.
        const QPoint inPadding(12, 15);
        EXPECT_TRUE(near(image.pixelColor(inPadding), over(pill.color, opacity, Qt::white)))
            << opacity << " " << rgb(image.pixelColor(inPadding));
    }
}

TEST(CellPainter, onlineDotsAreGreenOrFadedGreyWithTheirTip) {
    struct Case {
        bool online;
        bool dark;
        qreal diameter;
        QColor expected;
        const char* tip;
    };
    const QColor white(Qt::white);
    const Case cases[] = {
        {true, false, 7, namedColor(NamedColor::green, false), "Drive connected"},
        {true, true, 8, namedColor(NamedColor::green, true), "Drive connected"},
        {false, false, 6, over(namedColor(NamedColor::grey, false), 0.5, white), "Drive not connected"},
        {false, true, 7, over(namedColor(NamedColor::grey, true), 0.5, white), "Drive not connected"},
    };
    for (const Case& c : cases) {
        QImage image = canvas(20, 20);
        QPainter painter(&image);
        TipRegions tips;
        CellPainter::drawOnlineDot(&painter, QPointF(10, 10), c.diameter, c.online, c.dark, &tips);
        painter.end();
        EXPECT_TRUE(near(image.pixelColor(9, 9), c.expected)) << c.tip << " " << rgb(image.pixelColor(9, 9));
        // Just outside the dot: nothing drawn.
        EXPECT_EQ(image.pixelColor(10 + int(c.diameter) / 2 + 2, 10), white);
        ASSERT_EQ(tips.regions().size(), 1);
        EXPECT_EQ(tips.regions().front().area,
                  QRectF(10 - c.diameter / 2, 10 - c.diameter / 2, c.diameter, c.diameter));
        EXPECT_EQ(tips.regions().front().text, QLatin1String(c.tip));
    }
}

TEST(CellPainter, numbersUseDejaVuSansWithDigitsOfOneWidth) {
    struct Case {
        qreal points;
        std::optional<QFont::Weight> weight;
        double scale;
    };
    const Case cases[] = {{11, std::nullopt, 1.0}, {12, QFont::Bold, 1.0}, {11, std::nullopt, 1.3}};
    for (const Case& c : cases) {
        const QFont font = CellPainter::digitFont(c.points, c.weight, c.scale);
        EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("DejaVu Sans"));
        EXPECT_NEAR(font.pointSizeF(), c.points * c.scale, 0.01);
        const QFontMetricsF metrics(font);
        const qreal zero = metrics.horizontalAdvance(QLatin1Char('0'));
        for (char digit = '1'; digit <= '9'; ++digit)
            EXPECT_DOUBLE_EQ(metrics.horizontalAdvance(QLatin1Char(digit)), zero) << digit;
        // So every count of one length is as wide as any other.
        EXPECT_DOUBLE_EQ(metrics.horizontalAdvance(QStringLiteral("1.11 GB")),
                         metrics.horizontalAdvance(QStringLiteral("8.88 GB")));
    }
}

namespace {

// Pixels of the highlight's colour (yellow at 60 % over white) in the columns [from, to).
int highlightPixels(const QImage& image, int from, int to) {
    const QColor mark = over(namedColor(NamedColor::yellow, false), 0.6, Qt::white);
    int count = 0;
    for (int x = std::max(from, 0); x < std::min(to, image.width()); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (near(image.pixelColor(x, y), mark, 2))
                ++count;
        }
    }
    return count;
}

} // namespace

TEST(CellPainter, highlightsFollowTheSpansAndIgnoreBadOnes) {
    const QString text = QStringLiteral("Wedding Day Selects");
    const QFont font = CellPainter::digitFont(12, std::nullopt, 1.0);
    const QFontMetricsF metrics(font);
    const int dayStart = int(metrics.horizontalAdvance(QStringLiteral("Wedding "))) + 5;
    const int dayEnd = int(metrics.horizontalAdvance(QStringLiteral("Wedding Day"))) + 5;
    constexpr qsizetype big = std::numeric_limits<qsizetype>::max();

    struct Case {
        const char* what;
        QList<TextSpan> spans;
        bool day;    // the highlight covers "Day"
        bool others; // and reaches outside it
    };
    const Case cases[] = {
        {"none", {}, false, false},
        {"Day", {{8, 3}}, true, false},
        {"Day in two touching parts", {{8, 1}, {9, 2}}, true, false},
        {"Day twice, overlapping", {{8, 3}, {9, 2}}, true, false},
        {"empty", {{8, 0}}, false, false},
        {"negative length", {{8, -3}}, false, false},
        {"beyond the end", {{40, 5}}, false, false},
        {"before the start", {{-10, 4}}, false, false},
        {"from before the start into the text", {{-10, 12}}, false, true},
        {"a huge length", {{8, big}}, true, true},
        {"a huge start", {{big, big}}, false, false},
        {"the most negative start", {{std::numeric_limits<qsizetype>::min(), big}}, false, false},
    };
    for (const Case& c : cases) {
        QImage image = canvas(400, 24);
        QPainter painter(&image);
        CellPainter::drawHighlighted(&painter, QRectF(5, 0, 390, 24), text, c.spans, font, Qt::darkBlue,
                                     false);
        painter.end();
        EXPECT_EQ(highlightPixels(image, dayStart + 1, dayEnd - 1) > 0, c.day) << c.what;
        const int outside = highlightPixels(image, 0, dayStart - 1) + highlightPixels(image, dayEnd + 1, 400);
        EXPECT_EQ(outside > 0, c.others) << c.what;
    }

    // Shortened text: spans past what stays visible do no harm, and what is visible still shows.
    QImage narrow = canvas(80, 24);
    QPainter painter(&narrow);
    CellPainter::drawHighlighted(&painter, QRectF(0, 0, 80, 24), text, {{0, 3}, {12, 7}}, font, Qt::black,
                                 false);
    painter.end();
    EXPECT_GT(highlightPixels(narrow, 0, 10), 0);
}

TEST(CellPainter, starsDrawTheirStateAndTipTheEnlargedTarget) {
    const QColor yellow = namedColor(NamedColor::yellow, false);
    for (const bool favorite : {true, false}) {
        QImage image = canvas(40, 40);
        QPainter painter(&image);
        TipRegions tips;
        const QRectF frame(12, 12, 16, 16);
        CellPainter::drawStar(&painter, frame, favorite, false, &tips);
        painter.end();
        int yellowPixels = 0;
        int inked = 0;
        for (int x = 0; x < 40; ++x) {
            for (int y = 0; y < 40; ++y) {
                const QColor c = image.pixelColor(x, y);
                if (c != QColor(Qt::white)) {
                    ++inked;
                    EXPECT_TRUE(frame.contains(QPointF(x + 0.5, y + 0.5))) << x << "," << y;
                }
                if (near(c, yellow, 2))
                    ++yellowPixels;
            }
        }
        EXPECT_GT(inked, 20) << favorite;
        EXPECT_EQ(yellowPixels > 20, favorite);
        ASSERT_EQ(tips.regions().size(), 1);
        EXPECT_EQ(tips.regions().front().area, iconHitArea(frame, 3));
        EXPECT_EQ(tips.regions().front().text,
                  favorite ? QStringLiteral("Remove from Favorites") : QStringLiteral("Add to Favorites"));
    }
}
