#include "Plugins/PluginTone.h"

namespace pellimor {

PluginTone statusTone(PluginStatus status) {
    switch (status) {
    case PluginStatus::missing:
        return PluginTone::red;
    case PluginStatus::partial:
        return PluginTone::orange;
    case PluginStatus::installed:
    case PluginStatus::unverified:
        break;
    }
    return PluginTone::secondary;
}

} // namespace pellimor
