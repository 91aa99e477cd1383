#pragma once

#include "Catalogue/Records/LibraryInfo.h"

#include <QList>
#include <QString>

// Which library a row identifier belongs to. A library's row is named by the library's path;
// deeper rows add "|" and the event's name, then "|" and the project's name (the browser adds
// forms of its own after the path and "|"). A path may itself hold "|", so an identifier is
// never cut at its first "|": the library is found by matching whole paths. Plain functions
// over records; safe from any thread.
namespace pellimor::RowLibrary {

// What the identifiers of a table hold after the library's path and "|".
enum class Remainder {
    anything,        // any row form: the longest matching path wins
    eventName,       // an event's name
    eventAndProject, // an event's name, "|" and the name of one of its projects
};

// The library of `libraries` whose path starts `id`, followed by "|" or the end; null when
// none does. Of the paths that fit, the longest whose remainder names one of its rows in the
// form `remainder` says wins, else the longest that fits. The pointer is into `libraries`.
const LibraryInfo* find(const QList<LibraryInfo>& libraries, const QString& id, Remainder remainder);

} // namespace pellimor::RowLibrary
