#include "App/AppSettings.h"

#include "Platform/CurrentSettings.h"

namespace pellimor::AppSettings {

using namespace platform::CurrentSettings;

bool comfortable() {
    return flag(Key::comfortableText, Default::comfortableText);
}
void setComfortable(bool on) {
    setFlag(Key::comfortableText, on);
}
QString appearance() {
    return text(Key::appearance, Default::appearance);
}
void setAppearance(const QString& value) {
    setText(Key::appearance, value);
}
bool hideBackups() {
    return flag(Key::hideBackupDrives, Default::hideBackupDrives);
}
void setHideBackups(bool on) {
    setFlag(Key::hideBackupDrives, on);
}
QString dateMode() {
    return text(Key::dateMode, Default::dateMode);
}
void setDateMode(const QString& value) {
    setText(Key::dateMode, value);
}

QString manualDoc() {
    return text(Key::manualDoc, Default::manualDoc);
}
void setManualDoc(const QString& value) {
    setText(Key::manualDoc, value);
}

} // namespace pellimor::AppSettings
