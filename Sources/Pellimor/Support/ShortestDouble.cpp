#include "Support/ShortestDouble.h"

#include <array>
#include <charconv>
#include <cmath>

namespace pellimor {

QString shortestDouble(double value) {
    if (!std::isfinite(value))
        return QString::number(value);
    // Plain decimals for every magnitude a person reads as a number (a size, seconds, a time
    // since 1970); an exponent only for the very small and for those beyond exact integers.
    const double magnitude = std::fabs(value);
    const bool plain = magnitude == 0.0 || (magnitude >= 1e-4 && magnitude < 0x1p53);
    std::array<char, 64> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                            plain ? std::chars_format::fixed : std::chars_format::scientific);
    if (error != std::errc())
        return QString::number(value, 'g', 17);
    QString text = QString::fromLatin1(buffer.data(), end - buffer.data());
    if (plain && !text.contains(QLatin1Char('.')))
        text += QStringLiteral(".0");
    return text;
}

} // namespace pellimor
