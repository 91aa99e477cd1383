#include "Widgets/DarkLook.h"

#include <QPalette>
#include <QWidget>
#include <cmath>

namespace pellimor::DarkLook {

namespace {

// Relative luminance of an sRGB colour (the weights of the eye's response to red, green and
// blue), 0 for black and 1 for white.
double luminance(const QColor& color) {
    const auto linear = [](float channel) {
        return channel <= 0.04045f ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = color.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

} // namespace

bool isDark(const QPalette& palette) {
    return luminance(palette.color(QPalette::Window)) < luminance(palette.color(QPalette::WindowText));
}

bool isDark(const QWidget* widget) {
    return widget && isDark(widget->palette());
}

} // namespace pellimor::DarkLook
