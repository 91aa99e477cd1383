#include "Catalogue/Records/PluginUse.h"

#include "Catalogue/Records/RecordHash.h"
#include "Catalogue/Records/RecordReader.h"
#include "Catalogue/Records/RecordWriter.h"

namespace pellimor {

namespace {

// The stored fields, in declaration order: one list for writing and for reading.
template <typename Record, typename Fields> void fields(Record& r, Fields& f) {
    f("kind", r.kind);
    f("pack", r.pack);
    f("name", r.name);
    f("id", r.id);
    f("count", r.count);
}

} // namespace

void RecordJson::write(RecordWriter& writer, const PluginUse& record) {
    fields(record, writer);
}

void RecordJson::read(RecordReader& reader, PluginUse& record) {
    fields(record, reader);
}

Result<QJsonObject> PluginUse::toJson(RecordJson::DateForm form) const {
    return RecordJson::toObject(*this, form);
}

Result<PluginUse> PluginUse::fromJson(const QJsonObject& object, RecordJson::DateForm form) {
    return RecordJson::fromObject<PluginUse>(object, form);
}

size_t qHash(const PluginUse& use, size_t seed) noexcept {
    return RecordHash::Hasher(seed)
        .add(use.kind)
        .add(use.pack)
        .add(use.name)
        .add(use.id)
        .add(use.count)
        .result();
}

} // namespace pellimor
