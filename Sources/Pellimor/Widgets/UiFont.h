#pragma once

#include <QFont>
#include <functional>
#include <optional>

class QObject;

// Every font a view shows: the application's font at `points × the font scale` (1.3 with
// "Larger Text", else 1.0), with the weight given or regular. Paddings, dots and spacings are
// logical pixels and do not scale. Views that keep a font re-font when the settings store
// reports "comfortableText" (watchComfortableText). Main thread only.
namespace pellimor::UiFont {

QFont font(qreal points, std::optional<QFont::Weight> weight = std::nullopt);

// The same for an explicit scale, without reading the settings (measurers, tests).
QFont font(qreal points, std::optional<QFont::Weight> weight, double scale);

// The scale in force now, from "comfortableText".
double scale();

// `points` as logical pixels, converted as the fonts above convert their sizes on this screen
// (at 96 dots per inch a point is 4/3 of a pixel). Lengths laid out beside text and given in
// points, such as column widths, go through here, so a column meant to hold a 13-point text
// holds it here too.
double pixels(double points);

// Calls `refont` on `context`'s thread each time "comfortableText" changes, for as long as
// `context` lives.
void watchComfortableText(QObject* context, std::function<void()> refont);

} // namespace pellimor::UiFont

namespace pellimor {
// The short spelling views use.
inline QFont uiFont(qreal points, std::optional<QFont::Weight> weight = std::nullopt) {
    return UiFont::font(points, weight);
}
} // namespace pellimor
