#include "Catalogue/LibraryInfo.h"

#include "Catalogue/RecordHash.h"
#include "Catalogue/RecordReader.h"
#include "Catalogue/RecordWriter.h"

namespace pellimor {

qint64 LibraryInfo::totalSize() const {
    qint64 total = extraSize;
    for (const EventInfo& e : events)
        total += e.originalSize + e.optimizedSize + e.proxySize + e.renderSize + e.analysisSize + e.otherSize;
    return total;
}

qint64 LibraryInfo::originalSize() const {
    qint64 total = 0;
    for (const EventInfo& e : events)
        total += e.originalSize;
    return total;
}

qint64 LibraryInfo::clearableSize() const {
    qint64 total = 0;
    for (const EventInfo& e : events)
        total += e.optimizedSize + e.proxySize + e.renderSize;
    return total;
}

qint64 LibraryInfo::brokenLinks() const {
    qint64 total = 0;
    for (const EventInfo& e : events)
        total += e.brokenLinkCount;
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

Result<QJsonObject> LibraryInfo::toJson(RecordJson::DateForm form) const {
    RecordWriter w(form);
    w.write("path", path);
    w.write("name", name);
    w.write("volumeName", volumeName);
    w.write("volumeUUID", volumeUUID);
    w.write("isNetwork", isNetwork);
    w.write("isInternal", isInternal);
    w.write("libraryIdentifier", libraryIdentifier);
    w.write("fcpVersion", fcpVersion);
    w.write("lastHost", lastHost);
    w.write("created", created);
    w.write("modified", modified);
    w.write("scannedAt", scannedAt);
    w.write("signature", signature);
    w.write("isBackup", isBackup);
    w.write("events", events);
    w.write("problem", problem);
    w.write("extraSize", extraSize);
    return w.finish();
}

Result<LibraryInfo> LibraryInfo::fromJson(const QJsonObject& object, RecordJson::DateForm form) {
    RecordReader r(object, form);
    LibraryInfo l;
    r.read("path", l.path);
    r.read("name", l.name);
    r.read("volumeName", l.volumeName);
    r.read("volumeUUID", l.volumeUUID);
    r.read("isNetwork", l.isNetwork);
    r.read("isInternal", l.isInternal);
    r.read("libraryIdentifier", l.libraryIdentifier);
    r.read("fcpVersion", l.fcpVersion);
    r.read("lastHost", l.lastHost);
    r.read("created", l.created);
    r.read("modified", l.modified);
    r.read("scannedAt", l.scannedAt);
    r.read("signature", l.signature);
    r.read("isBackup", l.isBackup);
    r.read("events", l.events);
    r.read("problem", l.problem);
    r.read("extraSize", l.extraSize);
    return r.finish(std::move(l));
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
