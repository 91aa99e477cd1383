#pragma once

#include "Catalogue/Records/RecordJson.h"
#include "Support/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringEncoder>
#include <cstddef>
#include <optional>
#include <rapidjson/writer.h>

namespace pellimor {

namespace RecordJson::detail {

// Where the JSON writer puts its bytes: straight into the QByteArray that becomes the file,
// so a document of tens of megabytes is never copied at the end.
class ByteSink {
public:
    using Ch = char;

    ByteSink() { grow(4096); }

    void Put(char c) {
        Reserve(1);
        *m_at++ = c;
    }
    void PutUnsafe(char c) { *m_at++ = c; }
    void Reserve(size_t count) {
        if (size_t(m_end - m_at) < count)
            grow(count);
    }
    void Flush() {}
    void append(const char* bytes, qsizetype count);
    QByteArray take();

private:
    void grow(size_t count);

    QByteArray m_bytes;
    char* m_at = nullptr;
    char* m_end = nullptr;
};

} // namespace RecordJson::detail

} // namespace pellimor

// The writer reserves room before it writes a run of characters; with these it then stores
// them without checking each one.
namespace rapidjson {
template <> inline void PutReserve(pellimor::RecordJson::detail::ByteSink& sink, size_t count) {
    sink.Reserve(count);
}
template <> inline void PutUnsafe(pellimor::RecordJson::detail::ByteSink& sink, char c) {
    sink.PutUnsafe(c);
}
} // namespace rapidjson

namespace pellimor {

// Writes one JSON document. A record's fields go through `operator()`, one call per field,
// in the list its `RecordJson::write` gives; an absent optional leaves its key out (never
// null), a present empty list or map is written empty. The first value without a JSON form
// (a number that is not finite, an invalid date) fails the whole document: nothing more is
// written and `finish` gives the failure, naming where it happened
// ("events[0].projects[1].duration: ...").
class RecordWriter {
public:
    explicit RecordWriter(RecordJson::DateForm form);

    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // A member of the object being written.
    template <size_t N, typename T> void operator()(const char (&key)[N], const T& value) {
        if (m_problem)
            return;
        m_json.Key(key, N - 1);
        write(value);
        if (m_problem)
            m_problem->under(QString::fromLatin1(key, N - 1));
    }
    template <size_t N, typename T> void operator()(const char (&key)[N], const std::optional<T>& value) {
        if (value)
            (*this)(key, *value);
    }

    // Values. A record is written as an object of its fields.
    void write(const QString& value);
    void write(qint64 value) { m_json.Int64(value); }
    void write(bool value) { m_json.Bool(value); }
    void write(double value);
    void write(const QDateTime& value);
    template <typename T> void write(const QList<T>& list) {
        m_json.StartArray();
        for (qsizetype i = 0; i < list.size(); ++i) {
            write(list.at(i));
            if (m_problem) {
                m_problem->under(QStringLiteral("[%1]").arg(i));
                return;
            }
        }
        m_json.EndArray();
    }
    template <typename T> void write(const QMap<QString, T>& map) {
        m_json.StartObject();
        for (auto it = map.begin(); it != map.end(); ++it) {
            writeKey(it.key());
            write(it.value());
            if (m_problem) {
                m_problem->under(QStringLiteral("[\"%1\"]").arg(it.key()));
                return;
            }
        }
        m_json.EndObject();
    }
    template <RecordJson::JsonRecord R> void write(const R& record) {
        m_json.StartObject();
        RecordJson::write(*this, record);
        if (!m_problem)
            m_json.EndObject();
    }

    // The frame of an object written member by member (a file's top-level object).
    void startObject() { m_json.StartObject(); }
    void endObject() {
        if (!m_problem)
            m_json.EndObject();
    }

    bool ok() const { return !m_problem.has_value(); }

    // The document, or the first failure. Once only.
    Result<QByteArray> finish();

private:
    void writeKey(const QString& key);
    // The UTF-8 of `text` in m_utf8; its length.
    qsizetype toUtf8(const QString& text);
    void fail(QString why) { m_problem = RecordJson::Problem{{}, std::move(why)}; }

    RecordJson::DateForm m_form;
    RecordJson::detail::ByteSink m_sink;
    rapidjson::Writer<RecordJson::detail::ByteSink> m_json;
    QStringEncoder m_encoder;
    QByteArray m_utf8;
    std::optional<RecordJson::Problem> m_problem;
};

} // namespace pellimor
