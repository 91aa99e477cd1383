#pragma once

#include "Browser/BNode.h"
#include "Browser/BuiltTree.h"
#include "Browser/DrivePaint.h"
#include "Browser/RowTint.h"
#include "Browser/TreeInputs.h"
#include "Browser/TreeQueries.h"
#include "Browser/TreeSort.h"
#include "Catalogue/Records/EventInfo.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/ProjectInfo.h"

#include <QHash>
#include <QList>
#include <QString>
#include <optional>

// The library browser's tree: every library as one row that opens onto its events, an event
// onto its projects and, while a search is active, onto the hits found in it. Plain functions
// over TreeInputs and the catalogue's answers (TreeQueries); the view calls build() only
// through TreeCache. Row identifiers: BrowserRowId. Any thread, given queries that may be asked
// there.
namespace pellimor::BrowserTree {

// The most hit rows of one area under an event; more hits of it add one "more" row.
inline constexpr int kHitRowsPerArea = 8;

// The tree and its counters.
//
// Not searching, every library gives one row; searching, only the libraries of the result do,
// and an event shows only when its library was opened by the user or the event has hits. A
// library's events are built only when it is open: opened by the user (its path is in
// `expansion.expanded`) or by the search (its result has events and the user has not closed
// it); otherwise the row only reports `hasChildren`. While the expansion state belongs to an
// earlier query, nothing counts as opened. Under an event: its projects (all of them when not
// searching or when the user opened the event, else those with hits), then per area in area
// order (event names aside) up to kHitRowsPerArea hit rows, keywords the most used first, and a
// "more" row for the rest; identical hits of one area count once. Each list is sorted by
// `inputs.sort`; with `groupByDrive` the libraries are groupedByDrive().
BuiltTree build(const TreeInputs& inputs, TreeQueries& queries);

// The same with each library's online state already asked, one per library of
// `inputs.libraries` in order (TreeCache asks them once for its key and the build).
BuiltTree build(const TreeInputs& inputs, TreeQueries& queries, const QList<bool>& online);

// The folder holding the library, without its volume: below the volumes root the part after the
// drive's folder ("/Volumes/Media/Clients/2024/A.fcpbundle" gives "Clients/2024"), elsewhere
// the path after "/" ("/Users/ann/Movies/A.fcpbundle" gives "Users/ann/Movies"). Empty for a
// library at the top of its volume.
QString parentPath(const LibraryInfo& library);

// A project row's details: its duration (Fmt::duration), its format, and "snapshot" when its
// name holds that word in any letter case, those present joined with " · ".
QString projectLine(const ProjectInfo& project);

// An event row's details: "3 internal media, 2 external media", then " on " and the external
// volumes' names in ascending order joined with ", " when it links to any, then " — 1 missing"
// when links are broken.
QString mediaLine(const EventInfo& event);

// The library the row `id` belongs to: of `libraries`, the one with the longest path that the
// id equals or begins with followed by "|" (RowLibrary::find). Nothing without an id or when
// no library fits. Library paths may hold "|".
std::optional<LibraryInfo> library(const QList<LibraryInfo>& libraries, const std::optional<QString>& id);

// Libraries grouped by drive: the drives in name order (TextCompare::localizedStandard), each
// drive's rows in `sort` order.
QList<BNode> groupedByDrive(const QList<BNode>& nodes, const TreeSort& sort);

// Drive colouring of the top-level rows, keyed by row id (the library's path).
using PaintMap = QHash<QString, DrivePaint>;
PaintMap paintMap(const QList<BNode>& nodes);

// The tint of every cell of `node`'s row: nothing when the libraries are not grouped by drive,
// for the selected row (the selection's highlight shows through) and for a row whose library
// has no paint; otherwise its library's drive hue (round the six hues), at 0.22 (dark look) or
// 0.15 (light) on odd stripes and 0.12 or 0.08 on even ones. Rows below a library take its
// tint; their library is found with library() over `inputs.libraries`.
std::optional<RowTint> rowTint(const BNode& node, const PaintMap& paint, const TreeInputs& inputs,
                               const std::optional<QString>& selection, bool dark);

} // namespace pellimor::BrowserTree
