#pragma once

#include "Catalogue/RecordJson.h"
#include "Support/Result.h"

#include <QJsonObject>
#include <QLatin1String>
#include <optional>

namespace pellimor {

// Reads the fields of one record from its JSON object, one `read` per field. A field held in
// a std::optional is optional (a missing key or null gives absent); any other is required.
// The first failure is kept and later reads do nothing, so a record's decoder is a flat list
// of reads followed by `finish`. Unknown keys are never looked at.
class RecordReader {
public:
    RecordReader(const QJsonObject& object, RecordJson::DateForm form) : m_object(object), m_form(form) {}

    template <typename T> void read(const char* key, T& out) {
        if (m_problem)
            return;
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (value.isUndefined()) {
            fail(key, QStringLiteral("the required key is missing"));
            return;
        }
        if (value.isNull()) {
            fail(key, QStringLiteral("null where a value is required"));
            return;
        }
        convert(key, value, out);
    }

    template <typename T> void read(const char* key, std::optional<T>& out) {
        if (m_problem)
            return;
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (value.isUndefined() || value.isNull()) {
            out.reset();
            return;
        }
        T present{};
        if (convert(key, value, present))
            out = std::move(present);
    }

    bool ok() const { return !m_problem.has_value(); }

    // The decoded record, or the first failure.
    template <typename R> Result<R> finish(R record) const {
        if (m_problem)
            return Result<R>::failure(m_problem->text());
        return Result<R>::success(std::move(record));
    }

private:
    template <typename T> bool convert(const char* key, const QJsonValue& value, T& out) {
        RecordJson::Problem problem;
        if (RecordJson::fromValue(value, out, m_form, problem))
            return true;
        problem.under(QString::fromLatin1(key));
        m_problem = std::move(problem);
        return false;
    }

    void fail(const char* key, QString why) {
        m_problem = RecordJson::Problem{QString::fromLatin1(key), std::move(why)};
    }

    const QJsonObject& m_object;
    RecordJson::DateForm m_form;
    std::optional<RecordJson::Problem> m_problem;
};

} // namespace pellimor
