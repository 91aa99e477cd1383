#include "Plugins/StatusIcon.h"

namespace pellimor {

StatusIcon statusIcon(PluginStatus status) {
    using Colour = StatusIcon::Colour;
    switch (status) {
    case PluginStatus::installed:
        return {QStringLiteral("checkmark.circle.fill"), Colour::green,
                QStringLiteral("Installed on this Mac")};
    case PluginStatus::missing:
        return {QStringLiteral("xmark.octagon.fill"), Colour::red,
                QStringLiteral("Not installed on this Mac")};
    case PluginStatus::unverified:
        break;
    case PluginStatus::partial:
        return {QStringLiteral("exclamationmark.triangle.fill"), Colour::orange,
                QStringLiteral("Pack is installed, but some of the items used are missing")};
    }
    return {QStringLiteral("questionmark.circle.fill"), Colour::grey,
            QStringLiteral("Can't tell whether this is installed")};
}

} // namespace pellimor
