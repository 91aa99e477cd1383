#pragma once

#include "Compare/CompareDetail.h"
#include "Compare/CompareGroup.h"
#include "Compare/MediaReport.h"

#include <QString>
#include <QStringList>

// The Compare screen's words: the detail panel of a group, its media line and project rows,
// the notice about libraries scanned before fingerprints, and the help. Plain functions;
// dates in the shared medium format (Fmt::dateOrDash). Safe from any thread.
namespace pellimor::CompareTexts {

// The panel of `group` with its media report; with `showIdentical` every project is listed,
// else only those missing or older somewhere.
CompareDetail detail(const CompareGroup& group, const Comparer::MediaReport& media, bool showIdentical);

// Nothing when no copy has media rows; the identical line when no copy lacks or alone holds a
// file; else the heading and, per copy in copy order, what it misses and what it alone has.
CompareDetail::Media mediaLine(const CompareGroup& group, const Comparer::MediaReport& media);

// Where the newest version of one project is, which copies are older or lack it; orange with
// an older copy, red with a missing one.
CompareDetail::DiffRow diffRow(const CompareGroup::Diff& diff, const CompareGroup& group);

// The notice shown while some library lacks fingerprints.
QString notice();

// The help popup: its title first, then one line per point.
QStringList help();

} // namespace pellimor::CompareTexts
