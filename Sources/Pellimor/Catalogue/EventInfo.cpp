#include "Catalogue/EventInfo.h"

#include "Catalogue/RecordHash.h"
#include "Catalogue/RecordReader.h"
#include "Catalogue/RecordWriter.h"

namespace pellimor {

Result<QJsonObject> EventInfo::toJson(RecordJson::DateForm form) const {
    RecordWriter w(form);
    w.write("name", name);
    w.write("originalSize", originalSize);
    w.write("optimizedSize", optimizedSize);
    w.write("proxySize", proxySize);
    w.write("renderSize", renderSize);
    w.write("analysisSize", analysisSize);
    w.write("otherSize", otherSize);
    w.write("mediaFileCount", mediaFileCount);
    w.write("linkedMediaCount", linkedMediaCount);
    w.write("brokenLinkCount", brokenLinkCount);
    w.write("extensions", extensions);
    w.write("poster", poster);
    w.write("externalVolumes", externalVolumes);
    w.write("keywords", keywords);
    w.write("metaTags", metaTags);
    w.write("markerNames", markerNames);
    w.write("clipNames", clipNames);
    w.write("notes", notes);
    w.write("cameraInfo", cameraInfo);
    w.write("roles", roles);
    w.write("plugins", plugins);
    w.write("tagsVersion", tagsVersion);
    w.write("created", created);
    w.write("modified", modified);
    w.write("projects", projects);
    return w.finish();
}

Result<EventInfo> EventInfo::fromJson(const QJsonObject& object, RecordJson::DateForm form) {
    RecordReader r(object, form);
    EventInfo e;
    r.read("name", e.name);
    r.read("originalSize", e.originalSize);
    r.read("optimizedSize", e.optimizedSize);
    r.read("proxySize", e.proxySize);
    r.read("renderSize", e.renderSize);
    r.read("analysisSize", e.analysisSize);
    r.read("otherSize", e.otherSize);
    r.read("mediaFileCount", e.mediaFileCount);
    r.read("linkedMediaCount", e.linkedMediaCount);
    r.read("brokenLinkCount", e.brokenLinkCount);
    r.read("extensions", e.extensions);
    r.read("poster", e.poster);
    r.read("externalVolumes", e.externalVolumes);
    r.read("keywords", e.keywords);
    r.read("metaTags", e.metaTags);
    r.read("markerNames", e.markerNames);
    r.read("clipNames", e.clipNames);
    r.read("notes", e.notes);
    r.read("cameraInfo", e.cameraInfo);
    r.read("roles", e.roles);
    r.read("plugins", e.plugins);
    r.read("tagsVersion", e.tagsVersion);
    r.read("created", e.created);
    r.read("modified", e.modified);
    r.read("projects", e.projects);
    return r.finish(std::move(e));
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
