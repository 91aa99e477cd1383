#include "Support/IsoTime.h"

namespace pellimor::IsoTime {

QString utc(const QDateTime& time) {
    const qint64 secs = time.toSecsSinceEpoch();
    return QDateTime::fromSecsSinceEpoch(secs, Qt::UTC).toString(Qt::ISODate);
}

QString now() { return utc(QDateTime::currentDateTimeUtc()); }

} // namespace pellimor::IsoTime
