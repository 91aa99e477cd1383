#include "Catalogue/Scan/ScanRun.h"

#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Records/RecordJson.h"
#include "Catalogue/Scan/ScanPrefetch.h"
#include "Catalogue/Scan/ScanRemoval.h"
#include "Catalogue/Scan/ScanSettings.h"
#include "Platform/Clock.h"
#include "Platform/Services.h"
#include "Platform/VolumeFacts.h"
#include "Platform/VolumesRoot.h"
#include "Support/AtomicFile.h"
#include "Support/PathText.h"
#include "Support/WorkPool.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QMetaObject>
#include <QSet>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

namespace pellimor {

namespace {

constexpr qint64 kSaveEvery = 3;
// During the reads a save also waits this long after the last one reached the disk.
constexpr std::chrono::seconds kSaveSpacing(2);
// Reads that change nothing still move the job on; its progress is written at least this often.
constexpr std::chrono::seconds kJobProgressEvery(2);
// A walk lists folders far faster than anyone can read their names in a status line.
constexpr std::chrono::milliseconds kFolderStatusEvery(50);
// More reads at once than this only queue up behind each other in the thread pool.
constexpr qint64 kMostReadsAtOnce = 256;

// Hands `work` to the main thread without waiting. The application object is the context
// rather than the catalogue: it outlives every catalogue, so a worker never posts to an object
// that may be in the middle of being destroyed; the work itself checks whether its scan still
// exists.
template <typename Work> void onMainThread(Work&& work) {
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, std::forward<Work>(work), Qt::QueuedConnection);
}

QStringList withoutRepeats(const QStringList& paths) {
    QStringList result;
    QSet<QString> seen;
    for (const QString& path : paths) {
        if (!seen.contains(path)) {
            seen.insert(path);
            result.append(path);
        }
    }
    return result;
}

// The text before the first size token, and the text after it when there is one.
std::pair<QString, std::optional<QString>> signatureHalves(const QString& signature) {
    const QLatin1String token(LibraryReader::sizeToken);
    const qsizetype at = signature.indexOf(token);
    if (at < 0)
        return {signature, std::nullopt};
    return {signature.left(at), signature.mid(at + token.size())};
}

// Parts an older catalogue did not record yet.
bool projectsStale(const LibraryInfo& library) {
    for (const EventInfo& event : library.events)
        for (const ProjectInfo& project : event.projects)
            if (!project.fingerprint || !project.plugins || !project.keywords)
                return true;
    return false;
}

bool eventDatesStale(const LibraryInfo& library) {
    return std::any_of(library.events.begin(), library.events.end(),
                       [](const EventInfo& event) { return !event.created.has_value(); });
}

bool tagsStale(const LibraryInfo& library) {
    return std::any_of(library.events.begin(), library.events.end(), [](const EventInfo& event) {
        return !event.keywords || !event.metaTags || event.tagsVersion != LibraryReader::tagsVersion;
    });
}

} // namespace

std::chrono::nanoseconds ScanRun::monotonicNow() {
    return platform::services().clock->monotonic();
}

void ScanRun::saveCatalogue() {
    ScanHost::Contents now = catalog->contents();
    if (now == saved)
        return;
    catalog->save();
    saved = std::move(now);
    saveOnItsWay = true;
    catalog->afterWrites([weak = weak_from_this()] {
        if (const std::shared_ptr<ScanRun> run = weak.lock()) {
            run->saveOnItsWay = false;
            run->lastSaveDone = monotonicNow();
        }
    });
}

bool ScanRun::saveDue() const {
    return !saveOnItsWay && monotonicNow() - lastSaveDone >= kSaveSpacing;
}

void ScanRun::writeJob() {
    catalog->persistJob();
    lastJobWrite = monotonicNow();
}

void ScanRun::schedule(void (ScanRun::*step)()) {
    onMainThread([weak = weak_from_this(), step] {
        if (const std::shared_ptr<ScanRun> run = weak.lock())
            ((*run).*step)();
    });
}

// ---- Scan task: roots -------------------------------------------------------------------------

