#include "Browser/SpaceBreakdown.h"

#include "Support/ByteCount.h"
#include "Support/ByteSum.h"

namespace pellimor {

namespace {

qint64 bytesOf(const SpaceBreakdown& breakdown, SpaceBreakdown::Kind kind) {
    for (const SpaceBreakdown::Row& row : breakdown.all) {
        if (row.kind == kind)
            return row.bytes;
    }
    return 0;
}

} // namespace

QString SpaceBreakdown::Row::text() const {
    return label + QStringLiteral(": ") + ByteCount::file(bytes);
}

SpaceBreakdown SpaceBreakdown::of(const LibraryInfo& library) {
    qint64 original = 0, optimized = 0, proxy = 0, render = 0, analysis = 0, other = library.extraSize;
    for (const EventInfo& event : library.events) {
        original = ByteSum::saturatingAdd(original, event.originalSize);
        optimized = ByteSum::saturatingAdd(optimized, event.optimizedSize);
        proxy = ByteSum::saturatingAdd(proxy, event.proxySize);
        render = ByteSum::saturatingAdd(render, event.renderSize);
        analysis = ByteSum::saturatingAdd(analysis, event.analysisSize);
        other = ByteSum::saturatingAdd(other, event.otherSize);
    }
    SpaceBreakdown breakdown;
    breakdown.all = {
        {Kind::original, QStringLiteral("Original media"), original},
        {Kind::optimized, QStringLiteral("Optimized"), optimized},
        {Kind::proxy, QStringLiteral("Proxy"), proxy},
        {Kind::render, QStringLiteral("Render files"), render},
        {Kind::analysis, QStringLiteral("Analysis"), analysis},
        {Kind::other, QStringLiteral("Other"), other},
    };
    breakdown.total = library.totalSize();
    return breakdown;
}

QList<SpaceBreakdown::Row> SpaceBreakdown::rows() const {
    QList<Row> shown;
    for (const Row& row : all) {
        if (row.bytes >= 1)
            shown.append(row);
    }
    return shown;
}

SizeBar SpaceBreakdown::bar() const {
    SizeBar bar;
    bar.optimized = bytesOf(*this, Kind::optimized);
    bar.proxy = bytesOf(*this, Kind::proxy);
    bar.render = bytesOf(*this, Kind::render);
    bar.total = total;
    bar.subject = QStringLiteral("library");
    return bar;
}

qint64 SpaceBreakdown::generated() const {
    return bar().generated();
}

QString SpaceBreakdown::caption() const {
    const qint64 sum = generated();
    if (sum < 1)
        return QStringLiteral(
            "The bar is empty. This library has no proxy, optimized, or render files left to clear.");
    return QStringLiteral("The track is this library (") + ByteCount::file(total) +
           QStringLiteral("). The filled part is ") + ByteCount::file(sum) +
           QStringLiteral(" of proxy, optimized, and render files. Final Cut can rebuild those.");
}

} // namespace pellimor
