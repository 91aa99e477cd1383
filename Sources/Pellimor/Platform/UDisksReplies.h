#pragma once

#include "Platform/Ejector.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QMap>
#include <QString>
#include <QVariantMap>
#include <optional>

// What the system ejector reads in the answers of the udisks2 disk service, as plain functions
// over replies already taken off the bus, so every decision can be checked against recorded
// replies without a bus. Safe from any thread.
//
// The replies are those of org.freedesktop.DBus.ObjectManager.GetManagedObjects on
// /org/freedesktop/UDisks2: per object path, per interface, its properties. The ejector hands
// the properties over in plain Qt types: object paths as text ("o"), byte arrays as
// QByteArray ("ay"), arrays of byte arrays as QByteArrayList ("aay"), flags as bool.
namespace pellimor::platform::UDisksReplies {

using Properties = QVariantMap;
using Interfaces = QMap<QString, Properties>;     // by interface name
using ManagedObjects = QMap<QString, Interfaces>; // by object path

inline constexpr QLatin1StringView kService{"org.freedesktop.UDisks2"};
inline constexpr QLatin1StringView kManagerPath{"/org/freedesktop/UDisks2"};
inline constexpr QLatin1StringView kFilesystem{"org.freedesktop.UDisks2.Filesystem"};
inline constexpr QLatin1StringView kBlock{"org.freedesktop.UDisks2.Block"};
inline constexpr QLatin1StringView kDrive{"org.freedesktop.UDisks2.Drive"};

// The object whose file system is mounted at `mount`: its Filesystem's MountPoints hold the
// path's bytes (udisks2 ends each with a NUL, which is not part of the path). Nothing when no
// object has it.
std::optional<QString> filesystemAt(const ManagedObjects& objects, const QByteArray& mount);

// The drive of a block object: its Block's Drive, nothing when it names none ("/", as for a
// loop device) or the object has no Block.
std::optional<QString> driveOf(const ManagedObjects& objects, const QString& block);

// How a drive is taken away after its volume was unmounted.
enum class DriveStep {
    powerOff,    // Drive.PowerOff, where CanPowerOff
    eject,       // else Drive.Eject, where Ejectable
    unsupported, // neither, or no drive at all
};
DriveStep driveStep(const ManagedObjects& objects, const std::optional<QString>& drive);

// The category of an error the disk service answered a step with.
Ejector::Answer answerForError(const QString& errorName);

// Whether an error of the bus itself says that the disk service is not there: no bus, or
// nobody owns (or can be started for) its name.
bool meansNoService(const QString& errorName);

// The options every Unmount is called with: none, so never "force".
QVariantMap unmountOptions();

} // namespace pellimor::platform::UDisksReplies
