#pragma once

#include "Support/Result.h"

#include <QByteArray>
#include <QString>

// Appending to the program's plain-text logs. A log only ever grows: the file is opened for
// appending (created when missing, never truncated), so nothing written earlier is replaced.
// Each call is a single write to a file opened for appending, so what several threads append
// at once never interleaves within one call. No folder is created: the caller makes the
// log's folder, and a missing one is an error.
//
// Safe from any thread. Nothing is buffered: the bytes are in the system's hands on return.
namespace pellimor::LogFile {

// Appends `bytes` as they are. Appending nothing still creates a missing file.
Result<void> append(const QString& path, const QByteArray& bytes);

// Appends one line: the current time (ISO 8601, UTC, whole seconds), two spaces, `text` with
// each line feed turned into a space, and a line feed.
Result<void> appendLine(const QString& path, const QString& text);

} // namespace pellimor::LogFile
