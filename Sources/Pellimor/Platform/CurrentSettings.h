#pragma once

#include <QLatin1StringView>
#include <QString>
#include <optional>

// The process's settings store (services().settings), read and written by key. A process
// without a store (a tool run, a test that set none) reads every fallback and writes nothing,
// so a caller never has to ask whether one is installed. Main thread, as the store is.
namespace pellimor::platform::CurrentSettings {

bool flag(QLatin1StringView key, bool fallback);
void setFlag(QLatin1StringView key, bool value);

QString text(QLatin1StringView key, QLatin1StringView fallback);
void setText(QLatin1StringView key, const QString& value);

// The stored value only when it is an integer: anything else reads as absent, so each rule
// decides what an absent value means.
std::optional<qint64> integer(QLatin1StringView key);
void setInteger(QLatin1StringView key, qint64 value);

} // namespace pellimor::platform::CurrentSettings
