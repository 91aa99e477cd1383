#pragma once

#include <QString>

namespace pellimor {

// A text to put into a menu item's or a button's title so that it shows as written: Qt reads
// "&" there as the mark of a shortcut letter and drops it ("Tom & Jerry" would show as
// "Tom  Jerry"), so each "&" is doubled. For names that come from the user's data (drives,
// libraries, columns), never for titles that mean to mark a shortcut. Safe from any thread.
QString literalTitle(const QString& text);

} // namespace pellimor
