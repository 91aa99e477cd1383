#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <functional>

namespace pellimor::test {

// Runs the event loop until `done` holds or the time is up; true when it holds. The limit only
// ends a hung run; it is never what a test measures.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 30000) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

// Lets queued work run for a while. Never the proof that something did not happen: wait for a
// later event that must come after it instead.
inline void spin(int ms) {
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Lets every call queued so far run, and no timer that waits: a marker queued now runs after
// them, and the test goes on once it has.
inline void runQueued() {
    bool ran = false;
    QObject marker;
    QMetaObject::invokeMethod(
        &marker, [&ran] { ran = true; }, Qt::QueuedConnection);
    while (!ran)
        QCoreApplication::processEvents();
}

} // namespace pellimor::test
