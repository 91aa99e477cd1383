#pragma once

#include "Support/Result.h"

#include <QString>

namespace pellimor::platform {

// Where removed files go: the desktop's Trash, or nowhere at all. The only way the program
// takes a file or folder off the disk for a user, so tests can watch, hold and fail each call.
// A failure's message is the system's own description of the error ("Invalid cross-device
// link"), for the caller to put beside the item's name. Safe from any thread; each call
// returns when the item is gone or has failed to go.
class Trash {
public:
    virtual ~Trash() = default;

    // Moves the item (file, folder or link itself) into the Trash of the desktop, where the
    // user can put it back. Only ever renamed: an item that cannot be renamed into a Trash
    // stays where it was, never copied and deleted. An item whose name is already in the
    // Trash gets a name of its own there and never replaces the other.
    virtual Result<void> moveToTrash(const QString& path) = 0;

    // Deletes the item for good, a folder with everything below it. A link is removed itself,
    // never what it points to, also when it lies inside a removed folder.
    virtual Result<void> remove(const QString& path) = 0;
};

} // namespace pellimor::platform
