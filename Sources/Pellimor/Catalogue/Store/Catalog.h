#pragma once

// The one long-lived catalogue object: the known libraries, the watched folders, the mounted
// volumes and their free space, the media lists, the status line and scan progress, drive
// roles, favourites and the paused scan.
//
// Thread affinity: main thread only. Every member is read and written on the main thread;
// background work (scans, free space, media lists, re-reads, poster frames) hands its results
// back with queued calls before it touches anything here. A published member is a getter and
// a change signal; `changed()` follows every published change, for views that simply redraw.
//
// The implementation is split by concern:
//   Store/Catalog.cpp          construction, load() and save() of "catalog.json"
//   Store/CatalogRoles.cpp     drive roles, favourites, shown libraries (and FavoriteBook)
//   Store/CatalogVolumes.cpp   mounted volumes, online test, comparable libraries, free space
//   Store/CatalogUpdate.cpp    update status against the installed Final Cut Pro
//   Store/CatalogMedia.cpp     media-list files and the published media list
//   Store/CatalogJob.cpp       "scanjob.json" and the paused job
//   Store/CatalogReread.cpp    re-reading one changed library
//   Store/CatalogPosters.cpp   poster frames
//   Store/CatalogPlugins.cpp   per-library plug-in statistics
//   Scan/CatalogScan.cpp       starting, pausing and stopping a scan run (Scan/ScanRun.h), and
//                              the ScanHost through which the run reaches the catalogue
//   Scan/CatalogRequests.cpp   scan requests, removing watched folders, forgetting libraries

#include "Catalogue/Records/CleanupTarget.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/MediaEntry.h"
#include "Catalogue/Records/ScanJob.h"
#include "Catalogue/Records/ScanProgress.h"
#include "Catalogue/Records/ScanRoot.h"
#include "Catalogue/Scan/ScanOptions.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <utility>

namespace pellimor {

class ScanHost;
class ScanRun;
class WriteQueue;

class Catalog : public QObject {
    Q_OBJECT
public:
    // Capacity of one volume; `total` is always above 0.
    struct VolumeSpace {
        qint64 total = 0;
        qint64 free = 0;
        bool operator==(const VolumeSpace&) const = default;
    };

    // One media file of one library in the published, flattened list.
    struct MediaEntry2 {
        QString libraryID; // the library's path
        MediaEntry entry;
    };

    // Progress of the running scan's read phase.
    using Progress = ScanProgress;

    // A library's state against the installed Final Cut Pro.
    enum class UpdateStatus { current, needsUpdate, tooNew, unknown };

    // A library's plug-in pack counts: its packs, and those missing, partly installed or
    // undecidable on this computer.
    struct PluginStats {
        int packs = 0;
        int missing = 0;
        int partial = 0;
        int unverified = 0;
        bool operator==(const PluginStats&) const = default;
    };

    // Where the counts come from: the plug-in checker, a tool above the catalogue, which the
    // application installs (setPluginCounter). Both calls are made on the main thread.
    struct PluginCounter {
        // One library's packs by health, asked only when the counts are not cached.
        std::function<PluginStats(const LibraryInfo& library)> count;
        // Drops every answer the counter keeps, so the next counts ask everything again.
        std::function<void()> forget;
    };

    // Resolves the data folder (TOVLIN_DATA_DIR, else Application Support "Pellimor"),
    // creates "posters", loads "catalog.json", takes a paused scan from "scanjob.json",
    // records the mounted volumes and refreshes free space.
    explicit Catalog(QObject* parent = nullptr);
    ~Catalog() override;

    // ---- Published members ---------------------------------------------------------------
    const QList<LibraryInfo>& libraries() const { return m_libraries; }
    const QList<ScanRoot>& roots() const { return m_roots; }
    const QSet<QString>& mounted() const { return m_mounted; }
    const QMap<QString, VolumeSpace>& volumeSpace() const { return m_volumeSpace; }
    const QList<MediaEntry2>& media() const { return m_media; }
    const QString& status() const { return m_status; }
    bool isScanning() const { return m_isScanning; }
    const std::optional<Progress>& progress() const { return m_progress; }
    const QMap<QString, QString>& driveRoles() const { return m_driveRoles; }
    const QMap<QString, QDateTime>& favorites() const { return m_favorites; }
    const std::optional<ScanJob>& pausedJob() const { return m_pausedJob; }

