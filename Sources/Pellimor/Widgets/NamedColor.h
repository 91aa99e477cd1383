#pragma once

#include <QColor>

class QWidget;

namespace pellimor {

// The colours the views name, each with its light-look and dark-look value, from one table
// (NamedColor.cpp), so a badge, a dot or a bar segment has the same colour in every view.
enum class NamedColor {
    teal,       // optimized media
    purple,     // proxy media
    orange,     // render files; warnings
    yellow,     // favourites; search highlights
    green,      // online
    red,        // errors, missing things
    grey,       // offline
    accent,     // the program's accent (libraries, links)
    secondary,  // secondary text and outlines: translucent, over any background
    barTrack,   // the size bar's empty track
    blue,       // original media; a library Final Cut Pro will update; the first drive's tint
    pink,       // analysis files; missing media files
    quaternary, // faint fills behind placeholders and blocks: translucent, over any background
    indigo,     // the sixth drive's tint
};

// The colour of `name` in the dark look when `dark`, else in the light look.
QColor namedColor(NamedColor name, bool dark);

// Draws `widget`'s own text (a label's) in `colour`; the rest of its palette stays.
void setTextColour(QWidget* widget, const QColor& colour);

} // namespace pellimor
