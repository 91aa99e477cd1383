#include "Shell/TableCell.h"

#include "Catalogue/Records/Fmt.h"
#include "Support/ByteCount.h"

#include <QStringList>

namespace pellimor {

QString TableCell::bytesText(qint64 bytes) {
    return ByteCount::file(bytes);
}

QString TableCell::countText(qint64 count) {
    return QString::number(count);
}

QString TableCell::dateText(const QDateTime& date) {
    return Fmt::dateOrDash(date);
}

QString TableCell::shown() const {
    switch (kind) {
    case Kind::bytes:
        return bytesText(number);
    case Kind::count:
        return countText(number);
    case Kind::duration:
        return Fmt::duration(seconds);
    case Kind::date:
        return dateText(date);
    case Kind::pills:
        return BrowserCells::labels(pills).join(QStringLiteral(", "));
    case Kind::name:
    case Kind::highlighted:
    case Kind::plain:
    case Kind::version:
        break;
    }
    return text;
}

QString TableCell::accessibleText() const {
    QStringList parts{shown()};
    if (kind != Kind::pills) {
        for (const BrowserCells::Pill& pill : pills)
            parts.append(pill.label);
    }
    if (!tip.isEmpty())
        parts.append(tip);
    parts.removeAll(QString());
    return parts.join(QStringLiteral(", "));
}

} // namespace pellimor
