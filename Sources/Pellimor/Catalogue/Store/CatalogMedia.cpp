#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Records/MediaEntry.h"
#include "Catalogue/Records/RecordJson.h"
#include "Catalogue/Store/Catalog.h"
#include "Support/AtomicFile.h"
#include "Support/RegularFile.h"
#include "Support/WorkPool.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <optional>
#include <utility>
#include <vector>

namespace pellimor {

namespace {

// A library's path and the media-list file that belongs to it.
struct MediaListFile {
    QString libraryPath;
    QString file;
};

void noteUnreadable(const MediaListFile& list, const QString& why) {
    ErrorLog::log(
        ErrorLog::Level::warn, QStringLiteral("catalogue"),
        QStringLiteral("The media list \u201C%1\u201D could not be read (%2), so this library\u2019s "
                       "media files are left out until it is read again.")
            .arg(QFileInfo(list.file).fileName(), why),
        list.libraryPath);
}

// One library's list; nothing when the file is missing, cannot be read or is not a list of
// media entries (the last two noted in the error log).
std::optional<QList<MediaEntry>> readMediaList(const MediaListFile& list) {
    // Only a regular file: a pipe at the list's name would hold this thread, and the load,
    // for good.
    const RegularFile::Contents file = RegularFile::read(list.file);
    // A library that was never read completely has no list yet.
    if (file.status == RegularFile::Status::missing)
        return {};
    if (file.status == RegularFile::Status::unreadable) {
        noteUnreadable(list, file.reason);
        return {};
    }
    Result<QList<MediaEntry>> decoded =
        RecordJson::decodeListBytes<MediaEntry>(file.bytes, RecordJson::DateForm::Since1970);
    if (!decoded.ok()) {
        noteUnreadable(list, decoded.error());
        return {};
    }
    return std::move(decoded.value());
}

// Every library's media, and the libraries whose list gave none.
struct LoadedLists {
    QList<Catalog::MediaEntry2> media;
    QSet<QString> lost;
};

// Any thread. Every library's list, in the order given. The files are independent and
// decoding them is most of the work, so several threads share them; the calling thread is
// one of them.
LoadedLists readMediaLists(const QList<MediaListFile>& lists) {
    std::vector<std::optional<QList<MediaEntry>>> decoded(size_t(lists.size()));
    std::atomic<qsizetype> next{0};
    auto work = [&] {
        for (qsizetype i = next++; i < lists.size(); i = next++)
            decoded[size_t(i)] = readMediaList(lists.at(i));
    };
    {
        QThreadPool helpers;
        const qsizetype helperCount = std::min<qsizetype>(QThread::idealThreadCount(), lists.size()) - 1;
        helpers.setMaxThreadCount(int(std::max<qsizetype>(1, helperCount)));
        for (qsizetype h = 0; h < helperCount; ++h)
            helpers.start(work);
        work();
        helpers.waitForDone();
    }

    LoadedLists loaded;
    qsizetype total = 0;
    for (const std::optional<QList<MediaEntry>>& entries : decoded)
        total += entries ? entries->size() : 0;
    loaded.media.reserve(total);
    for (qsizetype i = 0; i < lists.size(); ++i) {
        std::optional<QList<MediaEntry>>& entries = decoded[size_t(i)];
        if (!entries) {
            loaded.lost.insert(lists.at(i).libraryPath);
            continue;
        }
        for (MediaEntry& entry : *entries)
            loaded.media.append({lists.at(i).libraryPath, std::move(entry)});
        entries.reset();
    }
    return loaded;
}

} // namespace

QString Catalog::hash(const QString& text) {
    const QByteArray digest = QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.first(10).toHex());
}

QString Catalog::mediaFile(const QString& path) const {
    auto it = m_mediaFiles.constFind(path);
    if (it == m_mediaFiles.constEnd())
        it = m_mediaFiles.insert(
            path, QDir(m_dir).filePath(QStringLiteral("media-") + hash(path) + QStringLiteral(".json")));
    return it.value();
}

void Catalog::saveMedia(const QList<MediaEntry>& media, const QString& path) {
    // A media entry has no value without a JSON form, so encoding cannot fail. A list that
    // cannot be written leaves the previous one in place; the next read of the library writes
    // it again.
    const Result<QByteArray> bytes = RecordJson::encodeListBytes(media, RecordJson::DateForm::Since1970);
    if (bytes.ok() && AtomicFile::write(mediaFile(path), bytes.value()).ok())
        mediaListPlaced(path);
}

void Catalog::removeStagedLeftovers() {
    // The media lists (staged by the scan's reads) and the job file are replaced through
    // temporary files beside them; "catalog.json" is replaced another way, which leaves none.
    static const QRegularExpression targets(QStringLiteral("media-[0-9a-f]{20}\\.json|scanjob\\.json"));
    (void)AtomicFile::removeLeftovers(m_dir, targets);
}

void Catalog::deleteMedia(const QString& path) {
    // Already gone or not removable: either way nothing more can be done about it here.
    (void)QFile::remove(mediaFile(path));
    m_lostMediaLists.remove(path);
}

bool Catalog::mediaListLost(const QString& path) const {
    return m_lostMediaLists.contains(path);
}

void Catalog::mediaListPlaced(const QString& path) {
    m_lostMediaLists.remove(path);
}

void Catalog::loadAllMedia() {
    // Numbered, so that a slower earlier load cannot bring back the lists of libraries that
    // were forgotten or read again since it started.
    const qint64 generation = ++m_mediaGeneration;
    QList<MediaListFile> lists;
    lists.reserve(m_libraries.size());
    for (const LibraryInfo& library : m_libraries)
        lists.append({library.path, mediaFile(library.path)});

    // The guard is made and read on the main thread only; the worker just carries it. The
    // result goes through the application object, which outlives every catalogue, so a
    // catalogue destroyed meanwhile is never touched from the worker.
    QPointer<Catalog> guard(this);
    workPool()->start([lists = std::move(lists), guard = std::move(guard), generation]() mutable {
        LoadedLists loaded = readMediaLists(lists);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard = std::move(guard), generation, loaded = std::move(loaded)]() mutable {
                if (!guard || guard->m_mediaGeneration != generation)
                    return;
                // Kept before the media are published, so whatever their signal starts
                // already knows which lists gave nothing.
                guard->m_lostMediaLists = std::move(loaded.lost);
                guard->setMedia(std::move(loaded.media));
            },
            Qt::QueuedConnection);
    });
}

} // namespace pellimor
