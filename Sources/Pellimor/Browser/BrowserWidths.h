#pragma once

#include "App/ColumnWidths.h"
#include "Browser/BNode.h"

#include <QHash>
#include <QList>
#include <QString>

namespace pellimor::BrowserWidths {

// How wide the content of each column of the library browser is, by header title (the column
// fitter's keys), for the top-level rows `nodes` as shown and the rows below them:
//
//   "Name"              the widest name of each level plus its room for the disclosure, star,
//                       icon and dot (56 for libraries, semibold; 34 for events; 22 below),
//                       then a library's "matched: " pills (6 apart) on top
//   "FCP version"       the libraries' version texts (VersionCell), plus 2
//   "Path"              the libraries' details at 12 points; left out when nothing measures
//   "Created"/"Modified" (by `dateMode`) the libraries' dates; left out when none is dated
//   "Size", "Optimized", "Proxy", "Render", "Reclaimable"
//                       the byte counts of libraries and events, zero included, plus 2
//   "Space use"         60 points at the text scale
//   "Files missing", "Plug-ins missing", "Alerts"
//                       the libraries' widest row of pills, 4 apart
//
// Texts are measured at 13 points unless said otherwise, at `widths`' scale. Plain function;
// any thread the measurer allows.
QHash<QString, double> columnWidths(const QList<BNode>& nodes, const QString& dateMode,
                                    const ColumnWidths& widths);

} // namespace pellimor::BrowserWidths
