#pragma once

#include <QString>
#include <optional>
#include <utility>

namespace pellimor {

// Why an operation gave no value: a message a user can read. Converts to any Result<T>, so
// a function can `return Failure{tr("...")};` whatever it returns on success.
struct Failure {
    QString message;
};

// A value, or the message that says why there is none. Operations that can fail return
// one instead of throwing, so nothing escapes across a thread or signal boundary.
// value(), operator* and operator-> are only for a result that is ok().
template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Failure failure) : m_error(std::move(failure.message)) {}

    static Result success(T value) { return Result(std::move(value)); }
    static Result failure(QString message) { return Result(Failure{std::move(message)}); }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return *m_value; }
    T& value() & { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T& operator*() const& { return *m_value; }
    T& operator*() & { return *m_value; }
    const T* operator->() const { return &*m_value; }
    T* operator->() { return &*m_value; }

    // Empty when ok().
    const QString& error() const { return m_error; }

private:
    std::optional<T> m_value;
    QString m_error;
};

// Success without a value, or the message that says what went wrong.
template <> class [[nodiscard]] Result<void> {
public:
    Result() = default; // success
    Result(Failure failure) : m_failed(true), m_error(std::move(failure.message)) {}

    static Result success() { return Result(); }
    static Result failure(QString message) { return Result(Failure{std::move(message)}); }

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }

    // Empty when ok().
    const QString& error() const { return m_error; }

private:
    bool m_failed = false;
    QString m_error;
};

} // namespace pellimor
