#include "Tests/Support/FakeFinalCut/FakeFinalCutWire.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QStringList>

namespace pellimor::test::FakeFinalCutWire {

namespace {

QJsonObject elementJson(const FakeFinalCutModel& model, int id) {
    const std::optional<FakeFinalCutModel::Element> element = model.element(id);
    if (!element)
        return {};
    QJsonObject json{{"id", element->id}, {"role", element->role}};
    if (element->title)
        json.insert("title", *element->title);
    if (element->value)
        json.insert("value", *element->value);
    QJsonArray children;
    for (const int child : element->children)
        children.append(elementJson(model, child));
    json.insert("children", children);
    return json;
}

} // namespace

QString serverName(qint64 pid) {
    return QStringLiteral("tovlin-fake-finalcut-%1").arg(pid);
}

QByteArray line(const QJsonObject& message) {
    return QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<QJsonObject> parse(const QByteArray& line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line.trimmed(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

std::optional<QJsonObject> answer(FakeFinalCutModel& model, const QJsonObject& request) {
    const QString op = request.value("op").toString();
    if (op == QLatin1String("name")) {
        if (model.hangs())
            return std::nullopt;
        return QJsonObject{{"name", "Final Cut Pro"}};
    }
    if (op == QLatin1String("open")) {
        model.open(request.value("path").toString(), [](const std::optional<QString>&) {});
        return QJsonObject{{"ok", true}};
    }
    if (op == QLatin1String("windows")) {
        QJsonArray windows;
        for (const int window : model.windows())
            windows.append(elementJson(model, window));
        return QJsonObject{{"windows", windows}};
    }
    if (op == QLatin1String("press"))
        return QJsonObject{{"code", model.press(request.value("id").toInt())}};
    if (op == QLatin1String("log"))
        return QJsonObject{{"log", QJsonArray::fromStringList(model.log())}};
    return QJsonObject{{"error", QStringLiteral("unknown request")}};
}

} // namespace pellimor::test::FakeFinalCutWire
