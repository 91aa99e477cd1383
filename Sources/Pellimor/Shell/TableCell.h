#pragma once

#include "Browser/BrowserCells.h"
#include "Browser/CellTone.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace pellimor {

// One cell of the main window's tables, typed by what it shows, so the delegate paints each kind
// its own way and a number is written only when it is drawn or read. The texts of every kind
// come from here, and the width estimates (MainTableWidths) format with the same functions.
// A plain value; any thread.
struct TableCell {
    enum class Kind {
        name,        // online dot, then `text` with the search's terms emphasised, then `pills`;
                     // the favourite star first when `star`
        highlighted, // `text` on one line, the search's terms emphasised
        plain,       // `text` on one line
        bytes,       // `number` as a byte count, equal-width digits
        count,       // `number` in decimal without grouping, equal-width digits
        duration,    // `seconds` through Fmt::duration, equal-width digits
        date,        // `date` through Fmt::dateOrDash
        version,     // `text` in `tone` with `tip`, equal-width digits (VersionCell)
        pills,       // `pills` only
    };

    Kind kind = Kind::plain;
    QString text;
    qint64 number = 0;
    double seconds = 0;
    QDateTime date;
    CellTone tone = CellTone::primary;
    QString tip;
    QList<BrowserCells::Pill> pills;
    bool star = false;

    // The text the cell draws (for pills, their labels joined by ", ").
    QString shown() const;
    // What a screen reader reads: the shown text, then the pills' labels and the tip.
    QString accessibleText() const;

    bool operator==(const TableCell&) const = default;

    // The formats, shared with the width estimates.
    static QString bytesText(qint64 bytes);         // ByteCount::file
    static QString countText(qint64 count);         // decimal, no grouping
    static QString dateText(const QDateTime& date); // Fmt::dateOrDash
};

} // namespace pellimor
