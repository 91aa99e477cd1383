#pragma once

#include <QString>
#include <optional>

namespace pellimor {

// One drive of the sidebar: every comparable library with the same volume name, taken
// together. A plain value; SidebarDrives::drives() makes the list.
struct DriveSummary {
    QString name;                // the volume name; the drive's identity in the list and the selection
    QString mount;               // the mount path of its first library (VolumesRoot::mountOf), or "/"
    std::optional<QString> uuid; // the volume UUID, when any of its libraries knows one
    QString key;                 // the first library's volume UUID, or its volume name without one
    bool isBackup = false;       // the drive has the backup role
    qint64 count = 0;            // catalogued libraries on it
    qint64 size = 0;             // their bytes together (a sum that cannot be written stays at the maximum)
    bool online = false;         // its mount is among the catalogue's mounted volumes
    bool network = false;        // a network volume
    bool isInternal = false;     // an internal disk
    qint64 total = 0;            // the volume's capacity; 0 when unknown or not mounted
    qint64 free = 0;             // its free bytes; 0 when unknown or not mounted

    bool operator==(const DriveSummary&) const = default;
};

} // namespace pellimor
