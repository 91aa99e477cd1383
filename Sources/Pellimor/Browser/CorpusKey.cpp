#include "Browser/CorpusKey.h"

#include <QDateTime>
#include <QHash>
#include <QHashFunctions>

namespace pellimor {

qint64 corpusKey(qsizetype mediaCount, const QList<LibraryInfo>& libraries) {
    // Each step mixes the key so far with the next values, so the order of the libraries
    // counts too.
    size_t key = qHash(qint64(mediaCount), QHashSeed::globalSeed());
    for (const LibraryInfo& library : libraries)
        key = qHashMulti(key, library.path, library.scannedAt, library.signature);
    return static_cast<qint64>(key);
}

} // namespace pellimor
