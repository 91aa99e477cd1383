#pragma once

#include <QString>
#include <optional>

// The stored settings of the scan: each key with its default and the rule that turns what the
// store holds into a value a scan can use, declared here once. The window, the menus, start-up,
// the mount handler, the Settings window and the catalogue all read and write these keys
// through this table (the platform's settings store, platform::services().settings), so a key
// never means one thing on one road and another on the next.
//
// A key that is absent, or holds a value of another type, reads as its default; reading
// writes nothing. Safe from any thread (the store has its lock).
namespace pellimor::ScanSettings {

namespace Key {
inline constexpr QLatin1StringView scanThreads{"scanThreads"};
inline constexpr QLatin1StringView folderDepth{"folderDepth"};
inline constexpr QLatin1StringView makePosters{"makePosters"};
inline constexpr QLatin1StringView fullRescan{"fullRescan"};
inline constexpr QLatin1StringView autoRefresh{"autoRefresh"};
inline constexpr QLatin1StringView skipSafetyNet{"skipSafetyNet"};
inline constexpr QLatin1StringView skipFCPBackups{"skipFCPBackups"};
} // namespace Key

namespace Default {
inline constexpr int scanThreads = 2;
inline constexpr qint64 folderDepth = 5;
inline constexpr bool makePosters = true;
inline constexpr bool fullRescan = false;
inline constexpr bool autoRefresh = true;
// Both "skip" settings default to on, so a damaged settings file never lets safety-net or
// backup copies slip into the lists.
inline constexpr bool skipSafetyNet = true;
inline constexpr bool skipFCPBackups = true;
} // namespace Default

// ---- The rules --------------------------------------------------------------------------
// Over what the store holds for the key: nothing when it is absent or holds no integer.

// Libraries read at once: the default when nothing is stored, 1 for anything below 1, and a
// count beyond an int's range narrowed to the largest int rather than wrapped.
int scanThreadsFrom(std::optional<qint64> stored);
// Folder levels walked below a root: the default when nothing is stored or the value is below 1
// (no walk stops at its root, and a hand-edited 0 must not look at nothing).
qint64 folderDepthFrom(std::optional<qint64> stored);

// ---- The settings as stored now -----------------------------------------------------------

int scanThreads(); // "Parallel libraries"
void setScanThreads(qint64 count);
qint64 folderDepth(); // "Look this many folder levels deep"
void setFolderDepth(qint64 levels);
bool makePosters();
void setMakePosters(bool on);
bool fullRescan(); // read every library in full, whatever its signature
void setFullRescan(bool on);
bool autoRefresh(); // refresh the watched folders on a drive when it is plugged in
void setAutoRefresh(bool on);
bool skipSafetyNet();
void setSkipSafetyNet(bool on);
bool skipFCPBackups();
void setSkipFCPBackups(bool on);

} // namespace pellimor::ScanSettings
