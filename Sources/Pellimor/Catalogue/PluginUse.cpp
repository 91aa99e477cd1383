#include "Catalogue/PluginUse.h"

#include "Catalogue/RecordHash.h"
#include "Catalogue/RecordReader.h"
#include "Catalogue/RecordWriter.h"

namespace pellimor {

Result<QJsonObject> PluginUse::toJson(RecordJson::DateForm form) const {
    RecordWriter w(form);
    w.write("kind", kind);
    w.write("pack", pack);
    w.write("name", name);
    w.write("id", id);
    w.write("count", count);
    return w.finish();
}

Result<PluginUse> PluginUse::fromJson(const QJsonObject& object, RecordJson::DateForm form) {
    RecordReader r(object, form);
    PluginUse use;
    r.read("kind", use.kind);
    r.read("pack", use.pack);
    r.read("name", use.name);
    r.read("id", use.id);
    r.read("count", use.count);
    return r.finish(std::move(use));
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