    // The windows record the mounted set and write status texts of their own.
    void setMounted(const QSet<QString>& mounted);
    void setStatus(const QString& status);

    // ---- Unpublished members -------------------------------------------------------------
    QString dir() const { return m_dir; }             // the data folder
    QString posterDir() const { return m_posterDir; } // "posters" inside it
    qint64 volumeSpaceGeneration() const { return m_volumeSpaceGeneration; }
    const ScanJob& currentJob() const { return m_currentJob; }
    bool stopDiscardsResume() const { return m_stopDiscardsResume; }
    QHash<QString, PluginStats>& pluginStatsCache() { return m_pluginStatsCache; }
    // Final Cut Pro control keeps its bookkeeping here.
    qint64 openInFCPTicket = 0;
    qint64 openInFCPSettledTicket = 0;
    bool deroomParking = false;
    bool openLeftDeRoomParked = false;

    // ---- Seeding -------------------------------------------------------------------------
    // A catalogue's state set in one step, for tests and tools that build a catalogue in memory
    // rather than scan for it: each member given replaces that published member through its
    // setter, signals included, in the order listed; nothing is saved.
    struct Seed {
        std::optional<QList<LibraryInfo>> libraries = std::nullopt;
        std::optional<QList<ScanRoot>> roots = std::nullopt;
        std::optional<QList<MediaEntry2>> media = std::nullopt;
        std::optional<QMap<QString, QString>> driveRoles = std::nullopt;
        std::optional<QMap<QString, QDateTime>> favorites = std::nullopt;
        std::optional<QMap<QString, VolumeSpace>> volumeSpace = std::nullopt;
        std::optional<bool> scanning = std::nullopt;
        // Given as a value: no progress to show is `std::optional<Progress>()`.
        std::optional<std::optional<Progress>> progress = std::nullopt;
    };
    void seed(Seed seed);
    // The catalogue as a scan run sees it (Scan/ScanHost.h): the steps a run takes, one at a
    // time, for a test or a tool that takes them without a run. Each call makes a new host.
    std::unique_ptr<ScanHost> scanHost();
    // The library's record counts as changed at the next scan, whatever its files say.
    void invalidateSignature(const QString& path);
    // Blocks until every write of the store asked for so far is on the disk, for a test or a
    // tool that reads the files next. The window never calls it: its main thread never waits.
    void finishWrites();

    // ---- Store ---------------------------------------------------------------------------
    // Writes libraries, roots, drive roles and favourites to "catalog.json", atomically: before
    // it returns, unless a scan's writes are still on their way (then it is queued after them,
    // so no older content lands over it).
    void save();

    // ---- Drive roles, favourites, shown libraries ------------------------------------------
    void setBackup(bool on, const std::optional<QString>& uuid, const QString& name);
    bool isBackupDrive(const LibraryInfo& library) const;
    QList<LibraryInfo> shownLibraries() const;
    bool isFavorite(const QString& path) const;
    void toggleFavorite(const QString& path);
    QList<LibraryInfo> favoriteLibraries() const;

    // ---- Volumes, free space, comparable libraries -----------------------------------------
    bool isOnline(const LibraryInfo& library) const;
    QList<LibraryInfo> comparableLibraries() const;
    QStringList onlineLibraryMounts() const;
    void refreshVolumeSpace();
    // Any thread; blocks on the disk.
    static std::optional<std::pair<QString, VolumeSpace>> readVolumeSpace(const QString& mount);
    bool ignoreSafetyNet() const;
    // "/" plus every mounted volume becomes `mounted`; then free space is refreshed.
    void recordMounted();

