#include "Catalogue/Records/EventInfo.h"

#include "Catalogue/Records/RecordHash.h"
#include "Catalogue/Records/RecordReader.h"
#include "Catalogue/Records/RecordWriter.h"
#include "Support/ByteSum.h"

namespace pellimor {

qint64 EventInfo::totalSize() const {
    return ByteSum::saturatingSum(
        {originalSize, optimizedSize, proxySize, renderSize, analysisSize, otherSize});
}

qint64 EventInfo::clearableSize() const {
    return ByteSum::saturatingSum({optimizedSize, proxySize, renderSize});
}

namespace {

// The stored fields, in declaration order: one list for writing and for reading.
template <typename Record, typename Fields> void fields(Record& r, Fields& f) {
    f("name", r.name);
    f("originalSize", r.originalSize);
    f("optimizedSize", r.optimizedSize);
    f("proxySize", r.proxySize);
    f("renderSize", r.renderSize);
    f("analysisSize", r.analysisSize);
    f("otherSize", r.otherSize);
    f("mediaFileCount", r.mediaFileCount);
    f("linkedMediaCount", r.linkedMediaCount);
    f("brokenLinkCount", r.brokenLinkCount);
    f("extensions", r.extensions);
    f("poster", r.poster);
    f("externalVolumes", r.externalVolumes);
    f("keywords", r.keywords);
    f("metaTags", r.metaTags);
    f("markerNames", r.markerNames);
    f("clipNames", r.clipNames);
    f("notes", r.notes);
    f("cameraInfo", r.cameraInfo);
    f("roles", r.roles);
    f("plugins", r.plugins);
    f("tagsVersion", r.tagsVersion);
    f("created", r.created);
    f("modified", r.modified);
    f("projects", r.projects);
}

} // namespace

void RecordJson::write(RecordWriter& writer, const EventInfo& record) {
    fields(record, writer);
}

void RecordJson::read(RecordReader& reader, EventInfo& record) {
    fields(record, reader);
}

Result<QJsonObject> EventInfo::toJson(RecordJson::DateForm form) const {
    return RecordJson::toObject(*this, form);
}

Result<EventInfo> EventInfo::fromJson(const QJsonObject& object, RecordJson::DateForm form) {
    return RecordJson::fromObject<EventInfo>(object, form);
}

size_t qHash(const EventInfo& e, size_t seed) noexcept {
    return RecordHash::Hasher(seed)
        .add(e.name)
        .add(e.originalSize)
        .add(e.optimizedSize)
        .add(e.proxySize)
        .add(e.renderSize)
        .add(e.analysisSize)
        .add(e.otherSize)
        .add(e.mediaFileCount)
        .add(e.linkedMediaCount)
        .add(e.brokenLinkCount)
        .add(e.extensions)
        .add(e.poster)
        .add(e.externalVolumes)
        .add(e.keywords)
        .add(e.metaTags)
        .add(e.markerNames)
        .add(e.clipNames)
        .add(e.notes)
        .add(e.cameraInfo)
        .add(e.roles)
        .add(e.plugins)
        .add(e.tagsVersion)
        .add(e.created)
        .add(e.modified)
        .add(e.projects)
        .result();
}

} // namespace pellimor