void ScanRun::nextRoot() {
    ScanJob& current = job();
    while (current.rootIndex < current.roots.size()) {
        if (cancelled())
            break;
        root = current.roots.at(current.rootIndex);
        if (!QFileInfo::exists(root)) {
            // What is catalogued under a root that is not there stays, and so does its last scan.
            catalog->setStatus(root + QStringLiteral(" isn't reachable — skipped."));
            current.startRoot(current.rootIndex + 1);
            writeJob();
            continue;
        }
        if (!current.discoveryDone) {
            discover();
            return;
        }
        // Resumed after the walk of this root had finished in an earlier run: the job tells
        // which folders that walk could not list, unless it was written before it kept them.
        walkedWholeRoot = current.unlisted.has_value();
        unlisted = current.unlisted.value_or(QStringList());
        startReads();
        return;
    }
    end();
}

void ScanRun::discover() {
    ScanJob& current = job();
    catalog->setStatus(QStringLiteral("Searching ") + root + QStringLiteral("…"));

    QList<PendingDir> pending = current.pending ? *current.pending : QList<PendingDir>{PendingDir{root, 0}};
    // A walk paused before it listed anything holds just the root, so it too covers the root; a
    // walk resumed mid-way covers it when the job kept the folders that failed before the pause.
    walkedWholeRoot = pending == QList<PendingDir>{PendingDir{root, 0}} || current.unlisted.has_value();
    unlisted = current.unlisted.value_or(QStringList());
    if (walkedWholeRoot)
        current.unlisted = unlisted;
    QStringList unlistedSoFar = unlisted;
    QStringList found = current.found;
    const std::optional<qint64> maxDepth = current.maxDepth;
    // The walk is one of the job's reads at once; the others list the folders it comes to next,
    // no more at once than there are processors.
    LibraryReader::LookAhead lookAhead{
        int(std::clamp<qint64>(current.concurrency, 1, std::max(1, QThread::idealThreadCount()))) - 1};
    const bool skipSafetyNet = ScanSettings::skipSafetyNet();
    const bool skipFCPBackups = ScanSettings::skipFCPBackups();
    const std::weak_ptr<ScanRun> weak = weak_from_this();
    const std::stop_token stop = stopSource.get_token();
    const auto status = std::make_shared<WalkStatus>();
    // Set once the walk has returned: its result, written at once, supersedes any checkpoint
    // still on its way to the main thread.
    const auto returned = std::make_shared<std::atomic<bool>>(false);
    // Only a catalogued library can be found unchanged; any other is read in full whatever its
    // signature, so checking it ahead would only slow the walk down.
    QSet<QString> catalogued;
    if (!current.fullRescan) {
        catalogued.reserve(catalog->libraries().size());
        for (const LibraryInfo& library : catalog->libraries())
            catalogued.insert(library.path);
    }
    prefetch = catalogued.isEmpty() ? nullptr
                                    : std::make_shared<ScanPrefetch>(
                                          std::clamp<qint64>(current.concurrency, 1, kMostReadsAtOnce), stop);
    // A catalogued library goes to its check as soon as any listing shows it, before the walk
    // comes to it when the listing was made ahead.
    if (prefetch)
        lookAhead.seen = [prefetch = prefetch, catalogued = std::move(catalogued)](const QString& library) {
            if (catalogued.contains(library))
                prefetch->add(library);
        };

    workPool()->start([weak, stop, status, returned, pending = std::move(pending), found = std::move(found),
                       unlistedHere = std::move(unlistedSoFar), maxDepth, skipSafetyNet, skipFCPBackups,
                       lookAhead]() mutable {
        // A resumed walk's earlier finds go to the unchanged checks first; the walk's own as its
        // listings show them.
        if (lookAhead.seen)
            for (const QString& library : std::as_const(found))
                lookAhead.seen(library);
        // The walk appends the folders it cannot list to `unlistedHere`; each checkpoint carries a
        // copy to the job (both run on this worker, so the copy needs no lock).
        const QStringList* unlistedSeen = &unlistedHere;
        const LibraryReader::DiscoveryCheckpoint checkpoint =
            [weak, returned, unlistedSeen](const QList<PendingDir>& stack, const QStringList& list) {
                onMainThread([weak, returned, stack, list, failed = *unlistedSeen] {
                    if (const std::shared_ptr<ScanRun> run = weak.lock()) {
                        run->job().pending = stack;
                        run->job().found = list;
                        if (run->walkedWholeRoot)
                            run->job().unlisted = failed;
                        if (!returned->load())
                            run->writeJob();
                    }
                });
            };
        const LibraryReader::DiscoveryProgress progress = [weak, status](const QString& folder) {
            {
                const std::lock_guard lock(status->mutex);
                status->latest = folder;
                const auto now = std::chrono::steady_clock::now();
                if (status->posted || now - status->lastPost < kFolderStatusEvery)
                    return;
                status->posted = true;
                status->lastPost = now;
            }
            onMainThread([weak, status] {
                QString folder;
                {
                    const std::lock_guard lock(status->mutex);
                    folder = status->latest;
                    status->posted = false;
                }
                if (const std::shared_ptr<ScanRun> run = weak.lock())
                    run->catalog->setStatus(QStringLiteral("Searching ") + folder);
            });
        };
        const bool complete = LibraryReader::discover(pending, found, maxDepth, skipSafetyNet, skipFCPBackups,
                                                      checkpoint, progress, stop, &unlistedHere, lookAhead);
        returned->store(true);
        onMainThread([weak, pending = std::move(pending), found = std::move(found),
                      unlistedHere = std::move(unlistedHere), complete]() mutable {
            if (const std::shared_ptr<ScanRun> run = weak.lock())
                run->walked(std::move(pending), std::move(found), std::move(unlistedHere), complete);
        });
    });
}

