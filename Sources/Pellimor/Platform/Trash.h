#pragma once

#include "Support/OpenFolder.h"
#include "Support/Result.h"

#include <QByteArray>
#include <QString>

namespace pellimor::platform {

// One item as its caller found and checked it: the folder that holds it, held open, and its
// name there. The Trash acts relative to that open folder and never looks the path up again, so
// a folder swapped for a link after the check cannot send the call anywhere else; and it acts
// only while the entry is still the item the caller checked (`facts`: device and inode), so an
// item replaced after its check is refused, not removed.
struct TrashItem {
    const OpenFolder& folder;
    QByteArray name; // one component (isSingleName)
    QString path;    // the whole path: what the Trash records ("Path=") and names in messages
    ItemFacts facts; // the item as checked
};

// Where removed files go: the desktop's Trash, or nowhere at all. The only way the program
// takes a file or folder off the disk for a user, so tests can watch, hold and fail each call.
// A failure's message is the system's own description of the error ("No such file or
// directory") or a sentence saying what happened and what was left, for the caller to put
// beside the item's name ("Render Files: " + message); a failed move leaves the item where it
// was. Each call ends in a bounded time: nothing is retried without end. Safe from any thread;
// each call returns when the item is gone or has failed to go.
class Trash {
public:
    virtual ~Trash() = default;

    // Moves the item (file, folder or link itself) into the Trash of the desktop, where the
    // user can put it back: its record there is on the disk before the item moves. Only ever
    // renamed: an item that cannot be renamed into a Trash stays where it was, never copied
    // and deleted. An item whose name is already in the Trash gets a name of its own there and
    // never replaces the other.
    virtual Result<void> moveToTrash(const TrashItem& item) = 0;

    // Deletes the item for good, a folder with everything below it. A link is removed itself,
    // never what it points to, also when it lies inside a removed folder. Never leaves the
    // item's own mount: a folder with another drive (or a bind mount) inside it keeps that
    // part, and the call fails saying so.
    virtual Result<void> remove(const TrashItem& item) = 0;
};

// The last check every Trash makes before it acts: the entry `item.name` of `item.folder` is
// still the item its caller checked (device, inode and kind of `item.facts`). Nothing when it is; the
// system's description when the entry cannot be looked up; changedSinceChecked() when another
// item stands there now.
Result<void> checkStillTheItem(const TrashItem& item);

// The refusal of an item that is no longer the one its caller checked.
QString changedSinceChecked();

} // namespace pellimor::platform
