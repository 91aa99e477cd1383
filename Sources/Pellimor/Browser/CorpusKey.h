#pragma once

#include "Catalogue/Records/LibraryInfo.h"

#include <QList>
#include <QtGlobal>

namespace pellimor {

// A number that names the searchable state of the catalogue, under which the search engine
// keeps its corpus. It changes when the number of media entries changes, and when a library
// is added, removed, moved within the catalogue's order, read again (`scannedAt`) or changed
// on disk (`signature`); nothing else of a library counts.
//
// Hashed with the process's seed: keys compare within one run of the program only, so they
// are never stored. A plain function; any thread.
qint64 corpusKey(qsizetype mediaCount, const QList<LibraryInfo>& libraries);

} // namespace pellimor
