#pragma once

#include "Shell/TableCell.h"

#include <QString>
#include <optional>

namespace pellimor {

// One column of a main window table as the table declares it: its header title (also the key of
// its width estimate), the row field it sorts by (a SortKey.h field as an int), the kind of its
// cells, its widths in points before the font scale (no maximum: none), and where its cells
// align. A plain value; any thread.
struct TableColumn {
    enum class Align {
        leading,
        numeric,  // figures: against the trailing edge
        trailing, // pushed to the trailing edge
    };

    QString title;
    std::optional<int> sortKey;
    TableCell::Kind kind = TableCell::Kind::plain;
    double minWidth = 0;
    double idealWidth = 0;
    std::optional<double> maxWidth;
    Align align = Align::leading;

    bool trailingEdge() const { return align != Align::leading; }
    bool operator==(const TableColumn&) const = default;
};

// One row of a main window table: its identifier (TableRows), one cell per column, and whether
// its library's drive is connected.
struct TableRow {
    QString id;
    QList<TableCell> cells;
    bool online = true;
    bool operator==(const TableRow&) const = default;
};

} // namespace pellimor
