#pragma once

#include <QString>
#include <functional>

namespace pellimor::MissingFiles {

// Places where a test steps into a repair to make the rare failures happen on demand. A run
// without them behaves as the system does.
struct RepairSeams {
    // Called once the new copy or link stands under its temporary name, before it is checked
    // and put in place.
    std::function<void(const QString& temporary, const QString& link)> afterMade;
    // Stands in for the final rename; returns 0 or the error number.
    std::function<int(const QString& from, const QString& to)> rename;
};

} // namespace pellimor::MissingFiles
