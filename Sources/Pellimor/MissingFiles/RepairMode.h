#pragma once

namespace pellimor::MissingFiles {

// How a broken link is put right.
enum class RepairMode {
    copy, // the link is replaced by a copy of the found file, which stays where it is
    link, // the link is replaced by a new link to the found file; nothing is copied
};

} // namespace pellimor::MissingFiles
