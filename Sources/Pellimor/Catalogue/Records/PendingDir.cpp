#include "Catalogue/Records/PendingDir.h"

#include "Catalogue/Records/RecordHash.h"
#include "Catalogue/Records/RecordReader.h"
#include "Catalogue/Records/RecordWriter.h"

namespace pellimor {

namespace {

// The stored fields, in declaration order: one list for writing and for reading.
template <typename Record, typename Fields> void fields(Record& r, Fields& f) {
    f("path", r.path);
    f("level", r.level);
}

} // namespace

void RecordJson::write(RecordWriter& writer, const PendingDir& record) {
    fields(record, writer);
}

void RecordJson::read(RecordReader& reader, PendingDir& record) {
    fields(record, reader);
}

Result<QJsonObject> PendingDir::toJson(RecordJson::DateForm form) const {
    return RecordJson::toObject(*this, form);
}

Result<PendingDir> PendingDir::fromJson(const QJsonObject& object, RecordJson::DateForm form) {
    return RecordJson::fromObject<PendingDir>(object, form);
}

size_t qHash(const PendingDir& dir, size_t seed) noexcept {
    return RecordHash::Hasher(seed).add(dir.path).add(dir.level).result();
}

} // namespace pellimor