void ScanRun::walked(QList<PendingDir> pending, QStringList found, QStringList unlistedHere, bool complete) {
    ScanJob& current = job();
    current.pending = std::move(pending);
    // A job resumed with libraries found but no folders pending walks the root again and
    // finds them a second time; each is read once all the same.
    current.found = withoutRepeats(found);
    unlisted = std::move(unlistedHere);
    if (walkedWholeRoot)
        current.unlisted = unlisted;
    if (!complete) {
        // Only a pause or a stop cuts a walk short; the job keeps the folders still to walk,
        // and the checks made ahead go with the walk.
        prefetch.reset();
        writeJob();
        end();
        return;
    }
    current.discoveryDone = true;
    writeJob();
    startReads();
}

// ---- Scan task: reads -------------------------------------------------------------------------

void ScanRun::startReads() {
    ScanJob& current = job();
    current.found = withoutRepeats(current.found);
    const QSet<QString> done(current.done.begin(), current.done.end());
    QHash<QString, const LibraryInfo*> lookup;
    for (const LibraryInfo& library : catalog->libraries())
        if (!lookup.contains(library.path))
            lookup.insert(library.path, &library);

    reads = std::make_shared<ReadQueue>(std::clamp<qint64>(current.concurrency, 1, kMostReadsAtOnce));
    // Whatever the walk found and has not been checked yet is left to the reads themselves.
    if (prefetch)
        prefetch->close();
    reads->prefetch = std::exchange(prefetch, nullptr);
    // No reader runs yet, so the inputs need no lock. Each is taken as it would be at the
    // start of its own read: the catalogue does not change while the phase begins.
    for (const QString& path : std::as_const(current.found)) {
        if (done.contains(path))
            continue;
        ReadInputs inputs;
        inputs.path = path;
        if (const auto it = lookup.constFind(path); it != lookup.constEnd())
            inputs.entry = *it.value();
        inputs.fullRescan = current.fullRescan;
        inputs.mediaFile = catalog->mediaFile(path);
        inputs.mediaListLost = catalog->mediaListLost(path);
        reads->inputs.append(std::move(inputs));
    }

    foundAtStart = QSet<QString>(current.found.begin(), current.found.end());
    foundCount = current.found.size();
    doneBefore = foundCount - reads->inputs.size();
    finished = 0;
    readers = 0;
    catalog->setProgress(ScanProgress{doneBefore, foundCount});

    // A library its check ahead found unchanged needs nothing more: its outcome is taken here,
    // as it would be the moment a reader handed it over, and the readers get the others.
    if (reads->prefetch && !cancelled()) {
        QList<ReadInputs> toRead;
        for (ReadInputs& inputs : reads->inputs) {
            const std::optional<QString> signature = reads->prefetch->take(inputs.path);
            if (signature && stillHolds(inputs, *signature)) {
                Outcome outcome;
                outcome.path = inputs.path;
                apply(outcome);
            } else {
                toRead.append(std::move(inputs));
            }
        }
        reads->inputs = std::move(toRead);
    }

    // A pause that came while the walk was finishing starts no read at all.
    startReaders();
    readsMayHaveEnded();
}

