#include "App/AppSettings.h"

#include "Platform/Services.h"
#include "Platform/SettingsStore.h"

#include <algorithm>
#include <limits>

namespace pellimor::AppSettings {

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
qint64 readInteger(QLatin1StringView key, qint64 fallback) {
    const auto s = store();
    return s ? s->integer(key, fallback) : fallback;
}
void writeInteger(QLatin1StringView key, qint64 value) {
    if (const auto s = store())
        s->setInteger(key, value);
}
QString readText(QLatin1StringView key, QLatin1StringView fallback) {
    const auto s = store();
    return s ? s->text(key, fallback) : QString(fallback);
}
void writeText(QLatin1StringView key, const QString& value) {
    if (const auto s = store())
        s->setText(key, value);
}

} // namespace

bool comfortable() {
    return readFlag(Key::comfortableText, Default::comfortableText);
}
void setComfortable(bool on) {
    writeFlag(Key::comfortableText, on);
}
QString appearance() {
    return readText(Key::appearance, Default::appearance);
}
void setAppearance(const QString& value) {
    writeText(Key::appearance, value);
}
bool hideBackups() {
    return readFlag(Key::hideBackupDrives, Default::hideBackupDrives);
}
void setHideBackups(bool on) {
    writeFlag(Key::hideBackupDrives, on);
}
bool fullRescan() {
    return readFlag(Key::fullRescan, Default::fullRescan);
}
void setFullRescan(bool on) {
    writeFlag(Key::fullRescan, on);
}
bool makePosters() {
    return readFlag(Key::makePosters, Default::makePosters);
}
void setMakePosters(bool on) {
    writeFlag(Key::makePosters, on);
}
qint64 scanThreads() {
    return readInteger(Key::scanThreads, Default::scanThreads);
}
void setScanThreads(qint64 count) {
    writeInteger(Key::scanThreads, count);
}
QString dateMode() {
    return readText(Key::dateMode, Default::dateMode);
}
void setDateMode(const QString& value) {
    writeText(Key::dateMode, value);
}

bool autoRefresh() {
    return readFlag(Key::autoRefresh, Default::autoRefresh);
}
void setAutoRefresh(bool on) {
    writeFlag(Key::autoRefresh, on);
}
qint64 folderDepth() {
    return readInteger(Key::folderDepth, Default::folderDepth);
}
void setFolderDepth(qint64 levels) {
    writeInteger(Key::folderDepth, levels);
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

QString manualDoc() {
    return readText(Key::manualDoc, Default::manualDoc);
}
void setManualDoc(const QString& value) {
    writeText(Key::manualDoc, value);
}

int scanConcurrency() {
    // A hand-edited settings file may hold any 64-bit number; the scan treats anything below
    // one as one, so only the narrowing needs care here.
    return static_cast<int>(
        std::clamp<qint64>(scanThreads(), std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace pellimor::AppSettings
