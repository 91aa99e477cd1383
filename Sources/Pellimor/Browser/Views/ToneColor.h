#pragma once

#include "Browser/CellTone.h"

#include <QColor>

class QStyleOptionViewItem;

namespace pellimor {

// The colour a cell's tone stands for in the look of `option` (dark when `dark`): the palette's
// text colour for primary (its highlighted text on a selected row), the named colours for the
// rest. Every table that paints engine tones maps them here. Main thread only.
QColor toneColor(CellTone tone, bool dark, const QStyleOptionViewItem& option);

} // namespace pellimor
