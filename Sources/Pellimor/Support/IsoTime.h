#pragma once

#include <QDateTime>
#include <QString>

namespace pellimor::IsoTime {

// ISO 8601 internet date-time in UTC with whole seconds, e.g. "2025-03-01T09:30:00Z".
// Fractions of a second are dropped (the time is rounded down to its second), as the logs
// and reports show them. An invalid date gives an empty text.
QString utc(const QDateTime& time);

// The same for the current moment.
QString now();

} // namespace pellimor::IsoTime
