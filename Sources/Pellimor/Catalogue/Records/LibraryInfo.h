#pragma once

#include "Catalogue/Records/EventInfo.h"
#include "Catalogue/Records/RecordJson.h"
#include "Support/Result.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace pellimor {

// One catalogued Final Cut Pro library bundle with its events. A plain value; its identity
// is its path. Stored in "catalog.json" under keys equal to the field names.
struct LibraryInfo {
    // The signature of a record whose library changed on disk since it was read (a tool
    // changed it, or a read left only a placeholder): the next scan reads it in full.
    static constexpr QLatin1StringView invalidatedSignature{"0.0"};

    QString path;       // absolute path of the bundle
    QString name;       // the library's name as shown
    QString volumeName; // name of the volume that holds it
    std::optional<QString> volumeUUID;
    bool isNetwork = false;
    bool isInternal = false;
    std::optional<QString> libraryIdentifier; // the same in every copy of one library
    std::optional<QString> fcpVersion;        // version of Final Cut Pro that last saved it
    std::optional<QString> lastHost;          // the computer that last had it open
    std::optional<QDateTime> created;
    std::optional<QDateTime> modified;
    QDateTime scannedAt;   // when this record was read from the library
    QString signature;     // the change signature; invalidatedSignature asks for a full read at the next scan
    bool isBackup = false; // one of Final Cut Pro's automatic backups
    QList<EventInfo> events;
    std::optional<QString> problem; // what went wrong while reading it, for display
    qint64 extraSize = 0;           // bytes the bundle holds outside its event folders

    // The event whose poster frame stands for the library, and the poster's file name.
    struct Poster {
        QString event;
        QString file;
        bool operator==(const Poster&) const = default;
    };

    QString id() const { return path; }

    // Totals worked out from `events` on every call; never stored. A sum stops at the 64-bit
    // edge instead of overflowing (ByteSum), since a damaged "catalog.json" may hold any size.
    qint64 totalSize() const;             // all six event sizes of every event, plus `extraSize`
    qint64 originalSize() const;          // original media of every event
    qint64 clearableSize() const;         // optimized, proxy and render media: what can be rebuilt
    qint64 brokenLinks() const;           // broken links to original media over all events
    qint64 projectCount() const;          // projects over all events
    std::optional<Poster> poster() const; // from the first event, in order, that has one

    bool operator==(const LibraryInfo&) const = default;

    // Fails when a nested double is not finite or a date is invalid.
    Result<QJsonObject> toJson(RecordJson::DateForm form) const;
    static Result<LibraryInfo> fromJson(const QJsonObject& object, RecordJson::DateForm form);
};

size_t qHash(const LibraryInfo& library, size_t seed = 0) noexcept;

} // namespace pellimor

template <> struct std::hash<pellimor::LibraryInfo> {
    size_t operator()(const pellimor::LibraryInfo& library) const noexcept {
        return pellimor::qHash(library);
    }
};
