#include "Shell/MainThreadWatchdog.h"

#include "Catalogue/Logs/ActivityLog.h"
#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Logs/UITrace.h"
#include "Platform/Clock.h"
#include "Platform/Services.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

namespace pellimor {

namespace {

// A reading of the clock's monotonic time.
using Reading = std::chrono::nanoseconds;

double seconds(Reading span) {
    return std::chrono::duration<double>(span).count();
}

const QString kTag = QStringLiteral("main-thread");

} // namespace

// The state shared between the watchdog's thread, the main thread's answers and the owner.
// The thread refers to it by plain pointer: whoever destroys it joins the thread first.
class MainThreadWatchdog::Core : public std::enable_shared_from_this<Core> {
public:
    Core(Timing timing, std::shared_ptr<platform::Clock> clock)
        : m_timing(timing), m_clock(std::move(clock)) {}
    ~Core() { stopChecks(); }

    void start(Checks checks);
    // Stops the checks and removes the main-thread end, where this thread may.
    void shutdown();
    qint64 ticks() const { return m_ticks.load(); }
    // One check: from the thread at every period, or from check().
    void tick();

private:
    // Lives on the main thread as a child of the application object. The answers are queued
    // to it, so they run on the main thread and are dropped with it; its end (the application
    // object going away) ends the checks, before the process tears down what they write with.
    class Receiver final : public QObject {
    public:
        Receiver(std::weak_ptr<Core> core, QObject* parent) : QObject(parent), m_core(std::move(core)) {}
        ~Receiver() override {
            if (const std::shared_ptr<Core> core = m_core.lock())
                core->detach(this);
        }

    private:
        std::weak_ptr<Core> m_core;
    };

    void attach(Receiver* receiver);
    void detach(Receiver* receiver);
    void stopChecks();
    void run(const std::stop_token& stop);
    void ack();

    const Timing m_timing;
    const std::shared_ptr<platform::Clock> m_clock;
    std::atomic<qint64> m_ticks{0};

    // Guards the time-keeping and the main-thread end. A check posts its question while
    // holding it, so the receiver cannot be destroyed half-way through a post.
    std::mutex m_lock;
    Reading m_lastAck = m_clock->monotonic();
    bool m_stalled = false;
    std::optional<Reading> m_stallBegan;
    Receiver* m_receiver = nullptr;

