#pragma once

#include <QColor>
#include <QString>

namespace pellimor {

// A badge: a short label (a count or a flag) in a colour, on a capsule of the same colour,
// faint; its tip explains it. CellPainter draws rows of them.
struct Pill {
    QString label;
    QColor color;
    QString tip;
    qreal opacity = 0.2; // of the capsule's fill; the tables use 0.2 to 0.22
};

} // namespace pellimor
