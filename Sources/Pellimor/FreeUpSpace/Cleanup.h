#pragma once

// Free up space removes only what Final Cut Pro can rebuild: proxy media, optimized media and
// render files. These are the rules that decide what that is, the safety checks that keep
// everything else (original media, projects, analysis files, the library's own files) out of
// reach, and the plan that says, before anything is touched, what would go and why the rest
// stays.
//
// Nothing here but run() and selfTest() changes anything on disk or writes to a log, and
// nothing throws: a folder that cannot be read, a value that cannot be looked up or a link
// that cannot be read gives an empty list, a skipped item, no link or 0 bytes, as each
// function says. No state is kept between calls. Safe from any thread.
//
// Paths are texts. "Standardised" is lexical: no "." or ".." components, no doubled or
// trailing "/". "Resolved" also follows every link on the way, and falls back to the
// standardised path when nothing exists there. Sizes are allocated bytes (st_blocks × 512).
// Walks and listings never follow a link into a folder, walks never enter another mount, and
// hidden means a name beginning with ".". Names are matched in their composed form (NFC), so a proxy whose
// name is composed matches an original whose name is decomposed.
//
// The implementation is split by concern: CleanupRules.cpp (what may be offered and the
// safety checks), CleanupOriginals.cpp (originals, missing originals and their report),
// CleanupPlanning.cpp (the plan), CleanupRun.cpp (the run, the only code here that removes
// anything) and CleanupSelfTest.cpp; CleanupChecks.h holds what the plan and the run share to
// look at an item through open folders.

#include "Catalogue/Records/CleanupTarget.h"
#include "FreeUpSpace/CleanupPlan.h"
#include "FreeUpSpace/CleanupRunResult.h"
#include "FreeUpSpace/MissingOriginal.h"
#include "Support/Result.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <stop_token>

