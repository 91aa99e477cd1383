#pragma once

#include "App/TextMeasurer.h"
#include "Catalogue/Records/EventRow.h"
#include "Catalogue/Records/LibraryRow.h"
#include "Catalogue/Records/MediaRow.h"
#include "Catalogue/Records/ProjectRow.h"

#include <QHash>
#include <QList>
#include <QString>

// How wide the content of each column of the main window's four tables is, by exact column
// title (the column fitter's keys), for the rows a table shows. Every text is formatted as its
// cell formats it (TableCell, MainTables) and measured at 13 points, regular, at the font scale
// read from "comfortableText" at each call; the date column's key follows "dateMode" as its
// title does. Four kinds of entry:
//
//   name column    the widest name plus what stands before it (35 for a library: star and dot;
//                  13 otherwise: the dot), plus the widest row of its badges, 6 apart
//   plain text     the widest text; no entry when nothing measures (all empty, or no rows)
//   number column  the widest formatted number plus 2; always there (2 for no rows)
//   badge column   the widest row of badges, 4 apart; always there
//
// The allowances are added after measuring and do not grow with the scale. `installed` is the
// installed Final Cut Pro's version, empty when none (MainTables::versionCell). Plain
// functions; main thread only when the measurer is the widgets' one.
namespace pellimor::MainTableWidths {

QHash<QString, double> libraryWidths(const QList<LibraryRow>& rows, const QString& installed,
                                     const TextMeasurer& measurer);
QHash<QString, double> eventWidths(const QList<EventRow>& rows, const TextMeasurer& measurer);
QHash<QString, double> projectWidths(const QList<ProjectRow>& rows, const TextMeasurer& measurer);
QHash<QString, double> mediaWidths(const QList<MediaRow>& rows, const TextMeasurer& measurer);

} // namespace pellimor::MainTableWidths
