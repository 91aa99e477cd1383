#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// A file of the program's own that could not be read is moved aside before anything is saved
// in its place, so the user (or support) can still recover what it held. Safe from any thread.
namespace pellimor::KeptAside {

// "<file>.unreadable-<UTC time>", for example "catalog.json.unreadable-20261209T221500Z": no
// colons, which some file systems refuse.
QString name(const QString& file, const QDateTime& at);

// Moves whatever stands at `file` (a file, a folder, a pipe) to name(file, now) beside it,
// never replacing anything already there. The new path, or nothing when it could not move.
std::optional<QString> move(const QString& file);

} // namespace pellimor::KeptAside
