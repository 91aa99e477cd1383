#pragma once

// The stored form shared by every catalogue record: one place for the date forms and for
// the strict reading and writing of JSON values, so each record only lists its fields.
//
// Reading is strict: a value of the wrong type (text for a number, a fraction for an
// integer, null where a value is required) fails, and the failure of any nested value
// fails everything that holds it. Writing fails as a whole when a number has no JSON form
// (not finite) or a date is invalid; nothing is ever written as null.
//
// All functions are pure and may run on any thread.

#include "Support/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QString>
#include <concepts>
#include <optional>

namespace pellimor::RecordJson {

// How a file stores dates: seconds since 1970-01-01T00:00:00Z ("catalog.json") or since
// 2001-01-01T00:00:00Z ("scanjob.json"), as JSON numbers with the fraction kept.
enum class DateForm { Since1970, Since2001 };

// Seconds in the given form; absent for an invalid date.
std::optional<double> secondsFor(const QDateTime& date, DateForm form);
// The UTC date for seconds in the given form, to the millisecond; absent when the number is
// not finite or lies beyond the dates a QDateTime can hold exactly (about ±270000 years).
std::optional<QDateTime> dateFor(double seconds, DateForm form);

// Where a value failed and why. `path` is empty for the value itself, else like
// "events[2].projects[0].clipCount".
struct Problem {
    QString path;
    QString why;
    // `why` is a nested record's whole message, which starts with that record's own path
    // ("projects[0].clipCount: ..."), so it continues `path` rather than following it.
    bool whyHasPath = false;

    // Puts a key ("events") or an index ("[2]") in front of the path.
    void under(const QString& segment);
    QString text() const;
};

// A record type with a JSON form: `toJson(form)` and `static fromJson(object, form)`.
template <typename R>
concept JsonRecord = requires(const R& record, const QJsonObject& object, DateForm form) {
    { record.toJson(form) } -> std::same_as<Result<QJsonObject>>;
    { R::fromJson(object, form) } -> std::same_as<Result<R>>;
};

// ---- Reading one value. Each returns false with `problem` set when the value does not fit.

bool fromValue(const QJsonValue& value, QString& out, DateForm form, Problem& problem);
bool fromValue(const QJsonValue& value, qint64& out, DateForm form, Problem& problem);
bool fromValue(const QJsonValue& value, bool& out, DateForm form, Problem& problem);
bool fromValue(const QJsonValue& value, double& out, DateForm form, Problem& problem);
bool fromValue(const QJsonValue& value, QDateTime& out, DateForm form, Problem& problem);
template <typename T> bool fromValue(const QJsonValue& value, QList<T>& out, DateForm form, Problem& problem);
template <typename T>
bool fromValue(const QJsonValue& value, QMap<QString, T>& out, DateForm form, Problem& problem);
template <JsonRecord R> bool fromValue(const QJsonValue& value, R& out, DateForm form, Problem& problem);

// ---- Writing one value. Each returns false with `problem` set when the value has no JSON form.

bool toValue(const QString& value, QJsonValue& out, DateForm form, Problem& problem);
bool toValue(qint64 value, QJsonValue& out, DateForm form, Problem& problem);
bool toValue(bool value, QJsonValue& out, DateForm form, Problem& problem);
bool toValue(double value, QJsonValue& out, DateForm form, Problem& problem);
bool toValue(const QDateTime& value, QJsonValue& out, DateForm form, Problem& problem);
template <typename T> bool toValue(const QList<T>& value, QJsonValue& out, DateForm form, Problem& problem);
template <typename T>
bool toValue(const QMap<QString, T>& value, QJsonValue& out, DateForm form, Problem& problem);
template <JsonRecord R> bool toValue(const R& value, QJsonValue& out, DateForm form, Problem& problem);

// A short wording of what a JSON value is, for messages ("text", "null", "a fraction (1.5)").
QString describe(const QJsonValue& value);

// ---- Whole documents.

// The top-level object or array of a document. Malformed or truncated JSON, and a
// document of the other shape, give an error.
Result<QJsonObject> parseObject(const QByteArray& bytes);
Result<QJsonArray> parseArray(const QByteArray& bytes);

template <JsonRecord R> Result<QJsonArray> encodeList(const QList<R>& records, DateForm form);
template <JsonRecord R> Result<QList<R>> decodeList(const QJsonArray& array, DateForm form);
// A whole file holding one JSON array of records (compact when written).
template <JsonRecord R> Result<QByteArray> encodeListBytes(const QList<R>& records, DateForm form);
template <JsonRecord R> Result<QList<R>> decodeListBytes(const QByteArray& bytes, DateForm form);
// A whole file holding one record as a JSON object (compact when written).
template <JsonRecord R> Result<QByteArray> encodeRecordBytes(const R& record, DateForm form);
template <JsonRecord R> Result<R> decodeRecordBytes(const QByteArray& bytes, DateForm form);

// Compact UTF-8 JSON text of a document.
QByteArray compact(const QJsonObject& object);
QByteArray compact(const QJsonArray& array);

// ---- Template definitions.

template <typename T>
bool fromValue(const QJsonValue& value, QList<T>& out, DateForm form, Problem& problem) {
    if (!value.isArray()) {
        problem = {{}, QStringLiteral("expected an array, found %1").arg(describe(value))};
        return false;
    }
    const QJsonArray array = value.toArray();
    QList<T> list;
    list.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        T element{};
        if (!fromValue(array.at(i), element, form, problem)) {
            problem.under(QStringLiteral("[%1]").arg(i));
            return false;
        }
        list.append(std::move(element));
    }
    out = std::move(list);
    return true;
}

