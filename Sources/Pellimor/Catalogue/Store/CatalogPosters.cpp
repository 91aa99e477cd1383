#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Store/Catalog.h"
#include "Catalogue/Store/PosterTries.h"
#include "Platform/Services.h"
#include "Platform/VideoFrames.h"
#include "Support/AtomicFile.h"
#include "Support/OpenFolder.h"
#include "Support/TextCompare.h"
#include "Support/WorkPool.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QThreadPool>
#include <algorithm>
#include <chrono>
#include <mutex>
#include <sys/stat.h>

namespace pellimor {

namespace {

// File kinds that can give a poster, by lower-case extension.
const QStringList kPosterKinds = {QStringLiteral("mov"), QStringLiteral("mp4"), QStringLiteral("m4v"),
                                  QStringLiteral("mxf"), QStringLiteral("mts"), QStringLiteral("m2ts"),
                                  QStringLiteral("avi")};
// A folder of damaged files costs at most this many attempts.
constexpr qsizetype kMostCandidates = 4;
constexpr int kJpegQuality = 70;

platform::VideoFrames::Request posterRequest() {
    platform::VideoFrames::Request request;
    request.seconds = 1.0;
    request.maxWidth = 480;
    request.maxHeight = 270;
    request.timeout = std::chrono::seconds(20);
    return request;
}

// One event that lacks a poster, named by what identifies it rather than by its position,
// since the catalogue may change while its frame is made.
struct PosterWork {
    QString libraryPath;
    QString eventName;
    QString folder; // the event's "Original Media"
    QString key;    // what the poster's file name is the hash of
};

struct PosterOutcome {
    bool made = false;
    QString writeError = {}; // set when a picture was made but could not be saved
};

// The memory of failed tries as one run carries it: loaded by the first frame that needs it
// and saved when the run ends, both on the thread pool. The frames are made one at a time, so
// the lock is never waited for; it only makes the hand-over between workers plain.
struct RunTries {
    std::mutex mutex;
    QString path;
    std::optional<PosterTries> tries;

