#include "RowColours.h"

#include "DarkLook.h"
#include "NamedColor.h"

#include <QStyleOptionViewItem>

namespace pellimor {

QColor faded(QColor color, qreal opacity) {
    color.setAlphaF(float(color.alphaF() * opacity));
    return color;
}

RowColours RowColours::of(const QStyleOptionViewItem& option) {
    RowColours c;
    c.dark = DarkLook::isDark(option.palette);
    c.selected = option.state & QStyle::State_Selected;
    if (c.selected) {
        const QPalette::ColorGroup group =
            (option.state & QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
        c.text = option.palette.color(group, QPalette::HighlightedText);
        c.secondary = faded(c.text, 0.75);
        c.accent = c.text;
    } else {
        c.text = option.palette.color(QPalette::Active, QPalette::Text);
        c.secondary = namedColor(NamedColor::secondary, c.dark);
        c.accent = namedColor(NamedColor::accent, c.dark);
    }
    return c;
}

} // namespace pellimor
