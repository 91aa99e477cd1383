#include "Widgets/RefreshScheduler.h"

#include "Platform/Clock.h"
#include "Platform/Services.h"

#include <QTimer>
#include <algorithm>

namespace pellimor {

RefreshScheduler::Timing RefreshScheduler::Timing::system() {
    // The program's clock, asked at each use, so a test's virtual clock installed later still
    // holds; without one (a bare test process) the steady clock and QTimer.
    Timing timing;
    timing.monotonic = [] {
        if (const std::shared_ptr<platform::Clock> clock = platform::services().clock)
            return clock->monotonic();
        return std::chrono::nanoseconds(std::chrono::steady_clock::now().time_since_epoch());
    };
    timing.after = [](std::chrono::milliseconds delay, QObject* context, std::function<void()> callback) {
        delay = std::max(delay, std::chrono::milliseconds(0));
        if (const std::shared_ptr<platform::Clock> clock = platform::services().clock)
            clock->after(delay, context, std::move(callback));
        else
            QTimer::singleShot(delay, context, std::move(callback));
    };
    return timing;
}

RefreshScheduler::RefreshScheduler(QObject* parent, Timing timing)
    : QObject(parent), m_timing(std::move(timing)) {}

RefreshScheduler::Part RefreshScheduler::addPart(QObject* owner, std::function<void()> refresh) {
    m_parts.append(Entry{QPointer<QObject>(owner), std::move(refresh)});
    return Part(m_parts.size() - 1);
}

void RefreshScheduler::request(Part part) {
    if (part < 0 || part >= m_parts.size() || !m_parts[part].owner)
        return;
    m_parts[part].requested = true;
    // A pass in progress schedules what is left when it ends.
    if (!m_running)
        schedule();
}

void RefreshScheduler::request(std::initializer_list<Part> parts) {
    for (const Part part : parts)
        request(part);
}

void RefreshScheduler::runNow() {
    if (m_running)
        return;
    if (m_scheduled) {
        m_scheduled = false;
        ++m_generation;
    }
    pass();
}

void RefreshScheduler::setScanning(bool scanning) {
    if (scanning == m_scanning)
        return;
    m_scanning = scanning;
    // A pass that waits out the period while the scan ends runs on the next turn instead.
    if (!scanning && m_scheduled && m_scheduledDelay > std::chrono::milliseconds(0)) {
        m_scheduled = false;
        schedule();
    }
}

bool RefreshScheduler::isRequested(Part part) const {
    return part >= 0 && part < m_parts.size() && m_parts[part].requested;
}

qint64 RefreshScheduler::runs(Part part) const {
    return part >= 0 && part < m_parts.size() ? m_parts[part].runs : 0;
}

bool RefreshScheduler::anyRequested() const {
    return std::any_of(m_parts.begin(), m_parts.end(), [](const Entry& entry) { return entry.requested; });
}

void RefreshScheduler::schedule() {
    if (m_scheduled)
        return;
    using std::chrono::milliseconds;
    milliseconds delay(0);
    if (m_scanning && m_lastStart) {
        const std::chrono::nanoseconds cost = m_lastEnd - *m_lastStart;
        const std::chrono::nanoseconds earliest = std::max<std::chrono::nanoseconds>(
            *m_lastStart + kScanningPeriod, m_lastEnd + kSlowPassFactor * cost);
        const std::chrono::nanoseconds now = m_timing.monotonic();
        if (earliest > now)
            delay = std::chrono::ceil<milliseconds>(earliest - now);
    }
    m_scheduled = true;
    m_scheduledDelay = delay;
    const qint64 generation = ++m_generation;
    m_timing.after(delay, this, [this, generation] {
        if (generation != m_generation)
            return;
        m_scheduled = false;
        pass();
    });
}

void RefreshScheduler::pass() {
    if (!anyRequested())
        return;
    m_running = true;
    const std::chrono::nanoseconds start = m_timing.monotonic();
    // By index: a part may add parts or request others while it runs.
    for (qsizetype i = 0; i < m_parts.size(); ++i) {
        if (!m_parts[i].requested)
            continue;
        m_parts[i].requested = false;
        if (!m_parts[i].owner)
            continue;
        ++m_parts[i].runs;
        const std::function<void()> refresh = m_parts[i].refresh;
        refresh();
    }
    m_running = false;
    m_lastStart = start;
    m_lastEnd = m_timing.monotonic();
    ++m_passes;
    if (anyRequested())
        schedule();
}

} // namespace pellimor
