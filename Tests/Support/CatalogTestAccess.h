#pragma once

#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Store/Catalog.h"
#include "Support/WriteQueue.h"

namespace pellimor {

// The one door through which tests reach the Catalog's private steps. Defined here once, so
// every test binary agrees on it.
struct CatalogTestAccess {
    static void setLibraries(Catalog& c, QList<LibraryInfo> libraries) {
        c.setLibraries(std::move(libraries));
    }
    // The library bundle at `path` read as a scan reads it and added to the catalogue's
    // libraries; what was read.
    static LibraryInfo addRead(Catalog& c, const QString& path) {
        QList<MediaEntry> media;
        LibraryInfo read = LibraryReader::read(path, LibraryReader::signature(path), media);
        QList<LibraryInfo> all = c.libraries();
        all.append(read);
        c.setLibraries(std::move(all));
        return read;
    }
    static void setRoots(Catalog& c, QList<ScanRoot> roots) { c.setRoots(std::move(roots)); }
    static void setMedia(Catalog& c, QList<Catalog::MediaEntry2> media) { c.setMedia(std::move(media)); }
    static void setFavorites(Catalog& c, QMap<QString, QDateTime> favorites) {
        c.setFavorites(std::move(favorites));
    }
    static void setDriveRoles(Catalog& c, QMap<QString, QString> roles) { c.setDriveRoles(std::move(roles)); }
    static void setScanning(Catalog& c, bool scanning) { c.setScanning(scanning); }
    static void setVolumeSpace(Catalog& c, QMap<QString, Catalog::VolumeSpace> space) {
        c.setVolumeSpace(std::move(space));
    }
    static void setProgress(Catalog& c, std::optional<Catalog::Progress> progress) {
        c.setProgress(std::move(progress));
    }
    static void load(Catalog& c) { c.load(); }
    static void persistJob(Catalog& c) { c.persistJob(); }
    // Blocks until every write of the store asked for so far is on the disk.
    static void finishWrites(Catalog& c) { c.m_writes->finish(); }
    static ScanJob& currentJob(Catalog& c) { return c.m_currentJob; }
    static void saveMedia(Catalog& c, const QList<MediaEntry>& media, const QString& path) {
        c.saveMedia(media, path);
    }
    static void deleteMedia(Catalog& c, const QString& path) { c.deleteMedia(path); }
    static QString mediaFile(const Catalog& c, const QString& path) { return c.mediaFile(path); }
    static void invalidateSignature(Catalog& c, const QString& path) { c.invalidateSignature(path); }
    static void generatePosters(Catalog& c, std::stop_token stop, std::function<void()> done) {
        c.generatePosters(std::move(stop), std::move(done));
    }
    static void carryPosters(const Catalog& c, const LibraryInfo& from, LibraryInfo& to) {
        c.carryPosters(from, to);
    }
};

} // namespace pellimor
