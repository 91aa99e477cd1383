#include "Shell/Updates.h"

#include "Platform/Services.h"
#include "Platform/Updater.h"

#include <QVariant>
#include <QtGlobal>

namespace pellimor {

namespace {

std::shared_ptr<platform::Updater> decide() {
    if (qEnvironmentVariableIsSet("TOVLIN_DATA_DIR"))
        return nullptr;
    const platform::Services services = platform::services();
    if (!services.bundle)
        return nullptr;
    const QVariant feed = services.bundle->infoDictionary().value(QStringLiteral("SUFeedURL"));
    if (!feed.isValid() || feed.toString().isEmpty())
        return nullptr;
    if (!services.updater || !services.updater->isAvailable())
        return nullptr;
    return services.updater;
}

} // namespace

Updates::Updates() : m_updater(decide()) {
    if (m_updater)
        m_updater->start();
}

Updates::~Updates() = default;

Updates& Updates::shared() {
    static Updates updates;
    return updates;
}

void Updates::checkNow() {
    if (m_updater)
        m_updater->checkNow();
}

} // namespace pellimor
