#pragma once

#include <QString>

namespace pellimor::platform {

// The root of the system-wide folders that other programs install into for every user
// (plug-ins, templates, audio components): "/" on a real system. Every fixed system-wide
// place is built on it, never spelled from the top, so a test points it at a folder of its
// own and installs and removes things there. The user's own folders come from HOME instead.
// Safe from any thread.
class RootFolder {
public:
    virtual ~RootFolder() = default;

    // The folder's path, without a trailing separator unless it is "/" itself.
    virtual QString path() const = 0;
};

} // namespace pellimor::platform
