#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// The date a row of a table or of the library browser shows for a record, and when that date
// counts as known. Plain functions; safe from any thread.
namespace pellimor::RowDate {

// Earlier than every real date: where a row has no date to show, so it sorts first.
QDateTime distantPast();

// The creation date when `dateMode` is exactly "created", else the modification date;
// distantPast() when the chosen one is absent or invalid.
QDateTime pick(const std::optional<QDateTime>& created, const std::optional<QDateTime>& modified,
               const QString& dateMode);

// Whether `date` lies after 1 January 1970 (UTC). A missing date often reads back as the epoch
// itself, so the epoch and everything before it is "not known".
bool isAfterEpoch(const QDateTime& date);

} // namespace pellimor::RowDate
