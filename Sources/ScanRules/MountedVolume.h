#pragma once

#include <QString>
#include <optional>

namespace pellimor {

// One mounted volume as the system describes it.
struct MountedVolume {
    std::optional<QString> uuid;
    QString name;
    // The name shown to the user; the volume's name unless given otherwise.
    QString userLabel;
    QString mountPath;
    // For a network volume: the server part of its source (it may carry "user@")
    // and the share part.
    std::optional<QString> nasServer;
    std::optional<QString> nasShare;
    // A volume of the operating system itself.
    bool isSystem = false;

    MountedVolume() = default;
    // An absent `userLabel` takes the value of `name`.
    MountedVolume(std::optional<QString> uuid, QString name, std::optional<QString> userLabel,
                  QString mountPath, std::optional<QString> nasServer = std::nullopt,
                  std::optional<QString> nasShare = std::nullopt, bool isSystem = false);

    friend bool operator==(const MountedVolume&, const MountedVolume&) = default;
};

} // namespace pellimor
