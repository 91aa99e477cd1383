#pragma once

#include "Plugins/PluginTone.h"
#include "Plugins/StatusIcon.h"
#include "Widgets/NamedColor.h"

#include <QColor>

namespace pellimor {

// The named colour of a plug-in text's tone, in the light or the dark look.
inline QColor toneColour(PluginTone tone, bool dark) {
    switch (tone) {
    case PluginTone::green:
        return namedColor(NamedColor::green, dark);
    case PluginTone::orange:
        return namedColor(NamedColor::orange, dark);
    case PluginTone::red:
        return namedColor(NamedColor::red, dark);
    case PluginTone::secondary:
        break;
    }
    return namedColor(NamedColor::secondary, dark);
}

// The named colour a status symbol is drawn in.
inline QColor iconColour(StatusIcon::Colour colour, bool dark) {
    switch (colour) {
    case StatusIcon::Colour::green:
        return namedColor(NamedColor::green, dark);
    case StatusIcon::Colour::red:
        return namedColor(NamedColor::red, dark);
    case StatusIcon::Colour::orange:
        return namedColor(NamedColor::orange, dark);
    case StatusIcon::Colour::grey:
        break;
    }
    return namedColor(NamedColor::grey, dark);
}

} // namespace pellimor
