#pragma once

#include <QString>
#include <functional>

namespace pellimor::platform {

// Takes a volume off the system the way the desktop's own "eject" does: first the volume is
// unmounted, then the drive that held it is ejected (or powered off). Nothing is ever forced:
// a volume something still uses stays mounted, and the system may ask the user for
// permission.
//
// Each call answers exactly once, with the category of what happened. The answer comes later,
// on the event loop of the thread that called (the main thread), never from inside the call,
// and as late as the system takes: there is no time-out. Several volumes may be on their way
// out at once. Main thread only.
class Ejector {
public:
    enum class Answer {
        done,         // the step happened
        noConnection, // the system's disk service cannot be reached (no bus, or nobody answers for it)
        noDiskObject, // the disk service knows no volume mounted there
        busy,         // something uses the volume
        notPermitted, // the system did not allow it (authorisation refused or dismissed)
        notMounted,   // the volume is not mounted
        unsupported,  // the drive can be neither ejected nor powered off
        other,        // any other failure
    };
    using Reply = std::function<void(Answer answer)>;

    virtual ~Ejector() = default;

    // Unmounts the volume mounted at `mount` (its mount path), without force.
    virtual void unmount(const QString& mount, Reply reply) = 0;

    // Ejects the drive that held the volume mounted at `mount`, once unmount() answered
    // `done` for it: powered off where the drive allows it, else ejected where it is
    // ejectable, else the answer is `unsupported`.
    virtual void eject(const QString& mount, Reply reply) = 0;
};

} // namespace pellimor::platform
