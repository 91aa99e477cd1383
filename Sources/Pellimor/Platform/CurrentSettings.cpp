#include "Platform/CurrentSettings.h"

#include "Platform/Services.h"
#include "Platform/SettingsStore.h"

namespace pellimor::platform::CurrentSettings {

namespace {

std::shared_ptr<SettingsStore> store() {
    return services().settings;
}

} // namespace

bool flag(QLatin1StringView key, bool fallback) {
    const auto s = store();
    return s ? s->flag(key, fallback) : fallback;
}
void setFlag(QLatin1StringView key, bool value) {
    if (const auto s = store())
        s->setFlag(key, value);
}

QString text(QLatin1StringView key, QLatin1StringView fallback) {
    const auto s = store();
    return s ? s->text(key, fallback) : QString(fallback);
}
void setText(QLatin1StringView key, const QString& value) {
    if (const auto s = store())
        s->setText(key, value);
}

std::optional<qint64> integer(QLatin1StringView key) {
    const auto s = store();
    const std::optional<SettingsStore::Value> stored = s ? s->value(key) : std::nullopt;
    if (!stored || stored->type != SettingsStore::Type::Integer)
        return std::nullopt;
    return stored->value.toLongLong();
}
void setInteger(QLatin1StringView key, qint64 value) {
    if (const auto s = store())
        s->setInteger(key, value);
}

} // namespace pellimor::platform::CurrentSettings
