#pragma once

#include <QString>
#include <QStringView>

// Counting text as the user sees it. Safe from any thread.
namespace pellimor::Graphemes {

// User-perceived characters (extended grapheme clusters) of a text: a letter with its
// combining marks, an emoji with its modifiers or joined sequence, a flag, and a CR LF pair
// each count once. The empty text has none.
qsizetype count(QStringView text);

// The first `count` user-perceived characters of a text (all of it when it has fewer; none for
// a count of 0 or less), never cutting a character in two.
QString prefix(QStringView text, qsizetype count);

} // namespace pellimor::Graphemes
