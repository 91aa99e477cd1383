#pragma once

// The command-line entry: self-tests and diagnostics that run without a window, print their
// outcome and give the exit status. main() asks dispatch() before any Q(Core)Application
// exists, so every switch works without a display; when nothing matches, the windowed
// program starts.
//
// A switch is recognised only as the first argument after the program's path, compared
// exactly, and only when the argument list (the program's path included) is at least as long
// as the switch's minimum; the rows are tried in table order and the first match wins.
// Arguments beyond those a switch uses are ignored. There is no usage message: a mistyped
// switch or too few arguments starts the windowed program.
//
// Everything runs on the calling thread (main thread only).

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace pellimor::CommandLine {

// Writes one line of output; the writer adds the line break.
using Print = std::function<void(const QString& line)>;
// Runs one switch with the whole argument list (the program's path first) and returns the
// exit status: 0 or 1.
using Action = std::function<int(const QStringList& args, const Print& print)>;

struct Switch {
    QString name;           // "--check"
    qsizetype minimumCount; // of the whole argument list, the program's path included
    Action run;
};

// Lines on standard output, UTF-8, flushed one by one so long diagnostics show progress.
Print standardOutput();

// The program's arguments as texts (file names decoded the way the system encodes them).
QStringList arguments(int argc, const char* const* argv);

// The program's switches, in the order they are tried.
const QList<Switch>& switches();

// The exit status of the first row of `table` whose name equals args[1] and whose minimum
// the count reaches, after running it; nothing when no row matches (the windowed start goes on).
std::optional<int> dispatch(const QStringList& args, const QList<Switch>& table, const Print& print);
std::optional<int> dispatch(const QStringList& args, const Print& print = standardOutput());

// ---- The diagnostics and self-tests. Each takes the whole argument list. -----------------

// "--safetycopy" library destination: a safety copy of the library into the destination,
// "safety copy ok: F files, SIZE, S.S s" and 0, or "safety copy FAILED: WHY" and 1.
int safetyCopy(const QStringList& args, const Print& print);
// "--selftest-prefs": the Final Cut Pro settings backup's self-test, silent when it passes.
// 0 when it passes, else 1.
int selfTestPrefs(const QStringList& args, const Print& print);
// "--selftest-deroom": the DeRoom risk rules and a park and restore round trip in a folder of
// the temporary folder, which it removes. Prints "DEROOM CHECKS PASSED" when it passes. 0 when
// it passes, else 1.
int selfTestDeRoom(const QStringList& args, const Print& print);
// "--check" library: readability probes of the library's database file. Always 0.
int check(const QStringList& args, const Print& print);
// "--cleanup-plan" library: what free up space would remove from every event, of all three
// kinds, and what it would keep and why, without the Final Cut Pro check. Always 0.
int cleanupPlan(const QStringList& args, const Print& print);
// "--missing-search" library folder: the library's broken links, looked for in the catalogue
// (with nothing catalogued) and in the folder, printed as the saved list of missing files.
// Changes nothing. Always 0.
int missingSearch(const QStringList& args, const Print& print);
// "--missing-files" library: the report of the library's linked originals whose files are
// gone, or "Nothing missing.". Always 0.
int missingFiles(const QStringList& args, const Print& print);
// "--plugins" library: the plug-in uses of every event and project. Always 0.
int plugins(const QStringList& args, const Print& print);
// "--ask-manual" words: the manual's best sections for the question (the words joined with
// blanks), "Sections: " and their titles, then "No written answer: WHY", or an empty line,
// "Answer:" and the local language model's answer, or "AI error: WHY". Always 0.
int askManual(const QStringList& args, const Print& print);
// "--selftest-search": the share-tag self-test. 0 when it passes, else 1.
int selfTestSearch(const QStringList& args, const Print& print);
// "--selftest-cleanup": the free-up-space, signature and missing-files self-tests, in that
// order. Each prints its own lines. 0 when all pass, else 1.
int selfTestCleanup(const QStringList& args, const Print& print);
// Runs `tests` in order and stops at the first that fails: 1 then, else 0.
int selfTestChain(const QList<std::function<bool()>>& tests);
// "--discover" root [depth]: a whole discovery walk with its checkpoints. Always 0.
int discover(const QStringList& args, const Print& print);
// "--dump" library: the full read of one library as JSON. Always 0.
int dump(const QStringList& args, const Print& print);

// ---- Small pieces of the output, shared by the diagnostics. -------------------------------

// A library, folder or destination argument as an absolute, clean path (relative paths
// against the working folder).
QString pathArgument(const QString& argument);
// "Can't read the library at PATH." when nothing of a library is at `library` (no such path, or
// neither a library's own files nor an event in it); nothing when there is a library to read.
std::optional<QString> unreadableLibrary(const QString& library);
// "true" or "false".
QString flag(bool value);
// A whole number written in decimal digits with an optional sign and nothing else ("5",
// "-1", "+2"), within 64 bits; nothing otherwise (" 5", "5.0", "abc", "").
std::optional<qint64> wholeNumber(const QString& text);

} // namespace pellimor::CommandLine
