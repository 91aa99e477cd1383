#pragma once

#include <QtGlobal>
#include <chrono>
#include <memory>

namespace pellimor {

// Notices when the main thread (which runs every window) stops answering, and records each
// stall and its end with a snapshot of what the window showed, so a slow library or a
// blocking call can be found afterwards:
//
//   activity log, tag "main-thread":  "stall 2.3s <UI trace>"  once the main thread has not
//                                     answered for longer than the threshold
//                                     "recovered 5.1s <UI trace>" when it answers again,
//                                     measured from its last answer before the stall
//   error log (unless headless):      WARN window: The window stopped answering for 5.1s.
//
// A thread of its own asks the main thread for an answer at every period. While a stall lasts
// nothing further is reported; the questions queue up behind the blocked main thread and the
// first one to run reports the recovery.
//
// Stalls are measured with the clock (platform::services().clock) in force when the watchdog
// is made; its thread only paces the checks.
//
// The program uses shared(), started once when the main window is first shown; it runs until
// the application object goes away. Other instances (tests) stop when destroyed.
class MainThreadWatchdog {
public:
    struct Timing {
        std::chrono::milliseconds period{500};
        std::chrono::milliseconds stallAfter{2000};
    };

    // The program's instance, created on first use, with the standard timing.
    static MainThreadWatchdog& shared();

    MainThreadWatchdog();
    explicit MainThreadWatchdog(Timing timing);
    // Stops the checks and waits for a check in progress to end.
    ~MainThreadWatchdog();
    MainThreadWatchdog(const MainThreadWatchdog&) = delete;
    MainThreadWatchdog& operator=(const MainThreadWatchdog&) = delete;

    enum class Checks {
        everyPeriod, // a thread of its own runs a check at every period (the program)
        onCall,      // only check() runs them, so a test decides when (with a virtual clock)
    };

    // Starts the checks (with everyPeriod, the first one a period from now). Safe from any
    // thread; returns at once. Does nothing while the checks already run, or when there is no application
    // object yet (there is no main thread to watch); the checks end when the application object is destroyed,
    // and a later start() with a new one starts them again.
    void start(Checks checks = Checks::everyPeriod);

    // Runs one check at once, as the watchdog's thread does at every period: asks the main
    // thread for an answer, and reports a stall when its last answer is older than the
    // threshold. Does nothing but count while the checks are not started. Safe from any thread.
    void check();

    // How many checks have run so far (for tests and diagnostics).
    qint64 ticks() const;

private:
    class Core;
    std::shared_ptr<Core> m_core;
};

} // namespace pellimor
