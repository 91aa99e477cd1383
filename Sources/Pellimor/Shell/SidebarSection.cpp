#include "Shell/SidebarSection.h"

namespace pellimor {

QString SidebarSection::selectAllTip() const {
    switch (kind) {
    case Kind::working:
        return QStringLiteral("Select every working drive at once");
    case Kind::backup:
        return QStringLiteral("Select every backup drive at once");
    case Kind::library:
    case Kind::favorites:
    case Kind::watched:
        break;
    }
    return {};
}

} // namespace pellimor
