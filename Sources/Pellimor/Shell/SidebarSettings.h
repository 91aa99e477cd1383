#pragma once

#include "Shell/SidebarSection.h"

#include <QLatin1StringView>
#include <optional>

// The sidebar's own stored settings: whether each collapsible section is open, each key with
// its default, declared here once. They are the sidebar's alone, so they live beside its
// logic rather than among the app-wide keys. A key that is absent, or holds a value of another
// type, reads as its default; reading writes nothing. Main thread (the settings store).
namespace pellimor::SidebarSettings {

namespace Key {
inline constexpr QLatin1StringView libraryOpen{"sidebarLibraryOpen"};
inline constexpr QLatin1StringView workingOpen{"sidebarWorkingOpen"};
inline constexpr QLatin1StringView backupOpen{"sidebarBackupOpen"};
inline constexpr QLatin1StringView watchedOpen{"sidebarWatchedOpen"};
} // namespace Key

namespace Default {
inline constexpr bool libraryOpen = true;
inline constexpr bool workingOpen = true;
inline constexpr bool backupOpen = true;
inline constexpr bool watchedOpen = false; // a new user has no watched folders to look at yet
} // namespace Default

// The key that keeps a section's open state, with its default; nothing for "Favorites", which
// is always open.
struct OpenKey {
    QLatin1StringView key;
    bool defaultOpen = true;
};
std::optional<OpenKey> openKey(SidebarSection::Kind section);

// Whether the section is open, as stored now ("Favorites": always).
bool isOpen(SidebarSection::Kind section);
// Stores the section's open state; nothing for "Favorites".
void setOpen(SidebarSection::Kind section, bool open);

} // namespace pellimor::SidebarSettings
