#include "Plugins/PluginStatus.h"

namespace pellimor {

int statusRank(PluginStatus status) {
    switch (status) {
    case PluginStatus::missing:
        return 0;
    case PluginStatus::partial:
        return 1;
    case PluginStatus::unverified:
        return 2;
    case PluginStatus::installed:
        return 3;
    }
    return 2;
}

} // namespace pellimor
