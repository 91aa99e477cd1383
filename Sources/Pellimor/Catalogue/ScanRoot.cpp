#include "Catalogue/ScanRoot.h"

#include "Catalogue/RecordHash.h"
#include "Catalogue/RecordReader.h"
#include "Catalogue/RecordWriter.h"

namespace pellimor {

Result<QJsonObject> ScanRoot::toJson(RecordJson::DateForm form) const {
    RecordWriter w(form);
    w.write("path", path);
    w.write("lastScan", lastScan);
    return w.finish();
}

Result<ScanRoot> ScanRoot::fromJson(const QJsonObject& object, RecordJson::DateForm form) {
    RecordReader r(object, form);
    ScanRoot root;
    r.read("path", root.path);
    r.read("lastScan", root.lastScan);
    return r.finish(std::move(root));
}

size_t qHash(const ScanRoot& root, size_t seed) noexcept {
    return RecordHash::Hasher(seed).add(root.path).add(root.lastScan).result();
}

} // namespace pellimor
