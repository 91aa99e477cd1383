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
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? standardised(path) : canonical;
}

qint64 allocatedBytes(const struct stat& facts) {
    return facts.st_blocks > 0 ? qint64(facts.st_blocks) * 512 : 0;
}

bool walk(const QByteArray& top, bool includeHidden, const Visit& visit) {
    // Depth first with an explicit stack: deep trees cost memory, not call frames or open
    // folder handles.
    std::vector<QByteArray> folders{top};
    bool opened = false;
    bool atTop = true;
    while (!folders.empty()) {
        const QByteArray folder = std::move(folders.back());
        folders.pop_back();
        // Below the top, a folder that became a link since it was looked at is not entered.
        const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (atTop ? 0 : O_NOFOLLOW);
        atTop = false;
        const int folderFd = ::open(folder.constData(), flags);
        if (folderFd < 0)
            continue;
        DIR* listing = ::fdopendir(folderFd);
        if (!listing) {
            ::close(folderFd);
            continue;
        }
        opened = true;
        const int fd = ::dirfd(listing);
        const QByteArray prefix = folder.endsWith('/') ? folder : folder + '/';
        while (const dirent* entry = ::readdir(listing)) {
            const QByteArray name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            if (!includeHidden && name.startsWith('.'))
                continue;
            struct stat facts {};
            if (::fstatat(fd, entry->d_name, &facts, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            const QByteArray path = prefix + name;
            if (!visit(path, name, facts)) {
                ::closedir(listing);
                return true;
            }
            if (S_ISDIR(facts.st_mode))
                folders.push_back(path);
        }
        ::closedir(listing);
    }
    return opened;
}

} // namespace pellimor::CleanupFiles
