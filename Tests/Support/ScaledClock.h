#pragma once

#include "Platform/Clock.h"
#include "Platform/Services.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>

namespace pellimor::test {

// A clock on real timers that runs `factor` times faster than the wall: a wait of 15 s on it
// takes 15 s / factor of real time, and now() and monotonic() move `factor` times as fast. For
// tests that drive a real process, whose answers come in real time, through waits far longer
// than a test may take. Readings are safe from any thread; after() is main thread only.
//
//   test::ScopedScaledClock clock(100); // 25 s of clock time pass in a quarter of a second
class ScaledClock final : public platform::Clock {
public:
    explicit ScaledClock(int factor, QDateTime start = QDateTime::currentDateTimeUtc())
        : m_factor(std::max(factor, 1)), m_start(std::move(start)) {}

    int factor() const { return m_factor; }

    QDateTime now() const override {
        return m_start.addMSecs(std::chrono::duration_cast<std::chrono::milliseconds>(monotonic()).count());
    }

    std::chrono::nanoseconds monotonic() const override {
        return (std::chrono::steady_clock::now() - m_origin) * m_factor;
    }

    Call after(std::chrono::milliseconds delay, QObject* context, std::function<void()> callback) override {
        Q_ASSERT(context);
        Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
        auto state = std::make_shared<Call::State>();
        // The real wait is rounded up and the callback runs only once the scaled reading has
        // reached the due time, so a wait never ends early on this clock either.
        const std::chrono::nanoseconds due = monotonic() + std::max(delay, std::chrono::milliseconds(0));
        auto* timer = new QTimer(context);
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        auto fire = std::make_shared<std::function<void()>>();
        // Holds copies, not the clock: a timer may outlive the clock whose scope ended. Only
        // the timer's connection owns the function, so it goes with the timer, also when the
        // context is destroyed before the call is due.
        *fire = [factor = m_factor, origin = m_origin, timer, state, due, self = std::weak_ptr(fire),
                 callback = std::move(callback)] {
            if (state->finished)
                return;
            const std::chrono::nanoseconds left = due - (std::chrono::steady_clock::now() - origin) * factor;
            if (left > std::chrono::nanoseconds::zero()) {
                timer->start(realDelay(left, factor));
                return;
            }
            timer->deleteLater();
            state->finished = true;
            state->stop = {};
            const std::function<void()> run = callback;
            if (const auto held = self.lock())
                *held = {};
            run();
        };
        QObject::connect(timer, &QTimer::timeout, timer, [fire] {
            if (*fire)
                (*fire)();
        });
        state->stop = [guard = QPointer<QTimer>(timer), weak = std::weak_ptr(fire)] {
            if (const auto held = weak.lock())
                *held = {};
            if (guard) {
                guard->stop();
                guard->deleteLater();
            }
        };
        timer->start(realDelay(due - monotonic(), m_factor));
        return Call(std::move(state));
    }

private:
    static std::chrono::milliseconds realDelay(std::chrono::nanoseconds scaled, int factor) {
        const auto real = std::max(scaled, std::chrono::nanoseconds::zero()) / factor;
        return std::chrono::ceil<std::chrono::milliseconds>(real);
    }

    const int m_factor;
    const QDateTime m_start;
    const std::chrono::steady_clock::time_point m_origin = std::chrono::steady_clock::now();
};

// Puts a ScaledClock in place of the program's clock for the scope's length.
class ScopedScaledClock {
public:
    explicit ScopedScaledClock(int factor)
        : m_clock(std::make_shared<ScaledClock>(factor)), m_scope(servicesWith(m_clock)) {}

    ScaledClock* operator->() const { return m_clock.get(); }
    const std::shared_ptr<ScaledClock>& clock() const { return m_clock; }

private:
    static platform::Services servicesWith(std::shared_ptr<platform::Clock> clock) {
        platform::Services services;
        services.clock = std::move(clock);
        return services;
    }
    std::shared_ptr<ScaledClock> m_clock;
    platform::ScopedServices m_scope;
};

} // namespace pellimor::test
