#pragma once

#include "Catalogue/Records/RecordJson.h"
#include "Support/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <cstddef>
#include <cstring>
#include <optional>
#include <rapidjson/document.h>

namespace pellimor {

namespace RecordJson {

// What a document must hold at its top level.
enum class Shape { object, array };

// Parses `bytes` into `document`: the failure (malformed or truncated JSON, text that is not
// UTF-8, a document of the other shape, or a key given twice in one object), or nothing when
// it is whole. A leading UTF-8
// byte-order mark is skipped. Nesting depth does not use the call stack, so no document can
// exhaust it.
std::optional<QString> parse(const QByteArray& bytes, Shape shape, rapidjson::Document& document);

} // namespace RecordJson

// Reads the fields of one record from a parsed JSON object, one `operator()` call per field,
// in the list its `RecordJson::read` gives. A field held in a std::optional is optional (a
// missing key or null gives absent); any other is required. The first failure is kept and
// later reads do nothing, so a record's decoder is a flat list of fields followed by
// `finish`. Unknown keys are never looked at.
class RecordReader {
public:
    using Value = rapidjson::Value;

    // Over the members of `object` (an object value that outlives the reader).
    RecordReader(const Value& object, RecordJson::DateForm form) : m_object(&object), m_form(form) {}
    // For values only (a file's top-level array).
    explicit RecordReader(RecordJson::DateForm form) : m_form(form) {}

    RecordReader(const RecordReader&) = delete;
    RecordReader& operator=(const RecordReader&) = delete;

    template <size_t N, typename T> void operator()(const char (&key)[N], T& out) {
        if (m_problem)
            return;
        const Value* value = member(key, N - 1);
        if (!value) {
            fail(QStringLiteral("the required key is missing"));
        } else if (value->IsNull()) {
            fail(QStringLiteral("null where a value is required"));
        } else if (read(*value, out)) {
            return;
        }
        m_problem->under(QString::fromLatin1(key, N - 1));
    }

    template <size_t N, typename T> void operator()(const char (&key)[N], std::optional<T>& out) {
        if (m_problem)
            return;
        const Value* value = member(key, N - 1);
        if (!value || value->IsNull()) {
            out.reset();
            return;
        }
        if (!read(*value, out.emplace())) {
            out.reset();
            m_problem->under(QString::fromLatin1(key, N - 1));
        }
    }

    // Values. Each gives false, with the reason kept, when `value` does not fit.
    bool read(const Value& value, QString& out);
    bool read(const Value& value, qint64& out);
    bool read(const Value& value, bool& out);
    bool read(const Value& value, double& out);
    bool read(const Value& value, QDateTime& out);
    template <typename T> bool read(const Value& value, QList<T>& out) {
        if (!value.IsArray())
            return mismatch("an array", value);
        QList<T> list;
        list.reserve(qsizetype(value.Size()));
        for (rapidjson::SizeType i = 0; i < value.Size(); ++i) {
            if (!read(value[i], list.emplaceBack())) {
                m_problem->under(QStringLiteral("[%1]").arg(i));
                return false;
            }
        }
        out = std::move(list);
        return true;
    }
    template <typename T> bool read(const Value& value, QMap<QString, T>& out) {
        if (!value.IsObject())
            return mismatch("an object", value);
        QMap<QString, T> map;
        for (auto it = value.MemberBegin(); it != value.MemberEnd(); ++it) {
            const QString key =
                QString::fromUtf8(it->name.GetString(), qsizetype(it->name.GetStringLength()));
            T element{};
            if (!read(it->value, element)) {
                m_problem->under(QStringLiteral("[\"%1\"]").arg(key));
                return false;
            }
            // Written in the map's own order, so the end is the place.
            map.insert(map.cend(), key, std::move(element));
        }
        out = std::move(map);
        return true;
    }
    template <RecordJson::JsonRecord R> bool read(const Value& value, R& out) {
        if (!value.IsObject())
            return mismatch("an object", value);
        RecordReader fields(value, m_form);
        RecordJson::read(fields, out);
        if (fields.m_problem) {
            m_problem = std::move(fields.m_problem);
            return false;
        }
        return true;
    }

    bool ok() const { return !m_problem.has_value(); }
    // The reason of the first failure; empty while there is none.
    QString error() const { return m_problem ? m_problem->text() : QString(); }

    // The decoded record, or the first failure.
    template <typename R> Result<R> finish(R record) const {
        if (m_problem)
            return Failure{m_problem->text()};
        return record;
    }

private:
    // The value of the member named `key`. A parsed document never repeats a key (parse()
    // refuses one that does); should a document built otherwise, the last one counts.
    const Value* member(const char* key, size_t length) const {
        if (!m_object)
            return nullptr;
        for (auto it = m_object->MemberEnd(); it != m_object->MemberBegin();) {
            --it;
            if (it->name.GetStringLength() == length && std::memcmp(it->name.GetString(), key, length) == 0)
                return &it->value;
        }
        return nullptr;
    }
    bool mismatch(const char* expected, const Value& found);
    void fail(QString why) { m_problem = RecordJson::Problem{{}, std::move(why)}; }

    const Value* m_object = nullptr;
    RecordJson::DateForm m_form;
    std::optional<RecordJson::Problem> m_problem;
};

} // namespace pellimor
