#include "App/ColumnLayout.h"

#include <QJsonArray>

namespace pellimor::ColumnLayout {

namespace {

const QString kColumnOrder = QStringLiteral("columnOrder");
const QString kPerColumnState = QStringLiteral("perColumnState");
const QString kVisibility = QStringLiteral("visibility");
const QString kHidden = QStringLiteral("hidden");
const QString kVisible = QStringLiteral("visible");

// What a state object says of its column's visibility: hidden, visible, or nothing (the
// table's default, or no visibility at all).
std::optional<bool> statedHidden(const QJsonValue& state) {
    if (!state.isObject())
        return std::nullopt;
    const QJsonValue visibility = state.toObject().value(kVisibility);
    if (!visibility.isObject())
        return std::nullopt;
    const QJsonObject keys = visibility.toObject();
    if (keys.contains(kHidden))
        return true;
    if (keys.contains(kVisible))
        return false;
    return std::nullopt;
}

QJsonObject visibility(bool hide) {
    return QJsonObject{{hide ? kHidden : kVisible, QJsonObject()}};
}

} // namespace

std::optional<QString> identifier(const QJsonValue& element) {
    const QJsonValue name = element.toObject()
                                .value(QStringLiteral("base"))
                                .toObject()
                                .value(QStringLiteral("explicit"))
                                .toObject()
                                .value(QStringLiteral("_0"));
    if (!name.isString())
        return std::nullopt;
    return name.toString();
}

QJsonObject element(const QString& identifier) {
    return QJsonObject{
        {QStringLiteral("base"),
         QJsonObject{{QStringLiteral("explicit"), QJsonObject{{QStringLiteral("_0"), identifier}}}}}};
}

QStringList order(const QJsonObject& customization, const QStringList& declared) {
    QStringList stored;
    const QJsonValue columns = customization.value(kColumnOrder);
    if (columns.isArray()) {
        for (const QJsonValue& column : columns.toArray()) {
            if (const std::optional<QString> id = identifier(column))
                stored.append(*id);
        }
    }
    if (stored.isEmpty())
        return declared;
    for (const QString& id : declared) {
        if (!stored.contains(id))
            stored.append(id);
    }
    return stored;
}

QSet<QString> hidden(const QJsonObject& customization, const QSet<QString>& hiddenByDefault) {
    QSet<QString> result = hiddenByDefault;
    const QJsonValue states = customization.value(kPerColumnState);
    if (!states.isArray())
        return result;
    const QJsonArray pairs = states.toArray();
    // An unpaired last element names a column without a state: nothing to apply.
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
        const std::optional<QString> id = identifier(pairs.at(i));
        if (!id)
            continue;
        if (const std::optional<bool> hide = statedHidden(pairs.at(i + 1))) {
            if (*hide)
                result.insert(*id);
            else
                result.remove(*id);
        }
    }
    return result;
}

QString lastVisible(const QJsonObject& customization, const QStringList& declared,
                    const QSet<QString>& hiddenByDefault) {
    const QStringList columns = order(customization, declared);
    const QSet<QString> hiddenColumns = hidden(customization, hiddenByDefault);
    for (auto it = columns.crbegin(); it != columns.crend(); ++it) {
        if (!hiddenColumns.contains(*it))
            return *it;
    }
    return declared.isEmpty() ? QString() : declared.last();
}

QJsonObject arranged(const QJsonObject& previous, const QStringList& order, const QSet<QString>& hiddenNow,
                     const QSet<QString>& hiddenByDefault) {
    QJsonObject result = previous;

    QJsonArray columns;
    for (const QString& id : order)
        columns.append(element(id));
    result.insert(kColumnOrder, columns);

    const QSet<QString> hiddenBefore = hidden(previous, hiddenByDefault);
    const QJsonValue states = previous.value(kPerColumnState);
    QJsonArray pairs = states.isArray() ? states.toArray() : QJsonArray();
    for (const QString& id : order) {
        const bool hide = hiddenNow.contains(id);
        if (hide == hiddenBefore.contains(id))
            continue;
        // The last pair of a column decides, so that is the one to change; its other state
        // members stay.
        qsizetype last = -1;
        for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
            if (identifier(pairs.at(i)) == id)
                last = i + 1;
        }
        if (last >= 0) {
            QJsonObject state = pairs.at(last).toObject();
            state.insert(kVisibility, visibility(hide));
            pairs.replace(last, state);
        } else {
            // A pair appended after an unpaired last element would be read out of step.
            if (pairs.size() % 2 != 0)
                pairs.removeLast();
            pairs.append(element(id));
            pairs.append(QJsonObject{{kVisibility, visibility(hide)}});
        }
    }
    result.insert(kPerColumnState, pairs);
    return result;
}

} // namespace pellimor::ColumnLayout
