#include "Catalogue/Scan/ScanSettings.h"

#include "Platform/Services.h"
#include "Platform/SettingsStore.h"

#include <algorithm>
#include <limits>

namespace pellimor::ScanSettings {

namespace {

std::shared_ptr<platform::SettingsStore> store() {
    return platform::services().settings;
}

bool readFlag(QLatin1StringView key, bool fallback) {
    const auto s = store();
    return s ? s->flag(key, fallback) : fallback;
}
void writeFlag(QLatin1StringView key, bool value) {
    if (const auto s = store())
        s->setFlag(key, value);
}
std::optional<qint64> readInteger(QLatin1StringView key) {
    const auto s = store();
    const std::optional<platform::SettingsStore::Value> stored = s ? s->value(key) : std::nullopt;
    if (!stored || stored->type != platform::SettingsStore::Type::Integer)
        return std::nullopt;
    return stored->value.toLongLong();
}
void writeInteger(QLatin1StringView key, qint64 value) {
    if (const auto s = store())
        s->setInteger(key, value);
}

} // namespace

int scanThreadsFrom(std::optional<qint64> stored) {
    if (!stored)
        return Default::scanThreads;
    return static_cast<int>(std::clamp<qint64>(*stored, 1, std::numeric_limits<int>::max()));
}

qint64 folderDepthFrom(std::optional<qint64> stored) {
    return stored && *stored >= 1 ? *stored : Default::folderDepth;
}

int scanThreads() {
    return scanThreadsFrom(readInteger(Key::scanThreads));
}
void setScanThreads(qint64 count) {
    writeInteger(Key::scanThreads, count);
}
qint64 folderDepth() {
    return folderDepthFrom(readInteger(Key::folderDepth));
}
void setFolderDepth(qint64 levels) {
    writeInteger(Key::folderDepth, levels);
}
bool makePosters() {
    return readFlag(Key::makePosters, Default::makePosters);
}
void setMakePosters(bool on) {
    writeFlag(Key::makePosters, on);
}
bool fullRescan() {
    return readFlag(Key::fullRescan, Default::fullRescan);
}
void setFullRescan(bool on) {
    writeFlag(Key::fullRescan, on);
}
bool autoRefresh() {
    return readFlag(Key::autoRefresh, Default::autoRefresh);
}
void setAutoRefresh(bool on) {
    writeFlag(Key::autoRefresh, on);
}
bool skipSafetyNet() {
    return readFlag(Key::skipSafetyNet, Default::skipSafetyNet);
}
void setSkipSafetyNet(bool on) {
    writeFlag(Key::skipSafetyNet, on);
}
bool skipFCPBackups() {
    return readFlag(Key::skipFCPBackups, Default::skipFCPBackups);
}
void setSkipFCPBackups(bool on) {
    writeFlag(Key::skipFCPBackups, on);
}

} // namespace pellimor::ScanSettings
