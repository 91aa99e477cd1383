#pragma once

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

qint64 allocatedBytes(const struct stat& facts);

// Visits every item below the folder `top` (a link at `top` itself is followed), depth first,
// with the item's own facts (a link is not followed, and never walked into). Hidden items,
// and everything below them, are left out unless `includeHidden`. Folders that cannot be read
// and items that cannot be looked up are passed over. `visit` returns false to stop the walk.
// False when `top` cannot be opened as a folder.
using Visit = std::function<bool(const QByteArray& path, const QByteArray& name, const struct stat& facts)>;
bool walk(const QByteArray& top, bool includeHidden, const Visit& visit);

} // namespace pellimor::CleanupFiles
