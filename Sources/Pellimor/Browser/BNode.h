#pragma once

#include "Catalogue/Records/RowDate.h"
#include "Catalogue/Store/Catalog.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace pellimor {

// One row of the library browser's tree: a library, one of its events, or, under an event, a
// project, a search hit or the "more" row of an area with too many hits. A plain value
// identified by `id` (see BrowserRowId); `children` are already in the tree's order. Copies
// share their lists, so handing a tree around costs nothing.
struct BNode {
    // Compared and hashed by case.
    enum class Kind { library, event, project, media, keyword, metaTag, marker, hit, more };

    QString id;
    Kind kind = Kind::library;
    QString name;
    QString details;
    QDateTime modified = RowDate::distantPast(); // the date column's date
    bool hasDate = false;                        // whether `modified` is a date to show
    // Bytes: the total, then its parts.
    qint64 size = 0;
    qint64 original = 0;
    qint64 optimized = 0;
    qint64 proxy = 0;
    qint64 render = 0;
    qint64 other = 0;
    bool online = false;                                           // the library's drive is connected
    Catalog::UpdateStatus update = Catalog::UpdateStatus::current; // library rows only
    int missingPlugins = 0;
    int partialPlugins = 0;
    qint64 missingFiles = 0; // broken links to original media
    bool isBackup = false;   // on a drive marked as backup
    bool damaged = false;    // the library carries a problem text
    QString fcpVersion;      // the version that saved the library; empty when unknown
    QString fcpInstalled;    // the installed version; empty when none
    QStringList reasons;     // why the row matched the search
    bool dim = false;        // shown only as context for a search; did not match itself
    bool autoOpen = false;   // opens by itself while a search is active
    bool hasChildren = false;
    QString drive; // the library's volume name (library rows only)
    QList<BNode> children;

    // What Final Cut Pro can rebuild: optimized, proxy and render bytes (never overflowing).
    qint64 reclaimable() const;
    // 1 on a backup drive, plus 2 when damaged: the alerts column's sort key.
    int alertScore() const;
    // Missing packs × 1000 + partial ones, so one missing pack outweighs up to 999 partial.
    qint64 pluginProblems() const;

    // Every field, the children's included. Written out: a defaulted comparison cannot compare
    // a list of the type it is declared in.
    bool operator==(const BNode& other) const;
};

} // namespace pellimor
