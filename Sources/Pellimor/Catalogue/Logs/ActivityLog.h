#pragma once

#include <QString>

// The activity log: "activity-log.txt", a plain, ever-growing file of dated, tagged one-line
// events (free-space refreshes, searches, main-thread stalls, opening libraries, parking
// DeRoom). Each line is "<UTC time>  <tag>  <message>". It is never trimmed or rotated.
//
// Every function is safe from any thread and never fails towards its caller: a line that
// cannot be written is lost and nothing else happens.
namespace pellimor::ActivityLog {

// "activity-log.txt" in the program's Application Support folder. TOVLIN_DATA_DIR does not
// move it: the log follows the user, not the catalogue.
QString url();

// Appends one line: the current time, two spaces, `tag`, two spaces and `message` with each
// line feed turned into a space (carriage returns and everything else stay as they are).
// Whole lines never interleave, also when several threads log at once. Nothing is buffered:
// the line is on disk when this returns.
void append(const QString& tag, const QString& message);

// Creates an empty log when there is none yet, then shows it selected in the file manager.
void reveal();

} // namespace pellimor::ActivityLog
