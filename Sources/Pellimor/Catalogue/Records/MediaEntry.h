#pragma once

#include "Catalogue/Records/RecordJson.h"
#include "Support/Result.h"

#include <QJsonObject>
#include <QString>

namespace pellimor {

// One media file of a library, as kept in the library's media list. A plain value with no
// equality or identity of its own: the list's order is what tells entries apart.
struct MediaEntry {
    QString name;    // the file's name
    qint64 size = 0; // the file's size in bytes
    QString event;   // name of the event that holds it

    Result<QJsonObject> toJson(RecordJson::DateForm form) const;
    static Result<MediaEntry> fromJson(const QJsonObject& object, RecordJson::DateForm form);
};

} // namespace pellimor
