#pragma once

#include <QString>

namespace pellimor {

// The shortest decimal text that reads back to the same double, always with a decimal point
// or an exponent, so a whole number still reads as a fraction ("13.0", "16.900000000000002",
// "0.25", "1700000000.0"). Magnitudes below 0.0001 or from 2^53 on take an exponent ("1e-05",
// "1e+16"). Style sheets, timings and cache keys that must tell 13 from 13.000000001 write
// their numbers with it. Safe from any thread.
QString shortestDouble(double value);

} // namespace pellimor
