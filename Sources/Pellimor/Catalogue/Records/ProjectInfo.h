#pragma once

#include "Catalogue/Records/PluginUse.h"
#include "Catalogue/Records/RecordJson.h"
#include "Support/Result.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace pellimor {

// One project (timeline) of an event. A plain value; its identity is its name, so two
// projects of one event with the same name share it.
struct ProjectInfo {
    QString name;
    std::optional<double> duration;  // seconds
    std::optional<double> frameRate; // frames per second
    std::optional<QString> format;   // the video format as shown
    std::optional<bool> hasAudio;
    std::optional<double> sampleRate; // hertz
    std::optional<QDateTime> created;
    std::optional<QDateTime> modified;
    qint64 clipCount = 0;
    qint64 transitionCount = 0;
    qint64 keywordMarkers = 0;          // keyword ranges
    qint64 favoriteMarkers = 0;         // favourite ranges
    qint64 fileSize = 0;                // bytes of the project's own files
    std::optional<QString> fingerprint; // equal for equal content
    std::optional<QList<PluginUse>> plugins;
    std::optional<QList<QString>> keywords;
    std::optional<QList<QString>> metaTags;
    std::optional<QList<QString>> markerNames;

    QString id() const { return name; }

    bool operator==(const ProjectInfo&) const = default;

    // Fails when a double is not finite or a date is invalid.
    Result<QJsonObject> toJson(RecordJson::DateForm form) const;
    static Result<ProjectInfo> fromJson(const QJsonObject& object, RecordJson::DateForm form);
};

size_t qHash(const ProjectInfo& project, size_t seed = 0) noexcept;

} // namespace pellimor

template <> struct std::hash<pellimor::ProjectInfo> {
    size_t operator()(const pellimor::ProjectInfo& project) const noexcept {
        return pellimor::qHash(project);
    }
};
