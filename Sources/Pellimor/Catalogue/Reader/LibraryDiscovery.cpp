#include "Catalogue/Reader/LibraryReader.h"
#include "Platform/Clock.h"
#include "Platform/Services.h"
#include "ScanRules/VolumeScanRules.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace pellimor::LibraryReader {

namespace {

struct Child {
    QString name;
    QString path;
    bool representable = true; // the name survives the trip through text and back
};

QString joinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

// The visible sub-folders of `folder` (symbolic links and other kinds of entries left out),
// in byte order so that a walk is the same on every run. `complete` turns false when the
// folder cannot be opened or its listing breaks off.
std::vector<Child> subFolders(const QString& folder, bool& complete) {
    std::vector<Child> children;
    complete = false;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return children;
    std::vector<QByteArray> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            complete = errno == 0;
            break;
        }
        const QByteArray name(entry->d_name);
        if (name.startsWith('.'))
            continue;
        struct stat st {};
        // An entry that vanished since the listing began is skipped.
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        // Links are never followed, not even to report a library: a link to a folder that
        // is walked anyway would report its libraries twice, and a link loop would never end.
        if (!S_ISDIR(st.st_mode))
            continue;
        names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const QByteArray& name : names) {
        const QString text = QFile::decodeName(name);
        children.push_back(Child{text, joinPath(folder, text), QFile::encodeName(text) == name});
    }
    return children;
}

} // namespace

bool discover(QList<PendingDir>& pending, QStringList& found, std::optional<qint64> maxDepth,
              bool skipSafetyNet, bool skipFCPBackups, const DiscoveryCheckpoint& checkpoint,
              const DiscoveryProgress& onProgress, std::stop_token stop, QStringList* unlisted) {
    constexpr auto checkpointEvery = std::chrono::seconds(2);

    // Read once: the walk runs on a worker and reads it at every folder.
    const std::shared_ptr<const platform::Clock> clock = platform::services().clock;
    auto lastCheckpoint = clock->monotonic();
    bool complete = true;
    while (!pending.isEmpty()) {
        const PendingDir entry = pending.takeLast();
        if (stop.stop_requested()) {
            // The folder goes back unlisted, so a resumed walk starts exactly here.
            pending.append(entry);
            complete = false;
            break;
        }
        if (onProgress)
            onProgress(entry.path);

        bool listed = false;
        const std::vector<Child> children = subFolders(entry.path, listed);
        // A folder that cannot be listed is not an empty folder: the caller must not take the
        // absence of libraries below it as their removal.
        if (!listed && unlisted)
            unlisted->append(entry.path);

        for (const Child& child : children) {
            // Another editing application's media cache, which can hold copies of library folders.
            if (child.name == u"CacheClip")
                continue;
            if (skipFCPBackups &&
                (child.name == u"Final Cut Backups" || child.name == u"Final Cut Backups.localized"))
                continue;
            if (VolumeScanRules::isFinalCutBundle(child.name)) {
                if (child.representable)
                    found.append(child.path);
                else if (unlisted)
                    unlisted->append(child.path);
                continue;
            }
            if (VolumeScanRules::shouldSkipDirectory(child.name, false, skipSafetyNet))
                continue;
            const qint64 level = entry.level + 1;
            if (maxDepth && level >= *maxDepth)
                continue;
            // A name that does not survive the trip through text names a different path when
            // written back, so nothing below it could be read: report it instead of walking it.
            if (child.representable)
                pending.append(PendingDir{child.path, level});
            else if (unlisted)
                unlisted->append(child.path);
        }

        if (clock->monotonic() - lastCheckpoint > checkpointEvery) {
            if (checkpoint)
                checkpoint(pending, found);
            lastCheckpoint = clock->monotonic();
        }
    }
    if (checkpoint)
        checkpoint(pending, found);
    return complete;
}

} // namespace pellimor::LibraryReader
