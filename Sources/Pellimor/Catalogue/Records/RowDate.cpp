#include "Catalogue/Records/RowDate.h"

namespace pellimor::RowDate {

QDateTime distantPast() {
    static const QDateTime past(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
    return past;
}

QDateTime pick(const std::optional<QDateTime>& created, const std::optional<QDateTime>& modified,
               const QString& dateMode) {
    const std::optional<QDateTime>& chosen = dateMode == QLatin1StringView("created") ? created : modified;
    return chosen && chosen->isValid() ? *chosen : distantPast();
}

bool isAfterEpoch(const QDateTime& date) {
    static const QDateTime epoch = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
    return date.isValid() && date > epoch;
}

} // namespace pellimor::RowDate
