#include "Catalogue/Store/Catalog.h"

#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Records/RecordJson.h"
#include "Catalogue/Store/CatalogFile.h"
#include "Platform/Paths.h"
#include "Support/AtomicFile.h"
#include "Support/KeptAside.h"
#include "Support/RegularFile.h"
#include "Support/WriteQueue.h"

#include <QDir>
#include <QFileInfo>
#include <QVariant>
#include <algorithm>

namespace pellimor {

namespace {

using RecordJson::DateForm;

const QString kArea = QStringLiteral("catalogue");
const QString kCouldNotRead =
    QStringLiteral("The catalogue file could not be read, so the list starts empty.");
const QString kCouldNotSave = QStringLiteral("The catalogue could not be saved: ");

// A file this large is not a catalogue we wrote; reading it whole on the main thread could
// exhaust memory, so it is treated like a file that does not decode.
constexpr qint64 kMaxFileBytes = RegularFile::defaultMaxBytes;

bool sameJob(const ScanJob& a, const ScanJob& b) {
    return a.roots == b.roots && a.maxDepth == b.maxDepth && a.remember == b.remember &&
           a.fullRescan == b.fullRescan && a.posters == b.posters && a.concurrency == b.concurrency &&
           a.rootIndex == b.rootIndex && a.pending == b.pending && a.found == b.found &&
           a.discoveryDone == b.discoveryDone && a.done == b.done && a.updatedAt == b.updatedAt;
}

bool sameMedia(const QList<Catalog::MediaEntry2>& a, const QList<Catalog::MediaEntry2>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const Catalog::MediaEntry2& x, const Catalog::MediaEntry2& y) {
                          return x.libraryID == y.libraryID && x.entry.name == y.entry.name &&
                                 x.entry.size == y.entry.size && x.entry.event == y.entry.event;
                      });
}

} // namespace

Catalog::Catalog(QObject* parent) : QObject(parent), m_writes(std::make_unique<WriteQueue>()) {
    // The job a scan starts from when nothing has run yet.
    m_currentJob.concurrency = 2;
    m_currentJob.updatedAt = QDateTime::currentDateTimeUtc();

    m_dir = Paths::dataFolder();
    m_posterDir = QDir(m_dir).filePath(QStringLiteral("posters"));
    // Also creates the data folder. A failure shows up, and is reported, where a file is
    // written later.
    QDir().mkpath(m_posterDir);

    // No scan of this catalogue runs yet; scans of other catalogues of this process keep what
    // they stage.
    removeStagedLeftovers();
    load();
    loadJob();

    recordMounted();
}

// Releases the members and saves nothing of its own, but every write already asked for is made
// before it returns, so a scan's last saves are not lost with the program. A running scan is
// not cancelled: its background work reaches this object only through queued calls, which Qt
// drops once the object is gone.
Catalog::~Catalog() = default;

// ---- Setters ---------------------------------------------------------------------------------

void Catalog::setMounted(const QSet<QString>& mounted) {
    if (m_mounted == mounted)
        return;
    m_mounted = mounted;
    Q_EMIT mountedChanged();
    Q_EMIT changed();
}

void Catalog::setStatus(const QString& status) {
    if (m_status == status)
        return;
    m_status = status;
    Q_EMIT statusChanged();
    Q_EMIT changed();
}

void Catalog::setOpener(Opener opener) {
    m_opener = std::move(opener);
}

void Catalog::openInFCP(const LibraryInfo& library) {
    if (m_opener)
        m_opener(library);
}

void Catalog::setDeRoomRestorer(DeRoomRestorer restorer) {
    m_deroomRestorer = std::move(restorer);
}

void Catalog::putDeRoomBack() {
    if (m_deroomRestorer)
        m_deroomRestorer();
}

void Catalog::finishWrites() {
    m_writes->finish();
}

void Catalog::seed(Seed seed) {
    if (seed.libraries)
        setLibraries(std::move(*seed.libraries));
    if (seed.roots)
        setRoots(std::move(*seed.roots));
    if (seed.media)
        setMedia(std::move(*seed.media));
    if (seed.driveRoles)
        setDriveRoles(std::move(*seed.driveRoles));
    if (seed.favorites)
        setFavorites(std::move(*seed.favorites));
    if (seed.volumeSpace)
        setVolumeSpace(std::move(*seed.volumeSpace));
    if (seed.scanning)
        setScanning(*seed.scanning);
    if (seed.progress)
        setProgress(*seed.progress);
}

void Catalog::setLibraries(QList<LibraryInfo> libraries) {
    if (m_libraries == libraries)
        return;
    m_libraries = std::move(libraries);
    Q_EMIT librariesChanged();
    Q_EMIT changed();
}

void Catalog::setRoots(QList<ScanRoot> roots) {
    if (m_roots == roots)
        return;
    m_roots = std::move(roots);
    Q_EMIT rootsChanged();
    Q_EMIT changed();
}

void Catalog::setVolumeSpace(QMap<QString, VolumeSpace> space) {
    if (m_volumeSpace == space)
        return;
    m_volumeSpace = std::move(space);
    Q_EMIT volumeSpaceChanged();
    Q_EMIT changed();
}

void Catalog::setMedia(QList<MediaEntry2> media) {
    if (sameMedia(m_media, media))
        return;
    m_media = std::move(media);
    Q_EMIT mediaChanged();
    Q_EMIT changed();
}

void Catalog::setScanning(bool scanning) {
    if (m_isScanning == scanning)
        return;
    m_isScanning = scanning;
    Q_EMIT isScanningChanged();
    Q_EMIT changed();
}

