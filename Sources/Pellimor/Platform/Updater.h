#pragma once

namespace pellimor::platform {

// The framework that updates the program itself: it fetches the feed the program's
// information list names, checks on its own schedule once started, and shows its own dialogs
// when the user asks for a check. The program only starts it and asks it to check.
//
// This machine has none: the system implementation is not available and does nothing.
// Main thread only.
class Updater {
public:
    virtual ~Updater() = default;

    // Whether there is an update framework at all; when not, the program never calls the
    // other two.
    virtual bool isAvailable() const = 0;

    // Starts the scheduled checks. Called once per process, before any checkNow().
    virtual void start() = 0;

    // A check the user asked for: runs at once and shows its outcome in the framework's own
    // dialogs.
    virtual void checkNow() = 0;
};

} // namespace pellimor::platform
