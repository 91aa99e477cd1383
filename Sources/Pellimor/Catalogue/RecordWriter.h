#pragma once

#include "Catalogue/RecordJson.h"
#include "Support/Result.h"

#include <QJsonObject>
#include <QLatin1String>
#include <optional>

namespace pellimor {

// Writes the fields of one record into a JSON object, one `write` per field. An absent
// optional leaves its key out (never null); a present empty list or map is written empty.
// The first value without a JSON form fails the whole record: `finish` then gives no object.
class RecordWriter {
public:
    explicit RecordWriter(RecordJson::DateForm form) : m_form(form) {}

    template <typename T> void write(const char* key, const T& value) {
        if (m_problem)
            return;
        QJsonValue json;
        RecordJson::Problem problem;
        if (!RecordJson::toValue(value, json, m_form, problem)) {
            problem.under(QString::fromLatin1(key));
            m_problem = std::move(problem);
            return;
        }
        m_object.insert(QLatin1String(key), json);
    }

    template <typename T> void write(const char* key, const std::optional<T>& value) {
        if (value)
            write(key, *value);
    }

    bool ok() const { return !m_problem.has_value(); }

    // The written object, or the first failure.
    Result<QJsonObject> finish() const {
        if (m_problem)
            return Result<QJsonObject>::failure(m_problem->text());
        return Result<QJsonObject>::success(m_object);
    }

private:
    RecordJson::DateForm m_form;
    QJsonObject m_object;
    std::optional<RecordJson::Problem> m_problem;
};

} // namespace pellimor
