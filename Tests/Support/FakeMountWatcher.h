#pragma once

#include "Platform/MountWatcher.h"
#include "Platform/Services.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <memory>

namespace pellimor::test {

// Mount events a test sends by hand. Every watch started through it stays connected until
// its events object is destroyed; mount() and unmount() tell every live watch at once,
// synchronously. It never looks at the disk: a test that wants the mounted set to change too
// creates or removes the drive's folder under the volumes root first. Main thread only.
//
//   auto mounts = std::make_shared<FakeMountWatcher>();
//   platform::ScopedServices scope(FakeMountWatcher::services(mounts));
//   QDir().mkpath(root + "/Media");
//   mounts->mount(root + "/Media");
class FakeMountWatcher final : public platform::MountWatcher {
public:
    std::unique_ptr<platform::MountEvents> watch() override {
        auto events = std::make_unique<platform::MountEvents>();
        m_watches.append(QPointer<platform::MountEvents>(events.get()));
        ++m_started;
        return events;
    }

    void mount(const QString& path) {
        for (platform::MountEvents* events : live())
            Q_EMIT events->mounted(path);
    }
    void unmount(const QString& path) {
        for (platform::MountEvents* events : live())
            Q_EMIT events->unmounted(path);
    }

    // Watches started so far, and those still listening.
    int started() const { return m_started; }
    int listening() const { return static_cast<int>(live().size()); }

    // Services with only this watcher set, for platform::ScopedServices.
    static platform::Services services(std::shared_ptr<FakeMountWatcher> watcher) {
        platform::Services s;
        s.mountWatcher = std::move(watcher);
        return s;
    }

private:
    QList<platform::MountEvents*> live() const {
        QList<platform::MountEvents*> result;
        for (const QPointer<platform::MountEvents>& events : m_watches) {
            if (events)
                result.append(events.data());
        }
        return result;
    }

    QList<QPointer<platform::MountEvents>> m_watches;
    int m_started = 0;
};

} // namespace pellimor::test
