#include "Catalogue/ProjectInfo.h"

#include "Catalogue/RecordHash.h"
#include "Catalogue/RecordReader.h"
#include "Catalogue/RecordWriter.h"

namespace pellimor {

Result<QJsonObject> ProjectInfo::toJson(RecordJson::DateForm form) const {
    RecordWriter w(form);
    w.write("name", name);
    w.write("duration", duration);
    w.write("frameRate", frameRate);
    w.write("format", format);
    w.write("hasAudio", hasAudio);
    w.write("sampleRate", sampleRate);
    w.write("created", created);
    w.write("modified", modified);
    w.write("clipCount", clipCount);
    w.write("transitionCount", transitionCount);
    w.write("keywordMarkers", keywordMarkers);
    w.write("favoriteMarkers", favoriteMarkers);
    w.write("fileSize", fileSize);
    w.write("fingerprint", fingerprint);
    w.write("plugins", plugins);
    w.write("keywords", keywords);
    w.write("metaTags", metaTags);
    w.write("markerNames", markerNames);
    return w.finish();
}

Result<ProjectInfo> ProjectInfo::fromJson(const QJsonObject& object, RecordJson::DateForm form) {
    RecordReader r(object, form);
    ProjectInfo p;
    r.read("name", p.name);
    r.read("duration", p.duration);
    r.read("frameRate", p.frameRate);
    r.read("format", p.format);
    r.read("hasAudio", p.hasAudio);
    r.read("sampleRate", p.sampleRate);
    r.read("created", p.created);
    r.read("modified", p.modified);
    r.read("clipCount", p.clipCount);
    r.read("transitionCount", p.transitionCount);
    r.read("keywordMarkers", p.keywordMarkers);
    r.read("favoriteMarkers", p.favoriteMarkers);
    r.read("fileSize", p.fileSize);
    r.read("fingerprint", p.fingerprint);
    r.read("plugins", p.plugins);
    r.read("keywords", p.keywords);
    r.read("metaTags", p.metaTags);
    r.read("markerNames", p.markerNames);
    return r.finish(std::move(p));
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
