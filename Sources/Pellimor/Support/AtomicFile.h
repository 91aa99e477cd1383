#pragma once

#include "Support/Result.h"

#include <QByteArray>
#include <QString>

namespace pellimor::AtomicFile {

// Writes `bytes` as the whole content of the file at `path`, creating missing parent
// folders. The data goes to a temporary file beside the target that replaces it only when
// everything was written and flushed to disk, so a failure or a crash leaves either the old
// file or the new one, never a mix. On failure the error is a sentence naming the file and
// the reason. Safe from any thread for different paths.
Result<void> write(const QString& path, const QByteArray& bytes);

} // namespace pellimor::AtomicFile
