#pragma once

#include <QLatin1StringView>
#include <QString>
#include <optional>

// The main window's two Final Cut Pro settings commands, as plain functions the window runs and
// shows: what the status line says, the one alert, and what goes into the error log. Main
// thread (the file work is synchronous and small).
namespace pellimor::FinalCutSettings {

struct Alert {
    QString title;
    QString text;
};

struct Shown {
    QString status;                  // the status line
    std::optional<Alert> alert;      // told to the user, with one button
    std::optional<QString> logError; // one ERROR line in area logArea, without a path
};

inline constexpr QLatin1StringView logArea{"final-cut-settings"};

// Saves the live preference files into the safety-copy folder, whether or not Final Cut Pro
// runs: "Saved A, B to PATH", with a sentence added while it runs.
Shown save();

// Puts the saved files back, unless Final Cut Pro runs: then nothing on disk is looked at and
// the user is told to quit it first.
Shown restore();

} // namespace pellimor::FinalCutSettings
