#pragma once

#include "Compare/CompareTone.h"
#include "Widgets/NamedColor.h"

#include <QColor>

namespace pellimor {

// The named colour of a tone of the Compare screen, in the light or the dark look.
inline QColor toneColour(CompareTone tone, bool dark) {
    switch (tone) {
    case CompareTone::green:
        return namedColor(NamedColor::green, dark);
    case CompareTone::orange:
        return namedColor(NamedColor::orange, dark);
    case CompareTone::red:
        return namedColor(NamedColor::red, dark);
    case CompareTone::secondary:
        break;
    }
    return namedColor(NamedColor::secondary, dark);
}

} // namespace pellimor
