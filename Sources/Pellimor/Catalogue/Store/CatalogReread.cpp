// Following a library that one of the tools changed on disk, without a full scan: the freed
// sizes at once, then a fresh reading in the background. Main thread only; the reading itself
// runs on a worker and touches no catalogue state.

#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Store/Catalog.h"
#include "Support/ByteCount.h"
#include "Support/PathText.h"
#include "Support/WorkPool.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>
#include <algorithm>

namespace pellimor {

namespace {

qsizetype indexOfPath(const QList<LibraryInfo>& libraries, const QString& path) {
    for (qsizetype i = 0; i < libraries.size(); ++i) {
        if (libraries[i].path == path)
            return i;
    }
    return -1;
}

// Lowers a size by what was removed. A removal never raises a size, and never takes it
// below zero.
void lower(qint64& size, qint64 removed) {
    if (removed <= 0)
        return;
    size = removed >= size ? 0 : size - removed;
}

// What the worker hands back: the fresh reading, or nothing when the bundle was not there or
// could not be read.
struct Reading {
    std::optional<LibraryInfo> library;
    QList<MediaEntry> media;
    bool unreadable = false; // the library database is there but does not open
};

} // namespace

void Catalog::invalidateSignature(const QString& path) {
    const qsizetype index = indexOfPath(m_libraries, path);
    if (index < 0)
        return;
    QList<LibraryInfo> libraries = m_libraries;
    libraries[index].signature = LibraryInfo::invalidatedSignature;
    setLibraries(std::move(libraries));
}

void Catalog::noteFreed(const LibraryInfo& library, const QList<CleanupTarget>& removed) {
    const qsizetype index = indexOfPath(m_libraries, library.path);
    if (index < 0 || removed.isEmpty())
        return;

    // The catalogued entry is adjusted, not the caller's copy, which may be older.
    LibraryInfo entry = m_libraries[index];
    for (const CleanupTarget& target : removed) {
        const auto event = std::find_if(entry.events.begin(), entry.events.end(),
                                        [&](const EventInfo& e) { return e.name == target.event; });
        if (event == entry.events.end())
            continue;
        switch (target.kind) {
        case GeneratedKind::proxy:
            lower(event->proxySize, target.bytes);
            break;
        case GeneratedKind::optimized:
            lower(event->optimizedSize, target.bytes);
            break;
        case GeneratedKind::render:
            lower(event->renderSize, target.bytes);
            break;
        }
    }
    entry.signature = LibraryInfo::invalidatedSignature;

    QList<LibraryInfo> libraries = m_libraries;
    libraries[index] = std::move(entry);
    setLibraries(std::move(libraries));
}

void Catalog::reread(const LibraryInfo& library, std::optional<qint64> previousSize) {
    const QString path = PathText::absoluteCleanPath(library.path);
    std::optional<qint64> sizeBefore = previousSize;
    if (!sizeBefore) {
        const qsizetype index = indexOfPath(m_libraries, library.path);
        if (index >= 0)
            sizeBefore = m_libraries[index].totalSize();
    }
    invalidateSignature(library.path);
    const QString name = library.name;
    setStatus(QStringLiteral("Refreshing ") + name + QStringLiteral("…"));

    QObject* const mainThreadContext = QCoreApplication::instance();
    if (!mainThreadContext)
        return; // nothing could carry the result back
    // The worker holds the catalogue weakly: its result is delivered through the application
    // object and finds the catalogue gone when it was destroyed meanwhile.
    const QPointer<Catalog> catalog(this);
    workPool()->start([catalog, mainThreadContext, path, name, sizeBefore] {
        Reading reading;
        // A bundle that is not there (its drive unplugged since) would read as an empty
        // library and wipe what the catalogue knows about it, media list included.
        // A stored path holding a NUL would be cut short there and name another folder.
        if (!path.contains(QChar(0)) && QFileInfo::exists(path)) {
            // Nor would a library whose database is there but does not open: it would read as
            // one without its identifier, where the truth is that it cannot be read now.
            reading.unreadable =
                !LibraryReader::isReadable(path) &&
                QFileInfo::exists(PathText::childPath(path, QStringLiteral("CurrentVersion.flexolibrary")));
            if (!reading.unreadable) {
                const QString signature = LibraryReader::signature(path);
                reading.library = LibraryReader::read(path, signature, reading.media);
            }
        }
        QMetaObject::invokeMethod(
            mainThreadContext,
            [catalog, path, name, sizeBefore, reading = std::move(reading)]() mutable {
                Catalog* const self = catalog.data();
                if (!self)
                    return;
                if (!reading.library) {
                    // The entry keeps its contents and its invalidated signature, so the next
                    // scan that reaches the library reads it in full.
                    if (indexOfPath(self->m_libraries, path) < 0)
                        return;
                    self->setStatus(reading.unreadable
                                        ? QStringLiteral("Couldn't read ") + name +
                                              QStringLiteral(" — is the drive ready?")
                                        : name + QStringLiteral(" isn't reachable — skipped."));
                    return;
                }
                LibraryInfo fresh = std::move(*reading.library);
                // Several re-reads may overlap; each replaces the entry by path when it
                // finishes, so the last to finish wins. A library forgotten meanwhile stays
                // forgotten.
                const qsizetype index = indexOfPath(self->m_libraries, fresh.path);
                if (index < 0)
                    return;
                self->carryPosters(self->m_libraries[index], fresh);
                const qint64 sizeAfter = fresh.totalSize();
                const QString freshPath = fresh.path;
                QList<LibraryInfo> libraries = self->m_libraries;
                libraries[index] = std::move(fresh);
                self->setLibraries(std::move(libraries));
                self->saveMedia(reading.media, freshPath);
                self->save();
                self->loadAllMedia();

                QString message = name + QStringLiteral(" refreshed. Size ");
                if (sizeBefore && *sizeBefore != sizeAfter)
                    message += ByteCount::file(*sizeBefore) + QStringLiteral(" → ");
                message += ByteCount::file(sizeAfter) + u'.';
                self->setStatus(message);
            },
            Qt::QueuedConnection);
    });
}

} // namespace pellimor
