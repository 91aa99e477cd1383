#include "Catalogue/Scan/ScanSettings.h"

#include "Platform/CurrentSettings.h"

#include <algorithm>
#include <limits>

namespace pellimor::ScanSettings {

using namespace platform::CurrentSettings;

int scanThreadsFrom(std::optional<qint64> stored) {
    if (!stored)
        return Default::scanThreads;
    return static_cast<int>(std::clamp<qint64>(*stored, 1, std::numeric_limits<int>::max()));
}

qint64 folderDepthFrom(std::optional<qint64> stored) {
    return stored && *stored >= 1 ? *stored : Default::folderDepth;
}

int scanThreads() {
    return scanThreadsFrom(integer(Key::scanThreads));
}
void setScanThreads(qint64 count) {
    setInteger(Key::scanThreads, count);
}
qint64 folderDepth() {
    return folderDepthFrom(integer(Key::folderDepth));
}
void setFolderDepth(qint64 levels) {
    setInteger(Key::folderDepth, levels);
}
bool makePosters() {
    return flag(Key::makePosters, Default::makePosters);
}
void setMakePosters(bool on) {
    setFlag(Key::makePosters, on);
}
bool fullRescan() {
    return flag(Key::fullRescan, Default::fullRescan);
}
void setFullRescan(bool on) {
    setFlag(Key::fullRescan, on);
}
bool autoRefresh() {
    return flag(Key::autoRefresh, Default::autoRefresh);
}
void setAutoRefresh(bool on) {
    setFlag(Key::autoRefresh, on);
}
bool skipSafetyNet() {
    return flag(Key::skipSafetyNet, Default::skipSafetyNet);
}
void setSkipSafetyNet(bool on) {
    setFlag(Key::skipSafetyNet, on);
}
bool skipFCPBackups() {
    return flag(Key::skipFCPBackups, Default::skipFCPBackups);
}
void setSkipFCPBackups(bool on) {
    setFlag(Key::skipFCPBackups, on);
}

} // namespace pellimor::ScanSettings
