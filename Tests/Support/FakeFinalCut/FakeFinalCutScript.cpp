#include "Tests/Support/FakeFinalCut/FakeFinalCutScript.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

namespace pellimor::test {

namespace {

bool fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

bool readInt(const QJsonObject& object, const char* key, int& into, QString* error) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined())
        return true;
    if (!value.isDouble() || value.toDouble() < 0 || value.toDouble() > 1e9)
        return fail(error, QStringLiteral("“%1” must be a number of 0 or more").arg(QLatin1String(key)));
    into = int(value.toDouble());
    return true;
}

bool readBool(const QJsonObject& object, const char* key, bool& into, QString* error) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined())
        return true;
    if (!value.isBool())
        return fail(error, QStringLiteral("“%1” must be true or false").arg(QLatin1String(key)));
    into = value.toBool();
    return true;
}

bool readText(const QJsonObject& object, const char* key, std::optional<QString>& into, QString* error) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined())
        return true;
    if (!value.isString())
        return fail(error, QStringLiteral("“%1” must be a text").arg(QLatin1String(key)));
    into = value.toString();
    return true;
}

} // namespace

std::optional<FakeFinalCutScript> FakeFinalCutScript::fromJson(const QJsonObject& object, QString* error) {
    FakeFinalCutScript script;
    std::optional<QString> version;
    std::optional<QString> answer;
    std::optional<QString> omit;
    const bool read =
        readText(object, "version", version, error) && readText(object, "openAnswer", answer, error) &&
        readInt(object, "openAnswerMs", script.openAnswerMs, error) &&
        readInt(object, "promptDelayMs", script.promptDelayMs, error) &&
        readText(object, "promptName", script.promptName, error) &&
        readText(object, "promptText", script.promptText, error) &&
        readBool(object, "promptUnknownVersion", script.promptUnknownVersion, error) &&
        readText(object, "omit", omit, error) && readInt(object, "extraDepth", script.extraDepth, error) &&
        readInt(object, "filler", script.filler, error) &&
        readInt(object, "updateMs", script.updateMs, error) &&
        readInt(object, "touchEveryMs", script.touchEveryMs, error) &&
        readInt(object, "touchForMs", script.touchForMs, error) &&
        readBool(object, "neverUpdate", script.neverUpdate, error) &&
        readBool(object, "quitDuringUpdate", script.quitDuringUpdate, error) &&
        readBool(object, "dialogAfterUpdate", script.dialogAfterUpdate, error) &&
        readBool(object, "ignoreQuit", script.ignoreQuit, error) &&
        readInt(object, "quitDelayMs", script.quitDelayMs, error) &&
        readBool(object, "hang", script.hang, error);
    if (!read)
        return std::nullopt;
    const QJsonValue pressError = object.value(QLatin1String("pressError"));
    if (!pressError.isUndefined()) {
        if (!pressError.isDouble()) {
            fail(error, QStringLiteral("“pressError” must be a number"));
            return std::nullopt;
        }
        script.pressError = pressError.toInt();
    }
    if (version)
        script.version = *version;
    if (answer) {
        if (*answer == QLatin1String("ok")) {
            script.openAnswer = OpenAnswer::ok;
        } else if (*answer == QLatin1String("never")) {
            script.openAnswer = OpenAnswer::never;
        } else if (answer->startsWith(QLatin1String("error:"))) {
            script.openAnswer = OpenAnswer::error;
            script.openError = answer->mid(6);
        } else {
            fail(error, QStringLiteral("“openAnswer” must be “ok”, “never” or “error:” and a text"));
            return std::nullopt;
        }
    }
    if (omit) {
        if (*omit != QLatin1String("Update") && *omit != QLatin1String("Cancel")) {
            fail(error, QStringLiteral("“omit” must be “Update” or “Cancel”"));
            return std::nullopt;
        }
        script.omit = *omit;
    }
    return script;
}

std::optional<FakeFinalCutScript> FakeFinalCutScript::fromJson(const QByteArray& json, QString* error) {
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parse);
    if (!document.isObject()) {
        fail(error, parse.error != QJsonParseError::NoError
                        ? parse.errorString()
                        : QStringLiteral("the script must be a JSON object"));
        return std::nullopt;
    }
    return fromJson(document.object(), error);
}

QJsonObject FakeFinalCutScript::toJson() const {
    QJsonObject object{{"version", version},
                       {"openAnswerMs", openAnswerMs},
                       {"promptDelayMs", promptDelayMs},
                       {"promptUnknownVersion", promptUnknownVersion},
                       {"extraDepth", extraDepth},
                       {"filler", filler},
                       {"pressError", pressError},
                       {"updateMs", updateMs},
                       {"touchEveryMs", touchEveryMs},
                       {"touchForMs", touchForMs},
                       {"neverUpdate", neverUpdate},
                       {"quitDuringUpdate", quitDuringUpdate},
                       {"dialogAfterUpdate", dialogAfterUpdate},
                       {"ignoreQuit", ignoreQuit},
                       {"quitDelayMs", quitDelayMs},
                       {"hang", hang}};
    object.insert("openAnswer", openAnswer == OpenAnswer::ok      ? QStringLiteral("ok")
                                : openAnswer == OpenAnswer::never ? QStringLiteral("never")
                                                                  : QStringLiteral("error:") + openError);
    if (promptName)
        object.insert("promptName", *promptName);
    if (promptText)
        object.insert("promptText", *promptText);
    if (!omit.isEmpty())
        object.insert("omit", omit);
    return object;
}

} // namespace pellimor::test
