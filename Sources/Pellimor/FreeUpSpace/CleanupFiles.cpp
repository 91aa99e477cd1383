#include "FreeUpSpace/CleanupFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace pellimor::CleanupFiles {

QByteArray native(const QString& path) {
    if (path.contains(QChar(0)))
        return {};
    return QFile::encodeName(path);
}

std::optional<struct stat> itemFacts(const QByteArray& path) {
    struct stat facts {};
    if (path.isEmpty() || ::lstat(path.constData(), &facts) != 0)
        return std::nullopt;
    return facts;
}

bool exists(const QString& path) {
    struct stat facts {};
    return !path.isEmpty() && ::stat(native(path).constData(), &facts) == 0;
}

bool isFolder(const QString& path) {
    struct stat facts {};
    return !path.isEmpty() && ::stat(native(path).constData(), &facts) == 0 && S_ISDIR(facts.st_mode);
}

bool isRegularFile(const QString& path) {
    const std::optional<struct stat> facts = itemFacts(native(path));
    return facts && S_ISREG(facts->st_mode);
}

QString standardised(const QString& path) {
    return QDir::cleanPath(path);
}

QString resolved(const QString& path) {
    // Nothing is looked up for a text that cannot name a file.
    if (path.contains(QChar(0)))
        return standardised(path);
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? standardised(path) : canonical;
}

namespace {

struct Named {
    QByteArray name;
    unsigned char type; // the listing's d_type: DT_UNKNOWN when it does not say
};

// The entries of an open folder, "." and ".." left out; none when it cannot be read. Read
// through a copy of its descriptor rewound to the start, so the folder is not opened again and
// can be listed more than once.
std::vector<Named> names(const OpenFolder& folder, bool includeHidden) {
    std::vector<Named> found;
    const int copy = ::fcntl(folder.fd(), F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return found;
    ::lseek(copy, 0, SEEK_SET);
    DIR* listing = ::fdopendir(copy);
    if (!listing) {
        ::close(copy);
        return found;
    }
    while (const dirent* entry = ::readdir(listing)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        if (!includeHidden && name[0] == '.')
            continue;
        found.push_back(Named{QByteArray(name), entry->d_type});
    }
    ::closedir(listing);
    return found;
}

struct Level {
    OpenFolder folder;
    QByteArray path;
    std::vector<Named> names;
    size_t next = 0;
};

} // namespace

void walk(const OpenFolder& top, const QByteArray& topPath, bool includeHidden, const Visit& visit,
          Looked looked) {
    if (!top)
        return;
    // The top is walked through a copy of its descriptor, so the caller's folder stays as it is.
    std::vector<Level> levels;
    levels.push_back(Level{top.descend(QByteArray()), topPath, {}, 0});
    levels.back().names = names(levels.back().folder, includeHidden);
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.names.size()) {
            levels.pop_back();
            continue;
        }
        const Named& named = level.names[level.next++];
        const QByteArray& name = named.name;
        std::optional<ItemFacts> facts;
        if (looked == Looked::folders && named.type != DT_UNKNOWN && named.type != DT_DIR) {
            facts.emplace();
            facts->mode = DTTOIF(named.type);
        } else {
            facts = level.folder.entryFacts(name);
        }
        if (!facts)
            continue;
        const bool mountedInside = facts->isFolder() || looked == Looked::everything
                                       ? facts->isMountedInside(level.folder.facts())
                                       : false;
        if (!visit(Entry{level.folder, level.path, name, *facts, mountedInside}))
            return;
        if (!facts->isFolder() || mountedInside)
            continue;
        OpenFolder child = level.folder.child(name);
        // Replaced since it was looked at: not the folder that was met, so not walked.
        if (!child || !child.facts().sameItem(*facts) || child.facts().isMountedInside(level.folder.facts()))
            continue;
        std::vector<Named> below = names(child, includeHidden);
        QByteArray path =
            level.path.isEmpty() || level.path.endsWith('/') ? level.path + name : level.path + '/' + name;
        levels.push_back(Level{std::move(child), std::move(path), std::move(below), 0});
    }
}

bool walk(const QByteArray& top, bool includeHidden, const Visit& visit, Looked looked) {
    const OpenFolder folder = OpenFolder::open(top, OpenFolder::LastLink::followed);
    if (!folder)
        return false;
    walk(folder, top, includeHidden, visit, looked);
    return true;
}

} // namespace pellimor::CleanupFiles
