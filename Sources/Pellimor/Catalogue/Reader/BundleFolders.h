#pragma once

#include "Support/DirectoryListing.h"

#include <optional>
#include <vector>

// The event folders of a library bundle and the project folders of an event, read from an
// open listing: the visible entries that hold "CurrentVersion.fcpevent" (reached through
// links, as a path would reach it), in the file manager's order. LibraryReader::eventFolders
// and projectFolders give them as paths; the change signature walks them from the open
// folders and keeps the database times read on the way. Any thread.
namespace pellimor::BundleFolders {

struct Folder {
    DirectoryListing::Entry entry;
    // The own modification time of the folder's "CurrentVersion.fcpevent" (a link is not
    // followed); nothing when it cannot be read.
    std::optional<double> databaseModified;
};

// Leaves out folders whose names begin with "__": Final Cut Pro's own, never an event.
std::vector<Folder> events(const DirectoryListing& bundle);
std::vector<Folder> projects(const DirectoryListing& event);

// The folders events() leaves out because their names are not valid UTF-8: such a name does
// not survive the trip through text, so it cannot be given back as a path and the folder
// cannot be read as an event. Whoever leaves them out still counts their bytes, and says so.
std::vector<Folder> undecodableEvents(const DirectoryListing& bundle);

} // namespace pellimor::BundleFolders
