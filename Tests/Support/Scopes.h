#pragma once

// Scoped stand-ins for process-wide state: environment variables, the settings store, and a
// recorder of the notification hub.

#include "App/NotificationHub.h"
#include "Platform/Services.h"
#include "Platform/SettingsStore.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>
#include <utility>

namespace pellimor::test {

// Sets an environment variable (or unsets it, for nothing) for the object's lifetime.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::optional<QString>& value)
        : m_name(name), m_wasSet(qEnvironmentVariableIsSet(name)), m_previous(qgetenv(name)) {
        if (value)
            qputenv(name, value->toUtf8());
        else
            qunsetenv(name);
    }
    ~ScopedEnvironment() {
        if (m_wasSet)
            qputenv(m_name, m_previous);
        else
            qunsetenv(m_name);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    bool m_wasSet;
    QByteArray m_previous;
};

// A fresh in-memory settings store in place of the user's, for the object's lifetime.
class ScopedSettings {
public:
    ScopedSettings() : store(std::make_shared<platform::SettingsStore>(QString())), m_scope(with(store)) {}

    const std::shared_ptr<platform::SettingsStore> store;

private:
    static platform::Services with(std::shared_ptr<platform::SettingsStore> settings) {
        platform::Services services;
        services.settings = std::move(settings);
        return services;
    }
    platform::ScopedServices m_scope;
};

// Everything posted through the hub while it lives.
class HubRecorder {
public:
    HubRecorder() {
        m_connection = QObject::connect(&NotificationHub::shared(), &NotificationHub::posted,
                                        [this](const QString& name, const std::optional<QString>& object) {
                                            posts.append({name, object});
                                        });
    }
    ~HubRecorder() { QObject::disconnect(m_connection); }
    HubRecorder(const HubRecorder&) = delete;
    HubRecorder& operator=(const HubRecorder&) = delete;

    QList<std::pair<QString, std::optional<QString>>> posts;

private:
    QMetaObject::Connection m_connection;
};

} // namespace pellimor::test
