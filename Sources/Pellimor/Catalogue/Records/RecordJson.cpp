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
#include <cstdint>
#include <cstring>
#include <optional>
#include <rapidjson/encodedstream.h>
#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>
#include <vector>

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

// Builds a document as RapidJSON's own parse does and watches, on the way, for an object that
// gives a key twice. The catalogue runs to tens of megabytes, so the watch must cost little:
// it compares fingerprints of each object's keys while they pass, and a second walk over the
// document afterwards would cost more. Equal fingerprints are only a suspicion, which
// repeatedKey() settles on the keys themselves.
class KeyWatch {
public:
    explicit KeyWatch(rapidjson::Document& document) : m_document(document) {}

    bool suspicious() const { return m_suspicious; }

    bool Null() { return m_document.Null(); }
    bool Bool(bool b) { return m_document.Bool(b); }
    bool Int(int i) { return m_document.Int(i); }
    bool Uint(unsigned i) { return m_document.Uint(i); }
    bool Int64(int64_t i) { return m_document.Int64(i); }
    bool Uint64(uint64_t i) { return m_document.Uint64(i); }
    bool Double(double d) { return m_document.Double(d); }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool copy) {
        return m_document.RawNumber(text, length, copy);
    }
    bool String(const char* text, rapidjson::SizeType length, bool copy) {
        return m_document.String(text, length, copy);
    }
    bool StartArray() { return m_document.StartArray(); }
    bool EndArray(rapidjson::SizeType count) { return m_document.EndArray(count); }
    bool StartObject() {
        m_starts.push_back(m_keys.size());
        return m_document.StartObject();
    }
    bool Key(const char* text, rapidjson::SizeType length, bool copy) {
        m_keys.push_back(fingerprint(text, length));
        return m_document.Key(text, length, copy);
    }
    bool EndObject(rapidjson::SizeType count) {
        const size_t start = m_starts.back();
        m_starts.pop_back();
        if (!m_suspicious)
            m_suspicious = anyEqual(m_keys.data() + start, m_keys.size() - start);
        m_keys.resize(start);
        return m_document.EndObject(count);
    }

private:
    // Every byte of the key, eight at a time: keys are many and short, and a byte-wise hash
    // would cost more than the parse of them.
    static uint64_t fingerprint(const char* text, rapidjson::SizeType length) {
        constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
        uint64_t hash = (uint64_t(length) + 1) * kMultiplier;
        const auto mix = [&](uint64_t word) {
            hash = (hash ^ word) * kMultiplier;
            hash ^= hash >> 29;
        };
        rapidjson::SizeType at = 0;
        for (; at + 8 <= length; at += 8) {
            uint64_t word;
            std::memcpy(&word, text + at, 8);
            mix(word);
        }
        if (at < length) {
            uint64_t word = 0;
            std::memcpy(&word, text + at, length - at);
            mix(word);
        }
        return hash;
    }

    bool anyEqual(const uint64_t* keys, size_t count) {
        // A record's few fields pair by pair; a large map's keys sorted.
        if (count <= 24) {
            for (size_t i = 1; i < count; ++i) {
                for (size_t j = 0; j < i; ++j) {
                    if (keys[i] == keys[j])
                        return true;
                }
            }
            return false;
        }
        m_sorted.assign(keys, keys + count);
        std::sort(m_sorted.begin(), m_sorted.end());
        return std::adjacent_find(m_sorted.begin(), m_sorted.end()) != m_sorted.end();
    }

    rapidjson::Document& m_document;
    std::vector<uint64_t> m_keys; // the fingerprints of the keys of every object still open
    std::vector<size_t> m_starts; // where each open object's keys begin in m_keys
    std::vector<uint64_t> m_sorted;
    bool m_suspicious = false;
};

