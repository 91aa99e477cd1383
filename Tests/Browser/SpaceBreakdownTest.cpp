#include "Browser/SpaceBreakdown.h"

#include "Support/ByteCount.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <limits>

using namespace pellimor;

namespace {

constexpr qint64 kTop = std::numeric_limits<qint64>::max();
constexpr qint64 GB = 1'000'000'000;

QStringList texts(const QList<SpaceBreakdown::Row>& rows) {
    QStringList shown;
    for (const SpaceBreakdown::Row& row : rows)
        shown.append(row.text());
    return shown;
}

} // namespace

TEST(SpaceBreakdown, rowsSumTheEventsAndLeaveOutEmptyKinds) {
    EventInfo a;
    a.name = "A";
    a.originalSize = 3 * GB;
    a.proxySize = GB;
    a.analysisSize = 2000;
    a.otherSize = 500;
    EventInfo b;
    b.name = "B";
    b.originalSize = GB;
    b.proxySize = GB;
    b.renderSize = 7000;
    LibraryInfo l;
    l.extraSize = 1500;
    l.events = {a, b};

    const SpaceBreakdown breakdown = SpaceBreakdown::of(l);
    EXPECT_EQ(texts(breakdown.rows()),
              (QStringList{"Original media: " + ByteCount::file(4 * GB), "Proxy: " + ByteCount::file(2 * GB),
                           "Render files: " + ByteCount::file(7000), "Analysis: " + ByteCount::file(2000),
                           // The library's own extra bytes count as "Other".
                           "Other: " + ByteCount::file(2000)}));
    EXPECT_EQ(breakdown.all.size(), 6); // every kind, empty ones included, in order
    EXPECT_EQ(breakdown.total, l.totalSize());
    EXPECT_EQ(breakdown.generated(), 2 * GB + 7000);
    const SizeBar bar = breakdown.bar();
    EXPECT_EQ(bar.optimized, 0);
    EXPECT_EQ(bar.proxy, 2 * GB);
    EXPECT_EQ(bar.render, 7000);
    EXPECT_EQ(bar.total, l.totalSize());
    EXPECT_EQ(bar.subject, "library");
    EXPECT_EQ(breakdown.caption(),
              "The track is this library (" + ByteCount::file(l.totalSize()) + "). The filled part is " +
                  ByteCount::file(2 * GB + 7000) +
                  " of proxy, optimized, and render files. Final Cut can rebuild those.");
}

TEST(SpaceBreakdown, nothingGeneratedLeavesTheBarEmpty) {
    const QString empty =
        "The bar is empty. This library has no proxy, optimized, or render files left to clear.";
    struct Case {
        const char* what;
        LibraryInfo library;
        QStringList rows;
    };
    LibraryInfo originalOnly;
    EventInfo e;
    e.name = "E";
    e.originalSize = 5 * GB;
    originalOnly.events = {e};
    LibraryInfo noEvents;
    noEvents.extraSize = 4096;
    const Case cases[] = {
        {"only original media", originalOnly, {"Original media: " + ByteCount::file(5 * GB)}},
        {"no events", noEvents, {"Other: " + ByteCount::file(4096)}},
        {"nothing at all", LibraryInfo{}, {}},
    };
    for (const Case& c : cases) {
        const SpaceBreakdown breakdown = SpaceBreakdown::of(c.library);
        EXPECT_EQ(texts(breakdown.rows()), c.rows) << c.what;
        EXPECT_EQ(breakdown.caption(), empty) << c.what;
        EXPECT_EQ(breakdown.bar().widths(200).filled, 0) << c.what;
    }
}

TEST(SpaceBreakdown, sizesNearTheEdgeGiveAFullBarAndNoOverflow) {
    EventInfo huge;
    huge.name = "Huge";
    huge.optimizedSize = kTop;
    huge.proxySize = kTop;
    huge.originalSize = kTop;
    LibraryInfo l;
    l.extraSize = kTop;
    l.events = {huge, huge};

    const SpaceBreakdown breakdown = SpaceBreakdown::of(l);
    EXPECT_EQ(breakdown.total, kTop);
    EXPECT_EQ(breakdown.generated(), kTop);
    for (const SpaceBreakdown::Row& row : breakdown.rows())
        EXPECT_EQ(row.bytes, kTop) << row.label.toStdString();
    EXPECT_EQ(breakdown.bar().widths(300).filled, 300);
    EXPECT_EQ(breakdown.caption(),
              "The track is this library (" + ByteCount::file(kTop) + "). The filled part is " +
                  ByteCount::file(kTop) +
                  " of proxy, optimized, and render files. Final Cut can rebuild those.");
}
