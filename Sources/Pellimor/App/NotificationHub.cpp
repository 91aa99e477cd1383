#include "App/NotificationHub.h"

namespace pellimor {

NotificationHub& NotificationHub::shared() {
    // Never destroyed: receivers may disconnect during shutdown in any order.
    static NotificationHub* const hub = new NotificationHub;
    return *hub;
}

void NotificationHub::post(const QString& name, const std::optional<QString>& object) {
    Q_EMIT posted(name, object);
}

} // namespace pellimor
