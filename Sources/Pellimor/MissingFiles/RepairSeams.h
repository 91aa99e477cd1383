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
    // Called after the last check of the link, just before the new item takes its place.
    std::function<void(const QString& link)> beforePut;
    // Stands in for the step that puts the new item in the link's place; returns 0 or the
    // error number.
    std::function<int(const QString& from, const QString& to)> rename;
};

} // namespace pellimor::MissingFiles
