#pragma once

#include "Platform/ProblemReporter.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

// The error log: "error-log.txt" in the data folder, one entry per line:
//
//     2025-03-01T09:30:00Z ERROR catalogue: The catalogue could not be saved: The disk is full.
//
// The text (message, then "  path: <path>" when there is a path) is folded into one line.
// When the next entry would take the file past its cap, the file becomes "error-log.txt.1"
// (replacing the older one) and a new file begins.
//
// Every function is safe from any thread and never fails towards its caller: an entry that
// cannot be written is lost and nothing else happens. One lock makes each entry, rotation and
// read whole.
namespace pellimor::ErrorLog {

enum class Level { info, warn, error };

// "INFO", "WARN", "ERROR".
QString word(Level level);

// The cap every entry of the running program is written with.
inline constexpr qint64 capBytes = 500000;

// "error-log.txt" in the data folder (TOVLIN_DATA_DIR, else the program's Application Support
// folder).
QString url();

// Appends one entry to `file`, dated `now`, rotating the file first when its size plus the
// entry's UTF-8 length would exceed `maxBytes`. An existing file is only ever appended to or
// rotated, never replaced by a single entry.
void write(Level level, const QString& area, const QString& message, const std::optional<QString>& path,
           const QString& file, qint64 maxBytes, const QDateTime& now);

// How the program writes an entry: nothing while headless(), else write() to url() with
// capBytes and the current time.
void log(Level level, const QString& area, const QString& message,
         const std::optional<QString>& path = std::nullopt);

// A problem the layers below the catalogue reported, logged as log() logs it. main() installs
// it as the platform's problem sink (ProblemReporter::install) before anything could report.
void logProblem(const platform::ProblemReporter::Problem& problem);

// The last `count` lines of `file` + ".1" and `file` together, oldest first; empty lines are
// left out. Nothing for a count of 0 or less; a file that cannot be read adds nothing.
QStringList recent(int count, const QString& file);

// Creates an empty log at url() when there is none yet, then shows it selected in the file
// manager.
void reveal();

// True while the program runs a self-test or diagnostic (any "--" argument), which must leave
// the user's error log alone. False until decided or set.
bool headless();
void setHeadless(bool headless);

// Decides headless() from the program's arguments: true when any argument after argv[0]
// begins with "--". main() calls it once. Returns the decision.
bool decideHeadless(int argc, const char* const* argv);

// Once per process (later calls do nothing): writes the INFO "start" entry with `appVersion`
// as its message unless headless, and installs the handler of uncaught exceptions, which
// (unless headless) writes an ERROR "crash" entry naming the exception's type and reason
// before the process aborts as it would have without it.
void started(const QString& appVersion);

} // namespace pellimor::ErrorLog
