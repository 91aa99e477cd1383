#pragma once

#include "Catalogue/Records/EventRow.h"
#include "Catalogue/Records/LibraryRow.h"
#include "Catalogue/Records/MediaRow.h"
#include "Catalogue/Records/ProjectRow.h"
#include "Shell/Views/RowTableModel.h"

#include <QList>

// What the main window's four tables show of their rows: the columns, each with the sort
// field it sorts by, and every row written as text. The rows come filtered and sorted; only
// their look is decided here. `created` titles the date column "Created" (else "Modified");
// `searching` adds the column of match reasons.
namespace pellimor::MainTables {

struct Table {
    QList<RowTableModel::Column> columns;
    QList<RowTableModel::Row> rows;
};

Table libraries(const QList<LibraryRow>& rows, bool created, bool searching);
Table events(const QList<EventRow>& rows, bool created, bool searching);
Table projects(const QList<ProjectRow>& rows, bool created, bool searching);
Table media(const QList<MediaRow>& rows);

} // namespace pellimor::MainTables
