#pragma once

#include <QList>
#include <QString>
#include <optional>

// The Settings window's controls as plain values: their titles, the values they store and
// which choice a stored value selects. The window draws them and binds each to its key
// (ScanSettings for the Scanning tab, AppSettings for the Appearance tab); every change is
// written at once, and there is nothing else to keep.
namespace pellimor::SettingsModel {

struct TextChoice {
    QString title;
    QString value; // what the picker stores
};

struct NumberChoice {
    QString title;
    qint64 value;
};

struct Toggle {
    QLatin1StringView key;
    QString title;
    QString help; // shown as the control's hover tip; empty when none
    bool defaultValue;
};

// "Appearance": "Match my Mac" ("system"), "Light" ("light"), "Dark" ("dark").
const QList<TextChoice>& appearanceChoices();

// "Look this many folder levels deep": "3", "5", "8".
const QList<NumberChoice>& folderDepthChoices();

// "Parallel libraries": "1 (slow NAS)", "2", "4 (fast SSD)".
const QList<NumberChoice>& scanThreadsChoices();

// The Scanning tab's five toggles, in their order.
const QList<Toggle>& scanningToggles();

// The Appearance tab's toggle, "Larger Text".
const Toggle& largerTextToggle();

// The position of the choice that stores `value`; nothing when none does, and the picker then
// shows no choice selected while the stored value stays as it is.
std::optional<qsizetype> indexOf(const QList<TextChoice>& choices, const QString& value);
std::optional<qsizetype> indexOf(const QList<NumberChoice>& choices, qint64 value);

} // namespace pellimor::SettingsModel
