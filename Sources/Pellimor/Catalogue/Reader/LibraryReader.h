#pragma once

// Reading Final Cut Pro library bundles. Every function is a pure reader of the disk: no
// state is kept between calls (beyond constant tables built once), nothing is ever written
// to a bundle, and nothing throws — an unreadable file, folder or database gives an empty,
// absent or zero result. Any thread may call any function; each call opens and closes its
// own database connections.
//
// Cancellation: the long walks take a std::stop_token and return what they have gathered
// when a stop is requested (a default token never stops).
//
// The implementation is split by concern: LibraryDatabase.cpp (opening, queries),
// LibraryBundle.cpp (bundle facts), LibraryTags.cpp, LibraryProject.cpp, LibraryEvent.cpp,
// LibrarySignature.cpp, LibraryDiscovery.cpp and LibraryRead.cpp.

#include "Catalogue/Records/EventInfo.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/MediaEntry.h"
#include "Catalogue/Records/PendingDir.h"
#include "Catalogue/Records/PluginUse.h"
#include "Catalogue/Records/ProjectInfo.h"
#include "Catalogue/Records/TagData.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <utility>

struct sqlite3;

namespace pellimor::LibraryReader {

// ---- Database access ------------------------------------------------------------------

struct DatabaseCloser {
    int folder = -1; // the descriptor of the folder the database was opened through, or -1
    void operator()(sqlite3* db) const;
};
// An open, read-only connection; closes itself (and the descriptor it was opened through).
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;

// Opens a database file read-only and immutable (URI parameters "mode=ro&immutable=1"). Null
// when it cannot be opened, and at once for anything but a regular file: a symbolic link
// counts by what it leads to, and a named pipe or device is never handed to SQLite, which
// would wait on it. Paths of any length open: the file is reached through a descriptor of its
// folder, held by the connection.
Database openReadOnly(const QString& path);

// Sets SQLite up for many databases read at once (no process-wide lock around its memory
// statistics). Takes effect only before SQLite's first use in the process, so the program
// calls it at start; openReadOnly() calls it too. Safe to call again, from any thread.
void prepareDatabaseEngine();

// Rows of (column 0, column 1) as texts; NULL reads as the empty text. A statement that
// cannot be prepared gives no rows.
QList<QPair<QString, QString>> query(sqlite3* db, const char* statement);
// Rows of (column 0 as text, column 1 as bytes); rows without a blob of length > 0 are left out.
QList<QPair<QString, QByteArray>> queryBlobs(sqlite3* db, const char* statement);

// The fixed statements; nothing is ever interpolated into them.
namespace Statement {
extern const char* const libraryIdentifier;  // 1
extern const char* const plugins;            // 2
extern const char* const keywordDefinitions; // 3
extern const char* const markers;            // 4
extern const char* const shareTags;          // 5
extern const char* const searchText;         // 6
extern const char* const projectCounts;      // 7
extern const char* const projectIdentifiers; // 8
extern const char* const sequenceInfo;       // 9
} // namespace Statement

// ---- Bundle facts ---------------------------------------------------------------------

// The library's internal identifier, read from its "CurrentVersion.flexolibrary".
std::optional<QString> libraryIdentifier(const QString& databasePath);
// The Final Cut Pro version that last saved the bundle ("CurrentVersion.plist").
std::optional<QString> fcpVersion(const QString& bundle);
// "user@hostname" from ".lock-info", or whichever of the two is there.
std::optional<QString> lastHost(const QString& bundle);
// The path lies in Final Cut Pro's automatic-backup folder.
bool isFinalCutBackup(const QString& path);
// True when the library database "CurrentVersion.flexolibrary" is there and opens, or, when it
// is not there at all (missing, a link to nothing, a folder under its name), when
// "CurrentVersion.plist" is readable. A database that is there but cannot be opened (a named
// pipe, a file the user may not read) makes the library one that cannot be read.
bool isReadable(const QString& bundle);
// What makes the folder `bundle` a library, as a scan and the command line's diagnostics tell
// one from what is none: the library's own files (the database "CurrentVersion.flexolibrary"
// or the version list "CurrentVersion.plist"; a link counts by what it leads to), whether
// they open or not; failing both, at least one event folder; else nothing of a library (no
// such path, or a folder of neither). Whether a library can be read is isReadable's question.
enum class LibraryEvidence { ownFiles, eventsOnly, none };
LibraryEvidence libraryEvidence(const QString& bundle);
// Event folders (paths) of a bundle, and project folders of an event, in Finder-like order.
QStringList eventFolders(const QString& bundle);
QStringList projectFolders(const QString& event);
// The volume a path of this machine lies on: the drive name under the volumes root, else
// "Macintosh HD". A link's destination names its drive by VolumesRoot::linkDriveName.
QString volumeFromPath(const QString& path);
// Allocated bytes (st_blocks × 512) of a file, or of every regular file below a folder.
qint64 allocatedSize(const QString& path, std::stop_token stop = {});
// The same for a path in the file system's own bytes, which reaches names that are not UTF-8.
qint64 nativeAllocatedSize(const QByteArray& path, std::stop_token stop = {});
// Non-Apple plug-ins used in one event or project database, sorted by pack, then name.
QList<PluginUse> readPlugins(sqlite3* db);
// The second fraction "n/d" of a media range, in seconds.
std::optional<double> parseDuration(const QString& text);
// "1920×1080 29.97p" from a format key and an optional frame rate.
std::optional<QString> friendlyFormat(const std::optional<QString>& key, std::optional<double> fps);

// ---- Tags, markers, notes, roles and search text ---------------------------------------

TagData readTags(sqlite3* db, bool includeDefinitions, int markerCap);
// One stored share-tag value (a decoded keyed-archive value: text, list or set) as a clean list.
QStringList shareTagList(const QVariant& value);
// Clip names, notes, camera data, roles and the tag version of one event; `db` may be null.
void fillSearchText(EventInfo& event, sqlite3* db);
// Final Cut Pro's own role names (lower case), never listed as roles.
const QSet<QString>& builtInRoles();
// 6: links written on a Mac to "/Volumes/<drive>/…" count under that drive in the event's
// external volumes, so an event read before is read again by the next scan.
inline constexpr qint64 tagsVersion = 6;
// Prints its failure line and answers false at the first failing check.
bool selfTestShareTags();

// ---- Projects ---------------------------------------------------------------------------

ProjectInfo readProject(const QString& projectFolder);

// ---- Events -----------------------------------------------------------------------------

// Sizes, counts, extensions and links of one event folder; appends its original media files.
// A link counts under the drive its destination names (VolumesRoot::linkDriveName).
EventInfo walkEvent(const QString& eventFolder, QList<MediaEntry>& media, std::stop_token stop = {});
// Creation and modification dates of an event folder (1970-01-01 when unknown).
std::pair<QDateTime, QDateTime> eventDates(const QString& eventFolder);

// ---- One library ------------------------------------------------------------------------

LibraryInfo read(const QString& library, const QString& signature, QList<MediaEntry>& media,
                 std::stop_token stop = {});
LibraryInfo refreshProjects(const LibraryInfo& info, const QString& at);
LibraryInfo refreshTags(const LibraryInfo& info, const QString& at, bool includeProjects);

// ---- Change signature ---------------------------------------------------------------------

inline constexpr const char* sizeToken = "|@size|";
QString signature(const QString& bundle);
// Modification time of the item itself (links not followed), seconds since 1970; 0 when unknown.
double mtime(const QString& path);
// Prints one line per check and a verdict.
bool selfTestSignature();

// ---- Discovery ----------------------------------------------------------------------------

using DiscoveryCheckpoint = std::function<void(const QList<PendingDir>& pending, const QStringList& found)>;
using DiscoveryProgress = std::function<void(const QString& folder)>;

// Folders a walk lists ahead of itself on helper threads of the work pool, in the order it will
// reach them. The walk still takes every folder in its own turn and decides everything from its
// listing then, so what it finds, reports and checkpoints is what it would be without helpers;
// only the waiting for the disk is shared out. A folder may be listed before its turn, as any
// walk lists one folder before another: a change made in between is seen by the next walk.
struct LookAhead {
    int helpers = 0;             // none: the walk lists every folder itself
    qsizetype mostListed = 4096; // listings made ahead and not taken yet, at most
    // Told of each library bundle the moment a listing shows it, on the thread that made the
    // listing: a library listed ahead is told before the walk comes to it, and even when a stop
    // keeps the walk from coming to it. Once per listing made; may be empty. A helper that was
    // listing when the walk was stopped may still tell after discover() has returned, so it must
    // own whatever it touches.
    std::function<void(const QString& library)> seen = {};
};

// Walks `pending` (a stack) depth-first, appending library bundles to `found`. True when the
// stack ran empty, false when stopped. `checkpoint` gets the stack and the libraries found so
// far whenever more than two seconds have passed on the program's clock since the last one (a
// folder is never interrupted for it), and once more at the end, so a stopped or interrupted
// walk resumes where it was. Folders that could not be listed (the root included) are appended
// to `unlisted` when given, so a caller never mistakes them for empty folders. Any thread.
bool discover(QList<PendingDir>& pending, QStringList& found, std::optional<qint64> maxDepth,
              bool skipSafetyNet, bool skipFCPBackups, const DiscoveryCheckpoint& checkpoint,
              const DiscoveryProgress& onProgress, std::stop_token stop = {}, QStringList* unlisted = nullptr,
              LookAhead lookAhead = {});

} // namespace pellimor::LibraryReader
