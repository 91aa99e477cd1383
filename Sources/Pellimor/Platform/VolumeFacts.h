#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace pellimor::platform {

// What the system knows about the volume that holds a path.
class VolumeFacts {
public:
    virtual ~VolumeFacts() = default;

    struct Facts {
        std::optional<QString> name;    // the drive's name; "Macintosh HD" for the start-up volume
        std::optional<QString> uuid;    // the file system's UUID
        std::optional<bool> isLocal;    // false for a network share
        std::optional<bool> isInternal; // true for a built-in, non-removable drive
    };
    // Nothing when the request fails (the path cannot be examined).
    virtual std::optional<Facts> facts(const QString& path) const = 0;

    struct Capacity {
        std::optional<qint64> total;
        std::optional<qint64> available;
    };
    // Total and available bytes of the volume holding `path`; nothing when the request fails.
    virtual std::optional<Capacity> capacity(const QString& path) const = 0;

    // Mount paths of the volumes mounted now under the volumes root (not "/").
    virtual QStringList mountedVolumes() const = 0;
};

} // namespace pellimor::platform
