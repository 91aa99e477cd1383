#pragma once

#include "Browser/SizeBar.h"
#include "Catalogue/Records/LibraryInfo.h"

#include <QList>
#include <QString>
#include <QtGlobal>

namespace pellimor {

// Where a library's space goes, as its details panel shows it under "Where the space goes": the
// size bar of the three kinds Final Cut Pro can rebuild against the library's total, one row per
// kind of space that holds any bytes, and a caption that reads the bar. Each row's bytes are a
// sum over the library's events that saturates at the 64-bit edge, so a damaged catalogue gives
// a full bar and a large number instead of an overflow. Thread-safe.
struct SpaceBreakdown {
    // The six kinds, in the order the rows are listed; the view gives each its colour (blue,
    // teal, purple, orange, pink, grey; the middle three match the bar's segments).
    enum class Kind { original, optimized, proxy, render, analysis, other };

    struct Row {
        Kind kind = Kind::original;
        QString label; // "Original media", "Optimized", "Proxy", "Render files", "Analysis", "Other"
        qint64 bytes = 0;

        // "Proxy: 1.2 GB".
        QString text() const;
        bool operator==(const Row&) const = default;
    };

    QList<Row> all;   // the six kinds, in order, "Other" holding the library's extra size too
    qint64 total = 0; // LibraryInfo::totalSize()

    static SpaceBreakdown of(const LibraryInfo& library);

    // The rows with at least one byte, in order.
    QList<Row> rows() const;
    // Optimized, proxy and render together, saturating.
    qint64 generated() const;
    // The bar over the library: the three kinds against the total, subject "library".
    SizeBar bar() const;
    // "The bar is empty. …" when nothing can be rebuilt, else what the track and its filled
    // part stand for, with both byte counts.
    QString caption() const;
};

} // namespace pellimor
