#pragma once

#include <QString>
#include <QtGlobal>
#include <utility>

namespace pellimor {

// The first two numbers of a version text, which alone decide whether Final Cut Pro opens a
// library without updating it: "10.4.6" → (10, 4); "11" → (11, 0); "10.x" → (10, 0);
// "10..6" → (10, 6); "" → (0, 0). Pieces are split at "." with empty ones dropped; a piece
// that is not a plain decimal number (an optional sign and ASCII digits, within 64 bits)
// counts as 0. Pairs compare major first, then minor. Any thread.
std::pair<qint64, qint64> versionKey(const QString& version);

} // namespace pellimor
