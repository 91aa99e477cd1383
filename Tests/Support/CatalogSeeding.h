#pragma once

#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Scan/ScanHost.h"
#include "Catalogue/Store/Catalog.h"

namespace pellimor::CatalogSeeding {

// The library bundle at `path` read as a scan reads it and added to the catalogue's libraries;
// what was read.
inline LibraryInfo addRead(Catalog& catalog, const QString& path) {
    QList<MediaEntry> media;
    LibraryInfo read = LibraryReader::read(path, LibraryReader::signature(path), media);
    QList<LibraryInfo> all = catalog.libraries();
    all.append(read);
    catalog.seed({.libraries = std::move(all)});
    return read;
}

// "scanjob.json" of the catalogue's current job, on the disk when this returns.
inline void writeJob(Catalog& catalog) {
    catalog.scanHost()->persistJob();
    catalog.finishWrites();
}

} // namespace pellimor::CatalogSeeding