// A key given twice in one object, anywhere in `root`: where (as a record's problems name
// places) and which key, or nothing. The walk keeps its own stack, as the parse does.
std::optional<RecordJson::Problem> repeatedKey(const rapidjson::Value& root) {
    using Value = rapidjson::Value;
    // The first key of `object` that an earlier member has too.
    const auto repeatIn = [](const Value& object) -> const Value* {
        const rapidjson::SizeType count = object.MemberCount();
        const auto same = [](const Value& a, const Value& b) {
            return a.GetStringLength() == b.GetStringLength() &&
                   std::memcmp(a.GetString(), b.GetString(), a.GetStringLength()) == 0;
        };
        // A record's few fields are compared pair by pair; a large map is sorted instead.
        if (count <= 32) {
            for (auto it = object.MemberBegin(); it != object.MemberEnd(); ++it) {
                for (auto earlier = object.MemberBegin(); earlier != it; ++earlier) {
                    if (same(earlier->name, it->name))
                        return &it->name;
                }
            }
            return nullptr;
        }
        std::vector<const Value*> names;
        names.reserve(count);
        for (auto it = object.MemberBegin(); it != object.MemberEnd(); ++it)
            names.push_back(&it->name);
        const auto less = [](const Value* a, const Value* b) {
            const int order = std::memcmp(a->GetString(), b->GetString(),
                                          std::min(a->GetStringLength(), b->GetStringLength()));
            return order != 0 ? order < 0 : a->GetStringLength() < b->GetStringLength();
        };
        std::sort(names.begin(), names.end(), less);
        for (size_t i = 1; i < names.size(); ++i) {
            if (same(*names[i - 1], *names[i]))
                return names[i];
        }
        return nullptr;
    };

    struct Frame {
        const Value* container;
        rapidjson::SizeType next; // the child to visit next
    };
    std::vector<Frame> frames;
    const auto enter = [&](const Value& value) -> std::optional<RecordJson::Problem> {
        if (value.IsObject()) {
            if (const Value* key = repeatIn(value)) {
                RecordJson::Problem problem{
                    {},
                    QStringLiteral("the key \u201C%1\u201D is given twice")
                        .arg(QString::fromUtf8(key->GetString(), qsizetype(key->GetStringLength())))};
                // The place: the keys and indexes that lead to this object, innermost first.
                for (auto frame = frames.rbegin(); frame != frames.rend(); ++frame) {
                    const rapidjson::SizeType at = frame->next - 1;
                    if (frame->container->IsArray()) {
                        problem.under(QStringLiteral("[%1]").arg(at));
                    } else {
                        const Value& name = (frame->container->MemberBegin() + at)->name;
                        problem.under(QString::fromUtf8(name.GetString(), qsizetype(name.GetStringLength())));
                    }
                }
                return problem;
            }
        }
        if (value.IsObject() || value.IsArray())
            frames.push_back({&value, 0});
        return std::nullopt;
    };
    if (std::optional<RecordJson::Problem> problem = enter(root))
        return problem;
    while (!frames.empty()) {
        Frame& frame = frames.back();
        const Value& container = *frame.container;
        const rapidjson::SizeType size = container.IsArray() ? container.Size() : container.MemberCount();
        if (frame.next == size) {
            frames.pop_back();
            continue;
        }
        const Value& child =
            container.IsArray() ? container[frame.next] : (container.MemberBegin() + frame.next)->value;
        ++frame.next;
        if (std::optional<RecordJson::Problem> problem = enter(child))
            return problem;
    }
    return std::nullopt;
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
    rapidjson::ParseResult parsed;
    bool suspicious = false;
    const auto generate = [&](rapidjson::Document& handler) {
        rapidjson::MemoryStream memory(bytes.constData() + skipped, size_t(bytes.size() - skipped));
        rapidjson::EncodedInputStream<rapidjson::UTF8<>, rapidjson::MemoryStream> input(memory);
        rapidjson::Reader reader;
        KeyWatch watch(handler);
        parsed = reader.Parse<kParseFlags>(input, watch);
        suspicious = watch.suspicious();
        return !parsed.IsError();
    };
    document.Populate(generate);
    if (parsed.IsError())
        return QStringLiteral("malformed JSON at byte %1: %2")
            .arg(qsizetype(parsed.Offset()) + skipped)
            .arg(QString::fromUtf8(rapidjson::GetParseError_En(parsed.Code())));
    if (shape == Shape::object && !document.IsObject())
        return QStringLiteral("expected a JSON object at the top level, found %1").arg(describe(document));
    if (shape == Shape::array && !document.IsArray())
        return QStringLiteral("expected a JSON array at the top level, found %1").arg(describe(document));
    // The program never writes a key twice in one object, and taking either value would drop
    // the other without a word at the next save.
    if (suspicious) {
        if (const std::optional<Problem> repeat = repeatedKey(document))
            return repeat->text();
    }
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
