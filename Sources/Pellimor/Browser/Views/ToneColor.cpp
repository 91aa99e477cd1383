#include "Browser/Views/ToneColor.h"

#include "Widgets/NamedColor.h"

#include <QStyle>
#include <QStyleOptionViewItem>

namespace pellimor {

QColor toneColor(CellTone tone, bool dark, const QStyleOptionViewItem& option) {
    const bool selected = option.state & QStyle::State_Selected;
    switch (tone) {
    case CellTone::primary:
        return option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    case CellTone::secondary:
        return namedColor(NamedColor::secondary, dark || selected);
    case CellTone::green:
        return namedColor(NamedColor::green, dark);
    case CellTone::blue:
        return namedColor(NamedColor::blue, dark);
    case CellTone::red:
        return namedColor(NamedColor::red, dark);
    case CellTone::orange:
        return namedColor(NamedColor::orange, dark);
    case CellTone::pink:
        return namedColor(NamedColor::pink, dark);
    case CellTone::teal:
        return namedColor(NamedColor::teal, dark);
    case CellTone::purple:
        return namedColor(NamedColor::purple, dark);
    }
    return option.palette.color(QPalette::Text);
}

} // namespace pellimor
