#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Store/Catalog.h"
#include "MissingFiles/Candidate.h"
#include "MissingFiles/Found.h"
#include "MissingFiles/LibraryRow.h"
#include "MissingFiles/MissingFile.h"
#include "MissingFiles/RepairItem.h"
#include "MissingFiles/RepairMode.h"
#include "MissingFiles/RepairResult.h"
#include "MissingFiles/RepairSeams.h"
#include "MissingFiles/Stop.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <memory>
#include <optional>

// Broken links to original media: finding them, searching the catalogue and the disks for
// files of the same name, and judging those candidates against the old place. Nothing here
// changes anything on disk except repair(), and nothing but repair() and selfTest() writes a
// file. No state between calls; every function is safe from any thread.
namespace pellimor::MissingFiles {

// A list of the found dictionary never grows past this many texts.
inline constexpr qsizetype kMaxFound = 12;
// The folder walk reports progress after every this many entries.
inline constexpr qint64 kProgressEvery = 3000;

// Runs a call somewhere else: the folder walk hands its reports to it instead of calling them
// on the walking thread. An executor may also drop the calls (a run without a window).
using Post = std::function<void(std::function<void()>)>;
using Hit = std::function<void(const QString& name, const QString& path)>;
using Progress = std::function<void(const QString& text)>;

// An executor that runs each call later on the thread of `context`, through its event loop.
// `context` must outlive the walk.
Post postTo(QObject* context);

// A file name in the form names are compared in: composed (NFC), then lower case. A decomposed
// "é" from one file system finds a composed one from another.
QString nameKey(const QString& name);

// The lead for a path on a drive that is not connected:
// "<path>  (drive <drive> is not connected, so this was not checked)".
QString lead(const QString& path, const QString& drive);
bool isLead(const QString& text);

// Adds `text` to the list of `name` unless the list holds it already or is full. True when
// it was added.
bool add(const QString& text, const QString& name, Found& found);
// The list holds at least one text that is not a lead.
bool wasFound(const QStringList& list);

// The broken links of the libraries: libraries in the given order, events in the file
// manager's order, links by name. Unreadable libraries and events add nothing.
QList<MissingFile> collect(const QList<LibraryInfo>& libraries);

// The folders that hold accounts' home folders, as path components, in the order they are
// tried: "Users", where a Mac keeps them (links are often made on one), then the folder that
// holds this computer's homes: the parent of the home folder ($HOME) as written and as
// resolved. A home folder directly in "/" gives none of its own, or every path would lie in
// an account. Reads the home folder when called.
QList<QStringList> accountFolders();
// What follows the account's own folder in a path split into `parts`, once for each of
// `folders` the path lies in with at least one name after the account:
// "/Users/anna/Movies/x.mov" gives "Movies/x.mov". Components compare exactly.
QList<QStringList> afterAccount(const QStringList& parts, const QList<QStringList>& folders);

// Looks for the wanted files in what the catalogue knows: first the same place under this
// computer's home folder (for old targets in another account's home, see accountFolders),
// then every media entry of
// a wanted name: on a connected drive when the file is still there, on one that is not as a
// lead, passing over empty entries, the broken links themselves and small entries of the same
// library and event (the same broken link in a copy of the library). A new found dictionary.
Found searchCatalog(const QList<MissingFile>& files, const QList<Catalog::MediaEntry2>& media,
                    const LibraryTable& libs);

// Walks every root depth first, library bundles included, and adds each file whose name is
// wanted (`names` holds nameKey forms). Hidden entries and folders that cannot be read are
// passed over, links are neither candidates nor followed, and the generated media inside a
// bundle ("<event>/Transcoded Media", "<event>/Render Files") is not a candidate. Reads `stop`
// once per entry and returns when it is requested, keeping what was added. `hit` (for each
// text added) and `progress` (every kProgressEvery entries: "<count> files checked ·
// <folder>") are handed to `post`, never called on the walking thread; without `post` they
// are not called. A posted progress call reads the count when it runs. Runs on a worker thread.
void searchFolders(const QStringList& roots, const QSet<QString>& names,
                   const std::shared_ptr<const Stop>& stop, Found& found, const Post& post = {},
                   const Hit& hit = {}, const Progress& progress = {});

// What follows a library bundle in `path`, lower case ("evx/original media/c.mov"); none when
// no component is a bundle or the bundle is the last one.
std::optional<QString> tailInLibrary(const QString& path);
// How many parent folders of the old target and of `place` agree, from the innermost outward.
int sharedFolders(const MissingFile& file, const QString& place);
// 0: the same place inside a library bundle; 1: the same place in another account's home
// folder (both in one of accountFolders, either of them); 2: at least two folders shared;
// 3: the same name only.
int rank(const MissingFile& file, const QString& place);
// The candidates that are files: links resolved, only existing items that are not folders,
// each once, best first.
QStringList realPlaces(const MissingFile& file, const QStringList& candidates);
// The file to propose and why: the user's pick when it is among the real places, else by rank
// and by how the copies agree in size.
Candidate candidate(const MissingFile& file, const QStringList& candidates,
                    const std::optional<QString>& picked = std::nullopt);
// The item's own size (a link at the end is not followed); none when it cannot be read.
std::optional<qint64> fileSize(const QString& path);

// ---- Putting found files back --------------------------------------------------------------

// A path kept in a record (a library's) that can be handed to the system as it reads:
// absolute, without a NUL, and no component "." or "..". One that fails names nothing here: a
// NUL would cut it short, and "." or ".." would lead somewhere else.
bool isPlainPath(QStringView path);

// The start of the name under which a repair first makes its new copy or link, in the event
// folder of the link it replaces.
inline constexpr const char* kTemporaryPrefix = ".tovlin-";
// A copy needs more than the file's size plus this much free space on the library's drive.
inline constexpr qint64 kCopyReserve = 1'000'000'000;

// Puts each item's found file in place of its broken link in "<libraryPath>/<event>/Original
// Media/<name>": a copy of it (`copy`) or a new link to it (`link`). The found file itself is
// never moved or changed, and nothing is removed but the broken link, which the new item
// replaces in one step, the run's own temporary items, and those of runs that were stopped
// before they finished.
//
// First, for each library of the run, what a run stopped in the middle (a kill, a power cut)
// left behind is removed: regular files named like the new items below, in the library's
// event folders and their "Original Media", nothing else; each removal is one line of the
// repair log ("REMOVED INTERRUPTED COPY  <path>"), and the library counts as changed.
//
// Every item is checked just before it is changed: its library path is plain and its names
// single names (isSingleName), before anything on disk is looked at; the event folder and its
// "Original Media" open without a link on the way and lie on the library's own mount (else "the
// library holds another drive mounted inside it, so it was left alone"); a link still
// stands there and still points at nothing; the found file is a file of the same kind (the
// extensions agree, letter case aside) and, for a copy, the drive keeps more than
// kCopyReserve free. The new item is made under ".tovlin-<UUID>.<the link's extension>" in the
// event folder, beside "Original Media", so a copy cut short there is no original media of the
// library; a copy is flushed and compared in size with the found file, the link is checked
// once more, and the two names are exchanged in one step, so nothing that came to the link's
// place since the check is ever overwritten.
//
// An item that fails a step is left as it was and adds "<name>: <reason>" to `skipped`, and an
// error-log entry (area "missing-files", with the library's path) unless headless. With
// `checkFCP` and Final Cut Pro running nothing is touched or logged and `skipped` holds only
// "Final Cut Pro is running. Quit it first.".
//
// Each repair adds a three-line entry to the repair log at `logPath` (none: no log) once it
// has happened, appended in one write; a log that cannot be written loses the entry and
// undoes nothing. Changes the disk; runs on the calling thread, never throws.
RepairResult repair(const QList<RepairItem>& items, RepairMode mode, bool checkFCP,
                    const std::optional<QString>& logPath, const RepairSeams& seams = {});

// ---- The saved list and the self-test ------------------------------------------------------

// The plain-text list of missing files a user saves and "--missing-search" prints, ending with
// a line break: a heading dated `now` (a dash for a time not after 1970), the counts, and
// library by library, event by event, each file with where it was, what was found for it and
// the match proposed (`picked` maps MissingFile::id() to the user's choice). With `searched`
// (the places looked in, even none), a "Looked in:" block with the counts found and not
// found, and a "not found" line for each file nothing was found for.
QString report(const QList<MissingFile>& files, const Found& found,
               const std::optional<QStringList>& searched, const QHash<QString, QString>& picked,
               const QDateTime& now = QDateTime::currentDateTime());

// Proves the collection, both searches, the ranking and the repair on a sample library built
// in a fresh folder of the system's temporary folder ("tovlin-missing-selftest-<UUID>"),
// removed again however the test ends. Prints one "  ok    <check>" or "  FAIL  <check>" line
// per check to standard output, then "MISSING FILES CHECKS PASSED" or "FAILED: <n>". True when
// every check passed.
bool selfTest();

} // namespace pellimor::MissingFiles
