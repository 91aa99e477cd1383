#pragma once

#include "MissingFiles/MissingFile.h"

#include <QString>

namespace pellimor::MissingFiles {

// One broken link and the file the user accepted for it.
struct RepairItem {
    MissingFile file;
    QString source; // the found file's path; links in it are followed

    bool operator==(const RepairItem&) const = default;
};

} // namespace pellimor::MissingFiles
