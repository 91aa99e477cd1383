#pragma once

#include <QColor>

class QStyleOptionViewItem;

namespace pellimor {

// The colours a delegate draws one row's texts in. A selected row takes the selection's text
// colour for everything, so nothing coloured sits unreadable on the highlight; other rows use
// the palette's text and the named secondary and accent colours of their look.
struct RowColours {
    QColor text;
    QColor secondary;
    QColor accent;
    bool dark = false;
    bool selected = false;

    static RowColours of(const QStyleOptionViewItem& option);
};

// The colour with its opacity multiplied by the given one.
QColor faded(QColor color, qreal opacity);

} // namespace pellimor