void ScanRun::startReaders() {
    if (cancelled())
        return;
    qsizetype wanted = 0;
    {
        const std::lock_guard lock(reads->mutex);
        // While more outcomes wait than readers run, the readers that hand them over start
        // again as they are taken.
        if (reads->waiting <= reads->limit)
            wanted = std::min(reads->limit - readers, reads->inputs.size() - reads->next);
    }
    for (; wanted > 0; --wanted) {
        ++readers;
        workPool()->start([weak = weak_from_this(), queue = reads, stop = stopSource.get_token()] {
            readLoop(weak, queue, stop);
        });
    }
}

// Off the main thread: takes the next input until there is none left, the run is cancelled,
// or the main thread has more outcomes to apply than the queue's limit.
void ScanRun::readLoop(const std::weak_ptr<ScanRun>& weak, const std::shared_ptr<ReadQueue>& queue,
                       std::stop_token stop) {
    for (;;) {
        ReadInputs inputs;
        {
            const std::lock_guard lock(queue->mutex);
            if (stop.stop_requested() || queue->next >= queue->inputs.size() || queue->waiting > queue->limit)
                break;
            inputs = std::move(queue->inputs[queue->next++]);
        }
        if (queue->prefetch)
            inputs.prefetchedSignature = queue->prefetch->take(inputs.path);
        Outcome outcome = readLibrary(inputs, stop);
        {
            const std::lock_guard lock(queue->mutex);
            ++queue->waiting;
        }
        onMainThread([weak, queue, outcome = std::move(outcome)] {
            if (const std::shared_ptr<ScanRun> run = weak.lock())
                run->received(queue, outcome);
        });
        if (workPoolIsBusy()) {
            // The same reader goes on in a task of its own, after work asked for meanwhile.
            workPool()->start([weak, queue, stop] { readLoop(weak, queue, stop); });
            return;
        }
    }
    // After every outcome of this reader, so once the main thread has seen every reader end
    // it has seen every outcome.
    onMainThread([weak, queue] {
        if (const std::shared_ptr<ScanRun> run = weak.lock())
            run->readerEnded(queue);
    });
}

bool ScanRun::stillHolds(const ReadInputs& inputs, const QString& signature) {
    const std::optional<LibraryInfo>& entry = inputs.entry;
    if (inputs.fullRescan || !entry || entry->signature == LibraryInfo::invalidatedSignature ||
        inputs.mediaListLost)
        return false;
    const auto [oldProjects, oldSizes] = signatureHalves(entry->signature);
    const auto [newProjects, newSizes] = signatureHalves(signature);
    return oldProjects == newProjects && oldSizes && oldSizes == newSizes && !projectsStale(*entry) &&
           !eventDatesStale(*entry) && !tagsStale(*entry);
}

