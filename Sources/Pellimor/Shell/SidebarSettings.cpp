#include "Shell/SidebarSettings.h"

#include "Platform/CurrentSettings.h"

namespace pellimor::SidebarSettings {

std::optional<OpenKey> openKey(SidebarSection::Kind section) {
    using Kind = SidebarSection::Kind;
    switch (section) {
    case Kind::library:
        return OpenKey{Key::libraryOpen, Default::libraryOpen};
    case Kind::working:
        return OpenKey{Key::workingOpen, Default::workingOpen};
    case Kind::backup:
        return OpenKey{Key::backupOpen, Default::backupOpen};
    case Kind::watched:
        return OpenKey{Key::watchedOpen, Default::watchedOpen};
    case Kind::favorites:
        break;
    }
    return std::nullopt;
}

bool isOpen(SidebarSection::Kind section) {
    const std::optional<OpenKey> key = openKey(section);
    return !key || platform::CurrentSettings::flag(key->key, key->defaultOpen);
}

void setOpen(SidebarSection::Kind section, bool open) {
    if (const std::optional<OpenKey> key = openKey(section))
        platform::CurrentSettings::setFlag(key->key, open);
}

} // namespace pellimor::SidebarSettings
