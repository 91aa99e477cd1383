#pragma once

#include <QtGlobal>

namespace pellimor {

// A run of a text to emphasise: `length` UTF-16 code units from `start`, as QString indexes
// them. The search marks its matches with these; the table cells paint them.
struct TextSpan {
    qsizetype start = 0;
    qsizetype length = 0;
    bool operator==(const TextSpan&) const = default;
};

} // namespace pellimor
