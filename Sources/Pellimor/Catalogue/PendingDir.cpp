#include "Catalogue/PendingDir.h"

#include "Catalogue/RecordHash.h"
#include "Catalogue/RecordReader.h"
#include "Catalogue/RecordWriter.h"

namespace pellimor {

Result<QJsonObject> PendingDir::toJson(RecordJson::DateForm form) const {
    RecordWriter w(form);
    w.write("path", path);
    w.write("level", level);
    return w.finish();
}

Result<PendingDir> PendingDir::fromJson(const QJsonObject& object, RecordJson::DateForm form) {
    RecordReader r(object, form);
    PendingDir dir;
    r.read("path", dir.path);
    r.read("level", dir.level);
    return r.finish(std::move(dir));
}

size_t qHash(const PendingDir& dir, size_t seed) noexcept {
    return RecordHash::Hasher(seed).add(dir.path).add(dir.level).result();
}

} // namespace pellimor
