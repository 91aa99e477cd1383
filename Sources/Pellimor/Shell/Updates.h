#pragma once

#include <memory>

namespace pellimor {

namespace platform {
class Updater;
}

// Whether this copy of the program updates itself, decided once and kept for the process, and
// the updater that does it. There is none when:
//   - the environment holds TOVLIN_DATA_DIR (with any value, also empty): a copy started with
//     a data folder of its own is a test or a sample run and never replaces the program;
//   - the program's information list names no update feed ("SUFeedURL");
//   - the platform offers no updater.
// Otherwise the updater is started when the decision is taken, and checkNow() asks it for a
// check the user wants. Changing the environment or the bundle later changes nothing.
//
// Main thread only.
class Updates {
public:
    // Decides now, from platform::services() and the environment, and starts the updater
    // when there is one. Tests make their own; the program uses shared().
    Updates();
    ~Updates();
    Updates(const Updates&) = delete;
    Updates& operator=(const Updates&) = delete;

    // The process-wide decision, taken at the first call (the first time the menus are built).
    static Updates& shared();

    // Whether there is an updater: "Check for Updates…" is offered only then.
    bool available() const { return m_updater != nullptr; }

    // A check the user asked for, shown in the updater's own dialogs; nothing without one.
    void checkNow();

private:
    std::shared_ptr<platform::Updater> m_updater; // null: this copy does not update itself
};

} // namespace pellimor
