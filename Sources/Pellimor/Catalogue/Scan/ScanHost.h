#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/MediaEntry.h"
#include "Catalogue/Records/ScanJob.h"
#include "Catalogue/Records/ScanProgress.h"
#include "Catalogue/Records/ScanRoot.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <functional>
#include <optional>
#include <stop_token>

namespace pellimor {

class ScanRun;

// What a scan run may see of the catalogue and do to it, by concern: the few steps a scan
// takes, and nothing else. The catalogue answers them for each run it starts; the run never
// reaches the catalogue's members itself, so everything a scan can change is listed here, and
// a test can stand in for the catalogue with a host of its own.
//
// Main thread only, like the catalogue.

// The libraries, watched folders and favourites, and the changes a run makes to them. Each
// change is published at once.
class ScanCatalogue {
public:
    // What "catalog.json" holds, as implicitly shared copies: telling that nothing changed since
    // costs next to nothing.
    struct Contents {
        QList<LibraryInfo> libraries;
        QList<ScanRoot> roots;
        QMap<QString, QString> driveRoles;
        QMap<QString, QDateTime> favorites;
        bool operator==(const Contents&) const = default;
    };

    virtual ~ScanCatalogue() = default;

    virtual const QList<LibraryInfo>& libraries() const = 0;
    virtual const QList<ScanRoot>& roots() const = 0;
    virtual const QMap<QString, QDateTime>& favorites() const = 0;
    virtual const QSet<QString>& mounted() const = 0; // as last recorded
    virtual Contents contents() const = 0;

    virtual void setLibraries(QList<LibraryInfo> libraries) = 0;
    virtual void setFavorites(QMap<QString, QDateTime> favorites) = 0;
    virtual void setRoots(QList<ScanRoot> roots) = 0;
};

// What the window shows of a run: the status line and the read phase's progress.
class ScanReport {
public:
    virtual ~ScanReport() = default;
    virtual void setStatus(const QString& status) = 0;
    virtual void setProgress(std::optional<ScanProgress> progress) = 0;
};

// The media lists beside the catalogue and the poster frames of its events.
class ScanMediaLists {
public:
    virtual ~ScanMediaLists() = default;
    virtual QString mediaFile(const QString& libraryPath) const = 0;
    virtual void saveMedia(const QList<MediaEntry>& media, const QString& libraryPath) = 0;
    virtual void deleteMedia(const QString& libraryPath) = 0;
    // The library's list was missing or could not be decoded at the last load, and none has
    // been written since.
    virtual bool mediaListLost(const QString& libraryPath) const = 0;
    virtual void mediaListPlaced(const QString& libraryPath) = 0; // a staged list was committed
    virtual void reloadMedia() = 0; // the published media list, read afresh off the main thread
    virtual void carryPosters(const LibraryInfo& from, LibraryInfo& to) const = 0;
    // Makes the missing poster frames one at a time, then calls `done` (main thread).
    virtual void generatePosters(std::stop_token stop, std::function<void()> done) = 0;
};

// What reaches the disk, "catalog.json" and "scanjob.json", and the job the run moves on.
class ScanRecord {
public:
    virtual ~ScanRecord() = default;
    // "catalog.json", queued: the run goes on while it is written. Every write of the store
    // reaches the disk in the order it was asked for.
    virtual void save() = 0;
    virtual ScanJob& job() = 0;    // the running job, moved on in place
    virtual void persistJob() = 0; // "scanjob.json", queued like save()
    virtual void clearJob() = 0;   // no job file (queued like save()) and no paused job
    // `done` on the main thread once every write asked for so far has been made; it checks for
    // itself that the run still exists.
    virtual void afterWrites(std::function<void()> done) = 0;
    virtual void keepPausedJob() = 0; // the running job becomes the paused one
    virtual bool stopDiscardsResume() const = 0;
    // `run` has ended: the catalogue lets it go (unless another run has replaced it) and shows
    // no scan any more.
    virtual void ended(const ScanRun& run) = 0;
};

// Everything a run is given, in one object.
class ScanHost : public ScanCatalogue, public ScanReport, public ScanMediaLists, public ScanRecord {};

} // namespace pellimor
