#pragma once

#include "Support/OpenFolder.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <functional>

namespace pellimor {

// Moving one item — a file, a link, or a folder with everything in it — that never replaces
// anything: when something stands at the destination, nothing moves. Within one file system
// it is a rename, whole or not at all. Across file systems, where a rename is refused, the
// whole tree is copied next to nothing (folders, regular files with their permission bits and
// modification times, links as links), the copy is checked against the original — the same
// entries of the same kinds, every file of the same size, every link to the same target —
// and only then is the original removed (TreeRemoval), if it is still the item that was
// copied. A copy that fails or does not match is removed again, only what the move made, and
// the original stays as it was. Anything other than a file, a folder or a link (a pipe, a
// device), and another drive mounted inside, stops a move across file systems before the
// original is touched: the trees are read through open folders and never into another mount.
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

    // Ways for tests to take the road across file systems, to spoil a copy, and to do what
    // another program could do in the meantime.
    struct Hooks {
        // Copy even where a rename would do, as if the two places lay on different drives.
        bool acrossFileSystems = false;
        // After the original was listed and the destination found free, before the copy's
        // first item is made at `copy`.
        std::function<void(const QString& copy)> beforeCopy;
        // After the whole tree was copied to `copy`, before it is checked.
        std::function<void(const QString& copy)> afterCopy;
    };

    static Outcome move(const QString& from, const QString& to);
    static Outcome move(const QString& from, const QString& to, const Hooks& hooks);

    // What one entry of a tree is, as the check compares a copy with its original: its kind, a
    // file's size, a link's target.
    struct Entry {
        char kind = '?';   // 'd' folder, 'f' file, 'l' link
        qint64 size = 0;   // of a file
        QByteArray target; // of a link
        bool operator==(const Entry&) const = default;
    };
    // Every entry of a tree by its path below the top ("" for the top itself).
    using Tree = QMap<QByteArray, Entry>;
    struct Listing {
        Tree tree;
        ItemFacts top;     // the item itself, as it was listed
        int errorCode = 0; // the errno of the step that failed (0 when a check failed)
        QString error;     // a sentence saying why the tree could not be listed whole
        explicit operator bool() const { return error.isEmpty(); }
    };
    // The entry `name` of the open folder `folder` and everything below it, as a move lists the
    // trees it copies and checks, and as a caller judges what a move cut short left: through
    // open folders, never through a link and never into another mount. `path` names the item
    // in the sentences. Anything that cannot be read, that is neither a file, a folder nor a
    // link, or that is another mount fails the listing: a tree known in part cannot be copied
    // or compared.
    static Listing list(const OpenFolder& folder, const QByteArray& name, const QString& path);
};

} // namespace pellimor
