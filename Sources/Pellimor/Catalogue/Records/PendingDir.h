#pragma once

#include "Catalogue/Records/RecordJson.h"
#include "Support/Result.h"

#include <QJsonObject>
#include <QString>
#include <functional>

namespace pellimor {

// One folder still to be walked by a resumable discovery. A plain value.
struct PendingDir {
    QString path;     // absolute path of the folder
    qint64 level = 0; // its depth below the scan root, the root itself being 0

    bool operator==(const PendingDir&) const = default;

    Result<QJsonObject> toJson(RecordJson::DateForm form) const;
    static Result<PendingDir> fromJson(const QJsonObject& object, RecordJson::DateForm form);
};

size_t qHash(const PendingDir& dir, size_t seed = 0) noexcept;

} // namespace pellimor

template <> struct std::hash<pellimor::PendingDir> {
    size_t operator()(const pellimor::PendingDir& dir) const noexcept { return pellimor::qHash(dir); }
};
