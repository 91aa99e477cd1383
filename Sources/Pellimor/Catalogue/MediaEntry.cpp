#include "Catalogue/MediaEntry.h"

#include "Catalogue/RecordReader.h"
#include "Catalogue/RecordWriter.h"

namespace pellimor {

Result<QJsonObject> MediaEntry::toJson(RecordJson::DateForm form) const {
    RecordWriter w(form);
    w.write("name", name);
    w.write("size", size);
    w.write("event", event);
    return w.finish();
}

Result<MediaEntry> MediaEntry::fromJson(const QJsonObject& object, RecordJson::DateForm form) {
    RecordReader r(object, form);
    MediaEntry entry;
    r.read("name", entry.name);
    r.read("size", entry.size);
    r.read("event", entry.event);
    return r.finish(std::move(entry));
}

} // namespace pellimor
