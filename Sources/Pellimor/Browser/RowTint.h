#pragma once

namespace pellimor {

// The background tint of one row of the library browser while it groups libraries by drive,
// as plain data: the view maps the hue to its named colour and lays it at the opacity.
struct RowTint {
    // The drives' hues, in the order drives take them.
    enum class Hue { blue, teal, purple, green, orange, indigo };
    static constexpr int hueCount = 6;

    Hue hue = Hue::blue;
    double opacity = 0;

    bool operator==(const RowTint&) const = default;
};

} // namespace pellimor
