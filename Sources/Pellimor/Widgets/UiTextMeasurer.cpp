#include "Widgets/UiTextMeasurer.h"

#include "Widgets/UiFont.h"

#include <QFontMetricsF>

namespace pellimor {

double UiTextMeasurer::width(const QString& text, double points, Weight weight) const {
    // `points` is already scaled; the weights share Qt 6's numbering.
    const QFont font = UiFont::font(points, static_cast<QFont::Weight>(static_cast<int>(weight)), 1.0);
    return QFontMetricsF(font).horizontalAdvance(text);
}

} // namespace pellimor
