#include "Catalogue/Logs/ActivityLog.h"
#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Scan/ScanSettings.h"
#include "Catalogue/Store/Catalog.h"
#include "Platform/Services.h"
#include "Platform/VolumeFacts.h"
#include "Platform/VolumesRoot.h"
#include "Support/WorkPool.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QThreadPool>

namespace pellimor {

namespace {

const QString kVolumeSpaceTag = QStringLiteral("volume-space");

bool isSafetyNetCopy(const QString& path) {
    return path.contains(u"SafetyNet", Qt::CaseInsensitive);
}

// Which copies the lists leave out; both rules are read once per question, not per library.
struct CopyFilter {
    bool skipSafetyNet = ScanSettings::skipSafetyNet();
    bool skipBackups = ScanSettings::skipFCPBackups();

    bool keepsEverything() const { return !skipSafetyNet && !skipBackups; }
    bool keeps(const LibraryInfo& library) const {
        return !(skipSafetyNet && isSafetyNetCopy(library.path)) &&
               !(skipBackups && LibraryReader::isFinalCutBackup(library.path));
    }
};

// One free-space refresh as the main thread tracks it while its reads come back.
struct VolumeSpaceRefresh {
    qint64 generation = 0;
    qsizetype pending = 0; // reads not yet handed back
};

} // namespace

bool Catalog::isOnline(const LibraryInfo& library) const {
    // Called for every row of the library tables: an unplugged drive must be answered from
    // the mounted set alone, since asking the disk about it can stall on automounters, and a
    // stale folder of the drive's name must not make its libraries look reachable.
    if (VolumesRoot::isUnderRoot(library.path) && !m_mounted.contains(VolumesRoot::mountOf(library.path)))
        return false;
    return QFileInfo::exists(library.path);
}

bool Catalog::ignoreSafetyNet() const {
    return ScanSettings::skipSafetyNet();
}

QList<LibraryInfo> Catalog::comparableLibraries() const {
    const CopyFilter filter;
    if (filter.keepsEverything())
        return m_libraries;
    QList<LibraryInfo> kept;
    for (const LibraryInfo& library : m_libraries) {
        if (filter.keeps(library))
            kept.append(library);
    }
    return kept;
}

QStringList Catalog::onlineLibraryMounts() const {
    const CopyFilter filter;
    QSet<QString> seen;
    QStringList mounts;
    for (const LibraryInfo& library : m_libraries) {
        if (!filter.keeps(library))
            continue;
        const QString mount = VolumesRoot::mountOf(library.path);
        if (m_mounted.contains(mount) && !seen.contains(mount)) {
            seen.insert(mount);
            mounts.append(mount);
        }
    }
    mounts.sort();
    return mounts;
}

void Catalog::refreshVolumeSpace() {
    const QStringList mounts = onlineLibraryMounts();

    // Drives that went away lose their entry now; drives that stay keep the old figures
    // until fresh ones arrive, so the sidebar does not flicker.
    QMap<QString, VolumeSpace> kept;
    for (auto it = m_volumeSpace.cbegin(); it != m_volumeSpace.cend(); ++it) {
        if (mounts.contains(it.key()))
            kept.insert(it.key(), it.value());
    }
    setVolumeSpace(std::move(kept));

    // A newer generation silences every refresh still running, also when it reads nothing.
    const qint64 generation = ++m_volumeSpaceGeneration;
    if (mounts.isEmpty())
        return;
    ActivityLog::append(kVolumeSpaceTag, QStringLiteral("start ") + mounts.join(u' '));

    QObject* const mainThreadContext = QCoreApplication::instance();
    if (!mainThreadContext)
        return; // nothing could carry the results back
    // The reads hold the catalogue weakly: results are delivered through the application
    // object and find the catalogue gone when it was destroyed meanwhile, instead of
    // touching a freed object. Their book-keeping is only ever touched on the main thread.
    const QPointer<Catalog> catalog(this);
    const auto refresh = std::make_shared<VolumeSpaceRefresh>(VolumeSpaceRefresh{generation, mounts.size()});
    for (const QString& mount : mounts) {
        // One read per drive, so a sleeping drive holds up only its own figures.
        workPool()->start([catalog, refresh, mount, mainThreadContext] {
            std::optional<std::pair<QString, VolumeSpace>> result = readVolumeSpace(mount);
            QMetaObject::invokeMethod(
                mainThreadContext,
                [catalog, refresh, result = std::move(result)] {
                    Catalog* const self = catalog.data();
                    if (!self)
                        return;
                    if (result && refresh->generation == self->m_volumeSpaceGeneration) {
                        QMap<QString, VolumeSpace> space = self->m_volumeSpace;
                        space.insert(result->first, result->second);
                        self->setVolumeSpace(std::move(space));
                    }
                    if (--refresh->pending == 0)
                        self->finishVolumeSpace(refresh->generation);
                },
                Qt::QueuedConnection);
        });
    }
}

void Catalog::finishVolumeSpace(qint64 generation) {
    if (generation != m_volumeSpaceGeneration)
        return;
    ActivityLog::append(kVolumeSpaceTag, QStringLiteral("ok ") + QString::number(m_volumeSpace.size()));
}

std::optional<std::pair<QString, Catalog::VolumeSpace>> Catalog::readVolumeSpace(const QString& mount) {
    const auto volumes = platform::services().volumes;
    if (!volumes)
        return std::nullopt;
    const std::optional<platform::VolumeFacts::Capacity> capacity = volumes->capacity(mount);
    if (!capacity || !capacity->total || *capacity->total <= 0)
        return std::nullopt;
    return std::make_pair(mount, VolumeSpace{*capacity->total, capacity->available.value_or(0)});
}

void Catalog::recordMounted() {
    QSet<QString> mounted{QStringLiteral("/")};
    if (const auto volumes = platform::services().volumes) {
        for (const QString& mount : volumes->mountedVolumes()) {
            // Written the way mountOf() writes a library's mount, so the two always meet.
            if (!mount.isEmpty())
                mounted.insert(QDir::cleanPath(mount));
        }
    }
    setMounted(mounted);
    refreshVolumeSpace();
}

} // namespace pellimor
