#pragma once

#include <QList>
#include <QString>

namespace pellimor {

// One column of the library browser's table as the table declares it: its identifier (fixed;
// it names the column in the saved arrangement and in the sort order), its header title, which
// is also the key of its width estimate, and its widths in points (no column has a maximum).
// How a column's cells align is BrowserColumns::fillAlignment's. Plain values; any thread.
struct BrowserColumn {
    QString id;
    QString title;
    double minWidth = 0;
    double idealWidth = 0;

    // The thirteen columns in declared order (BrowserColumns::declared); the date column is
    // titled for `dateMode`.
    static QList<BrowserColumn> all(const QString& dateMode);
    // "Created" for the date mode "created" exactly, otherwise "Modified".
    static QString dateTitle(const QString& dateMode);

    bool operator==(const BrowserColumn&) const = default;
};

} // namespace pellimor
