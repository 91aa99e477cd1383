#include "Catalogue/Records/LibraryInfo.h"

#include "Catalogue/Records/RecordHash.h"
#include "Catalogue/Records/RecordReader.h"
#include "Catalogue/Records/RecordWriter.h"
#include "Support/ByteSum.h"

namespace pellimor {

qint64 LibraryInfo::totalSize() const {
    qint64 total = extraSize;
    for (const EventInfo& e : events)
        total = ByteSum::saturatingAdd(total, e.totalSize());
    return total;
}

qint64 LibraryInfo::originalSize() const {
    qint64 total = 0;
    for (const EventInfo& e : events)
        total = ByteSum::saturatingAdd(total, e.originalSize);
    return total;
}

qint64 LibraryInfo::clearableSize() const {
    qint64 total = 0;
    for (const EventInfo& e : events)
        total = ByteSum::saturatingAdd(total, e.clearableSize());
    return total;
}

qint64 LibraryInfo::brokenLinks() const {
    qint64 total = 0;
    for (const EventInfo& e : events)
        total = ByteSum::saturatingAdd(total, e.brokenLinkCount);
    return total;
}

qint64 LibraryInfo::projectCount() const {
    qint64 total = 0;
    for (const EventInfo& e : events)
        total += e.projects.size();
    return total;
}

std::optional<LibraryInfo::Poster> LibraryInfo::poster() const {
    for (const EventInfo& e : events) {
        if (e.poster)
            return Poster{e.name, *e.poster};
    }
    return std::nullopt;
}

namespace {

// The stored fields, in declaration order: one list for writing and for reading.
template <typename Record, typename Fields> void fields(Record& r, Fields& f) {
    f("path", r.path);
    f("name", r.name);
    f("volumeName", r.volumeName);
    f("volumeUUID", r.volumeUUID);
    f("isNetwork", r.isNetwork);
    f("isInternal", r.isInternal);
    f("libraryIdentifier", r.libraryIdentifier);
    f("fcpVersion", r.fcpVersion);
    f("lastHost", r.lastHost);
    f("created", r.created);
    f("modified", r.modified);
    f("scannedAt", r.scannedAt);
    f("signature", r.signature);
    f("isBackup", r.isBackup);
    f("events", r.events);
    f("problem", r.problem);
    f("extraSize", r.extraSize);
}

} // namespace

void RecordJson::write(RecordWriter& writer, const LibraryInfo& record) {
    fields(record, writer);
}

void RecordJson::read(RecordReader& reader, LibraryInfo& record) {
    fields(record, reader);
}

Result<QJsonObject> LibraryInfo::toJson(RecordJson::DateForm form) const {
    return RecordJson::toObject(*this, form);
}

Result<LibraryInfo> LibraryInfo::fromJson(const QJsonObject& object, RecordJson::DateForm form) {
    return RecordJson::fromObject<LibraryInfo>(object, form);
}

size_t qHash(const LibraryInfo& l, size_t seed) noexcept {
    return RecordHash::Hasher(seed)
        .add(l.path)
        .add(l.name)
        .add(l.volumeName)
        .add(l.volumeUUID)
        .add(l.isNetwork)
        .add(l.isInternal)
        .add(l.libraryIdentifier)
        .add(l.fcpVersion)
        .add(l.lastHost)
        .add(l.created)
        .add(l.modified)
        .add(l.scannedAt)
        .add(l.signature)
        .add(l.isBackup)
        .add(l.events)
        .add(l.problem)
        .add(l.extraSize)
        .result();
}

} // namespace pellimor
