#pragma once

#include <QtGlobal>
#include <initializer_list>
#include <limits>

// Sums of byte counts that never overflow. Sizes come from a catalogue file a user (or a
// damaged disk) may have changed, so a sum can meet values near 2^63; signed overflow would be
// undefined, so these sums stop at the largest (or smallest) 64-bit value instead: a sum that
// cannot be written is as large as a sum can be. Thread-safe.
namespace pellimor::ByteSum {

constexpr qint64 saturatingAdd(qint64 a, qint64 b) {
    qint64 sum = 0;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    // Overflow happens only when both have the same sign, and then points that way.
    return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
}

// Adds from left to right, each step saturating.
constexpr qint64 saturatingSum(std::initializer_list<qint64> counts) {
    qint64 sum = 0;
    for (const qint64 count : counts)
        sum = saturatingAdd(sum, count);
    return sum;
}

} // namespace pellimor::ByteSum
