#include "Support/VersionKey.h"

#include <QStringList>
#include <limits>

namespace pellimor {

namespace {

// One piece of a version text as a number: an optional sign and ASCII digits only, nothing
// else (no blanks, no other scripts' digits). Anything else, or a value beyond 64 bits,
// counts as 0.
qint64 versionNumber(QStringView piece) {
    bool negative = false;
    if (piece.startsWith(u'+') || piece.startsWith(u'-')) {
        negative = piece.front() == u'-';
        piece = piece.mid(1);
    }
    if (piece.isEmpty())
        return 0;
    // Accumulated as a magnitude, so the most negative 64-bit value still fits.
    const quint64 limit = negative ? quint64(std::numeric_limits<qint64>::max()) + 1
                                   : quint64(std::numeric_limits<qint64>::max());
    quint64 magnitude = 0;
    for (const QChar c : piece) {
        if (c < u'0' || c > u'9')
            return 0;
        const quint64 digit = quint64(c.unicode() - u'0');
        if (magnitude > (limit - digit) / 10)
            return 0;
        magnitude = magnitude * 10 + digit;
    }
    if (!negative)
        return qint64(magnitude);
    return magnitude == limit ? std::numeric_limits<qint64>::min() : -qint64(magnitude);
}

} // namespace

std::pair<qint64, qint64> versionKey(const QString& version) {
    const QStringList pieces = version.split(u'.', Qt::SkipEmptyParts);
    return {pieces.isEmpty() ? 0 : versionNumber(pieces.at(0)),
            pieces.size() < 2 ? 0 : versionNumber(pieces.at(1))};
}

} // namespace pellimor
