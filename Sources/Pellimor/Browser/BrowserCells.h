#pragma once

#include "Browser/BNode.h"
#include "Browser/CellTone.h"
#include "Browser/SizeBar.h"
#include "Browser/VersionCell.h"

#include <QList>
#include <QString>

// What each cell of the library browser's table shows for a row, as texts, tones and pills:
// the delegate paints them and the model hands the same texts to screen readers. Byte
// columns, the bar and the pills belong to library rows (and the byte columns and the bar to
// event rows too); project, hit and "more" rows show none of them. Plain functions; any
// thread.
namespace pellimor::BrowserCells {

// A pill: a short label in a tone, with the tip that explains it.
struct Pill {
    QString label;
    CellTone tone = CellTone::secondary;
    QString tip;
    bool operator==(const Pill&) const = default;
};

// Libraries and events carry sizes, bars and the dot that says whether their drive is online.
bool isContainer(const BNode& node);

// The symbol in front of the name: "square.grid.2x2" for a library, then by kind "star.square",
// "film", "doc", "tag", "tag.fill", "bookmark", "text.magnifyingglass", "ellipsis".
QString symbol(const BNode& node);
// "matched: " and each reason, in green.
QList<Pill> reasonPills(const BNode& node);
QList<Pill> reasonPills(const QStringList& reasons);
// 0.45 for a row shown only as a search's context, else 1.
double opacity(const BNode& node);

// The version cell of a library row; nothing (an empty text) for other rows.
VersionCell version(const BNode& node);

// Empty without a date; "—" for one not after 1970; otherwise Fmt::date.
QString dateText(const BNode& node);

// The size of a library or event; empty for other rows.
QString sizeText(const BNode& node);
// Optimized, proxy or render bytes of a library or event when at least 1 byte; else empty.
QString bytesText(const BNode& node, qint64 bytes);
// The reclaimable bytes of a library or event, "0 MB" when nothing can be cleared; empty for
// other rows.
QString reclaimText(const BNode& node);
// The bar of a library (subject "library") or event ("event") row; the other rows keep its
// place with an invisible bar.
SizeBar bar(const BNode& node);

// A library's broken links: one pink pill with the count (none below 1).
QList<Pill> missingFilesPills(const BNode& node);
QList<Pill> missingFilesPills(qint64 brokenLinks);
// A library's plug-in packs: a red pill with the missing count, an orange "N incomplete"
// (each only from 1 up). Every table that shows a library's packs takes its pills from here.
QList<Pill> pluginPills(const BNode& node);
QList<Pill> pluginPills(qint64 missing, qint64 partial);
// A library on a backup drive: the orange "backup".
QList<Pill> alertPills(const BNode& node);

// The labels of `pills`, for measuring and for screen readers.
QStringList labels(const QList<Pill>& pills);

// The text of the cell of `column` (a declared column identifier) as a screen reader should
// read it: the name with its reasons, the version, details, date, byte counts, the bar's
// tooltip, the pills' labels.
QString accessibleText(const BNode& node, const QString& column);

} // namespace pellimor::BrowserCells
