#include "Catalogue/RecordJson.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QMetaType>
#include <QVariant>
#include <cmath>

namespace pellimor::RecordJson {

namespace {

// 2001-01-01T00:00:00Z in milliseconds since 1970.
constexpr qint64 kMsecs1970To2001 = 978307200000LL;

// Dates are kept to the millisecond. Beyond this many seconds a millisecond count would no
// longer be exact in a double, so such numbers are refused rather than silently rounded.
constexpr double kMaxSeconds = 8.64e12;

// 2^63: the first double above every qint64.
constexpr double kInt64End = 9223372036854775808.0;

QString typeMismatch(const char* expected, const QJsonValue& found) {
    return QStringLiteral("expected %1, found %2").arg(QLatin1String(expected), describe(found));
}

} // namespace

std::optional<double> secondsFor(const QDateTime& date, DateForm form) {
    if (!date.isValid())
        return std::nullopt;
    qint64 msecs = date.toMSecsSinceEpoch();
    if (form == DateForm::Since2001)
        msecs -= kMsecs1970To2001;
    return double(msecs) / 1000.0;
}

std::optional<QDateTime> dateFor(double seconds, DateForm form) {
    if (!std::isfinite(seconds) || std::fabs(seconds) > kMaxSeconds)
        return std::nullopt;
    qint64 msecs = std::llround(seconds * 1000.0);
    if (form == DateForm::Since2001)
        msecs += kMsecs1970To2001;
    const QDateTime date = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

void Problem::under(const QString& segment) {
    if (path.isEmpty() || path.startsWith(QLatin1Char('[')))
        path = segment + path;
    else
        path = segment + QLatin1Char('.') + path;
}

QString Problem::text() const {
    if (path.isEmpty())
        return why;
    if (!whyHasPath)
        return path + QStringLiteral(": ") + why;
    return why.startsWith(QLatin1Char('[')) ? path + why : path + QLatin1Char('.') + why;
}

QString describe(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double: {
        const QVariant raw = value.toVariant();
        if (raw.metaType().id() == QMetaType::LongLong)
            return QStringLiteral("the integer %1").arg(raw.toLongLong());
        return QStringLiteral("the number %1").arg(value.toDouble(), 0, 'g', 17);
    }
    case QJsonValue::String:
        return QStringLiteral("text");
    case QJsonValue::Array:
        return QStringLiteral("an array");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("nothing");
}

bool fromValue(const QJsonValue& value, QString& out, DateForm, Problem& problem) {
    if (!value.isString()) {
        problem = {{}, typeMismatch("text", value)};
        return false;
    }
    out = value.toString();
    return true;
}

bool fromValue(const QJsonValue& value, qint64& out, DateForm, Problem& problem) {
    if (!value.isDouble()) {
        problem = {{}, typeMismatch("an integer", value)};
        return false;
    }
    // The parser keeps a number written without fraction or exponent as an exact 64-bit
    // integer; judging by toDouble() would merge 2^53 and 2^53 + 1.
    const QVariant raw = value.toVariant();
    if (raw.metaType().id() == QMetaType::LongLong) {
        out = raw.toLongLong();
        return true;
    }
    // A number held as a double counts only when it is a whole number in range.
    const double d = value.toDouble();
    if (std::isfinite(d) && std::trunc(d) == d && d >= -kInt64End && d < kInt64End) {
        out = qint64(d);
        return true;
    }
    problem = {{}, typeMismatch("an integer", value)};
    return false;
}

bool fromValue(const QJsonValue& value, bool& out, DateForm, Problem& problem) {
    if (!value.isBool()) {
        problem = {{}, typeMismatch("true or false", value)};
        return false;
    }
    out = value.toBool();
    return true;
}

bool fromValue(const QJsonValue& value, double& out, DateForm, Problem& problem) {
    if (!value.isDouble()) {
        problem = {{}, typeMismatch("a number", value)};
        return false;
    }
    out = value.toDouble();
    return true;
}

bool fromValue(const QJsonValue& value, QDateTime& out, DateForm form, Problem& problem) {
    if (!value.isDouble()) {
        problem = {{}, typeMismatch("a date as a number of seconds", value)};
        return false;
    }
    const std::optional<QDateTime> date = dateFor(value.toDouble(), form);
    if (!date) {
        problem = {{}, QStringLiteral("%1 is not a date that can be held").arg(describe(value))};
        return false;
    }
    out = *date;
    return true;
}

bool toValue(const QString& value, QJsonValue& out, DateForm, Problem&) {
    out = value;
    return true;
}

bool toValue(qint64 value, QJsonValue& out, DateForm, Problem&) {
    out = value;
    return true;
}

bool toValue(bool value, QJsonValue& out, DateForm, Problem&) {
    out = value;
    return true;
}

bool toValue(double value, QJsonValue& out, DateForm, Problem& problem) {
    // QJsonValue would quietly store a NaN or an infinity and write it as null.
    if (!std::isfinite(value)) {
        problem = {{}, QStringLiteral("the number %1 is not finite and has no JSON form").arg(value)};
        return false;
    }
    out = value;
    return true;
}

bool toValue(const QDateTime& value, QJsonValue& out, DateForm form, Problem& problem) {
    const std::optional<double> seconds = secondsFor(value, form);
    if (!seconds) {
        problem = {{}, QStringLiteral("the date is not valid and has no JSON form")};
        return false;
    }
    out = *seconds;
    return true;
}

Result<QJsonObject> parseObject(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return Result<QJsonObject>::failure(
            QStringLiteral("malformed JSON at byte %1: %2").arg(error.offset).arg(error.errorString()));
    if (!document.isObject())
        return Result<QJsonObject>::failure(
            QStringLiteral("expected a JSON object at the top level, found an array"));
    return Result<QJsonObject>::success(document.object());
}

Result<QJsonArray> parseArray(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return Result<QJsonArray>::failure(
            QStringLiteral("malformed JSON at byte %1: %2").arg(error.offset).arg(error.errorString()));
    if (!document.isArray())
        return Result<QJsonArray>::failure(
            QStringLiteral("expected a JSON array at the top level, found an object"));
    return Result<QJsonArray>::success(document.array());
}

QByteArray compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray compact(const QJsonArray& array) {
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

} // namespace pellimor::RecordJson
