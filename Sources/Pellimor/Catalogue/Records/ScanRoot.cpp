#include "Catalogue/Records/ScanRoot.h"

#include "Catalogue/Records/RecordHash.h"
#include "Catalogue/Records/RecordReader.h"
#include "Catalogue/Records/RecordWriter.h"

namespace pellimor {

namespace {

// The stored fields, in declaration order: one list for writing and for reading.
template <typename Record, typename Fields> void fields(Record& r, Fields& f) {
    f("path", r.path);
    f("lastScan", r.lastScan);
}

} // namespace

void RecordJson::write(RecordWriter& writer, const ScanRoot& record) {
    fields(record, writer);
}

void RecordJson::read(RecordReader& reader, ScanRoot& record) {
    fields(record, reader);
}

Result<QJsonObject> ScanRoot::toJson(RecordJson::DateForm form) const {
    return RecordJson::toObject(*this, form);
}

Result<ScanRoot> ScanRoot::fromJson(const QJsonObject& object, RecordJson::DateForm form) {
    return RecordJson::fromObject<ScanRoot>(object, form);
}

size_t qHash(const ScanRoot& root, size_t seed) noexcept {
    return RecordHash::Hasher(seed).add(root.path).add(root.lastScan).result();
}

} // namespace pellimor
