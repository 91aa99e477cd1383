#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <optional>

namespace pellimor::test {

// How a fake Final Cut Pro behaves, read from a JSON object whose keys are all optional (times
// in milliseconds of the clock in force):
//   "version" ("11.1")            the version it saves libraries at
//   "openAnswer" ("ok")           "ok", "error:TEXT" (the library is not opened) or "never" (it
//                                 is opened, but the request is never answered); "openAnswerMs"
//   "promptDelayMs" (500)         from opening an older library to its update prompt
//   "promptName", "promptText"    the library name in the prompt, or the prompt's whole text
//   "promptUnknownVersion"        a library whose saved version cannot be read gets the prompt
//                                 too (else it opens without one)
//   "omit"                        "Update" or "Cancel": the prompt lacks that button
//   "extraDepth", "filler"        groups around the prompt's content; elements examined before it
//   "pressError" (0)              the error code of every press
//   "updateMs" (2000)             from pressing "Update" to the library's new version
//   "touchEveryMs", "touchForMs"  after "Update", touches the library database this often, this long
//   "neverUpdate"                 "Update" closes the prompt and nothing else happens
//   "quitDuringUpdate"            it quits halfway through the update, which never finishes
//   "dialogAfterUpdate"           an "OK" window stays after the update; quit requests are
//                                 ignored while it is there
//   "ignoreQuit", "quitDelayMs"   a quit request is ignored, or acted on after a delay; a forced
//                                 quit always works at once
//   "hang"                        it never answers whether it is responsive
struct FakeFinalCutScript {
    enum class OpenAnswer { ok, error, never };

    QString version = QStringLiteral("11.1");
    OpenAnswer openAnswer = OpenAnswer::ok;
    QString openError;
    int openAnswerMs = 0;
    int promptDelayMs = 500;
    std::optional<QString> promptName;
    std::optional<QString> promptText;
    bool promptUnknownVersion = false;
    QString omit;
    int extraDepth = 0;
    int filler = 0;
    int pressError = 0;
    int updateMs = 2000;
    int touchEveryMs = 0;
    int touchForMs = 0;
    bool neverUpdate = false;
    bool quitDuringUpdate = false;
    bool dialogAfterUpdate = false;
    bool ignoreQuit = false;
    int quitDelayMs = 0;
    bool hang = false;

    // Nothing, with the reason in `error`, for a key of the wrong kind or a value out of range.
    static std::optional<FakeFinalCutScript> fromJson(const QJsonObject& object, QString* error = nullptr);
    static std::optional<FakeFinalCutScript> fromJson(const QByteArray& json, QString* error = nullptr);
    QJsonObject toJson() const;
};

} // namespace pellimor::test
