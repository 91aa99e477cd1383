#pragma once

#include <QList>
#include <QString>

// Text comparison that ignores letter case, and for search also accents. No locale: the same
// text folds the same way for every user. Safe from any thread.
namespace pellimor::TextFold {

// The case- and diacritic-free form of a text: canonically decomposed (NFD), without
// non-spacing and enclosing combining marks, case-folded. "Café" and "CAFE\u0301" both give
// "cafe". Fold once and compare folded texts when one text is searched many times.
QString fold(const QString& text);

// Whether `needle` occurs in `haystack` ignoring case and diacritics: "Café" contains "cafe"
// and "É" contains "e". A needle that folds to nothing (empty, or marks alone) occurs
// nowhere.
bool contains(const QString& haystack, const QString& needle);

// Where a text occurs, in UTF-16 positions of the original (unfolded) text.
struct Range {
    qsizetype start = 0;
    qsizetype length = 0;
    bool operator==(const Range&) const = default;
};

// Every occurrence of `needle` in `haystack` under contains()'s rule, searching from the
// start and resuming after each occurrence, so occurrences never overlap ("ana" in "banana"
// is found once). A range covers whole characters of the original text, combining marks
// that follow them included. Empty when the needle folds to nothing.
QList<Range> occurrences(const QString& haystack, const QString& needle);

// Whether `needle` occurs in `haystack` ignoring letter case only: accents count ("é" does
// not contain "e"), and canonically equivalent spellings (composed or decomposed) match.
// An empty needle occurs nowhere.
bool localizedCaseInsensitiveContains(const QString& haystack, const QString& needle);

} // namespace pellimor::TextFold