    // Guards the running state and the thread itself, so two start() calls make one.
    std::mutex m_runLock;
    bool m_running = false;
    std::jthread m_thread;
    std::mutex m_waitLock;
    std::condition_variable_any m_wake;
};

void MainThreadWatchdog::Core::start(Checks checks) {
    std::lock_guard guard(m_runLock);
    if (m_running)
        return;
    QCoreApplication* const application = QCoreApplication::instance();
    if (!application)
        return;
    m_running = true;
    {
        std::lock_guard lock(m_lock);
        m_lastAck = m_clock->monotonic();
        m_stalled = false;
        m_stallBegan.reset();
    }
    const std::weak_ptr<Core> weak = weak_from_this();
    const auto makeReceiver = [weak] {
        const std::shared_ptr<Core> core = weak.lock();
        QCoreApplication* const app = QCoreApplication::instance();
        if (core && app)
            core->attach(new Receiver(weak, app));
    };
    // The receiver must be made on the main thread, as a child of the application object.
    // Until it exists the checks have nobody to ask and ask nothing.
    if (QThread::currentThread() == application->thread())
        makeReceiver();
    else
        QMetaObject::invokeMethod(application, makeReceiver, Qt::QueuedConnection);
    if (checks == Checks::everyPeriod)
        m_thread = std::jthread([this](std::stop_token stop) { run(stop); });
}

void MainThreadWatchdog::Core::attach(Receiver* receiver) {
    Receiver* previous = nullptr;
    {
        std::lock_guard lock(m_lock);
        previous = m_receiver;
        m_receiver = receiver;
        // Time spent before anyone could answer is no stall.
        m_lastAck = m_clock->monotonic();
    }
    delete previous;
}

void MainThreadWatchdog::Core::detach(Receiver* receiver) {
    {
        std::lock_guard lock(m_lock);
        if (m_receiver != receiver)
            return;
        m_receiver = nullptr;
    }
    stopChecks();
}

void MainThreadWatchdog::Core::stopChecks() {
    std::jthread thread;
    {
        std::lock_guard guard(m_runLock);
        m_running = false;
        thread = std::move(m_thread);
    }
    if (thread.joinable()) {
        thread.request_stop();
        thread.join();
    }
}

void MainThreadWatchdog::Core::shutdown() {
    stopChecks();
    Receiver* receiver = nullptr;
    {
        std::lock_guard lock(m_lock);
        receiver = m_receiver;
        m_receiver = nullptr;
    }
    // Another thread may not delete it; it then goes with the application object, finding
    // nothing to stop.
    if (receiver && QThread::currentThread() == receiver->thread())
        delete receiver;
}

// The pace of the checks is the thread's own business (steady time); what a check measures
// comes from the clock.
void MainThreadWatchdog::Core::run(const std::stop_token& stop) {
    using Pace = std::chrono::steady_clock;
    Pace::time_point next = Pace::now() + m_timing.period;
    for (;;) {
        {
            std::unique_lock lock(m_waitLock);
            m_wake.wait_until(lock, stop, next, [] { return false; });
        }
        if (stop.stop_requested())
            return;
        tick();
        // A repeating timer: the next firing keeps to the period's grid; firings missed while
        // this thread could not run are not made up.
        next += m_timing.period;
        const Pace::time_point now = Pace::now();
        while (next <= now)
            next += m_timing.period;
    }
}

void MainThreadWatchdog::Core::tick() {
    ++m_ticks;
    double elapsed = 0;
    {
        std::lock_guard lock(m_lock);
        if (!m_receiver)
            return;
        const std::weak_ptr<Core> weak = weak_from_this();
        QMetaObject::invokeMethod(
            m_receiver,
            [weak] {
                if (const std::shared_ptr<Core> core = weak.lock())
                    core->ack();
            },
            Qt::QueuedConnection);
        const Reading since = m_clock->monotonic() - m_lastAck;
        if (since <= m_timing.stallAfter || m_stalled)
            return;
        m_stalled = true;
        m_stallBegan = m_lastAck;
        elapsed = seconds(since);
    }
    // Logged outside the lock: the logs and the UI trace keep locks of their own, and the
    // main thread's answer must not wait for a file write.
    ActivityLog::append(kTag, QString::asprintf("stall %.1fs ", elapsed) + UITrace::shared().snapshot());
}

void MainThreadWatchdog::Core::ack() {
    const Reading now = m_clock->monotonic();
    std::optional<Reading> began;
    {
        std::lock_guard lock(m_lock);
        began = m_stallBegan;
        m_lastAck = now;
        m_stalled = false;
        m_stallBegan.reset();
    }
    if (!began)
        return;
    // From the last answer before the stall, so the threshold's own wait is included.
    const double stalled = seconds(now - *began);
    ActivityLog::append(kTag, QString::asprintf("recovered %.1fs ", stalled) + UITrace::shared().snapshot());
    ErrorLog::log(ErrorLog::Level::warn, QStringLiteral("window"),
                  QString::asprintf("The window stopped answering for %.1fs.", stalled));
}

MainThreadWatchdog& MainThreadWatchdog::shared() {
    // Made first, so that it outlives the instance below.
    UITrace::shared();
    static MainThreadWatchdog instance;
    return instance;
}

MainThreadWatchdog::MainThreadWatchdog() : MainThreadWatchdog(Timing{}) {}

MainThreadWatchdog::MainThreadWatchdog(Timing timing)
    : m_core(std::make_shared<Core>(timing, platform::services().clock)) {}

MainThreadWatchdog::~MainThreadWatchdog() {
    m_core->shutdown();
}

void MainThreadWatchdog::start(Checks checks) {
    m_core->start(checks);
}

void MainThreadWatchdog::check() {
    m_core->tick();
}

qint64 MainThreadWatchdog::ticks() const {
    return m_core->ticks();
}

} // namespace pellimor
