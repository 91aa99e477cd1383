#pragma once

namespace pellimor {

// The colours the Compare screen gives its texts and symbols, as plain data: the views map
// each to its named colour.
enum class CompareTone { secondary, green, orange, red };

} // namespace pellimor
