#pragma once

#include "Platform/FinalCutApp.h"
#include "Platform/Services.h"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace pellimor::test {

// A Final Cut Pro that a test installs, updates or removes at will. It answers from what it
// was told and never looks at the disk, so point `appPath` at a fixture folder (see
// FixtureFiles::writeFinalCutApp) when the code under test reads the application's files.
// Safe from any thread; counts its calls so tests can tell how often the platform was asked.
//
// Nothing runs unless the test says so: setRunning() lists instances that quit only when the
// test changes the list (requests are counted), open() records the library and answers
// success, and every instance answers. A test that needs a Final Cut Pro that behaves (quits,
// shows windows) gives it a process side (setProcesses; see FakeFinalCut).
class FakeFinalCutApp final : public platform::FinalCutApp {
public:
    // What runs, when a test wants more than a fixed list.
    class Processes {
    public:
        virtual ~Processes() = default;
        virtual QList<qint64> running() const = 0;
        virtual bool terminate(qint64 pid) = 0;
        virtual bool forceTerminate(qint64 pid) = 0;
        virtual void open(const QString& library, QObject* context, OpenCompletion completion) = 0;
        virtual void answers(qint64 pid, std::chrono::seconds limit, QObject* context,
                             std::function<void(bool)> done) = 0;
    };

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
        if (const std::shared_ptr<Processes> processes = this->processes())
            return processes->running();
        std::lock_guard lock(m_mutex);
        return m_running;
    }

    // Hands the process side to `processes` (nothing: back to the fixed list).
    void setProcesses(std::shared_ptr<Processes> processes) {
        std::lock_guard lock(m_mutex);
        m_processes = std::move(processes);
    }

    bool terminate(qint64 pid) const override {
        if (const std::shared_ptr<Processes> processes = this->processes())
            return processes->terminate(pid);
        std::lock_guard lock(m_mutex);
        m_terminated.append(pid);
        return m_running.contains(pid);
    }

    bool forceTerminate(qint64 pid) const override {
        if (const std::shared_ptr<Processes> processes = this->processes())
            return processes->forceTerminate(pid);
        std::lock_guard lock(m_mutex);
        m_forceTerminated.append(pid);
        return m_running.contains(pid);
    }

    void open(const QString& library, QObject* context, OpenCompletion completion) override {
        if (const std::shared_ptr<Processes> processes = this->processes())
            return processes->open(library, context, std::move(completion));
        {
            std::lock_guard lock(m_mutex);
            m_opened.append(library);
        }
        const QPointer<QObject> guard(context);
        QMetaObject::invokeMethod(
            context,
            [guard, completion = std::move(completion)] {
                if (guard)
                    completion(std::nullopt);
            },
            Qt::QueuedConnection);
    }

    void answers(qint64 pid, std::chrono::seconds limit, QObject* context,
                 std::function<void(bool)> done) override {
        if (const std::shared_ptr<Processes> processes = this->processes())
            return processes->answers(pid, limit, context, std::move(done));
        const QPointer<QObject> guard(context);
        QMetaObject::invokeMethod(
            context,
            [guard, done = std::move(done)] {
                if (guard)
                    done(true);
            },
            Qt::QueuedConnection);
    }

    int locationCalls() const { return m_locationCalls; }
    int infoCalls() const { return m_infoCalls; }
    // What was asked of the fixed list: the process ids signalled, and the libraries opened.
    QList<qint64> terminated() const {
        std::lock_guard lock(m_mutex);
        return m_terminated;
    }
    QList<qint64> forceTerminated() const {
        std::lock_guard lock(m_mutex);
        return m_forceTerminated;
    }
    QStringList opened() const {
        std::lock_guard lock(m_mutex);
        return m_opened;
    }

private:
    std::shared_ptr<Processes> processes() const {
        std::lock_guard lock(m_mutex);
        return m_processes;
    }

    mutable std::mutex m_mutex;
    std::optional<QString> m_location;
    std::optional<QVariantMap> m_info;
    QList<qint64> m_running;
    std::shared_ptr<Processes> m_processes;
    mutable QList<qint64> m_terminated;
    mutable QList<qint64> m_forceTerminated;
    QStringList m_opened;
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
