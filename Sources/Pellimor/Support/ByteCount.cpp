#include "Support/ByteCount.h"

#include <array>

namespace pellimor::ByteCount {

namespace {

struct Unit {
    const char* name;
    quint64 size;  // bytes in one unit
    int decimals;  // digits after the point before trailing zeros are dropped
    quint64 scale; // 10^decimals
};

constexpr std::array<Unit, 6> kUnits{{
    {"KB", 1'000ULL, 0, 1},
    {"MB", 1'000'000ULL, 1, 10},
    {"GB", 1'000'000'000ULL, 2, 100},
    {"TB", 1'000'000'000'000ULL, 2, 100},
    {"PB", 1'000'000'000'000'000ULL, 2, 100},
    {"EB", 1'000'000'000'000'000'000ULL, 2, 100},
}};

QString magnitude(quint64 bytes) {
    if (bytes == 0)
        return QStringLiteral("Zero KB");
    if (bytes == 1)
        return QStringLiteral("1 byte");
    if (bytes < 1000)
        return QString::number(bytes) + QStringLiteral(" bytes");

    for (std::size_t i = 0; i < kUnits.size(); ++i) {
        const Unit& unit = kUnits[i];
        // Whole multiples of the last shown digit, rounded half up. Integer arithmetic keeps
        // the boundaries exact; bytes + step/2 stays far below 2^64 for every qint64 input.
        const quint64 step = unit.size / unit.scale;
        const quint64 scaled = (bytes + step / 2) / step;
        const bool last = i + 1 == kUnits.size();
        if (scaled >= 1000 * unit.scale && !last)
            continue; // rounds up to 1000 of this unit: the next unit writes it
        QString text = QString::number(scaled / unit.scale);
        if (unit.decimals > 0) {
            QString fraction = QString::number(scaled % unit.scale).rightJustified(unit.decimals, u'0');
            while (fraction.endsWith(u'0'))
                fraction.chop(1);
            if (!fraction.isEmpty())
                text += u'.' + fraction;
        }
        return text + u' ' + QLatin1String(unit.name);
    }
    return {}; // not reached: the last unit always answers
}

} // namespace

QString file(qint64 bytes) {
    if (bytes < 0) // via unsigned negation, so the smallest qint64 does not overflow
        return u'-' + magnitude(0ULL - static_cast<quint64>(bytes));
    return magnitude(static_cast<quint64>(bytes));
}

} // namespace pellimor::ByteCount
