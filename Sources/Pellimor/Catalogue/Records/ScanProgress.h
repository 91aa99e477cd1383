#pragma once

#include <QtGlobal>

namespace pellimor {

// How far the running scan's read phase has come: libraries read of those found.
struct ScanProgress {
    qint64 done = 0;
    qint64 total = 0;
    bool operator==(const ScanProgress&) const = default;
};

} // namespace pellimor
