#pragma once

#include <QString>
#include <functional>

namespace pellimor {

// Moving one item — a file, a link, or a folder with everything in it — that never replaces
// anything: when something stands at the destination, nothing moves. Within one file system
// it is a rename, whole or not at all. Across file systems, where a rename is refused, the
// whole tree is copied next to nothing (folders, regular files with their permission bits and
// modification times, links as links), the copy is checked against the original — the same
// entries of the same kinds, every file of the same size, every link to the same target —
// and only then is the original removed. A copy that fails or does not match is removed
// again and the original stays as it was. Anything other than a file, a folder or a link
// (a pipe, a device) stops a move across file systems before the original is touched.
//
// Paths are taken as given (absolute and clean). Synchronous, blocks on the disk; any thread;
// no state.
struct TreeMove {
    struct Outcome {
        bool moved = false;
        // The errno of the step that failed (0 when a check failed): EEXIST when something
        // stands at the destination, ENOENT when nothing is at the source.
        int errorCode = 0;
        // A sentence saying what failed, naming the place.
        QString error;
        explicit operator bool() const { return moved; }
    };

    // Ways for tests to take the road across file systems and to spoil a copy.
    struct Hooks {
        // Copy even where a rename would do, as if the two places lay on different drives.
        bool acrossFileSystems = false;
        // After the whole tree was copied to `copy`, before it is checked.
        std::function<void(const QString& copy)> afterCopy;
    };

    static Outcome move(const QString& from, const QString& to);
    static Outcome move(const QString& from, const QString& to, const Hooks& hooks);
};

} // namespace pellimor
