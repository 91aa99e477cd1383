#include "Platform/MountTable.h"

#include <QFile>

namespace pellimor::MountTable {

QByteArray unescapeField(const QByteArray& field) {
    const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) && isOctal(field[i + 2]) &&
            isOctal(field[i + 3])) {
            const int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            if (value < 256) {
                out.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return out;
}

std::optional<QByteArray> mountPointOf(const QByteArray& mountinfo, std::uint64_t mountId) {
    const QByteArray id = QByteArray::number(quint64(mountId));
    for (const QByteArray& line : mountinfo.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() >= 5 && fields[0] == id)
            return unescapeField(fields[4]);
    }
    return std::nullopt;
}

std::optional<QByteArray> mountPointOf(std::uint64_t mountId) {
    // The kernel reports no size for the table; readAll reads on until its end.
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    return mountPointOf(table.readAll(), mountId);
}

} // namespace pellimor::MountTable
