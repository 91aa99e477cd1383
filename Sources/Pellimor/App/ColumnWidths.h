#pragma once

#include "App/TextMeasurer.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace pellimor {

// How wide a column's content is: the widest of a list of texts, or the widest row of pills.
// Callers make one per table update with the window's font scale (1.3 with "Larger Text",
// else 1.0) and the measurer of their floor; font sizes are given in points before scaling.
//
// Only the four texts with the most user-perceived characters are ever rendered, so a column
// of ten thousand rows costs four measurements. The measurer must outlive the value.
// The text `text` gives for each row, in the rows' order: what a column of those rows shows,
// for measure().
template <typename Row, typename Text> QStringList columnTexts(const QList<const Row*>& rows, Text text) {
    QStringList list;
    list.reserve(rows.size());
    for (const Row* row : rows)
        list.append(text(*row));
    return list;
}

class ColumnWidths {
public:
    ColumnWidths(double scale, const TextMeasurer& measurer) : m_scale(scale), m_measurer(&measurer) {}

    double scale() const { return m_scale; }

    // The rendered width, rounded up to a whole pixel, of the widest of the (at most four)
    // texts with the most characters, at `size` × scale and `weight`. Empty texts are passed
    // over; a later text with as many characters as a kept one does not replace it. 0 for no
    // text.
    double measure(const QStringList& texts, double size,
                   TextMeasurer::Weight weight = TextMeasurer::Weight::regular) const;

    // The width of the widest row of pills, gaps included: the most pills in any row times
    // (gap + each pill's own padding of 10 × scale), plus the widest row's labels run
    // together at 10 points bold. 0 when no row has a pill.
    double pills(const QList<QStringList>& rows, double gap) const;

private:
    double m_scale;
    const TextMeasurer* m_measurer;
};

} // namespace pellimor
