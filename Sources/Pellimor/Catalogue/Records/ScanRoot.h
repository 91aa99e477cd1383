#pragma once

#include "Catalogue/Records/RecordJson.h"
#include "Support/Result.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <functional>
#include <optional>

namespace pellimor {

// One watched folder. A plain value; its identity is its path.
struct ScanRoot {
    QString path;                      // absolute path of the folder
    std::optional<QDateTime> lastScan; // when a scan of it last finished; absent when none did

    QString id() const { return path; }

    bool operator==(const ScanRoot&) const = default;

    Result<QJsonObject> toJson(RecordJson::DateForm form) const;
    static Result<ScanRoot> fromJson(const QJsonObject& object, RecordJson::DateForm form);
};

size_t qHash(const ScanRoot& root, size_t seed = 0) noexcept;

} // namespace pellimor

template <> struct std::hash<pellimor::ScanRoot> {
    size_t operator()(const pellimor::ScanRoot& root) const noexcept { return pellimor::qHash(root); }
};
