#pragma once

#include <QString>

namespace pellimor {

// Renders one line of text in the program's interface font and says how wide it is. The
// widget layer gives the real one (Widgets/UiTextMeasurer.h); engines and switches that measure
// columns take it from their caller, so nothing below the widgets needs a running GUI.
class TextMeasurer {
public:
    // Font weights, numbered as CSS and Qt 6 number them, so a widget measurer maps them
    // one to one.
    enum class Weight {
        light = 300,
        regular = 400,
        medium = 500,
        semibold = 600,
        bold = 700,
        heavy = 800,
    };

    virtual ~TextMeasurer() = default;

    // The advance width of `text` on one line (no wrapping, no eliding), in logical pixels,
    // in the interface font at `points` (already scaled) and `weight`.
    virtual double width(const QString& text, double points, Weight weight) const = 0;
};

} // namespace pellimor
