#pragma once

#include "Support/OpenFolder.h"

#include <QByteArray>
#include <QString>

namespace pellimor {

// Deleting an item for good, the way `rm -r --one-file-system` does, on open folders only: the
// item is removed relative to its open parent once it is still the item checked, and a folder
// is walked depth-first by opening each step down without following a link (files and links
// unlinked, emptied folders removed), never through a path looked up again. Nothing on another
// mount is entered or removed, a bind mount of the same drive included: such a mount point, and
// every folder above it, stay, everything else goes, and the outcome says so.
//
// Only the folder being emptied is held open: the walk climbs back through ".." and checks that
// it came back to the folder it left (device and inode), so a tree of any depth takes two
// descriptors and memory for the names of the folders still to walk on the way down; a folder
// moved away meanwhile stops the walk and leaves the rest.
//
// The system Trash's "delete for good" and the moves of DeRoom and TreeMove remove through it;
// each words the outcome its own way. Synchronous, blocks on the disk; any thread; no state.
struct TreeRemoval {
    // What became of the item: all of it is gone only when removed().
    struct Outcome {
        // The errno of the first entry the file system would not remove, or of the item's own
        // look-up (ENOENT only when nothing stands at its name: below it, an entry gone already
        // is what was wanted).
        int errorCode = 0;
        // Another item, or another kind, stands at the name now: nothing was touched.
        bool changed = false;
        // The item is itself the top of another mount: nothing was touched.
        bool mountPoint = false;
        // Another mount was met inside: it stays, with every folder holding it; the rest went.
        bool mountInside = false;
        // A folder was moved out of the tree while it was walked: the rest stays where it is now.
        bool movedAway = false;

        bool removed() const { return !errorCode && !changed && !mountPoint && !mountInside && !movedAway; }
        // Why not all of it went, in a few words to follow a colon: what was met, else the file
        // system's own text for errorCode; empty when removed().
        QString reason() const;
    };

    // Removes the entry `name` (one component) of `folder` while it is still the item `facts`
    // (device, inode and kind) that its caller checked.
    static Outcome remove(const OpenFolder& folder, const QByteArray& name, const ItemFacts& facts);

    // Removes whatever stands at `name` in `folder` now; nothing there is nothing to do. For a
    // tool removing what a move of its own was cut short in, where no earlier look holds the item.
    static Outcome removeAt(const OpenFolder& folder, const QByteArray& name);
};

} // namespace pellimor
