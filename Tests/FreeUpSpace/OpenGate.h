#pragma once

// Holds each open of one folder (that folder itself, by its inode) in the kernel until the
// test's action for it has run, through fanotify's permission events. Whatever code opens the
// folder, what the action changes is in place before that open returns, so a test can change
// the disk at an exact point inside a call it cannot otherwise reach, and count the opens
// exactly. Needs root and a kernel with fanotify permission events; where it cannot watch, the
// test skips with the reason. The action runs on the gate's own thread and must not open the
// folder itself.
//
//   test::OpenGate gate(renderFolder, [&](int opens) { if (opens == 1) swap(); });
//   if (!gate) GTEST_SKIP() << gate.reason();

#include <QByteArray>
#include <QFile>
#include <QString>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/fanotify.h>
#include <thread>
#include <unistd.h>

namespace pellimor::test {

class OpenGate {
public:
    using Action = std::function<void(int opens)>;

    explicit OpenGate(const QString& folder, Action action = {}) : m_action(std::move(action)) {
        m_fanotify = ::fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY | O_CLOEXEC);
        if (m_fanotify < 0) {
            m_reason = failed("cannot watch opens");
            return;
        }
        if (::fanotify_mark(m_fanotify, FAN_MARK_ADD, FAN_OPEN_PERM | FAN_ONDIR, AT_FDCWD,
                            QFile::encodeName(folder).constData()) != 0) {
            m_reason = failed("cannot watch opens of " + folder.toUtf8());
            ::close(std::exchange(m_fanotify, -1));
            return;
        }
        m_wake = ::eventfd(0, EFD_CLOEXEC);
        m_listener = std::thread([this] { listen(); });
    }

    ~OpenGate() {
        if (m_fanotify < 0)
            return;
        const std::uint64_t one = 1;
        (void)::write(m_wake, &one, sizeof one);
        m_listener.join();
        // Closing the group lets any open still waiting go on.
        ::close(m_fanotify);
        ::close(m_wake);
    }

    OpenGate(const OpenGate&) = delete;
    OpenGate& operator=(const OpenGate&) = delete;

    explicit operator bool() const { return m_fanotify >= 0; }
    const QString& reason() const { return m_reason; }
    // The opens of the folder so far; exact once the opening call has returned.
    int opens() const { return m_opens.load(); }

private:
    static QString failed(const QByteArray& what) {
        return QString::fromUtf8(what) + QStringLiteral(" (") + QString::fromLocal8Bit(std::strerror(errno)) +
               QStringLiteral("): fanotify permission events need root and a kernel that has them");
    }

    void listen() {
        alignas(fanotify_event_metadata) char buffer[4096];
        for (;;) {
            pollfd waits[2] = {{m_fanotify, POLLIN, 0}, {m_wake, POLLIN, 0}};
            if (::poll(waits, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (waits[1].revents)
                return;
            const ssize_t length = ::read(m_fanotify, buffer, sizeof buffer);
            if (length <= 0)
                continue;
            auto* event = reinterpret_cast<fanotify_event_metadata*>(buffer);
            for (ssize_t left = length; FAN_EVENT_OK(event, left); event = FAN_EVENT_NEXT(event, left)) {
                if (event->mask & FAN_OPEN_PERM) {
                    const int opens = ++m_opens;
                    if (m_action)
                        m_action(opens);
                }
                const fanotify_response allow{event->fd, FAN_ALLOW};
                (void)::write(m_fanotify, &allow, sizeof allow);
                if (event->fd >= 0)
                    ::close(event->fd);
            }
        }
    }

    Action m_action;
    int m_fanotify = -1;
    int m_wake = -1;
    std::atomic<int> m_opens{0};
    QString m_reason;
    std::thread m_listener;
};

} // namespace pellimor::test
