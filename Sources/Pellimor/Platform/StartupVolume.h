#pragma once

#include <QString>

// Whether a path lies on the file system the system started from, the one mounted at "/".
// Safe from any thread; each call asks the disk afresh.
namespace pellimor::platform::StartupVolume {

// True when `path` and "/" lie on the same device (stat's device numbers are equal); false
// when they differ or either cannot be examined.
bool holds(const QString& path);

} // namespace pellimor::platform::StartupVolume
