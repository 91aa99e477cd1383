#pragma once

#include "Platform/FinalCutApp.h"
#include "Platform/Services.h"

#include <QList>
#include <QString>
#include <QVariantMap>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

namespace pellimor::test {

// A Final Cut Pro that a test installs, updates or removes at will. It answers from what it
// was told and never looks at the disk, so point `appPath` at a fixture folder (see
// FixtureFiles::writeFinalCutApp) when the code under test reads the application's files.
// Safe from any thread; counts its calls so tests can tell how often the platform was asked.
class FakeFinalCutApp final : public platform::FinalCutApp {
public:
    // Not installed.
    FakeFinalCutApp() = default;

    // Installed at `appPath` with this information list (nothing: the list cannot be read).
    FakeFinalCutApp(QString appPath, std::optional<QVariantMap> info)
        : m_location(std::move(appPath)), m_info(std::move(info)) {}

    static std::shared_ptr<FakeFinalCutApp> notInstalled() { return std::make_shared<FakeFinalCutApp>(); }

    // Installed at `appPath`, its list naming the bundle identifier and `version`.
    static std::shared_ptr<FakeFinalCutApp> installed(const QString& appPath, const QString& version) {
        return std::make_shared<FakeFinalCutApp>(appPath, infoWithVersion(version));
    }

    static QVariantMap infoWithVersion(const QString& version) {
        return {{QStringLiteral("CFBundleIdentifier"), QString::fromLatin1(bundleIdentifier)},
                {QStringLiteral("CFBundleShortVersionString"), version}};
    }

    // Installs (a path) or removes (nothing) the application.
    void setLocation(std::optional<QString> appPath) {
        std::lock_guard lock(m_mutex);
        m_location = std::move(appPath);
    }
    void setInfo(std::optional<QVariantMap> info) {
        std::lock_guard lock(m_mutex);
        m_info = std::move(info);
    }
    void setVersion(const QString& version) { setInfo(infoWithVersion(version)); }
    // The process ids running() gives, as they are given (nothing: none runs).
    void setRunning(QList<qint64> pids) {
        std::lock_guard lock(m_mutex);
        m_running = std::move(pids);
    }

    std::optional<QString> location() const override {
        ++m_locationCalls;
        std::lock_guard lock(m_mutex);
        return m_location;
    }

    // The list belongs to the installed application only; any other folder has none.
    std::optional<QVariantMap> infoDictionary(const QString& appPath) const override {
        ++m_infoCalls;
        std::lock_guard lock(m_mutex);
        if (!m_location || *m_location != appPath)
            return std::nullopt;
        return m_info;
    }

    QList<qint64> running() const override {
        std::lock_guard lock(m_mutex);
        return m_running;
    }

    int locationCalls() const { return m_locationCalls; }
    int infoCalls() const { return m_infoCalls; }

private:
    mutable std::mutex m_mutex;
    std::optional<QString> m_location;
    std::optional<QVariantMap> m_info;
    QList<qint64> m_running;
    mutable std::atomic<int> m_locationCalls{0};
    mutable std::atomic<int> m_infoCalls{0};
};

// Puts a Final Cut Pro (fake or not) in place of the platform's for the scope's length.
class ScopedFinalCutApp {
public:
    explicit ScopedFinalCutApp(std::shared_ptr<platform::FinalCutApp> app)
        : m_scope(servicesWith(std::move(app))) {}

private:
    static platform::Services servicesWith(std::shared_ptr<platform::FinalCutApp> app) {
        platform::Services services;
        services.finalCut = std::move(app);
        return services;
    }
    platform::ScopedServices m_scope;
};

} // namespace pellimor::test
