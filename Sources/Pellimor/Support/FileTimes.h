#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// Times of a file or folder straight from the file system. Symbolic links are not followed:
// the times are those of the item itself.
namespace pellimor::FileTimes {

// The birth time where the file system records it (statx); nothing where it does not.
std::optional<QDateTime> created(const QString& path);
// The content modification time (st_mtime), to the nanosecond the file system keeps.
std::optional<QDateTime> modified(const QString& path);
// The same as seconds since 1970 with the fraction kept; nothing when it cannot be read.
std::optional<double> modifiedSeconds(const QString& path);

} // namespace pellimor::FileTimes
