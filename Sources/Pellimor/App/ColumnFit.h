#pragma once

#include <QList>
#include <limits>
#include <optional>

// The arithmetic of fitting a table's visible columns to their content and the space there is:
// what each column wants, how spare room is shared or a shortage is cut, and which widths are
// worth writing. The fitter (Widgets/ColumnAutoFit.h) reads the inputs off a view and writes
// the widths back. Plain functions, no state; safe from any thread.
namespace pellimor::ColumnFit {

// One visible column, in display order. Lengths are logical pixels.
struct Column {
    double inset = 0;              // what the cells add around their content (padding, icon)
    double header = 0;             // the header section's natural width
    std::optional<double> content; // the widest content; none sizes the column by its header
    double minimum = 0;
    double maximum = std::numeric_limits<double>::max(); // below `minimum` counts as `minimum`
    double width = 0;                                    // the width it has now
    double spacing = 0; // what the view adds between this column and the next
};

struct Input {
    QList<Column> columns;
    double leading = 0;  // where the first visible column starts in the view
    double viewport = 0; // the width the view shows its columns in
};

struct Plan {
    // What the fit depends on: every column's wanted width and the available width, rounded
    // to whole pixels, and the number of columns. A fit with the key of the last one has
    // nothing to do.
    QList<qint64> key;
    // Equal to the last fit's key: nothing was computed and nothing is to be written.
    bool unchanged = false;
    // Per column, the width to write; none where it differs by half a pixel or less from the
    // width it has.
    QList<std::optional<double>> widths;
};

// What a column wants: its content with the inset and 6 pixels to spare, or its header with
// 14, whichever is wider; then raised to its minimum and lowered to its maximum (a minimum
// above the maximum wins).
double want(const Column& column);

// The fit of `input` after a fit with `lastKey`. With room to spare, columns that can still
// grow share it in proportion to their wants, none past its maximum; with too little, every
// column is cut to one common cap (found by bisection) but never below its minimum. New widths
// are rounded down to whole pixels.
Plan plan(const Input& input, const QList<qint64>& lastKey);

} // namespace pellimor::ColumnFit