    PosterTries& loaded() {
        if (!tries)
            tries = PosterTries::load(path);
        return *tries;
    }
};

// The folder's files of a poster kind, hidden ones left out, in plain code-point order (capital
// letters before small ones). Nothing when the folder is missing or cannot be listed.
QStringList posterCandidates(const QString& folder) {
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    QStringList candidates;
    for (const QString& name : entries) {
        if (name.startsWith(u'.'))
            continue;
        const qsizetype dot = name.lastIndexOf(u'.');
        if (dot >= 0 && kPosterKinds.contains(name.mid(dot + 1).toLower()))
            candidates.append(name);
    }
    std::sort(candidates.begin(), candidates.end(), TextCompare::codePointLess);
    return candidates;
}

// The candidates a try opens, described by a look-up of each that opens none of them. The
// decoder reads through links, so a link is described by what it leads to.
QList<PosterCandidate> describeTry(const QString& folder, const QStringList& names) {
    QList<PosterCandidate> described;
    const QDir media(folder);
    for (const QString& name : names) {
        PosterCandidate candidate{.name = name};
        struct stat facts {};
        if (::stat(QFile::encodeName(media.filePath(name)).constData(), &facts) == 0) {
            candidate.size = facts.st_size;
            candidate.modifiedNanoseconds =
                qint64(facts.st_mtim.tv_sec) * 1'000'000'000 + facts.st_mtim.tv_nsec;
        }
        described.append(candidate);
    }
    return described;
}

// Blocking; any thread. Makes the poster of the media in `folder` at `destination`, or finds
// one already there. A try that gave nothing is remembered under `key`, and the same try is
// not made again while its candidates stay as they were.
PosterOutcome makePoster(const QString& folder, const QString& destination, const QString& key,
                         const platform::VideoFrames& frames, RunTries& memory, const std::stop_token& stop) {
    if (QFileInfo::exists(destination))
        return {.made = true};
    const QStringList candidates = posterCandidates(folder).mid(0, kMostCandidates);
    if (candidates.isEmpty())
        return {};
    const QList<PosterCandidate> attempt = describeTry(folder, candidates);
    {
        std::lock_guard lock(memory.mutex);
        if (memory.loaded().failedBefore(key, attempt))
            return {};
    }
    const QDir media(folder);
    const platform::VideoFrames::Request request = posterRequest();
    // A file that ran out its time may sit on a slow drive rather than be unreadable; such a
    // try is not taken as an answer.
    bool timedOut = false;
    for (const QString& name : candidates) {
        if (stop.stop_requested())
            return {};
        const auto started = std::chrono::steady_clock::now();
        const std::optional<platform::VideoFrame> frame = frames.frameAt(media.filePath(name), request, stop);
        if (!frame) {
            timedOut = timedOut || std::chrono::steady_clock::now() - started >= request.timeout;
            continue;
        }
        const std::optional<QByteArray> jpeg = frames.jpeg(*frame, kJpegQuality);
        if (!jpeg)
            continue;
        // Written beside the destination and renamed into place: an existing file is taken as a
        // finished poster for ever after, so a crash must never leave half a picture there.
        const Result<void> written = AtomicFile::write(destination, *jpeg);
        if (!written.ok())
            return {.writeError = written.error()};
        std::lock_guard lock(memory.mutex);
        memory.loaded().forget(key);
        return {.made = true};
    }
    // A try cut short by a stop is no answer either.
    if (!timedOut && !stop.stop_requested()) {
        std::lock_guard lock(memory.mutex);
        memory.loaded().recordFailure(key, attempt);
    }
    return {};
}

} // namespace

void Catalog::carryPosters(const LibraryInfo& from, LibraryInfo& to) const {
    if (to.events.isEmpty())
        return;
    const QDir posters(m_posterDir);
    for (EventInfo& fresh : to.events) {
        const auto old = std::find_if(from.events.cbegin(), from.events.cend(),
                                      [&](const EventInfo& event) { return event.name == fresh.name; });
        // A stored name that is not one file name ("../x", a NUL) would be looked up elsewhere.
        if (old == from.events.cend() || !old->poster || !isSingleName(QStringView(*old->poster)))
            continue;
        if (QFileInfo::exists(posters.filePath(*old->poster)))
            fresh.poster = old->poster;
    }
}

void Catalog::generatePosters(std::stop_token stop, std::function<void()> done) {
    QList<PosterWork> work;
    // The events whose failed tries are worth remembering: those still without a poster, the
    // ones of drives that are not connected included, so plugging a drive back in does not
    // have its events tried again for nothing.
    QSet<QString> stillWanted;
    for (const LibraryInfo& library : m_libraries) {
        for (const EventInfo& event : library.events)
            if (!event.poster && event.mediaFileCount > 0)
                stillWanted.insert(library.path + u'|' + event.name);
        if (!isOnline(library) || library.path.contains(QChar(0)))
            continue;
        for (const EventInfo& event : library.events) {
            // The event's name becomes a path: one that cannot be a folder's name ("..", a NUL
            // that would cut the path short) would have another folder's media looked through.
            if (!event.poster && event.mediaFileCount > 0 && isSingleName(QStringView(event.name)))
                work.append({library.path, event.name,
                             library.path + u'/' + event.name + QStringLiteral("/Original Media"),
                             library.path + u'|' + event.name});
        }
    }
    if (work.isEmpty()) {
        if (done)
            done();
        return;
    }

    // One run of poster making, carried from step to step; the frames are made one at a time
    // on the thread pool and every result is applied here, on the main thread.
    struct Run {
        QList<PosterWork> work;
        qsizetype next = 0;
        std::stop_token stop;
        std::function<void()> done;
        std::shared_ptr<const platform::VideoFrames> frames;
        QString posterDir;
        std::shared_ptr<RunTries> tries;
        QSet<QString> stillWanted;
        // Stops the frame being decoded as well, when the run is stopped or the catalogue goes,
        // so neither waits for a slow file to run out its time.
        std::stop_source abort;
        std::optional<std::stop_callback<std::function<void()>>> abortOnStop;
        QMetaObject::Connection abortOnDestroyed;
        bool writeFailureLogged = false;

        static void step(Catalog& catalog, const std::shared_ptr<Run>& run) {
            if (run->stop.stop_requested() || run->next >= run->work.size() || !run->frames) {
                finish(catalog, run);
                return;
            }
            const PosterWork item = run->work.at(run->next++);
            catalog.setStatus(
                QStringLiteral("Poster frames %1/%2\u2026").arg(run->next).arg(run->work.size()));
            const QString fileName = Catalog::hash(item.key) + QStringLiteral(".jpg");
            const QString destination = QDir(run->posterDir).filePath(fileName);

            // The guard is made and read on the main thread only; the worker just carries it,
            // and the result goes through the application object, which outlives the catalogue.
            QPointer<Catalog> guard(&catalog);
            workPool()->start([run, item, fileName, destination, guard]() mutable {
                const PosterOutcome outcome = makePoster(item.folder, destination, item.key, *run->frames,
                                                         *run->tries, run->abort.get_token());
                QCoreApplication* app = QCoreApplication::instance();
                if (!app)
                    return;
                QMetaObject::invokeMethod(
                    app,
                    [run = std::move(run), item, fileName, outcome, guard = std::move(guard)] {
                        if (!guard)
                            return;
                        apply(*guard, *run, item, fileName, outcome);
                        step(*guard, run);
                    },
                    Qt::QueuedConnection);
            });
        }

        static void apply(Catalog& catalog, Run& run, const PosterWork& item, const QString& fileName,
                          const PosterOutcome& outcome) {
            if (!outcome.writeError.isEmpty() && !run.writeFailureLogged) {
                run.writeFailureLogged = true;
                ErrorLog::log(ErrorLog::Level::warn, QStringLiteral("catalogue"),
                              outcome.writeError + QStringLiteral(" Events get no poster frame until the "
                                                                  "posters folder can be written."),
                              run.posterDir);
            }
            if (!outcome.made)
                return;
            // Found again by path and name: libraries and events may have been added, removed or
            // reordered while the frame was made, and a position would name another event.
            QList<LibraryInfo> libraries = catalog.m_libraries;
            const auto library =
                std::find_if(libraries.begin(), libraries.end(), [&](const LibraryInfo& candidate) {
                    return candidate.path == item.libraryPath;
                });
            if (library == libraries.end())
                return;
            const auto event =
                std::find_if(library->events.begin(), library->events.end(),
                             [&](const EventInfo& candidate) { return candidate.name == item.eventName; });
            if (event == library->events.end() || event->poster == fileName)
                return;
            event->poster = fileName;
            catalog.setLibraries(std::move(libraries));
        }

        // Saves what the run learnt of failed tries, on the thread pool, before the run counts
        // as done: the next run, maybe of a new catalogue, reads it.
        static void finish(Catalog& catalog, const std::shared_ptr<Run>& run) {
            QObject::disconnect(run->abortOnDestroyed);
            run->abortOnStop.reset();
            bool learnt = false;
            {
                std::lock_guard lock(run->tries->mutex);
                learnt = run->tries->tries.has_value();
            }
            if (!learnt) {
                if (std::function<void()> done = std::exchange(run->done, nullptr))
                    done();
                return;
            }
            QPointer<Catalog> guard(&catalog);
            workPool()->start([run, guard]() mutable {
                {
                    std::lock_guard lock(run->tries->mutex);
                    if (std::optional<PosterTries>& tries = run->tries->tries) {
                        tries->keepOnly(run->stillWanted);
                        // A memory that cannot be written costs tries at the next run, no poster;
                        // a posters folder that takes no file has had its warning already.
                        if (tries->changed())
                            (void)tries->save(run->tries->path);
                    }
                }
                QCoreApplication* app = QCoreApplication::instance();
                if (!app)
                    return;
                QMetaObject::invokeMethod(
                    app,
                    [run = std::move(run), guard = std::move(guard)] {
                        if (!guard)
                            return;
                        if (std::function<void()> done = std::exchange(run->done, nullptr))
                            done();
                    },
                    Qt::QueuedConnection);
            });
        }
    };

    auto run = std::make_shared<Run>();
    run->work = std::move(work);
    run->stop = stop;
    run->done = std::move(done);
    run->frames = platform::services().videoFrames;
    run->posterDir = m_posterDir;
    run->tries = std::make_shared<RunTries>();
    run->tries->path = QDir(m_posterDir).filePath(PosterTries::fileName());
    run->stillWanted = std::move(stillWanted);
    run->abortOnStop.emplace(stop, [abort = run->abort]() mutable { abort.request_stop(); });
    run->abortOnDestroyed =
        connect(this, &QObject::destroyed, [abort = run->abort]() mutable { abort.request_stop(); });
    Run::step(*this, run);
}

} // namespace pellimor