// Off the main thread: sees only its inputs, never the catalogue.
ScanRun::Outcome ScanRun::readLibrary(const ReadInputs& inputs, std::stop_token stop) {
    const QString& path = inputs.path;
    const std::optional<LibraryInfo>& entry = inputs.entry;
    Outcome outcome;
    outcome.path = path;

    const auto fullRead = [&](const QString& signature) {
        QList<MediaEntry> media;
        LibraryInfo record = LibraryReader::read(path, signature, media, stop);
        // A read cut short holds part of the library only; it must never replace a whole record.
        if (stop.stop_requested()) {
            outcome.cancelled = true;
            return outcome;
        }
        // The list as saveMedia writes it. Syncing it to the disk is the slow part of keeping
        // it, and here the reads share that work instead of the main thread doing it for all.
        const Result<QByteArray> bytes = RecordJson::encodeListBytes(media, RecordJson::DateForm::Since1970);
        if (bytes.ok()) {
            Result<std::shared_ptr<AtomicFile::Staged>> staged =
                AtomicFile::stage(inputs.mediaFile, bytes.value());
            if (staged.ok())
                outcome.mediaList = std::move(staged.value());
        }
        outcome.lib = std::move(record);
        outcome.media = std::move(media);
        return outcome;
    };

    // A library that its check ahead found unchanged is not asked again. Any other is read as
    // if nothing had been checked ahead, so one that changed or went away since is read as it
    // is now.
    if (inputs.prefetchedSignature && stillHolds(inputs, *inputs.prefetchedSignature))
        return outcome;

    if (!LibraryReader::isReadable(path)) {
        switch (LibraryReader::libraryEvidence(path)) {
        case LibraryReader::LibraryEvidence::ownFiles:
            outcome.failed = true;
            return outcome;
        case LibraryReader::LibraryEvidence::none:
            outcome.notALibrary = true;
            return outcome;
        case LibraryReader::LibraryEvidence::eventsOnly:
            break;
        }
        return fullRead(LibraryReader::signature(path));
    }

    const QString signature = LibraryReader::signature(path);
    // Every full read writes a list, an empty one for a library without media, so a list that
    // is missing or undecodable was lost: only a full read gives the media back to search.
    if (inputs.fullRescan || !entry || entry->signature == LibraryInfo::invalidatedSignature ||
        inputs.mediaListLost)
        return fullRead(signature);

    const auto [oldProjects, oldSizes] = signatureHalves(entry->signature);
    const auto [newProjects, newSizes] = signatureHalves(signature);
    if (oldProjects != newProjects)
        return fullRead(signature);
    bool sizesConfirmed = false;
    if (oldSizes) {
        if (oldSizes != newSizes)
            return fullRead(signature);
        sizesConfirmed = true;
    }

    const bool staleProjects = projectsStale(*entry);
    const bool staleDates = eventDatesStale(*entry);
    const bool staleTags = tagsStale(*entry);
    const bool stale = staleProjects || staleDates || staleTags;
    if (sizesConfirmed && !stale)
        return outcome;

    LibraryInfo record = *entry;
    if (staleProjects)
        record = LibraryReader::refreshProjects(record, path);
    if (staleDates) {
        for (EventInfo& event : record.events) {
            const auto [created, modified] = LibraryReader::eventDates(PathText::childPath(path, event.name));
            event.created = created;
            event.modified = modified;
        }
    }
    if (staleTags)
        record = LibraryReader::refreshTags(record, path, !staleProjects);
    record.signature = signature;
    outcome.lib = std::move(record);
    outcome.cancelled = stop.stop_requested();
    outcome.stampOnly = !sizesConfirmed && !stale;
    return outcome;
}

void ScanRun::received(const std::shared_ptr<ReadQueue>& queue, const Outcome& outcome) {
    if (queue != reads)
        return;
    {
        const std::lock_guard lock(queue->mutex);
        --queue->waiting;
    }
    // Once the run is cancelled nothing more is applied: a read that finished after the pause
    // counts as not done, and a resumed run reads it again.
    if (!outcome.cancelled && !cancelled())
        apply(outcome);
    startReaders();
    readsMayHaveEnded();
}

void ScanRun::readerEnded(const std::shared_ptr<ReadQueue>& queue) {
    if (queue != reads)
        return;
    --readers;
    startReaders();
    readsMayHaveEnded();
}

void ScanRun::readsMayHaveEnded() {
    // With no reader left and none started again, every input was read and its outcome
    // taken, or the run was cancelled.
    if (readers == 0) {
        reads.reset();
        readsEnded();
    }
}

