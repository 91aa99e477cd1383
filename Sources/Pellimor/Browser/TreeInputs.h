#pragma once

#include "Browser/SearchQuery.h"
#include "Browser/SearchResult.h"
#include "Browser/TreeExpansion.h"
#include "Browser/TreeSort.h"
#include "Catalogue/Records/LibraryInfo.h"

#include <QList>
#include <QString>

namespace pellimor {

// Everything the library browser's tree is built from besides the catalogue's answers
// (TreeQueries). A plain value: the window sets the first five, the view keeps the expansion
// state and the sort order.
struct TreeInputs {
    QList<LibraryInfo> libraries; // the libraries to show, in the catalogue's order
    SearchQuery query;            // the applied search
    SearchResult result;          // its result
    QString dateMode;             // "created" shows creation dates; anything else modification dates
    bool groupByDrive = false;
    TreeExpansion expansion;
    TreeSort sort = TreeSort::byName();
};

} // namespace pellimor