void Catalog::setProgress(std::optional<Progress> progress) {
    if (m_progress == progress)
        return;
    m_progress = progress;
    Q_EMIT progressChanged();
    Q_EMIT changed();
}

void Catalog::setDriveRoles(QMap<QString, QString> roles) {
    if (m_driveRoles == roles)
        return;
    m_driveRoles = std::move(roles);
    Q_EMIT driveRolesChanged();
    Q_EMIT changed();
}

void Catalog::setFavorites(QMap<QString, QDateTime> favorites) {
    if (m_favorites == favorites)
        return;
    m_favorites = std::move(favorites);
    Q_EMIT favoritesChanged();
    Q_EMIT changed();
}

void Catalog::setPausedJob(std::optional<ScanJob> job) {
    if (m_pausedJob.has_value() == job.has_value() && (!job || sameJob(*m_pausedJob, *job)))
        return;
    m_pausedJob = std::move(job);
    Q_EMIT pausedJobChanged();
    Q_EMIT changed();
}

// ---- Store -----------------------------------------------------------------------------------

void Catalog::load() {
    const QString file = QDir(m_dir).filePath(QStringLiteral("catalog.json"));
    // Only a regular file is read: a pipe at that name would hold the start for good.
    const RegularFile::Contents read = RegularFile::read(file, kMaxFileBytes);
    std::optional<CatalogFile::Contents> store;
    QString why = read.reason;
    if (read.status == RegularFile::Status::ok) {
        Result<CatalogFile::Contents> decoded = CatalogFile::decode(read.bytes);
        if (decoded.ok())
            store = std::move(decoded.value());
        else
            why = decoded.error();
    }

    if (store) {
        QList<LibraryInfo> libraries;
        libraries.reserve(store->libraries.size());
        QSet<QString> livePaths;
        for (LibraryInfo& library : store->libraries) {
            // Bundles inside a "CacheClip" folder are caches, not libraries the user keeps.
            if (library.path.contains(QStringLiteral("/CacheClip/")))
                continue;
            // A problem belongs to the read that met it; the next scan finds it again if it stays.
            library.problem.reset();
            livePaths.insert(library.path);
            libraries.append(std::move(library));
        }
        setLibraries(std::move(libraries));
        setRoots(std::move(store->roots));
        setDriveRoles(store->driveRoles.value_or(QMap<QString, QString>()));
        setFavorites(FavoriteBook::trimmed(store->favorites.value_or(QMap<QString, QDateTime>()), livePaths));
    } else if (read.status != RegularFile::Status::missing) {
        // The next save would replace the only copy of the user's catalogue with an empty one,
        // so the file goes aside first, where the user (or support) can still recover it.
        const QString message = kCouldNotRead + QStringLiteral(" Reason: ") + why;
        if (const std::optional<QString> kept = KeptAside::move(file)) {
            m_unreadableInPlace.clear();
            ErrorLog::log(ErrorLog::Level::error, kArea, message, *kept);
        } else {
            m_unreadableInPlace = file;
            m_unreadableRefusalLogged = false;
            ErrorLog::log(ErrorLog::Level::error, kArea, message, file);
        }
    }

    loadAllMedia();
}

void Catalog::save() {
    save(Timing::now);
}

void Catalog::save(Timing timing) {
    const QString file = QDir(m_dir).filePath(QStringLiteral("catalog.json"));

    const QString inPlace = m_unreadableInPlace;
    if (!inPlace.isEmpty()) {
        // Whatever blocked the move at start-up may have gone away since.
        if (const std::optional<QString> kept = KeptAside::move(inPlace)) {
            m_unreadableInPlace.clear();
            ErrorLog::log(ErrorLog::Level::warn, kArea,
                          QStringLiteral("The catalogue file that could not be read has been kept aside."),
                          *kept);
        } else if (QFileInfo::exists(inPlace) || QFileInfo(inPlace).isSymLink()) {
            if (!m_unreadableRefusalLogged) {
                m_unreadableRefusalLogged = true;
                ErrorLog::log(ErrorLog::Level::error, kArea,
                              kCouldNotSave +
                                  QStringLiteral("the catalogue file that could not be read could not be "
                                                 "moved aside either, so nothing is saved over it."),
                              inPlace);
            }
            return;
        } else {
            // Someone moved or removed it meanwhile; there is nothing left to protect.
            m_unreadableInPlace.clear();
        }
    }

    // Implicitly shared copies: the catalogue may change on while they are written.
    CatalogFile::Contents contents{m_libraries, m_roots, m_driveRoles, m_favorites};
    const auto failed = [](const QString& error) {
        ErrorLog::log(ErrorLog::Level::error, kArea, kCouldNotSave + error);
    };
    if (timing == Timing::now && m_writes->idle()) {
        const Result<QByteArray> bytes = CatalogFile::encode(contents);
        if (!bytes.ok())
            failed(bytes.error());
        else if (const Result<void> written = AtomicFile::write(file, bytes.value()); !written.ok())
            failed(written.error());
        return;
    }
    // Off the main thread the records are encoded in pieces, and a newer catalogue queued while
    // an older one waits takes its place: the job written after the older trails the newer
    // just as well.
    m_writes->write(
        file,
        [contents = std::move(contents)] {
            return CatalogFile::encode(contents, CatalogFile::kEncodeSpreadFrom);
        },
        AtomicFile::Durability::synced, WriteQueue::Place::inPlace, failed);
}

void Catalog::afterWrites(std::function<void()> done) {
    m_writes->whenDone(std::move(done));
}

} // namespace pellimor
