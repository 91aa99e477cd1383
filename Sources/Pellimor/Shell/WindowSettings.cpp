#include "Shell/WindowSettings.h"

#include <algorithm>
#include <limits>

namespace pellimor {

WindowSettings WindowSettings::read() {
    WindowSettings s;
    s.fullRescan = AppSettings::fullRescan();
    s.makePosters = AppSettings::makePosters();
    s.scanThreads = AppSettings::scanThreads();
    s.autoRefresh = AppSettings::autoRefresh();
    s.folderDepth = AppSettings::folderDepth();
    s.skipSafetyNet = AppSettings::skipSafetyNet();
    s.skipFCPBackups = AppSettings::skipFCPBackups();
    s.hideBackups = AppSettings::hideBackups();
    s.dateMode = AppSettings::dateMode();
    return s;
}

int WindowSettings::concurrency() const {
    return static_cast<int>(
        std::clamp<qint64>(scanThreads, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace pellimor
