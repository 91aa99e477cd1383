#pragma once

#include "Platform/Trash.h"

namespace pellimor::platform {

// Deleting an item for good, the way `rm -r --one-file-system` does, on open folders only: the
// item is removed relative to its open parent once it is still the item checked, and a folder
// is walked depth-first by opening each step down without following a link (files and links
// unlinked, emptied folders removed), never through a path looked up again. Nothing on another
// mount is entered or removed, a bind mount of the same drive included: such a mount point, and
// every folder above it, stay, everything else goes, and the call fails saying so.
//
// Only the folder being emptied is held open: the walk climbs back through ".." and checks that
// it came back to the folder it left (device and inode), so a tree of any depth takes two
// descriptors and memory for the names of the folders still to walk on the way down; a folder
// moved away meanwhile stops the walk and leaves the rest.
//
// Synchronous, blocks on the disk; any thread; no state.
struct TreeRemoval {
    static Result<void> remove(const TrashItem& item);
};

} // namespace pellimor::platform