void ScanRun::apply(const Outcome& outcome) {
    ScanJob& current = job();
    ++finished;
    current.done.append(outcome.path);
    catalog->setProgress(ScanProgress{doneBefore + finished, foundCount});

    // Where a record with the outcome's path sits in the catalogue, looked up afresh: the
    // catalogue may have changed while the library was read. Only for an outcome that may
    // change a record: a rescan finds most libraries unchanged, and a search per library
    // would make it grow with the square of their number.
    const QString& path = outcome.lib ? outcome.lib->path : outcome.path;
    const QList<LibraryInfo>& libraries = catalog->libraries();
    const bool mayChangeRecord = outcome.notALibrary || (!outcome.failed && outcome.lib);
    const auto at = !mayChangeRecord
                        ? libraries.end()
                        : std::find_if(libraries.begin(), libraries.end(),
                                       [&](const LibraryInfo& library) { return library.path == path; });
    const qsizetype index = at == libraries.end() ? -1 : qsizetype(at - libraries.begin());

    if (outcome.notALibrary) {
        // Only an empty placeholder left by an invalidated read goes; an entry with events
        // or a real signature stays.
        if (index >= 0 && at->events.isEmpty() && at->signature == LibraryInfo::invalidatedSignature) {
            QList<LibraryInfo> kept = libraries;
            kept.removeAt(index);
            QMap<QString, QDateTime> favorites = catalog->favorites();
            favorites.remove(path);
            catalog->deleteMedia(path);
            mediaChanged = true;
            catalog->setLibraries(std::move(kept));
            catalog->setFavorites(std::move(favorites));
        }
    } else if (outcome.failed) {
        ++unreadable;
        ErrorLog::log(ErrorLog::Level::error, QStringLiteral("scan"),
                      QStringLiteral("A library could not be read. Is the drive ready?"), outcome.path);
        catalog->setStatus(QStringLiteral("Couldn't read ") + PathText::lastComponent(outcome.path) +
                           QStringLiteral(" — is the drive ready?"));
    } else if (!outcome.lib) {
        ++unchanged;
    } else if (index >= 0 && at->scannedAt > outcome.lib->scannedAt &&
               at->signature != LibraryInfo::invalidatedSignature) {
        // The catalogue already holds a newer reading, such as a re-read after a tool changed
        // the library while this scan was reading it.
        ++unchanged;
    } else {
        LibraryInfo record = *outcome.lib;
        QList<LibraryInfo> changed = libraries;
        bool announce = true;
        if (index < 0) {
            ++added;
            changed.append(record);
        } else {
            // A record that only takes the new signature changes nothing a user sees.
            announce = !outcome.stampOnly;
            if (announce)
                ++updated;
            else
                ++unchanged;
            catalog->carryPosters(*at, record);
            changed[index] = record;
        }
        // Every change is made before anything is announced, so whatever a change signal
        // sets off finds the catalogue whole.
        catalog->setLibraries(std::move(changed));
        if (outcome.media) {
            // In place before the record that names it is saved, as when it is written here.
            // Should the read have staged nothing, or a file under another name, or should the
            // rename fail, the list is written here after all.
            const bool placed = outcome.mediaList &&
                                outcome.mediaList->path() == catalog->mediaFile(record.path) &&
                                outcome.mediaList->commit().ok();
            if (placed)
                catalog->mediaListPlaced(record.path);
            else
                catalog->saveMedia(*outcome.media, record.path);
            mediaChanged = true;
        }
        if (announce)
            catalog->setStatus(QStringLiteral("Scanned ") + record.name);
    }

    if (finished % kSaveEvery == 0) {
        // The catalogue first, so the job never counts as done a library whose record is
        // not saved yet. Libraries found unchanged change no record: for them only the job's
        // progress is written, and not more often than a walk's checkpoints, since a resumed
        // run checks an unchanged library again for the price of its signature.
        // While a save waits for its spacing the job is not written either: it would count
        // as done libraries whose records are not on the disk.
        if (catalogueChangedSinceSave()) {
            if (saveDue()) {
                saveCatalogue();
                writeJob();
            }
        } else if (monotonicNow() - lastJobWrite >= kJobProgressEvery) {
            writeJob();
        }
    }
}

void ScanRun::readsEnded() {
    if (cancelled()) {
        // The job keeps this root with its found and done lists: a resumed run reads only
        // what is left.
        saveCatalogue();
        writeJob();
        end();
        return;
    }
    finishRoot();
    schedule(&ScanRun::nextRoot);
}

