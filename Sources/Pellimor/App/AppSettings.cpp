#include "App/AppSettings.h"

#include "Platform/Services.h"
#include "Platform/SettingsStore.h"

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
QString dateMode() {
    return readText(Key::dateMode, Default::dateMode);
}
void setDateMode(const QString& value) {
    writeText(Key::dateMode, value);
}

QString manualDoc() {
    return readText(Key::manualDoc, Default::manualDoc);
}
void setManualDoc(const QString& value) {
    writeText(Key::manualDoc, value);
}

} // namespace pellimor::AppSettings
