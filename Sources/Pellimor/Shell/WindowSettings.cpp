#include "Shell/WindowSettings.h"

namespace pellimor {

WindowSettings WindowSettings::read() {
    WindowSettings s;
    s.fullRescan = ScanSettings::fullRescan();
    s.makePosters = ScanSettings::makePosters();
    s.scanThreads = ScanSettings::scanThreads();
    s.autoRefresh = ScanSettings::autoRefresh();
    s.folderDepth = ScanSettings::folderDepth();
    s.skipSafetyNet = ScanSettings::skipSafetyNet();
    s.skipFCPBackups = ScanSettings::skipFCPBackups();
    s.hideBackups = AppSettings::hideBackups();
    s.dateMode = AppSettings::dateMode();
    return s;
}

int WindowSettings::concurrency() const {
    return ScanSettings::scanThreadsFrom(scanThreads);
}

ScanOptions WindowSettings::scanOptions() const {
    ScanOptions options;
    options.fullRescan = fullRescan;
    options.posters = makePosters;
    options.concurrency = concurrency();
    options.depth = ScanSettings::folderDepthFrom(folderDepth);
    return options;
}

} // namespace pellimor
