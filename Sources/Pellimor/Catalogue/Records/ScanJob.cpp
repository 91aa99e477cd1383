#include "Catalogue/Records/ScanJob.h"

#include "Catalogue/Records/RecordReader.h"
#include "Catalogue/Records/RecordWriter.h"

namespace pellimor {

namespace {

// The stored fields, in declaration order: one list for writing and for reading.
template <typename Record, typename Fields> void fields(Record& r, Fields& f) {
    f("roots", r.roots);
    f("maxDepth", r.maxDepth);
    f("remember", r.remember);
    f("fullRescan", r.fullRescan);
    f("posters", r.posters);
    f("concurrency", r.concurrency);
    f("rootIndex", r.rootIndex);
    f("pending", r.pending);
    f("found", r.found);
    f("discoveryDone", r.discoveryDone);
    f("done", r.done);
    f("updatedAt", r.updatedAt);
    f("unlisted", r.unlisted);
}

} // namespace

void RecordJson::write(RecordWriter& writer, const ScanJob& record) {
    fields(record, writer);
}

void RecordJson::read(RecordReader& reader, ScanJob& record) {
    fields(record, reader);
}

void ScanJob::startRoot(qint64 index) {
    rootIndex = index;
    pending.reset();
    found.clear();
    done.clear();
    discoveryDone = false;
    unlisted.reset();
}

Result<QJsonObject> ScanJob::toJson(RecordJson::DateForm form) const {
    return RecordJson::toObject(*this, form);
}

Result<ScanJob> ScanJob::fromJson(const QJsonObject& object, RecordJson::DateForm form) {
    return RecordJson::fromObject<ScanJob>(object, form);
}

} // namespace pellimor
