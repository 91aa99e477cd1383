// Scan requests: they check what is reachable, build one job and hand it to run(), which
// persists it and starts the one scan task. Taking watched folders and libraries out of the
// catalogue lives here too. Main thread only.

#include "Catalogue/Store/Catalog.h"
#include "Platform/VolumesRoot.h"
#include "Support/PathText.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace pellimor {

namespace {

// Something (a file or a folder, links followed) is there.
bool existsOnDisk(const QString& path) {
    return QFileInfo::exists(path);
}

} // namespace

void Catalog::resumePausedScan() {
    if (m_isScanning || !m_pausedJob)
        return;
    // run() clears the paused job, so it is handed over as a copy.
    const ScanJob job = *m_pausedJob;
    run(job);
}

void Catalog::rescanAllRoots(const ScanOptions& options, const std::optional<QString>& only) {
    recordMounted();

    const std::optional<QString> under =
        only ? std::optional<QString>(PathText::absoluteCleanPath(*only)) : std::nullopt;
    QStringList selected;
    for (const ScanRoot& root : m_roots) {
        const QString path = PathText::absoluteCleanPath(root.path);
        if (!existsOnDisk(path))
            continue;
        if (under && !PathText::isAtOrBelow(path, *under))
            continue;
        selected.append(path);
    }
    if (selected.isEmpty()) {
        // A drive just mounted without watched folders on it is not worth a message.
        if (!only)
            setStatus(QStringLiteral("No watched folders are reachable right now."));
        return;
    }

    if (m_isScanning)
        return;
    run(options.freshJob(selected, true, QDateTime::currentDateTimeUtc()));
}

void Catalog::rescan(const ScanRoot& root, const ScanOptions& options) {
    // Whether the folder is there is the scan run's business: it skips an unreachable root.
    const QString path = PathText::absoluteCleanPath(root.path);
    if (m_isScanning)
        return;
    run(options.freshJob({path}, true, QDateTime::currentDateTimeUtc()));
}

void Catalog::rescan(const QString& mount, const QString& driveName, const ScanOptions& options) {
    if (m_isScanning)
        return;
    recordMounted();

    const QString mountPath = PathText::absoluteCleanPath(mount);
    if (!existsOnDisk(mountPath)) {
        setStatus(driveName + QStringLiteral(" isn't connected."));
        return;
    }

    // Everything not below the volumes root lies on the start-up disk, so its watched
    // folders are those whose volume is "/"; on any other drive they lie at or below its mount.
    const bool startupDisk = mountPath == QLatin1String("/");
    QStringList selected;
    for (const ScanRoot& root : m_roots) {
        const QString path = PathText::absoluteCleanPath(root.path);
        const bool onDrive = startupDisk ? VolumesRoot::mountOf(path) == QLatin1String("/")
                                         : PathText::isAtOrBelow(path, mountPath);
        if (onDrive && existsOnDisk(path))
            selected.append(path);
    }
    if (selected.isEmpty()) {
        if (startupDisk) {
            setStatus(QStringLiteral("Add a watched folder on ") + driveName +
                      QStringLiteral(" to rescan it (scanning the whole startup disk would take too long)."));
            return;
        }
        selected.append(mountPath);
    }

    if (m_isScanning)
        return;
    // A drive scan never turns the drive into a watched folder.
    run(options.freshJob(selected, false, QDateTime::currentDateTimeUtc()));
}

void Catalog::removeRoot(const ScanRoot& root) {
    QList<ScanRoot> kept;
    kept.reserve(m_roots.size());
    for (const ScanRoot& watched : m_roots) {
        if (watched.path != root.path)
            kept.append(watched);
    }
    setRoots(std::move(kept));
    save();
}

void Catalog::forget(const LibraryInfo& library) {
    // A copy: `library` may be the catalogue's own record, gone once the list is replaced.
    const QString path = library.path;
    if (m_favorites.contains(path)) {
        QMap<QString, QDateTime> favorites = m_favorites;
        favorites.remove(path);
        setFavorites(std::move(favorites));
    }

    QList<LibraryInfo> kept;
    kept.reserve(m_libraries.size());
    for (const LibraryInfo& entry : m_libraries) {
        if (entry.path != path)
            kept.append(entry);
    }
    setLibraries(std::move(kept));

    // The bundle itself and its poster files stay where they are.
    deleteMedia(path);
    loadAllMedia();
    save();
}

} // namespace pellimor
