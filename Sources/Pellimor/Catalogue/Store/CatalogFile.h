#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/ScanRoot.h"
#include "Support/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <limits>
#include <optional>

namespace pellimor {

// The bytes of "catalog.json" and back.
//
// A catalogue of thousands of libraries runs to hundreds of megabytes, nearly all of it the
// "libraries" array, whose records are independent of each other: both directions can cut it
// into pieces done on the work pool, the calling thread taking pieces too. The pieces give
// exactly the bytes and the records the whole would; a file that is not exactly as this
// program writes it, or that fails anywhere, is read again in one piece, so every failure
// reads the same however it was found.
//
// Thread-safe: plain functions over values.
namespace CatalogFile {

struct Contents {
    QList<LibraryInfo> libraries;
    QList<ScanRoot> roots;
    std::optional<QMap<QString, QString>> driveRoles;
    std::optional<QMap<QString, QDateTime>> favorites; // written only when not empty
    bool operator==(const Contents&) const = default;
};

// Never: everything in one piece on the calling thread.
constexpr qsizetype kOnePiece = std::numeric_limits<qsizetype>::max();
// From this many libraries on, encoding in pieces pays for handing them out.
constexpr qsizetype kEncodeSpreadFrom = 64;

// The file's bytes. With at least `spreadFrom` libraries the records are encoded in pieces on
// the work pool: not on the main thread, which must not wait for the pool.
Result<QByteArray> encode(const Contents& contents, qsizetype spreadFrom = kOnePiece);

// From this size on, decode() shares the work out by default.
constexpr qsizetype kDecodeSpreadFrom = 1 << 20;

// The contents of a file's bytes, or why they are not a catalogue. From `spreadFrom` bytes on,
// the records are decoded in pieces on the work pool while the calling thread waits for them
// (which only the load at start-up may do on the main thread).
Result<Contents> decode(const QByteArray& bytes, qsizetype spreadFrom = kDecodeSpreadFrom);

} // namespace CatalogFile

} // namespace pellimor
