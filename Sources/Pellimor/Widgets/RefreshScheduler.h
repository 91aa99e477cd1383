#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <chrono>
#include <functional>
#include <initializer_list>
#include <optional>

namespace pellimor {

// The one way a window's views redraw after the catalogue changed. A view (or the window, for a
// part it draws itself) adds a part with the function that redraws it, and requests that part
// whenever something the part shows has changed. The scheduler coalesces the requests:
//
//  - however many requests come in during one turn of the event loop, every requested part
//    runs once, on a later turn, in the order the parts were added; a part nobody requested
//    does not run. A part requested while a pass runs runs in that pass when its turn is still
//    to come, else in the next pass.
//  - while the catalogue scans (setScanning), passes are at least kScanningPeriod apart, and
//    after a slow pass at least kSlowPassFactor times its length, so a scan that applies
//    hundreds of changes a second leaves the main thread to the scan for most of the time.
//  - when the scan ends, whatever still waits runs on the next turn, without waiting out the
//    period: the last state of a scan is always drawn.
//
// runNow() runs the requested parts at once: the window's own controls answer without delay.
// Time and "later" come from Timing, so tests decide when time passes.
//
// Main thread only.
class RefreshScheduler final : public QObject {
    Q_OBJECT
public:
    struct Timing {
        // A reading that never goes back, for measuring spans.
        std::function<std::chrono::nanoseconds()> monotonic;
        // Runs `callback` once on the main thread when `delay` has passed, on a later turn of
        // the event loop even when `delay` is zero, and never after `context` is destroyed.
        std::function<void(std::chrono::milliseconds delay, QObject* context, std::function<void()> callback)>
            after;

        // The program's clock (platform::services().clock).
        static Timing system();
    };

    // A part, as addPart() numbered it.
    using Part = int;

    // At most ten passes a second while scanning.
    static constexpr std::chrono::milliseconds kScanningPeriod{100};
    // While scanning, the wait after a pass is at least this many times as long as the pass:
    // the drawing the pass sets off comes on top of it, and a scan's own work on the main
    // thread should keep four fifths of it or more.
    static constexpr int kSlowPassFactor = 6;

    explicit RefreshScheduler(QObject* parent = nullptr, Timing timing = Timing::system());

    // Adds a part that redraws with `refresh` for as long as `owner` exists.
    Part addPart(QObject* owner, std::function<void()> refresh);

    void request(Part part);
    void request(std::initializer_list<Part> parts);
    // Runs every requested part now, within no period; inside a pass it leaves them to it.
    void runNow();

    // The catalogue started or ended a scan.
    void setScanning(bool scanning);
    bool isScanning() const { return m_scanning; }

    bool isRequested(Part part) const;
    // How often the part has run, and how many passes ran (for tests and measurements).
    qint64 runs(Part part) const;
    qint64 passes() const { return m_passes; }

private:
    struct Entry {
        QPointer<QObject> owner;
        std::function<void()> refresh;
        bool requested = false;
        qint64 runs = 0;
    };

    void schedule();
    void pass();
    bool anyRequested() const;

    Timing m_timing;
    QList<Entry> m_parts;
    bool m_scanning = false;
    bool m_running = false;
    // A pass is scheduled; a scheduled pass runs only while its generation is the latest.
    bool m_scheduled = false;
    std::chrono::milliseconds m_scheduledDelay{0};
    qint64 m_generation = 0;
    // When the last pass began and ended.
    std::optional<std::chrono::nanoseconds> m_lastStart;
    std::chrono::nanoseconds m_lastEnd{0};
    qint64 m_passes = 0;
};

} // namespace pellimor