    // ---- Update status ---------------------------------------------------------------------
    // Where Final Cut Pro is installed, asked of the platform on every call.
    std::optional<QString> fcpAppURL() const;
    // The installed Final Cut Pro's version (published): read when the catalogue starts and
    // again by refreshInstalledFCP(), never per library or per redraw.
    const std::optional<QString>& installedFCP() const { return m_installedFCP; }
    // Reads the installed version afresh, for when the program becomes active again: Final Cut
    // Pro may have been installed, updated or removed meanwhile.
    void refreshInstalledFCP();
    // Against installedFCP().
    UpdateStatus updateStatus(const LibraryInfo& library) const;

    // ---- Media lists -----------------------------------------------------------------------
    // The 20 lower-case hex digits of the first 10 bytes of the SHA-256 of the text's UTF-8.
    static QString hash(const QString& text);
    // Reads every library's media list off the main thread and publishes `media`; only the
    // latest of overlapping loads publishes.
    void loadAllMedia();

    // ---- Scans -----------------------------------------------------------------------------
    void run(const ScanJob& job);
    void pause(); // stopDiscardsResume = false, then cancel the scan
    void stop();  // stopDiscardsResume = true, then cancel the scan
    // Removes "scanjob.json" and forgets the paused job.
    void clearJob();
    void resumePausedScan();
    // The requests below start one job built by `options` (ScanOptions::freshJob), unless a
    // scan is running. Every watched folder that is there now, or only those at or below
    // `only`; the folders become the job's roots.
    void rescanAllRoots(const ScanOptions& options, const std::optional<QString>& only);
    // One watched folder, whether or not it is there now (the run skips an unreachable root).
    void rescan(const ScanRoot& root, const ScanOptions& options);
    // The reachable watched folders on one drive, else the whole drive (never the whole
    // start-up disk); the drive does not become a watched folder.
    void rescan(const QString& mount, const QString& driveName, const ScanOptions& options);
    void removeRoot(const ScanRoot& root);
    void forget(const LibraryInfo& library);

    // ---- After a tool changed a library ----------------------------------------------------
    void noteFreed(const LibraryInfo& library, const QList<CleanupTarget>& removed);
    void reread(const LibraryInfo& library, std::optional<qint64> previousSize);

    // ---- Opening in Final Cut Pro -----------------------------------------------------------
    // Hands a library to Final Cut Pro, and puts a parked DeRoom back. The application installs
    // what does both (the control of Final Cut Pro sits above the catalogue); it makes its own
    // checks and reports through the status line. Without them (a catalogue with no window)
    // nothing happens.
    using Opener = std::function<void(const LibraryInfo& library)>;
    void setOpener(Opener opener);
    // Returns once the checks and questions are over, before Final Cut Pro answers.
    void openInFCP(const LibraryInfo& library);
    using DeRoomRestorer = std::function<void()>;
    void setDeRoomRestorer(DeRoomRestorer restorer);
    // Synchronous.
    void putDeRoomBack();

    // ---- Plug-ins --------------------------------------------------------------------------
    // Replaces the counter and forgets the counts of the one before. Without a counter every
    // library counts no packs.
    void setPluginCounter(PluginCounter counter);
    // The counts of this read of the library (its path and scan time), counted once and then
    // kept until recheckPlugins(): a rescan gives the library fresh counts.
    PluginStats pluginStats(const LibraryInfo& library);
    // Forgets the counter's answers, then the counts, then says the catalogue changed, so every
    // view asks again and every question is answered afresh.
    void recheckPlugins();

Q_SIGNALS:
    void librariesChanged();
    void rootsChanged();
    void mountedChanged();
    void volumeSpaceChanged();
    void mediaChanged();
    void statusChanged();
    void isScanningChanged();
    void progressChanged();
    void driveRolesChanged();
    void favoritesChanged();
    void pausedJobChanged();
    void installedFCPChanged();
    // After any published member changed.
    void changed();

private:
    // Setters of published members: assign, then signal (only when the value differs).
    void setLibraries(QList<LibraryInfo> libraries);
    void setRoots(QList<ScanRoot> roots);
    void setVolumeSpace(QMap<QString, VolumeSpace> space);
    void setMedia(QList<MediaEntry2> media);
    void setScanning(bool scanning);
    void setProgress(std::optional<Progress> progress);
    void setDriveRoles(QMap<QString, QString> roles);
    void setFavorites(QMap<QString, QDateTime> favorites);
    void setPausedJob(std::optional<ScanJob> job);

