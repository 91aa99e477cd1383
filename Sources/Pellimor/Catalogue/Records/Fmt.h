#pragma once

#include <QDateTime>
#include <QString>

// The date and duration formats every window shows. Safe from any thread.
namespace pellimor::Fmt {

// A length in seconds rounded to whole seconds (halves away from zero): "M:SS" below an hour,
// else "H:MM:SS" with as many hours as it takes. "—" for a value that is not above zero, not
// a number, infinite or too large to count in whole seconds.
QString duration(double seconds);

// The day of `date` in local time, in the medium date style of the current locale (the
// system's unless the program chose another): "8 Dec 2026" in a British locale, "Dec 8,
// 2026" in an American one. No time of day. Empty for an invalid date.
QString date(const QDateTime& date);

// A date as the tables and panels write it: date() when it lies after 1 January 1970 (UTC),
// else "—", the mark of a date that is not known (invalid, or the epoch a missing one reads
// as).
QString dateOrDash(const QDateTime& date);

} // namespace pellimor::Fmt
