#pragma once

#include "Catalogue/Records/PluginUse.h"
#include "Catalogue/Records/ProjectInfo.h"
#include "Catalogue/Records/RecordJson.h"
#include "Support/Result.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <functional>
#include <optional>

namespace pellimor {

// One event of a library. The six sizes are allocated bytes on disk, sorted by the folder of
// the event that holds them. A plain value; its identity is its name, so two events of one
// library with the same name share it.
struct EventInfo {
    QString name; // the event's folder name in the bundle
    qint64 originalSize = 0;
    qint64 optimizedSize = 0;
    qint64 proxySize = 0;
    qint64 renderSize = 0;
    qint64 analysisSize = 0;
    qint64 otherSize = 0;
    qint64 mediaFileCount = 0;
    qint64 linkedMediaCount = 0;      // media files that are links to files elsewhere
    qint64 brokenLinkCount = 0;       // of those, links whose target is missing
    QMap<QString, qint64> extensions; // media file extension → number of files with it
    std::optional<QString> poster;    // file name of the poster frame in the posters folder
    std::optional<QMap<QString, qint64>> externalVolumes; // volume linked files point to → links
    std::optional<QMap<QString, qint64>> keywords;        // keyword → uses
    std::optional<QList<QString>> metaTags;
    std::optional<QList<QString>> markerNames;
    std::optional<QList<QString>> clipNames;
    std::optional<QList<QString>> notes;
    std::optional<QList<QString>> cameraInfo;
    std::optional<QList<QString>> roles;
    std::optional<QList<PluginUse>> plugins;
    std::optional<qint64>
        tagsVersion; // version of the reading that filled the text lists and the drives of links
    std::optional<QDateTime> created;
    std::optional<QDateTime> modified;
    QList<ProjectInfo> projects;

    QString id() const { return name; }

    // Worked out from the six sizes on every call; never stored. Sums stop at the 64-bit edge
    // instead of overflowing (ByteSum).
    qint64 totalSize() const;     // all six sizes
    qint64 clearableSize() const; // optimized, proxy and render media: what can be rebuilt

    bool operator==(const EventInfo&) const = default;

    // Fails when a nested double is not finite or a date is invalid.
    Result<QJsonObject> toJson(RecordJson::DateForm form) const;
    static Result<EventInfo> fromJson(const QJsonObject& object, RecordJson::DateForm form);
};

size_t qHash(const EventInfo& event, size_t seed = 0) noexcept;

} // namespace pellimor

template <> struct std::hash<pellimor::EventInfo> {
    size_t operator()(const pellimor::EventInfo& event) const noexcept { return pellimor::qHash(event); }
};