    void load();
    // When a write of "catalog.json" or "scanjob.json" reaches the disk: `now`, before the call
    // returns (unless writes queued earlier are still on their way: then after them), or
    // `later`, queued behind whatever is on its way, so that the main thread never waits for
    // the disk. Either way the files reach the disk in the order they were asked for, so the
    // job never counts as done a library that the catalogue on disk lacks. A scan writes later.
    enum class Timing { now, later };
    void save(Timing timing);
    // `done` on the main thread once every write of the store asked for so far has been made;
    // it must check for itself that what it touches still exists.
    void afterWrites(std::function<void()> done);
    // The reads of free-space refresh `generation` are all back: logged, unless a later
    // refresh has begun meanwhile.
    void finishVolumeSpace(qint64 generation);
    // The paused job from "scanjob.json", cleaned of paths the scan cannot trust.
    void loadJob();
    // Removes what replacements of the media lists and the job file left half-done in an
    // earlier process (a staged file that never got its name); never what this process stages.
    void removeStagedLeftovers();
    void persistJob(Timing timing = Timing::now);
    void saveMedia(const QList<MediaEntry>& media, const QString& path);
    void deleteMedia(const QString& path);
    QString mediaFile(const QString& path) const;
    QString jobFile() const;
    // The library's media list was missing or could not be decoded at the last load, and none
    // has been written for it since: its media are out of search until it is read in full.
    bool mediaListLost(const QString& path) const;
    // A list for the library is in place now.
    void mediaListPlaced(const QString& path);

    // Poster frames: makes the missing ones one at a time, then calls `done` (main thread).
    void generatePosters(std::stop_token stop, std::function<void()> done);
    void carryPosters(const LibraryInfo& from, LibraryInfo& to) const;

    // The running scan (defined in CatalogScan.cpp); null when none runs. It sees the
    // catalogue through a ScanAdapter of its own, the catalogue's answer to its ScanHost.
    class ScanAdapter;
    std::shared_ptr<ScanRun> m_scan;

    QList<LibraryInfo> m_libraries;
    QList<ScanRoot> m_roots;
    QSet<QString> m_mounted;
    QMap<QString, VolumeSpace> m_volumeSpace;
    qint64 m_volumeSpaceGeneration = 0;
    QList<MediaEntry2> m_media;
    qint64 m_mediaGeneration = 0;
    QSet<QString> m_lostMediaLists; // see mediaListLost()
    QString m_status;
    Opener m_opener;
    DeRoomRestorer m_deroomRestorer;
    bool m_isScanning = false;
    std::optional<Progress> m_progress;
    QMap<QString, QString> m_driveRoles;
    QMap<QString, QDateTime> m_favorites;
    QHash<QString, PluginStats> m_pluginStatsCache;
    PluginCounter m_pluginCounter;
    bool m_stopDiscardsResume = false;
    QString m_dir;
    QString m_posterDir;
    std::optional<ScanJob> m_pausedJob;
    ScanJob m_currentJob;
    // A "catalog.json" that could not be read and could not be moved aside either: the only
    // copy of the user's catalogue, so nothing is saved over it while this names it.
    QString m_unreadableInPlace;
    bool m_unreadableRefusalLogged = false; // the refusal is logged once
    // The writes of "catalog.json" and "scanjob.json", in order.
    std::unique_ptr<WriteQueue> m_writes;
    // Media-list file names by library path: the name is a hash, asked for every library on
    // every scan and load.
    mutable QHash<QString, QString> m_mediaFiles;
    // Read as the catalogue is made, so the first redraw has it.
    static std::optional<QString> readInstalledFCP();
    std::optional<QString> m_installedFCP = readInstalledFCP();
};

// The favourites of live libraries, at most five (the most recently marked stay).
namespace FavoriteBook {
QMap<QString, QDateTime> trimmed(const QMap<QString, QDateTime>& favorites, const QSet<QString>& livePaths);
}

} // namespace pellimor
