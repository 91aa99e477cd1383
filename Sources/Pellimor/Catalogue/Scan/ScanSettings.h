#pragma once

#include <QString>

// The stored settings that decide which libraries count: the catalogue's comparable
// libraries and the scan's discovery read them by the same rule, so a setting never means
// one thing in a list and another in a scan.
namespace pellimor::ScanSettings {

// A "skip" setting such as "skipSafetyNet" or "skipFCPBackups": the stored value when the
// key holds a flag; on when the key is absent or holds a value of another type, so a damaged
// settings file never lets safety-net or backup copies slip into the lists. Safe from any
// thread.
bool skipSetting(const QString& key);

} // namespace pellimor::ScanSettings
