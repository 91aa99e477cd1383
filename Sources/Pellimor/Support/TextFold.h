#pragma once

#include "Support/TextSpan.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

// Text comparison that ignores letter case, and for search also accents. No locale: the same
// text folds the same way for every user. Safe from any thread.
namespace pellimor::TextFold {

// The case- and diacritic-free form of a text: canonically decomposed (NFD), without
// non-spacing and enclosing combining marks, then case-folded with the full mappings, so a
// character whose case mapping has several characters folds to all of them. "Café" and
// "CAFE\u0301" both give "cafe"; "Straße" and "STRASSE" give "strasse"; "ﬁle" gives "file".
// A lone surrogate is no character and folds to U+FFFD. Fold once and compare folded texts
// when one text is searched many times.
QString fold(const QString& text);

// fold(text) in UTF-8, appended to `out`. Folded text holds no lone surrogates, so containment
// between two such byte strings is containment between the texts.
void appendFoldedUtf8(QStringView text, QByteArray& out);
QByteArray foldUtf8(QStringView text);

// Whether `needle` occurs in `haystack` ignoring case and diacritics: "Café" contains "cafe"
// and "É" contains "e". A needle that folds to nothing (empty, or marks alone) occurs
// nowhere.
bool contains(const QString& haystack, const QString& needle);

// Every occurrence of `needle` in `haystack` under contains()'s rule, searching from the
// start and resuming after each occurrence, so occurrences never overlap ("ana" in "banana"
// is found once). A span covers whole characters of the original text, combining marks
// that follow them included, in its UTF-16 positions ("ss" in "Straße" is the "ß"). Empty
// when the needle folds to nothing.
QList<TextSpan> occurrences(const QString& haystack, const QString& needle);

// Whether `needle` occurs in `haystack` ignoring letter case only: accents count ("é" does
// not contain "e"), and canonically equivalent spellings (composed or decomposed) match.
// An empty needle occurs nowhere.
bool localizedCaseInsensitiveContains(const QString& haystack, const QString& needle);

} // namespace pellimor::TextFold
