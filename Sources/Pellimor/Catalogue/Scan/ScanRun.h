#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/MediaEntry.h"
#include "Catalogue/Records/PendingDir.h"
#include "Catalogue/Scan/ScanHost.h"
#include "Support/AtomicFile.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>

namespace pellimor {

class ScanPrefetch;

// One scan run: the scan task as a state machine on the main thread. Each step runs to its
// end and hands over to the next through a queued call or a worker's result, so the main
// thread never waits. Walking and reading happen on the thread pool; workers see only copies
// and the stop token, never the catalogue, and their results come back through
// onMainThread() holding the run weakly: once the catalogue (and with it the run) is gone,
// they are dropped. The run reaches the catalogue through its ScanHost only.
//
// Made and started by the catalogue (Catalog::run), which holds it while it runs.
class ScanRun : public std::enable_shared_from_this<ScanRun> {
public:
    // The result of one library's read.
    struct Outcome {
        QString path;
        std::optional<LibraryInfo> lib;         // the record to put into the catalogue
        std::optional<QList<MediaEntry>> media; // present after a full read only
        // The media list's file, already written and synced aside by the read, so that taking
        // it costs the main thread a rename; removed unless the outcome is applied.
        std::shared_ptr<AtomicFile::Staged> mediaList;
        bool cancelled = false;   // the scan was cancelled meanwhile: ignore it
        bool failed = false;      // the database is there but cannot be read
        bool notALibrary = false; // neither a database nor event folders
        bool stampOnly = false;   // differs from the entry by its signature only
    };

    // The latest folder a walk is listing, handed to the main thread at most one at a time
    // and not more often than kFolderStatusEvery: a drive holds far more folders than a
    // status line can show, and every hand-over wakes the main thread.
    struct WalkStatus {
        std::mutex mutex;
        QString latest;
        bool posted = false;
        std::chrono::steady_clock::time_point lastPost{};
    };

    ScanRun(std::unique_ptr<ScanHost> host, ScanHost::Contents savedNow)
        : catalog(std::move(host)), saved(std::move(savedNow)) {}
    // The catalogue is going away (or the run has ended): whatever still walks or reads for
    // this run stops at its next check.
    ~ScanRun() { stopSource.request_stop(); }

    ScanRun(const ScanRun&) = delete;
    ScanRun& operator=(const ScanRun&) = delete;

    bool cancelled() const { return stopSource.stop_requested(); }
    ScanJob& job() { return catalog->job(); }

    // Begins the run with its first root, on the main thread later.
    void start() { schedule(&ScanRun::nextRoot); }
    // A pause or a stop: whatever walks or reads for the run stops at its next check, and the
    // run ends at its next step. How it ends (paused or stopped) is the host's to say.
    void cancel() { stopSource.request_stop(); }

private:
    // Runs `step` on the main thread later, if the run still exists then.
    void schedule(void (ScanRun::*step)());

    // What one library's read is given: plain values, taken on the main thread.
    struct ReadInputs {
        QString path;
        std::optional<LibraryInfo> entry; // the catalogued record, if any
        bool fullRescan = false;
        QString mediaFile;
        // Its media list gave nothing at the last load, so its media are out of search.
        bool mediaListLost = false;
        // Taken while the walk went on: the library was readable then, with this signature.
        std::optional<QString> prefetchedSignature;
    };

    // What the reads of one root share with the main thread. The inputs are made on the main
    // thread when the phase begins; each reader takes the next one itself as soon as it has
    // handed over its last outcome, so no read slot stands idle while the main thread applies.
    // As many readers run as the job reads at once; a reader also stops taking work while
    // more outcomes wait for the main thread than that, so a slow main thread never makes
    // finished reads pile up in memory.
    struct ReadQueue {
        explicit ReadQueue(qsizetype readers) : limit(readers) {}
        const qsizetype limit;
        std::shared_ptr<ScanPrefetch> prefetch; // may be null
        std::mutex mutex;                       // guards what follows
        QList<ReadInputs> inputs;
        qsizetype next = 0;    // the first input no reader has taken
        qsizetype waiting = 0; // outcomes handed to the main thread and not taken there yet
    };

    static Outcome readLibrary(const ReadInputs& inputs, std::stop_token stop);
    // The catalogued record still holds for a readable library with this signature: nothing
    // to read, refresh or stamp.
    static bool stillHolds(const ReadInputs& inputs, const QString& signature);
    static void readLoop(const std::weak_ptr<ScanRun>& weak, const std::shared_ptr<ReadQueue>& queue,
                         std::stop_token stop);

    void nextRoot();
    void discover();
    void walked(QList<PendingDir> pending, QStringList found, QStringList unlisted, bool complete);
    void startReads();
    void startReaders();
    void received(const std::shared_ptr<ReadQueue>& queue, const Outcome& outcome);
    void readerEnded(const std::shared_ptr<ReadQueue>& queue);
    void readsMayHaveEnded();
    void apply(const Outcome& outcome);
    void readsEnded();
    void finishRoot();
    void end();
    void close(bool wasCancelled);
    // The writes close() asked for are on the disk.
    void closed(bool wasCancelled, bool paused);

    bool catalogueChangedSinceSave() const { return catalog->contents() != saved; }
    // Saves "catalog.json" unless it already holds what the catalogue holds now.
    void saveCatalogue();
    // A save during the reads: the last one has reached the disk, and long enough ago.
    bool saveDue() const;
    void writeJob();
    static std::chrono::nanoseconds monotonicNow();

    const std::unique_ptr<ScanHost> catalog;
    std::stop_source stopSource;

    // What "catalog.json" held when this run last saved it (or when the run began, as every
    // operation of the catalogue saves what it changes): a rescan that finds every library
    // unchanged does not rewrite the whole catalogue every third library.
    ScanHost::Contents saved;
    std::chrono::nanoseconds lastJobWrite = monotonicNow();
    // When the last save this run asked for reached the disk (the run's start counts as one:
    // the catalogue saves what it changes), and whether one is still on its way. A save encodes
    // and writes the whole catalogue, so saving every few libraries would make a first scan
    // write far more than it leaves; spacing the saves keeps what a kill can lose to the reads
    // of the last seconds, which a resumed run makes again.
    std::chrono::nanoseconds lastSaveDone = monotonicNow();
    bool saveOnItsWay = false;

    // The run's counts, reported by the closing status line.
    qint64 added = 0;
    qint64 updated = 0;
    qint64 unchanged = 0;
    qint64 unreadable = 0;
    qint64 removed = 0;
    // This run has written or removed a media list.
    bool mediaChanged = false;

    // The current root.
    QString root;
    // Folders of the current root that could not be listed during this run's walk.
    QStringList unlisted;
    // This run walked the whole of the current root itself, so `unlisted` covers all of it. A
    // walk resumed from a saved job does not know which folders failed before the pause.
    bool walkedWholeRoot = false;

    // The unchanged checks made while the current root is walked; null when this run does
    // not walk it.
    std::shared_ptr<ScanPrefetch> prefetch;

    // The read phase of the current root.
    std::shared_ptr<ReadQueue> reads;
    qsizetype doneBefore = 0; // found less still to read, when the phase began
    qsizetype foundCount = 0;
    qsizetype finished = 0; // outcomes applied in this phase that were not cancelled
    qsizetype readers = 0;  // readers started whose end has not reached the main thread
    QSet<QString> foundAtStart;
};

} // namespace pellimor
