#pragma once

// Catalogue records and a catalogue for the main window's logic tests.

#include "Catalogue/Store/Catalog.h"
#include "Platform/VolumesRoot.h"
#include "Support/WorkPool.h"
#include "Tests/Support/CatalogSeeding.h"
#include "Tests/Support/CatalogTestEnv.h"

#include <QDir>
#include <QThreadPool>
#include <QUuid>
#include <memory>

namespace pellimor::test {

inline QDateTime utc(int year, int month, int day) {
    return QDateTime(QDate(year, month, day), QTime(12, 0), Qt::UTC);
}

inline EventInfo eventNamed(const QString& name, qint64 originalSize = 0) {
    EventInfo event;
    event.name = name;
    event.originalSize = originalSize;
    return event;
}

inline ProjectInfo projectNamed(const QString& name) {
    ProjectInfo project;
    project.name = name;
    return project;
}

// A library record at `path` on the drive `volume`; nothing is on disk.
inline LibraryInfo libraryAt(const QString& path, const QString& volume = QStringLiteral("Media")) {
    LibraryInfo library;
    library.path = path;
    library.name = QFileInfo(path).completeBaseName();
    library.volumeName = volume;
    library.scannedAt = utc(2025, 3, 1);
    library.signature = QStringLiteral("1.0|@size|2.0");
    return library;
}

// A catalogue in a fresh data folder, filled by the tests through Catalog::seed. The
// platform lists no mounted drive until a test says otherwise, and `drive` is a drive folder
// of this test's own under the volumes root, mounted only while the test records it.
class WindowCatalog {
public:
    WindowCatalog() : drive(QDir(VolumesRoot::root()).filePath(QUuid::createUuid().toString(QUuid::Id128))) {
        env.volumes->setMountedVolumes(QStringList{});
        catalog = env.makeCatalog();
        settle();
    }
    ~WindowCatalog() {
        settle();
        catalog.reset();
        QDir(drive).removeRecursively();
    }

    // Lets the catalogue's background work (free space, media lists) hand its results back.
    void settle() {
        workPool()->waitForDone();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    // Creates the folder `name` on the drive (a library's bundle) and returns its path.
    QString folderOnDrive(const QString& name) {
        const QString path = QDir(drive).filePath(name);
        QDir().mkpath(path);
        return path;
    }
    // The catalogue's mounted set: the start-up disk, plus the drive when `plugged`.
    void recordDrive(bool plugged) {
        QSet<QString> mounted{QStringLiteral("/")};
        if (plugged)
            mounted.insert(drive);
        catalog->setMounted(mounted);
    }

    void setLibraries(const QList<LibraryInfo>& libraries) { catalog->seed({.libraries = libraries}); }
    void setDriveRoles(const QMap<QString, QString>& roles) { catalog->seed({.driveRoles = roles}); }

    // Installs a Final Cut Pro of this version (the path need not exist: nothing reads it),
    // and lets the catalogue read it, as it does when the program becomes active.
    void installFinalCut(const QString& version) {
        env.finalCut->setLocation(QStringLiteral("/Applications/Final Cut Pro.app"));
        env.finalCut->setVersion(version);
        catalog->refreshInstalledFCP();
    }

    // What Catalog::pluginStats() answers for this library from now on.
    void setPluginStats(const LibraryInfo& library, int missing, int partial) {
        Catalog::PluginStats stats;
        stats.packs = missing + partial;
        stats.missing = missing;
        stats.partial = partial;
        catalog->pluginStatsCache().insert(library.path + u'|' +
                                               QString::number(library.scannedAt.toSecsSinceEpoch()) +
                                               QStringLiteral(".0"),
                                           stats);
    }

    // Publishes these media lists (one file per library) and waits until they are loaded.
    void setMedia(const QList<std::pair<QString, QList<MediaEntry>>>& lists) {
        for (const auto& [path, entries] : lists)
            catalog->scanHost()->saveMedia(entries, path);
        catalog->loadAllMedia();
        qsizetype expected = 0;
        for (const auto& list : lists)
            expected += list.second.size();
        CatalogTestEnv::waitUntil([&] { return catalog->media().size() == expected; });
    }

    CatalogTestEnv env;
    const QString drive; // mount path of this test's drive
    std::unique_ptr<Catalog> catalog;
};

} // namespace pellimor::test
