#include "Catalogue/Records/MediaEntry.h"

#include "Catalogue/Records/RecordReader.h"
#include "Catalogue/Records/RecordWriter.h"

namespace pellimor {

namespace {

// The stored fields, in declaration order: one list for writing and for reading.
template <typename Record, typename Fields> void fields(Record& r, Fields& f) {
    f("name", r.name);
    f("size", r.size);
    f("event", r.event);
}

} // namespace

void RecordJson::write(RecordWriter& writer, const MediaEntry& record) {
    fields(record, writer);
}

void RecordJson::read(RecordReader& reader, MediaEntry& record) {
    fields(record, reader);
}

Result<QJsonObject> MediaEntry::toJson(RecordJson::DateForm form) const {
    return RecordJson::toObject(*this, form);
}

Result<MediaEntry> MediaEntry::fromJson(const QJsonObject& object, RecordJson::DateForm form) {
    return RecordJson::fromObject<MediaEntry>(object, form);
}

} // namespace pellimor
