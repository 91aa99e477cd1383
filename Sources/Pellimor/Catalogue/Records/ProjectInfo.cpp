#include "Catalogue/Records/ProjectInfo.h"

#include "Catalogue/Records/RecordHash.h"
#include "Catalogue/Records/RecordReader.h"
#include "Catalogue/Records/RecordWriter.h"

namespace pellimor {

namespace {

// The stored fields, in declaration order: one list for writing and for reading.
template <typename Record, typename Fields> void fields(Record& r, Fields& f) {
    f("name", r.name);
    f("duration", r.duration);
    f("frameRate", r.frameRate);
    f("format", r.format);
    f("hasAudio", r.hasAudio);
    f("sampleRate", r.sampleRate);
    f("created", r.created);
    f("modified", r.modified);
    f("clipCount", r.clipCount);
    f("transitionCount", r.transitionCount);
    f("keywordMarkers", r.keywordMarkers);
    f("favoriteMarkers", r.favoriteMarkers);
    f("fileSize", r.fileSize);
    f("fingerprint", r.fingerprint);
    f("plugins", r.plugins);
    f("keywords", r.keywords);
    f("metaTags", r.metaTags);
    f("markerNames", r.markerNames);
}

} // namespace

void RecordJson::write(RecordWriter& writer, const ProjectInfo& record) {
    fields(record, writer);
}

void RecordJson::read(RecordReader& reader, ProjectInfo& record) {
    fields(record, reader);
}

Result<QJsonObject> ProjectInfo::toJson(RecordJson::DateForm form) const {
    return RecordJson::toObject(*this, form);
}

Result<ProjectInfo> ProjectInfo::fromJson(const QJsonObject& object, RecordJson::DateForm form) {
    return RecordJson::fromObject<ProjectInfo>(object, form);
}

size_t qHash(const ProjectInfo& p, size_t seed) noexcept {
    return RecordHash::Hasher(seed)
        .add(p.name)
        .add(p.duration)
        .add(p.frameRate)
        .add(p.format)
        .add(p.hasAudio)
        .add(p.sampleRate)
        .add(p.created)
        .add(p.modified)
        .add(p.clipCount)
        .add(p.transitionCount)
        .add(p.keywordMarkers)
        .add(p.favoriteMarkers)
        .add(p.fileSize)
        .add(p.fingerprint)
        .add(p.plugins)
        .add(p.keywords)
        .add(p.metaTags)
        .add(p.markerNames)
        .result();
}

} // namespace pellimor
