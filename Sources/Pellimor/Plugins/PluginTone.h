#pragma once

#include "Plugins/PluginStatus.h"

namespace pellimor {

// The colour a plug-in text is drawn in; the views map it to their named colours.
enum class PluginTone { secondary, red, orange, green };

// The colour of a status's words wherever they stand: red for missing, orange for partial, the
// secondary colour otherwise.
PluginTone statusTone(PluginStatus status);

} // namespace pellimor
