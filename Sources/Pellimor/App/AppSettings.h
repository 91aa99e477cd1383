#pragma once

#include <QString>

// The stored settings of the application object and the Settings window, read and written
// through the platform's settings store (platform::services().settings). A key that is absent,
// or holds a value of another type, reads as its default; nothing is written until a control
// or a menu item changes a value. Every window that uses one of these keys reads it here, so
// a key always has the same default everywhere. Safe from any thread (the store has its lock).
namespace pellimor::AppSettings {

namespace Key {
inline constexpr QLatin1StringView comfortableText{"comfortableText"};
inline constexpr QLatin1StringView appearance{"appearance"};
inline constexpr QLatin1StringView hideBackupDrives{"hideBackupDrives"};
inline constexpr QLatin1StringView fullRescan{"fullRescan"};
inline constexpr QLatin1StringView makePosters{"makePosters"};
inline constexpr QLatin1StringView scanThreads{"scanThreads"};
inline constexpr QLatin1StringView dateMode{"dateMode"};
inline constexpr QLatin1StringView autoRefresh{"autoRefresh"};
inline constexpr QLatin1StringView folderDepth{"folderDepth"};
inline constexpr QLatin1StringView skipSafetyNet{"skipSafetyNet"};
inline constexpr QLatin1StringView skipFCPBackups{"skipFCPBackups"};
inline constexpr QLatin1StringView manualDoc{"manualDoc"};
} // namespace Key

namespace Default {
inline constexpr bool comfortableText = false;
inline constexpr QLatin1StringView appearance{"system"};
inline constexpr bool hideBackupDrives = false;
inline constexpr bool fullRescan = false;
inline constexpr bool makePosters = true;
inline constexpr qint64 scanThreads = 2;
inline constexpr QLatin1StringView dateMode{"modified"};
inline constexpr bool autoRefresh = true;
inline constexpr qint64 folderDepth = 5;
inline constexpr bool skipSafetyNet = true;
inline constexpr bool skipFCPBackups = true;
inline constexpr QLatin1StringView manualDoc{"Manual"};
} // namespace Default

// The seven settings of the application object, in its order.
bool comfortable(); // "Larger Text"
void setComfortable(bool on);
QString appearance(); // "system", "light", "dark" — or whatever else was stored
void setAppearance(const QString& value);
bool hideBackups(); // "Working Drives Only"
void setHideBackups(bool on);
bool fullRescan();
void setFullRescan(bool on);
bool makePosters();
void setMakePosters(bool on);
qint64 scanThreads(); // parallel library reads
void setScanThreads(qint64 count);
QString dateMode(); // "modified" or "created" — or whatever else was stored
void setDateMode(const QString& value);

// The further scan settings of the Settings window.
bool autoRefresh();
void setAutoRefresh(bool on);
qint64 folderDepth();
void setFolderDepth(qint64 levels);
bool skipSafetyNet();
void setSkipSafetyNet(bool on);
bool skipFCPBackups();
void setSkipFCPBackups(bool on);

// The document the manual window shows: "Manual" or "What's New".
QString manualDoc();
void setManualDoc(const QString& value);

// `scanThreads()` as the count a scan request takes.
int scanConcurrency();

} // namespace pellimor::AppSettings
