#include "Platform/Clock.h"
#include "Platform/SystemServices.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace pellimor::platform {

void Clock::Call::cancel() {
    if (!pending())
        return;
    m_state->finished = true;
    if (std::function<void()> stop = std::exchange(m_state->stop, {}))
        stop();
}

namespace {

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTimeUtc(); }

    std::chrono::nanoseconds monotonic() const override {
        return std::chrono::steady_clock::now() - m_origin;
    }

    Call after(std::chrono::milliseconds delay, QObject* context, std::function<void()> callback) override {
        Q_ASSERT(context);
        Q_ASSERT(!QCoreApplication::instance() ||
                 QThread::currentThread() == QCoreApplication::instance()->thread());
        auto state = std::make_shared<Call::State>();
        // A child of the context, so the timer and its callback go with it.
        auto* timer = new QTimer(context);
        timer->setSingleShot(true);
        // A coarse timer may fire a little early; a wait never ends before its time.
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, state, callback = std::move(callback)] {
            timer->deleteLater();
            if (state->finished)
                return;
            state->finished = true;
            state->stop = {};
            callback();
        });
        state->stop = [guard = QPointer<QTimer>(timer)] {
            if (guard) {
                guard->stop();
                guard->deleteLater();
            }
        };
        timer->start(std::max(delay, std::chrono::milliseconds(0)));
        return Call(std::move(state));
    }

private:
    const std::chrono::steady_clock::time_point m_origin = std::chrono::steady_clock::now();
};

} // namespace

std::shared_ptr<Clock> makeSystemClock() {
    return std::make_shared<SystemClock>();
}

} // namespace pellimor::platform
