#pragma once

#include <QString>

namespace pellimor::ByteCount {

// A byte count as the file manager shows file sizes, in decimal units (1 KB = 1000 bytes):
//   0 → "Zero KB"; 1 → "1 byte"; 2…999 → "N bytes";
//   KB without decimals, MB with one, GB, TB, PB and EB with two, rounded half up, with
//   trailing zeros (and a bare decimal point) dropped: "1 KB", "1.5 MB", "2.25 GB", "2 GB".
// A value that rounds up to 1000 of one unit is written in the next unit: 999,999 bytes is
// "1 MB", never "1000 KB". Negative counts are a minus sign followed by the same text.
// The decimal separator is always ".", whatever the locale, so texts are the same on every
// machine and in every log. Thread-safe.
QString file(qint64 bytes);

} // namespace pellimor::ByteCount
