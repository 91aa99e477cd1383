#include "Platform/MountWatcher.h"
#include "Platform/SystemServices.h"
#include "Platform/VolumesRoot.h"

#include <QFile>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stop_token>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <thread>
#include <unistd.h>

namespace pellimor::platform {

namespace {

// While the watched root folder is missing (not created yet, or removed), it is looked for
// again this often.
constexpr int kRootRetryMs = 1000;
// Without a wake-up descriptor the thread looks at its stop request this often instead.
constexpr int kStopCheckMs = 500;

constexpr uint32_t kRootEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

QSet<QString> mountedNow() {
    const QStringList volumes = VolumesRoot::mountedVolumes();
    return QSet<QString>(volumes.cbegin(), volumes.cend());
}

QStringList sorted(const QSet<QString>& set) {
    QStringList list(set.cbegin(), set.cend());
    list.sort();
    return list;
}

class SystemMountEvents final : public MountEvents {
public:
    SystemMountEvents() {
        // Where drives are plugged in by creating folders, the mount table never changes: the
        // root folder is watched as well.
        if (!qEnvironmentVariableIsEmpty("TOVLIN_VOLUMES_ROOT"))
            m_root = QFile::encodeName(VolumesRoot::root());
        m_mountinfo = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
        m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (!m_root.isEmpty())
            m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        // Watching starts before the first look, so no change falls between the two.
        const int rootWatch = addRootWatch();
        m_known = mountedNow();
        m_thread = std::jthread([this, rootWatch](std::stop_token stop) { run(stop, rootWatch); });
    }

    ~SystemMountEvents() override {
        m_thread.request_stop();
        if (m_wake >= 0) {
            const uint64_t one = 1;
            [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
        }
        m_thread.join();
        for (int fd : {m_mountinfo, m_wake, m_inotify}) {
            if (fd >= 0)
                ::close(fd);
        }
    }

private:
    void run(std::stop_token stop, int rootWatch) {
        while (!stop.stop_requested()) {
            std::array<pollfd, 3> fds{pollfd{m_mountinfo, POLLPRI, 0}, pollfd{m_wake, POLLIN, 0},
                                      pollfd{m_inotify, POLLIN, 0}};
            int timeout = -1;
            if (m_wake < 0)
                timeout = kStopCheckMs;
            if (m_inotify >= 0 && rootWatch < 0)
                timeout = timeout < 0 ? kRootRetryMs : std::min(timeout, kRootRetryMs);
            const int ready = ::poll(fds.data(), fds.size(), timeout);
            if (ready < 0 && errno != EINTR)
                return; // nothing left to wait on; the watch goes quiet rather than spinning
            if (stop.stop_requested())
                return;

            bool look = (fds[0].revents & (POLLPRI | POLLERR)) != 0;
            if (fds[2].revents & POLLIN) {
                look = true;
                if (drainInotify())
                    rootWatch = -1; // the root itself went away; look for it again
            }
            if (m_inotify >= 0 && rootWatch < 0) {
                rootWatch = addRootWatch();
                look = look || rootWatch >= 0;
            }
            if (look)
                compare();
        }
    }

    int addRootWatch() const {
        if (m_inotify < 0)
            return -1;
        return ::inotify_add_watch(m_inotify, m_root.constData(), kRootEvents);
    }

    // Reads every pending inotify event; true when the watch on the root was lost.
    bool drainInotify() const {
        bool lost = false;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t size = ::read(m_inotify, buffer, sizeof buffer);
            if (size <= 0)
                return lost;
            for (ssize_t at = 0; at < size;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF))
                    lost = true;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

    void compare() {
        const QSet<QString> now = mountedNow();
        const QStringList gone = sorted(m_known - now);
        const QStringList added = sorted(now - m_known);
        m_known = now;
        for (const QString& path : gone)
            QMetaObject::invokeMethod(
                this, [this, path] { Q_EMIT unmounted(path); }, Qt::QueuedConnection);
        for (const QString& path : added)
            QMetaObject::invokeMethod(
                this, [this, path] { Q_EMIT mounted(path); }, Qt::QueuedConnection);
    }

    QSet<QString> m_known; // touched by the watching thread only, once it runs
    QByteArray m_root;
    int m_mountinfo = -1;
    int m_wake = -1;
    int m_inotify = -1;
    std::jthread m_thread; // last, so it stops before anything it uses goes
};

class SystemMountWatcher final : public MountWatcher {
public:
    std::unique_ptr<MountEvents> watch() override { return std::make_unique<SystemMountEvents>(); }
};

} // namespace

std::shared_ptr<MountWatcher> makeSystemMountWatcher() {
    return std::make_shared<SystemMountWatcher>();
}

} // namespace pellimor::platform
