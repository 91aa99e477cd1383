#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <sys/types.h>

// What Linux tells about the file system that holds a path, read from the places the system
// keeps it: the file-system type from the mount table, UUIDs from the links in
// /dev/disk/by-uuid, and the kind of disk from /sys. Every function takes the folder it reads
// (so tests feed it a fixture tree), answers from what it finds and never fails; nothing
// means "not known". Safe from any thread.
namespace pellimor::platform::VolumeProbe {

// Whether a mount table's file-system type ("nfs4", "cifs", "fuse.sshfs"...) is reached over
// the network. Letter case is ignored.
bool isNetworkFileSystem(const QByteArray& type);

// The name of the link in `byUuidFolder` (normally "/dev/disk/by-uuid") that leads to the
// block device `device` (an absolute path such as "/dev/sda1" or "/dev/mapper/root"; links
// on either side are followed), or else to a block-device node whose number is `number`.
// Nothing when no link leads there.
std::optional<QString> uuidForDevice(const QString& byUuidFolder, const QString& device,
                                     std::optional<dev_t> number);

// The folder of a block device in the sysfs tree at `sysRoot` (normally "/sys"), with its
// links resolved: through the device number ("dev/block/MAJOR:MINOR") when it leads
// somewhere, else through the name the device path resolves to ("class/block/NAME").
std::optional<QString> blockFolder(const QString& sysRoot, const QString& device,
                                   std::optional<dev_t> number);

// Whether the block device whose sysfs folder is `folder` lies on a fixed, built-in disk:
// false when its disk is removable, an SD card, or attached through USB; true for any other
// disk that sysfs describes; nothing for virtual devices (loop, RAM disks) and missing facts.
// A partition is judged by its disk; a mapped or RAID device by the devices below it (false
// when any of them is external, nothing when any is unknown).
std::optional<bool> isInternalBlock(const QString& folder);

} // namespace pellimor::platform::VolumeProbe
