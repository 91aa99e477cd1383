#pragma once

#include <QString>

namespace pellimor {

// The shortest decimal text that reads back to the same double, always with a decimal point
// or an exponent, so a whole number still reads as a fraction ("13.0", "16.900000000000002",
// "0.25", "1e-05"). Style sheets, timings and cache keys that must tell 13 from 13.000000001
// write their numbers with it. Safe from any thread.
QString shortestDouble(double value);

} // namespace pellimor
