#include "Support/IsoTime.h"

namespace pellimor::IsoTime {

QString utc(const QDateTime& time) {
    if (!time.isValid())
        return {};
    // Round down, also before 1970: QDateTime::toSecsSinceEpoch() rounds towards zero, which
    // would write 23:59:59.5 on 31 December 1969 as the next second.
    const qint64 ms = time.toMSecsSinceEpoch();
    const qint64 secs = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
    return QDateTime::fromSecsSinceEpoch(secs, Qt::UTC).toString(Qt::ISODate);
}

QString now() {
    return utc(QDateTime::currentDateTimeUtc());
}

} // namespace pellimor::IsoTime
