#pragma once

#include "Support/OpenFolder.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <sys/stat.h>

// The file facts the free-up-space rules read, each answering "no" when the item cannot be
// looked up. Paths are texts, turned into the file system's bytes the way the system encodes
// file names, so a text that cannot name a file (a name that is not UTF-8 came back as
// U+FFFD) finds nothing. Reads only. Safe from any thread.
namespace pellimor::CleanupFiles {

// The path's bytes; empty (which names nothing) for a text holding a NUL, which the system
// would read as the shorter path before it.
QByteArray native(const QString& path);

// The item itself (a link is not followed), or nothing.
std::optional<struct stat> itemFacts(const QByteArray& path);
// Something exists at the path, links followed all the way.
bool exists(const QString& path);
// A folder is at the path, links followed.
bool isFolder(const QString& path);
// The item itself is a regular file (a link to one is not).
bool isRegularFile(const QString& path);

// Lexical: no "." or ".." components, no doubled or trailing "/".
QString standardised(const QString& path);
// Every link on the way followed; the standardised path when nothing exists there.
QString resolved(const QString& path);

// One item met by walk(): its name in the folder that holds it, held open, and its own facts
// (a link is not followed).
struct Entry {
    const OpenFolder& folder;
    const QByteArray& folderPath; // the path of `folder` as the walk reached it: the top's path
                                  // as given (empty for paths relative to the top), then "/" and
                                  // each name on the way
    const QByteArray& name;
    const ItemFacts& facts;
    // It lies on another mount than its folder (another drive, or a bind mount of the same
    // one): a folder of that kind is never walked into.
    bool mountedInside;
};

// Visits every item below the open folder `top`, depth first, each folder opened from the one
// holding it without following a link, never entering another mount. Hidden items, and
// everything below them, are left out unless `includeHidden`. Folders that cannot be opened
// and items that cannot be looked up are passed over. `visit` returns false to stop the walk.
// One descriptor is held per level of depth. With `Looked::folders` only folders (and items
// the listing does not give the kind of) are looked up: every other entry carries only its kind
// in `facts.mode`, as the listing gave it, and is never said to be mounted inside.
// `topPath` is only passed on as the top's folderPath.
enum class Looked { everything, folders };
using Visit = std::function<bool(const Entry& entry)>;
void walk(const OpenFolder& top, const QByteArray& topPath, bool includeHidden, const Visit& visit,
          Looked looked = Looked::everything);
// The same from the folder at the path `top` (a link at `top` itself is followed); false when
// it cannot be opened as a folder.
bool walk(const QByteArray& top, bool includeHidden, const Visit& visit, Looked looked = Looked::everything);

} // namespace pellimor::CleanupFiles
