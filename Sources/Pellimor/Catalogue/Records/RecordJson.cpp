#include "Catalogue/Records/RecordJson.h"

#include "Catalogue/Records/EventInfo.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/MediaEntry.h"
#include "Catalogue/Records/PendingDir.h"
#include "Catalogue/Records/PluginUse.h"
#include "Catalogue/Records/ProjectInfo.h"
#include "Catalogue/Records/RecordReader.h"
#include "Catalogue/Records/RecordWriter.h"
#include "Catalogue/Records/ScanJob.h"
#include "Catalogue/Records/ScanRoot.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <rapidjson/error/en.h>

namespace pellimor {

namespace {

using RecordJson::DateForm;

// 2001-01-01T00:00:00Z in milliseconds since 1970.
constexpr qint64 kMsecs1970To2001 = 978307200000LL;

// Dates are kept to the millisecond. Beyond this many seconds a millisecond count would no
// longer be exact in a double, so such numbers are refused rather than silently rounded.
constexpr double kMaxSeconds = 8.64e12;

// 2^63: the first double above every qint64.
constexpr double kInt64End = 9223372036854775808.0;
// 2^53: below it every whole double is written as an integer, as QJsonDocument does, so a
// date of whole seconds reads "1704067200" rather than "1704067200.0".
constexpr double kExactIntegerEnd = 9007199254740992.0;

// Strict RFC 8259 JSON with exact numbers. Iterative, so that no nesting depth can exhaust the
// stack; text must be UTF-8.
constexpr unsigned kParseFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag |
                                 rapidjson::kParseFullPrecisionFlag;

QString describe(const rapidjson::Value& value) {
    switch (value.GetType()) {
    case rapidjson::kNullType:
        return QStringLiteral("null");
    case rapidjson::kFalseType:
        return QStringLiteral("false");
    case rapidjson::kTrueType:
        return QStringLiteral("true");
    case rapidjson::kNumberType:
        if (value.IsInt64())
            return QStringLiteral("the integer %1").arg(value.GetInt64());
        return QStringLiteral("the number %1").arg(value.GetDouble(), 0, 'g', 17);
    case rapidjson::kStringType:
        return QStringLiteral("text");
    case rapidjson::kArrayType:
        return QStringLiteral("an array");
    case rapidjson::kObjectType:
        return QStringLiteral("an object");
    }
    return QStringLiteral("nothing");
}

} // namespace

// ---- Dates and problems ------------------------------------------------------------------------

std::optional<double> RecordJson::secondsFor(const QDateTime& date, DateForm form) {
    if (!date.isValid())
        return std::nullopt;
    qint64 msecs = date.toMSecsSinceEpoch();
    if (form == DateForm::Since2001)
        msecs -= kMsecs1970To2001;
    return double(msecs) / 1000.0;
}

std::optional<QDateTime> RecordJson::dateFor(double seconds, DateForm form) {
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

void RecordJson::Problem::under(const QString& segment) {
    if (path.isEmpty() || path.startsWith(QLatin1Char('[')))
        path = segment + path;
    else
        path = segment + QLatin1Char('.') + path;
}

QString RecordJson::Problem::text() const {
    return path.isEmpty() ? why : path + QStringLiteral(": ") + why;
}

// ---- Writing -----------------------------------------------------------------------------------

void RecordJson::detail::ByteSink::grow(size_t count) {
    const qsizetype used = m_at ? m_at - m_bytes.data() : 0;
    const qsizetype needed = used + qsizetype(count);
    qsizetype size = std::max<qsizetype>(m_bytes.size(), 4096);
    while (size < needed)
        size *= 2;
    m_bytes.resize(size);
    m_at = m_bytes.data() + used;
    m_end = m_bytes.data() + m_bytes.size();
}

void RecordJson::detail::ByteSink::append(const char* bytes, qsizetype count) {
    Reserve(size_t(count));
    std::memcpy(m_at, bytes, size_t(count));
    m_at += count;
}

QByteArray RecordJson::detail::ByteSink::take() {
    m_bytes.truncate(m_at ? m_at - m_bytes.data() : 0);
    QByteArray bytes = std::move(m_bytes);
    m_bytes = QByteArray();
    m_at = m_end = nullptr;
    return bytes;
}

RecordWriter::RecordWriter(RecordJson::DateForm form)
    : m_form(form), m_json(m_sink), m_encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless) {}

qsizetype RecordWriter::toUtf8(const QString& text) {
    const qsizetype room = m_encoder.requiredSpace(text.size());
    if (m_utf8.size() < room)
        m_utf8.resize(std::max(room, qsizetype(256)));
    // Unpaired surrogates come out as U+FFFD: the UTF-8 a reader accepts.
    return m_encoder.appendToBuffer(m_utf8.data(), text) - m_utf8.data();
}

void RecordWriter::write(const QString& value) {
    const qsizetype length = toUtf8(value);
    m_json.String(m_utf8.constData(), rapidjson::SizeType(length));
}

void RecordWriter::writeKey(const QString& key) {
    const qsizetype length = toUtf8(key);
    m_json.Key(m_utf8.constData(), rapidjson::SizeType(length));
}

void RecordWriter::write(double value) {
    if (!std::isfinite(value)) {
        fail(QStringLiteral("the number %1 is not finite and has no JSON form").arg(value));
        return;
    }
    if (std::trunc(value) == value && std::fabs(value) < kExactIntegerEnd)
        m_json.Int64(qint64(value));
    else
        m_json.Double(value); // the shortest digits that read back as exactly this double
}

void RecordWriter::write(const QDateTime& value) {
    const std::optional<double> seconds = RecordJson::secondsFor(value, m_form);
    if (!seconds) {
        fail(QStringLiteral("the date is not valid and has no JSON form"));
        return;
    }
    write(*seconds);
}

Result<QByteArray> RecordWriter::finish() {
    if (m_problem)
        return Failure{m_problem->text()};
    return m_sink.take();
}

// ---- Reading -----------------------------------------------------------------------------------

std::optional<QString> RecordJson::parse(const QByteArray& bytes, Shape shape,
                                         rapidjson::Document& document) {
    qsizetype skipped = 0;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        skipped = 3;
    document.Parse<kParseFlags>(bytes.constData() + skipped, size_t(bytes.size() - skipped));
    if (document.HasParseError())
        return QStringLiteral("malformed JSON at byte %1: %2")
            .arg(qsizetype(document.GetErrorOffset()) + skipped)
            .arg(QString::fromUtf8(rapidjson::GetParseError_En(document.GetParseError())));
    if (shape == Shape::object && !document.IsObject())
        return QStringLiteral("expected a JSON object at the top level, found %1").arg(describe(document));
    if (shape == Shape::array && !document.IsArray())
        return QStringLiteral("expected a JSON array at the top level, found %1").arg(describe(document));
    return std::nullopt;
}

bool RecordReader::mismatch(const char* expected, const Value& found) {
    fail(QStringLiteral("expected %1, found %2").arg(QLatin1String(expected), describe(found)));
    return false;
}

bool RecordReader::read(const Value& value, QString& out) {
    if (!value.IsString())
        return mismatch("text", value);
    out = QString::fromUtf8(value.GetString(), qsizetype(value.GetStringLength()));
    return true;
}

bool RecordReader::read(const Value& value, qint64& out) {
    // A number written without fraction or exponent is parsed as an exact 64-bit integer;
    // judging by its double would merge 2^53 and 2^53 + 1.
    if (value.IsInt64()) {
        out = value.GetInt64();
        return true;
    }
    // A number held as a double counts only when it is a whole number in range.
    if (value.IsDouble()) {
        const double d = value.GetDouble();
        if (std::isfinite(d) && std::trunc(d) == d && d >= -kInt64End && d < kInt64End) {
            out = qint64(d);
            return true;
        }
    }
    return mismatch("an integer", value);
}

bool RecordReader::read(const Value& value, bool& out) {
    if (!value.IsBool())
        return mismatch("true or false", value);
    out = value.GetBool();
    return true;
}

bool RecordReader::read(const Value& value, double& out) {
    if (!value.IsNumber())
        return mismatch("a number", value);
    out = value.GetDouble();
    return true;
}

bool RecordReader::read(const Value& value, QDateTime& out) {
    if (!value.IsNumber())
        return mismatch("a date as a number of seconds", value);
    const std::optional<QDateTime> date = RecordJson::dateFor(value.GetDouble(), m_form);
    if (!date) {
        fail(QStringLiteral("%1 is not a date that can be held").arg(describe(value)));
        return false;
    }
    out = *date;
    return true;
}

// ---- Whole documents ---------------------------------------------------------------------------

namespace RecordJson {

template <JsonRecord R> Result<QByteArray> encodeListBytes(const QList<R>& records, DateForm form) {
    RecordWriter writer(form);
    writer.write(records);
    return writer.finish();
}

template <JsonRecord R> Result<QList<R>> decodeListBytes(const QByteArray& bytes, DateForm form) {
    rapidjson::Document document;
    if (const std::optional<QString> error = parse(bytes, Shape::array, document))
        return Failure{*error};
    RecordReader reader(form);
    QList<R> records;
    if (!reader.read(document, records))
        return Failure{reader.error()};
    return records;
}

template <JsonRecord R> Result<QByteArray> encodeRecordBytes(const R& record, DateForm form) {
    RecordWriter writer(form);
    writer.write(record);
    return writer.finish();
}

template <JsonRecord R> Result<R> decodeRecordBytes(const QByteArray& bytes, DateForm form) {
    rapidjson::Document document;
    if (const std::optional<QString> error = parse(bytes, Shape::object, document))
        return Failure{*error};
    RecordReader reader(document, form);
    R record{};
    read(reader, record);
    return reader.finish(std::move(record));
}

template <JsonRecord R> Result<QJsonObject> toObject(const R& record, DateForm form) {
    const Result<QByteArray> bytes = encodeRecordBytes(record, form);
    if (!bytes.ok())
        return Failure{bytes.error()};
    return parseObject(bytes.value());
}

template <JsonRecord R> Result<R> fromObject(const QJsonObject& object, DateForm form) {
    return decodeRecordBytes<R>(compact(object), form);
}

template <JsonRecord R> Result<QJsonArray> encodeList(const QList<R>& records, DateForm form) {
    const Result<QByteArray> bytes = encodeListBytes(records, form);
    if (!bytes.ok())
        return Failure{bytes.error()};
    return parseArray(bytes.value());
}

template <JsonRecord R> Result<QList<R>> decodeList(const QJsonArray& array, DateForm form) {
    return decodeListBytes<R>(compact(array), form);
}

#define PELLIMOR_RECORD_JSON(R)                                                                              \
    template Result<QByteArray> encodeListBytes<R>(const QList<R>&, DateForm);                               \
    template Result<QList<R>> decodeListBytes<R>(const QByteArray&, DateForm);                               \
    template Result<QByteArray> encodeRecordBytes<R>(const R&, DateForm);                                    \
    template Result<R> decodeRecordBytes<R>(const QByteArray&, DateForm);                                    \
    template Result<QJsonObject> toObject<R>(const R&, DateForm);                                            \
    template Result<R> fromObject<R>(const QJsonObject&, DateForm);                                          \
    template Result<QJsonArray> encodeList<R>(const QList<R>&, DateForm);                                    \
    template Result<QList<R>> decodeList<R>(const QJsonArray&, DateForm);

PELLIMOR_RECORD_JSON(EventInfo)
PELLIMOR_RECORD_JSON(LibraryInfo)
PELLIMOR_RECORD_JSON(MediaEntry)
PELLIMOR_RECORD_JSON(PendingDir)
PELLIMOR_RECORD_JSON(PluginUse)
PELLIMOR_RECORD_JSON(ProjectInfo)
PELLIMOR_RECORD_JSON(ScanJob)
PELLIMOR_RECORD_JSON(ScanRoot)

#undef PELLIMOR_RECORD_JSON

Result<QJsonObject> parseObject(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return Failure{
            QStringLiteral("malformed JSON at byte %1: %2").arg(error.offset).arg(error.errorString())};
    if (!document.isObject())
        return Failure{QStringLiteral("expected a JSON object at the top level, found an array")};
    return document.object();
}

Result<QJsonArray> parseArray(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return Failure{
            QStringLiteral("malformed JSON at byte %1: %2").arg(error.offset).arg(error.errorString())};
    if (!document.isArray())
        return Failure{QStringLiteral("expected a JSON array at the top level, found an object")};
    return document.array();
}

QByteArray compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray compact(const QJsonArray& array) {
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

} // namespace RecordJson

} // namespace pellimor