template <typename T>
bool fromValue(const QJsonValue& value, QMap<QString, T>& out, DateForm form, Problem& problem) {
    if (!value.isObject()) {
        problem = {{}, QStringLiteral("expected an object, found %1").arg(describe(value))};
        return false;
    }
    const QJsonObject object = value.toObject();
    QMap<QString, T> map;
    for (auto it = object.begin(); it != object.end(); ++it) {
        T element{};
        if (!fromValue(it.value(), element, form, problem)) {
            problem.under(QStringLiteral("[\"%1\"]").arg(it.key()));
            return false;
        }
        map.insert(it.key(), std::move(element));
    }
    out = std::move(map);
    return true;
}

template <JsonRecord R> bool fromValue(const QJsonValue& value, R& out, DateForm form, Problem& problem) {
    if (!value.isObject()) {
        problem = {{}, QStringLiteral("expected an object, found %1").arg(describe(value))};
        return false;
    }
    Result<R> decoded = R::fromJson(value.toObject(), form);
    if (!decoded.ok()) {
        problem = {{}, decoded.error(), true};
        return false;
    }
    out = std::move(decoded.value());
    return true;
}

template <typename T> bool toValue(const QList<T>& value, QJsonValue& out, DateForm form, Problem& problem) {
    QJsonArray array;
    for (qsizetype i = 0; i < value.size(); ++i) {
        QJsonValue element;
        if (!toValue(value.at(i), element, form, problem)) {
            problem.under(QStringLiteral("[%1]").arg(i));
            return false;
        }
        array.append(element);
    }
    out = array;
    return true;
}

template <typename T>
bool toValue(const QMap<QString, T>& value, QJsonValue& out, DateForm form, Problem& problem) {
    QJsonObject object;
    for (auto it = value.begin(); it != value.end(); ++it) {
        QJsonValue element;
        if (!toValue(it.value(), element, form, problem)) {
            problem.under(QStringLiteral("[\"%1\"]").arg(it.key()));
            return false;
        }
        object.insert(it.key(), element);
    }
    out = object;
    return true;
}

template <JsonRecord R> bool toValue(const R& value, QJsonValue& out, DateForm form, Problem& problem) {
    Result<QJsonObject> encoded = value.toJson(form);
    if (!encoded.ok()) {
        problem = {{}, encoded.error(), true};
        return false;
    }
    out = encoded.value();
    return true;
}

template <JsonRecord R> Result<QJsonArray> encodeList(const QList<R>& records, DateForm form) {
    QJsonValue value;
    Problem problem;
    if (!toValue(records, value, form, problem))
        return Result<QJsonArray>::failure(problem.text());
    return Result<QJsonArray>::success(value.toArray());
}

template <JsonRecord R> Result<QList<R>> decodeList(const QJsonArray& array, DateForm form) {
    QList<R> records;
    Problem problem;
    if (!fromValue(QJsonValue(array), records, form, problem))
        return Result<QList<R>>::failure(problem.text());
    return Result<QList<R>>::success(std::move(records));
}

template <JsonRecord R> Result<QByteArray> encodeListBytes(const QList<R>& records, DateForm form) {
    Result<QJsonArray> array = encodeList(records, form);
    if (!array.ok())
        return Result<QByteArray>::failure(array.error());
    return Result<QByteArray>::success(compact(array.value()));
}

template <JsonRecord R> Result<QList<R>> decodeListBytes(const QByteArray& bytes, DateForm form) {
    Result<QJsonArray> array = parseArray(bytes);
    if (!array.ok())
        return Result<QList<R>>::failure(array.error());
    return decodeList<R>(array.value(), form);
}

template <JsonRecord R> Result<QByteArray> encodeRecordBytes(const R& record, DateForm form) {
    Result<QJsonObject> object = record.toJson(form);
    if (!object.ok())
        return Result<QByteArray>::failure(object.error());
    return Result<QByteArray>::success(compact(object.value()));
}

template <JsonRecord R> Result<R> decodeRecordBytes(const QByteArray& bytes, DateForm form) {
    Result<QJsonObject> object = parseObject(bytes);
    if (!object.ok())
        return Result<R>::failure(object.error());
    return R::fromJson(object.value(), form);
}

} // namespace pellimor::RecordJson
