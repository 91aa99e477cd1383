#pragma once

#include "Platform/Clock.h"
#include "Platform/Services.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QObject>
#include <QPointer>
#include <algorithm>
#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <mutex>

namespace pellimor::test {

// A clock whose time moves only when the test says so. advance(d) moves it by `d` and runs,
// in time order (calls due at the same time in the order they were made), every call that
// falls due on the way, including calls that those callbacks schedule when they fall within
// the span; each callback sees now() and monotonic() at its own due time. So a test runs a
// wait of any length at once, and a check that something did not happen yet is exact.
//
// advance() runs the due callbacks only, as if the main thread did nothing else meanwhile
// (a test of a blocked main thread relies on that). runUntil() runs the program as it would
// run: between due callbacks it delivers what was queued to the main thread's event loop (a
// worker's result, a queued signal), so an answer a callback started is in before the next
// call is due; and while nothing is due it lets real time pass for work on worker threads,
// moving the clock only when nothing else is left to do.
//
// Readings are safe from any thread (a worker may read while the test advances); after(),
// advance() and runUntil() are main thread only.
//
//   test::ScopedVirtualClock clock;
//   clock->advance(std::chrono::seconds(2));
class VirtualClock final : public platform::Clock {
public:
    using Span = std::chrono::nanoseconds;

    // 2025-03-01 09:30 UTC unless told otherwise; monotonic() starts at zero.
    explicit VirtualClock(QDateTime start = QDateTime(QDate(2025, 3, 1), QTime(9, 30), Qt::UTC))
        : m_start(std::move(start)) {}

    QDateTime now() const override {
        const Span elapsed = monotonic();
        return m_start.addMSecs(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
    }

    Span monotonic() const override {
        std::lock_guard lock(m_mutex);
        return m_elapsed;
    }

    Call after(std::chrono::milliseconds delay, QObject* context, std::function<void()> callback) override {
        auto state = std::make_shared<Call::State>();
        const Span due = monotonic() + std::max(delay, std::chrono::milliseconds(0));
        // After every call due at the same time or earlier, so equal times keep their order.
        const auto at = std::find_if(m_calls.begin(), m_calls.end(),
                                     [&](const Scheduled& scheduled) { return scheduled.due > due; });
        m_calls.insert(at, Scheduled{due, QPointer<QObject>(context), std::move(callback), state});
        return Call(std::move(state));
    }

    // Moves the time forward by `span`, running every call that falls due on the way.
    void advance(Span span) { advanceTo(monotonic() + std::max(span, Span::zero()), false); }

    // Runs the program until `done` holds, moving the clock by at most `limit`: queued events
    // first; then, while nothing is due within the limit, real time for the workers (up to
    // `realIdle` in a row without a due call appearing, which only ends a hung run); then the
    // next due call. True when `done` held; the clock then stands where it held, else at the
    // limit.
    bool runUntil(const std::function<bool()>& done, Span limit,
                  std::chrono::milliseconds realIdle = std::chrono::seconds(30)) {
        const Span target = monotonic() + std::max(limit, Span::zero());
        const auto nextDue = [&] {
            dropFinished();
            return !m_calls.empty() && m_calls.front().due <= target;
        };
        for (;;) {
            deliverQueued();
            if (done())
                return true;
            if (nextDue()) {
                advanceTo(m_calls.front().due, true);
                continue;
            }
            // Nothing is due within the limit: whatever comes now comes from another thread.
            const QDeadlineTimer idle(realIdle);
            while (!done() && !nextDue() && !idle.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
            if (done())
                return true;
            if (!nextDue()) {
                advanceTo(target, true);
                return done();
            }
        }
    }

    // Calls that are neither run, cancelled nor dropped with their context.
    int pendingCalls() {
        dropFinished();
        return int(std::count_if(m_calls.cbegin(), m_calls.cend(),
                                 [](const Scheduled& scheduled) { return bool(scheduled.context); }));
    }

private:
    struct Scheduled {
        Span due;
        QPointer<QObject> context;
        std::function<void()> callback;
        std::shared_ptr<Call::State> state;
    };

    // Runs the calls due up to `target` in time order, with the queued events before each
    // when `deliver`, and leaves the clock at `target`.
    void advanceTo(Span target, bool deliver) {
        for (;;) {
            if (deliver)
                deliverQueued();
            dropFinished();
            if (m_calls.empty() || m_calls.front().due > target)
                break;
            Scheduled next = std::move(m_calls.front());
            m_calls.pop_front();
            {
                std::lock_guard lock(m_mutex);
                m_elapsed = std::max(m_elapsed, next.due);
            }
            if (!next.context)
                continue; // its context is gone: it never runs
            next.state->finished = true;
            next.callback();
        }
        std::lock_guard lock(m_mutex);
        m_elapsed = target;
    }

    static void deliverQueued() {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    }

    void dropFinished() {
        m_calls.remove_if([](const Scheduled& scheduled) { return scheduled.state->finished; });
    }

    const QDateTime m_start;
    mutable std::mutex m_mutex; // guards m_elapsed
    Span m_elapsed{0};
    std::list<Scheduled> m_calls; // by due time; main thread only
};

// Puts a VirtualClock in place of the program's clock for the scope's length.
class ScopedVirtualClock {
public:
    explicit ScopedVirtualClock(std::shared_ptr<VirtualClock> clock = std::make_shared<VirtualClock>())
        : m_clock(std::move(clock)), m_scope(servicesWith(m_clock)) {}

    VirtualClock* operator->() const { return m_clock.get(); }
    VirtualClock& operator*() const { return *m_clock; }
    const std::shared_ptr<VirtualClock>& clock() const { return m_clock; }

private:
    static platform::Services servicesWith(std::shared_ptr<platform::Clock> clock) {
        platform::Services services;
        services.clock = std::move(clock);
        return services;
    }
    std::shared_ptr<VirtualClock> m_clock;
    platform::ScopedServices m_scope;
};

} // namespace pellimor::test
