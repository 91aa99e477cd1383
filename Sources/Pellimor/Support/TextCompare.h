#pragma once

#include <QString>

namespace pellimor::TextCompare {

// The order the file manager sorts names in: letter case ignored, accents considered, runs
// of digits compared by their value ("Event 2" before "Event 10"), in the user's language
// (English rules when the system locale is the plain "C" locale, whose collation knows no
// numbers). Both texts are compared in their composed form (NFC), so a decomposed "é" from
// a file name sorts with a composed one. Texts that are equal by those rules but not
// identical ("abc" and "ABC", "File 02" and "File 2") still get a fixed order, so a sort
// does not depend on the order of its input; 0 means the composed texts are identical.
// Returns <0, 0 or >0. Safe from any thread (each thread has its own collator).
int localizedStandard(const QString& a, const QString& b);

// localizedStandard(a, b) < 0; a strict weak order, usable with std::sort.
bool lessThan(const QString& a, const QString& b);

// Words in the user's language with letter case ignored and digits as plain characters
// ("Take 10" before "Take 9"); texts the collation calls equal are ordered by their raw text.
// Returns <0, 0 or >0. Safe from any thread.
int localizedCaseInsensitive(const QString& a, const QString& b);

// Plain ascending order by Unicode code points. QString's own operator< compares UTF-16
// units, which puts characters beyond U+FFFF before U+E000–U+FFFF.
bool codePointLess(const QString& a, const QString& b);

// The order used instead of the collator's when it cannot compare numbers (a Qt built
// without ICU): runs of digits by value, other runs by case-insensitive comparison.
// Public so that every build tests it.
int digitRunCompare(const QString& a, const QString& b);

} // namespace pellimor::TextCompare
