#pragma once

#include "Widgets/RefreshScheduler.h"

#include <QObject>
#include <QPointer>
#include <chrono>
#include <functional>
#include <utility>
#include <vector>

namespace pellimor::test {

// A RefreshScheduler's time and "later" under the test's control: time moves only by advance(),
// and a call made for later runs only when the test runs a turn() at or after its due time. So
// a test counts redraws exactly, and never waits.
class ManualRefreshTiming {
public:
    RefreshScheduler::Timing timing() {
        RefreshScheduler::Timing timing;
        timing.monotonic = [this] { return m_now; };
        timing.after = [this](std::chrono::milliseconds delay, QObject* context,
                              std::function<void()> callback) {
            m_calls.push_back(Call{m_now + std::max(delay, std::chrono::milliseconds(0)),
                                   QPointer<QObject>(context), std::move(callback)});
        };
        return timing;
    }

    // One turn of the event loop: the calls due by now that were made before the turn began,
    // in the order they were made.
    void turn() {
        std::vector<Call> due;
        std::vector<Call> later;
        for (Call& call : std::exchange(m_calls, {}))
            (call.due <= m_now ? due : later).push_back(std::move(call));
        m_calls = std::move(later);
        for (Call& call : due)
            if (call.context)
                call.callback();
    }

    void advance(std::chrono::milliseconds span) { m_now += span; }
    std::chrono::nanoseconds now() const { return m_now; }
    // Calls made for later that have not run yet.
    std::size_t waiting() const { return m_calls.size(); }

private:
    struct Call {
        std::chrono::nanoseconds due;
        QPointer<QObject> context;
        std::function<void()> callback;
    };

    std::chrono::nanoseconds m_now{0};
    std::vector<Call> m_calls;
};

} // namespace pellimor::test
