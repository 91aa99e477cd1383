#pragma once

#include <QDateTime>
#include <chrono>
#include <functional>
#include <memory>

class QObject;

namespace pellimor::platform {

// The program's one clock: every reading of the time and every wait goes through the clock in
// force (services().clock), so a test that installs a virtual clock decides when time passes
// and nothing it checks depends on how fast the machine is.
//
// Readings (now(), monotonic()) are safe from any thread. Waits (after()) are main thread only:
// every wait a user notices or a test must control — the delay before a hover card, a reveal
// that waits for the file manager, the waits for the editing application to start or quit —
// is an after() call, never a QTimer or a sleep of its own.
//
// The system clock answers with the system time and waits with QTimer.
class Clock {
public:
    // A call scheduled with after(). Copies refer to the same call; dropping every copy does
    // not cancel it. Main thread only.
    class Call {
    public:
        // What a clock and the handles of one call share.
        struct State {
            bool finished = false;      // ran or cancelled: it never runs (again)
            std::function<void()> stop; // lets the clock free what it holds for the call
        };

        // No call: pending() is false and cancel() does nothing.
        Call() = default;
        explicit Call(std::shared_ptr<State> state) : m_state(std::move(state)) {}

        // Not run yet and not cancelled.
        bool pending() const { return m_state && !m_state->finished; }
        // The callback will not run. Nothing happens when it ran or was cancelled already.
        void cancel();

    private:
        std::shared_ptr<State> m_state;
    };

    virtual ~Clock() = default;

    // The wall-clock time, in UTC. Safe from any thread.
    virtual QDateTime now() const = 0;

    // A reading that never goes back, for measuring spans: the time since an origin fixed for
    // the clock's life, unrelated to now() (which the user or the network may set back).
    // Safe from any thread.
    virtual std::chrono::nanoseconds monotonic() const = 0;

    // Runs `callback` once on the main thread when `delay` has passed on this clock (not
    // before; a negative delay counts as none), unless the call is cancelled first or `context`
    // is destroyed first — a callback never runs after its context is gone. `context` lives on
    // the main thread and must not be null. Main thread only.
    virtual Call after(std::chrono::milliseconds delay, QObject* context, std::function<void()> callback) = 0;
};

} // namespace pellimor::platform
