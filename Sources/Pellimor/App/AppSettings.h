#pragma once

#include <QString>

// The program's app-wide stored settings (the look, the date column, the manual's page and the
// "Working Drives Only" filter, which the catalogue's shown libraries apply too), read and
// written through the platform's settings store (platform::services().settings). The scan's
// own settings live with the catalogue (Catalogue/Scan/ScanSettings). A key that is absent, or
// holds a value of another type, reads as its default; nothing is written until a control or a
// menu item changes a value. Every window that uses one of these keys reads it here, so a key
// always has the same default everywhere. Safe from any thread (the store has its lock).
namespace pellimor::AppSettings {

namespace Key {
inline constexpr QLatin1StringView comfortableText{"comfortableText"};
inline constexpr QLatin1StringView appearance{"appearance"};
inline constexpr QLatin1StringView hideBackupDrives{"hideBackupDrives"};
inline constexpr QLatin1StringView dateMode{"dateMode"};
inline constexpr QLatin1StringView manualDoc{"manualDoc"};
} // namespace Key

namespace Default {
inline constexpr bool comfortableText = false;
inline constexpr QLatin1StringView appearance{"system"};
inline constexpr bool hideBackupDrives = false;
inline constexpr QLatin1StringView dateMode{"modified"};
inline constexpr QLatin1StringView manualDoc{"Manual"};
} // namespace Default

bool comfortable(); // "Larger Text"
void setComfortable(bool on);
QString appearance(); // "system", "light", "dark" — or whatever else was stored
void setAppearance(const QString& value);
bool hideBackups(); // "Working Drives Only": only a stored flag switches it on
void setHideBackups(bool on);
QString dateMode(); // "modified" or "created" — or whatever else was stored
void setDateMode(const QString& value);

// The document the manual window shows: "Manual" or "What's New".
QString manualDoc();
void setManualDoc(const QString& value);

} // namespace pellimor::AppSettings