namespace pellimor::Cleanup {

// "Original Media", "Shared Items", "Analysis Files", "Motion Templates.localized": no
// component of a target below its event may be one of them.
const QSet<QString>& protectedNames();

// Final Cut Pro runs (platform::FinalCutApp::running()). The plan, the run and the link
// repair refuse to change a library while it does.
bool fcpIsRunning();

// ---- What may be offered ----------------------------------------------------------------

// The candidates of one kind in one event folder: for proxy and optimized media the kind's
// one folder ("Transcoded Media/Proxy Media", "Transcoded Media/High Quality Media"), for
// render files every visible item directly inside "Render Files", in the file manager's
// order. Only what exists, or is a link (even one to nothing, which validate() then
// refuses), is kept; a missing folder gives nothing.
QStringList candidates(GeneratedKind kind, const QString& event);

// The item itself is a symbolic link. False when it cannot be looked up.
bool isSymlink(const QString& path);

// ---- The safety checks ----------------------------------------------------------------

// Whether `target` is something a run may remove from the event folder named `event` of
// `library`. The library's path is resolved; the target's is only standardised, so a target
// built under the resolved library passes and one reached through a link does not. The first
// check that fails gives its reason as the error:
//   "path is outside the event"   not below "<library>/<event>/" (the event itself neither)
//   "not inside Render Files"     not at least two components below the event, the first
//                                 "Render Files" or "Transcoded Media"
//   "protected folder"            a component below the event is one of protectedNames()
//   "<name> is a link"            the target itself is a link
//   "not found"                   nothing exists at the target (links followed)
//   "path passes through a link"  resolving the target changes its path
Result<void> validate(const QString& target, const QString& library, const QString& event);

// The allocated bytes of a file, or of every regular file below a folder (hidden ones too);
// nothing when the item is, or contains anywhere, a symbolic link, or when it is, or holds
// anywhere, another mount (another drive, or a bind mount of the same one, which only the
// mount tells apart): such an item is never measured and never offered, and the walk never
// enters another mount. Items that cannot be looked up count 0.
std::optional<qint64> safeSize(const QString& path);

// ---- Generated files and their originals ------------------------------------------------

// The name under which a generated file is matched to its original: composed (NFC), the
// last extension dropped, a final " (fcp<digits>)" cut off (no digits is accepted too), and
// lower-cased. "IMG_1 (fcp2).mov" → "img_1"; "Clip (fcp1a).mov" → "clip (fcp1a)".
QString baseName(const QString& fileName);

// baseName() of every original really present anywhere below the event's "Original Media":
// files and links whose destination exists, hidden items left out; a folder on another mount
// inside it is not looked into.
QSet<QString> originalNames(const QString& event);

struct SortedFiles {
    QStringList ok;      // regular files with an original of the same base name
    QStringList orphans; // everything else: no original, not a regular file, not readable
};
// Splits the visible items directly inside a proxy or optimized folder by whether their
// original is still in the event, each list in the file manager's order.
SortedFiles sortByOriginal(const QString& folder, const QString& event);

// Whether a proxy or optimized target still has its originals: a folder target holds only
// files with originals; a file target has its own. False for a target whose event name is not
// one file name (isSingleName). Reads the event's originals on each call; the run reads them
// once per event instead.
bool originalsStillThere(const CleanupTarget& target, const QString& library);

// The event's linked originals whose destination holds nothing: the visible links directly
// inside its "Original Media", sorted by name as the file manager sorts. Links that work and
// items that are not links are not listed.
QList<MissingOriginal> missingOriginals(const QString& event);

// Why the event's proxy and optimized files may have to stay, or nothing when its originals
// are all there: its "Original Media" is missing, cannot be read or holds no visible item, or
// some of its linked originals are missing.
std::optional<QString> originalsProblem(const QString& event);

// A plain-text report of the library's missing linked originals, event by event, ending with
// a line break; nothing when none is missing. `name` is the library's name as shown; `now` is
// the day the report says it was checked.
std::optional<QString> missingOriginalsReport(const QString& library, const QString& name,
                                              const QDateTime& now = QDateTime::currentDateTime());

// ---- The plan -----------------------------------------------------------------------------

// What a run may remove from `library` for the events named (folder names as they stand in
// the library, in the given order) and the kinds asked for (taken in GeneratedKind order),
// and a blocker text for every refusal and every kept item. Never fails and reads only: a
// library that is not one, Final Cut Pro running (when `checkFCP`), an event name that cannot
// be one file name ("", ".", "..", a "/" or a NUL: refused before the disk is read for it) or
// a target that fails its checks each becomes a blocker. Every target is built from the
// library's resolved path, and measured through folders opened from the event's one step at a
// time, so a candidate reached through another mount, or holding one, is left alone ("“<event>”:
// <name> holds another drive mounted inside it, so it was left alone.").
CleanupPlan plan(const QString& library, const QStringList& events, const QSet<GeneratedKind>& kinds,
                 bool checkFCP);

// ---- The run ------------------------------------------------------------------------------

// Told before each target is checked: its index in the plan (from 0), the planned bytes of
// all targets before it (whatever became of them), and the target.
using Progress = std::function<void(int index, qint64 bytesBefore, const CleanupTarget& target)>;

// Carries out the plan's targets (its blockers are ignored), in plan order, on the calling
// thread, which also hears `progress`. The disk may have changed since planning, so each
// target is checked again just before it goes, through folders held open: the library as it
// resolves now is opened, its event once for the event's targets (an event name that is not
// one file name fails), and each step down to the target's folder without following a link or
// crossing into another mount; that folder is used only while its path still leads to it, and
// is then held for every target in it. The target must pass validate()'s checks of its place
// and hold no link and no other mount (as safeSize()); the Trash is then handed the open
// folder, the item's name and its facts, so a folder swapped after the check never sends the
// call elsewhere. Proxy and optimized targets must then still have their originals (as
// originalsStillThere()), by the event's "Original Media" as read once per event in a run,
// when the event's first such target comes. A target that fails is skipped and stays in
// place; one that passes is moved to the Trash, or deleted for good when `permanent`, through
// the platform's Trash. A skipped or failed target never ends the run.
//
// With `checkFCP` and Final Cut Pro running nothing is touched or logged, and the only error
// is "Final Cut Pro is running.".
//
// Once `stop` is requested the run ends before the next target (the one under way is finished,
// never left half moved); the targets it did not reach are counted in `notReached`.
//
// Each removal ("TRASHED"/"DELETED <kind> <bytes> bytes  <path>") and each failure ("FAILED
// <path>: <description>") is appended to the deletion log at `logPath` (none: not written)
// once it has happened; a log that cannot be written loses the line and changes nothing
// else. Skips and failures also go to the error log (area "free-up-space", with the target's
// path), which stays untouched while headless.
Result2 run(const CleanupPlan& plan, const QString& library, bool permanent, bool checkFCP,
            const std::optional<QString>& logPath, const Progress& progress = {}, std::stop_token stop = {});

// ---- The self-test -------------------------------------------------------------------------

// Proves the rules on real files: builds sample libraries in a fresh folder of the system's
// temporary folder ("pellimor-selftest-<UUID>"), plans and runs removals there (never asking
// about Final Cut Pro), and prints to standard output the headers "Planning", "Direct
// validation" and "Running", one "  ok    <check>" or "  FAIL  <check>" line per check, and
// "ALL SAFETY CHECKS PASSED" or "FAILED: <n>". The folder is removed on every way out; nothing
// else is touched. True when every check passed.
bool selfTest();

} // namespace pellimor::Cleanup
