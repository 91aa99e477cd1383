#include "Catalogue/ScanJob.h"

#include "Catalogue/RecordReader.h"
#include "Catalogue/RecordWriter.h"

namespace pellimor {

Result<QJsonObject> ScanJob::toJson(RecordJson::DateForm form) const {
    RecordWriter w(form);
    w.write("roots", roots);
    w.write("maxDepth", maxDepth);
    w.write("remember", remember);
    w.write("fullRescan", fullRescan);
    w.write("posters", posters);
    w.write("concurrency", concurrency);
    w.write("rootIndex", rootIndex);
    w.write("pending", pending);
    w.write("found", found);
    w.write("discoveryDone", discoveryDone);
    w.write("done", done);
    w.write("updatedAt", updatedAt);
    w.write("unlisted", unlisted);
    return w.finish();
}

Result<ScanJob> ScanJob::fromJson(const QJsonObject& object, RecordJson::DateForm form) {
    RecordReader r(object, form);
    ScanJob job;
    r.read("roots", job.roots);
    r.read("maxDepth", job.maxDepth);
    r.read("remember", job.remember);
    r.read("fullRescan", job.fullRescan);
    r.read("posters", job.posters);
    r.read("concurrency", job.concurrency);
    r.read("rootIndex", job.rootIndex);
    r.read("pending", job.pending);
    r.read("found", job.found);
    r.read("discoveryDone", job.discoveryDone);
    r.read("done", job.done);
    r.read("updatedAt", job.updatedAt);
    r.read("unlisted", job.unlisted);
    return r.finish(std::move(job));
}

} // namespace pellimor