// ---- Scan task: finishing a root and the run --------------------------------------------------

void ScanRun::finishRoot() {
    ScanJob& current = job();

    QStringList catalogued;
    catalogued.reserve(catalog->libraries().size());
    for (const LibraryInfo& library : catalog->libraries())
        catalogued.append(library.path);
    ScanRemoval::Facts facts;
    facts.root = root;
    facts.found = foundAtStart;
    facts.maxDepth = current.maxDepth;
    facts.walkedWholeRoot = walkedWholeRoot;
    facts.unlisted = unlisted;
    facts.recordedMounts = catalog->mounted();
    facts.mountedNow = [] {
        const auto volumes = platform::services().volumes;
        return volumes ? volumes->mountedVolumes() : QStringList();
    };
    const QSet<QString> gone = ScanRemoval::gone(catalogued, facts);

    if (!gone.isEmpty()) {
        QMap<QString, QDateTime> favorites = catalog->favorites();
        QList<LibraryInfo> kept;
        kept.reserve(catalog->libraries().size());
        QSet<QString> mediaDeleted;
        for (const LibraryInfo& library : std::as_const(catalog->libraries())) {
            if (!gone.contains(library.path)) {
                kept.append(library);
                continue;
            }
            if (!mediaDeleted.contains(library.path)) {
                mediaDeleted.insert(library.path);
                favorites.remove(library.path);
                catalog->deleteMedia(library.path);
                mediaChanged = true;
            }
        }
        removed += catalog->libraries().size() - kept.size();
        catalog->setFavorites(std::move(favorites));
        catalog->setLibraries(std::move(kept));
    }

    QList<ScanRoot> roots = catalog->roots();
    for (ScanRoot& watched : roots) {
        if (watched.path == root) {
            watched.lastScan = QDateTime::currentDateTimeUtc();
            catalog->setRoots(std::move(roots));
            break;
        }
    }
    saveCatalogue();

    current.startRoot(current.rootIndex + 1);
    writeJob();
}

void ScanRun::end() {
    // How the run ends is decided here: a pause while poster frames are made only stops them.
    const bool wasCancelled = cancelled();
    if (!wasCancelled && job().posters) {
        catalog->generatePosters(stopSource.get_token(), [weak = weak_from_this()] {
            if (const std::shared_ptr<ScanRun> run = weak.lock())
                run->close(false);
        });
        return;
    }
    close(wasCancelled);
}

void ScanRun::close(bool wasCancelled) {
    // The media in memory are those on the disk unless this run wrote or removed a list.
    if (mediaChanged)
        catalog->reloadMedia();
    saveCatalogue();

    // The job is settled before the scanning flag falls, so whoever starts the next scan when
    // it falls finds this run's job file already dealt with: its removal or its last write is
    // queued behind the saves, and the run ends once they are all on the disk.
    const bool paused = wasCancelled && !catalog->stopDiscardsResume();
    if (paused)
        writeJob();
    else
        catalog->clearJob();
    catalog->afterWrites([weak = weak_from_this(), wasCancelled, paused] {
        if (const std::shared_ptr<ScanRun> run = weak.lock())
            run->closed(wasCancelled, paused);
    });
}

void ScanRun::closed(bool wasCancelled, bool paused) {
    if (!wasCancelled) {
        QString line = QStringLiteral("Done: %1 new, %2 updated, %3 unchanged, %4 removed.")
                           .arg(added)
                           .arg(updated)
                           .arg(unchanged)
                           .arg(removed);
        if (unreadable >= 1)
            line += QStringLiteral(" %1 couldn't be read (drive not ready?) — use Refresh again.")
                        .arg(unreadable);
        catalog->setStatus(line);
    } else if (paused) {
        catalog->keepPausedJob();
        catalog->setStatus(QStringLiteral("Scan paused — resume it any time, even after quitting."));
    } else {
        catalog->setStatus(QStringLiteral("Scan stopped. The catalog was left in place."));
    }

    // The catalogue may hold the last reference to this run; it lives on until this returns.
    const std::shared_ptr<ScanRun> self = shared_from_this();
    catalog->ended(*this);
}

} // namespace pellimor
