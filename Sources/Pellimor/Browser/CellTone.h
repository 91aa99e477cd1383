#pragma once

namespace pellimor {

// The colour a browser cell's text or pill is drawn in, named by its role so the engine can say
// it without knowing colours: the views map each tone to the named colour of their look.
enum class CellTone {
    primary,   // the look's own text colour
    secondary, // dimmed text: dashes, details, amounts that need no attention
    green,     // all is well; search matches
    blue,      // will change when opened (a library Final Cut Pro updates)
    red,       // cannot be used here; missing things
    orange,    // needs attention; render files
    pink,      // missing media files
    teal,      // optimized media
    purple,    // proxy media
};

} // namespace pellimor
