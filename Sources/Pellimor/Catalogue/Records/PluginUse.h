#pragma once

#include "Catalogue/Records/RecordJson.h"
#include "Support/Result.h"

#include <QJsonObject>
#include <QString>
#include <functional>

namespace pellimor {

// One non-Apple effect, title, generator, transition or Audio Unit that an event's clips or
// a project use. A plain value.
struct PluginUse {
    QString kind;     // "Video plug-in", "Audio", "Title", "Effect", "Generator" or "Transition"
    QString pack;     // the pack or maker it belongs to, as shown
    QString name;     // its name as shown
    QString id;       // the identifier Final Cut Pro stores for it, unchanged
    qint64 count = 0; // how many times the event or project uses it

    // Every field counts, `count` included: two uses of one plug-in with different counts differ.
    bool operator==(const PluginUse&) const = default;

    Result<QJsonObject> toJson(RecordJson::DateForm form) const;
    static Result<PluginUse> fromJson(const QJsonObject& object, RecordJson::DateForm form);
};

size_t qHash(const PluginUse& use, size_t seed = 0) noexcept;

} // namespace pellimor

template <> struct std::hash<pellimor::PluginUse> {
    size_t operator()(const pellimor::PluginUse& use) const noexcept { return pellimor::qHash(use); }
};
