#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <Qt>

namespace pellimor::ElidedLines {

// `text` broken into lines no wider than `width` (pixels, in `font`), at word boundaries where
// it can and anywhere where a word (a path) is wider than the line. When it takes more than
// `maxLines` lines, characters are taken out at the end, the middle or the start (`mode`) and
// replaced by one "…", keeping as many as still fit in `maxLines`. Trailing spaces of a line
// are dropped. Always at least one line; an empty text is one empty line. Main thread only
// (it lays text out with the font's metrics).
QStringList lay(const QString& text, const QFont& font, qreal width, int maxLines, Qt::TextElideMode mode);

} // namespace pellimor::ElidedLines
