#pragma once

#include <QString>
#include <functional>
#include <optional>

// Where the layers below the catalogue send a problem they meet but cannot hand back to a
// caller (a setting that could not be saved, a settings file kept aside). The program's logs
// sit on a higher floor, so the composition root installs a sink once at start-up; until
// then, and whenever no sink is installed, a problem goes to qWarning.
//
// Safe from any thread. A sink runs on the reporting thread, with no lock of this layer held,
// so it may report again or install another sink.
namespace pellimor::platform::ProblemReporter {

enum class Level { warn, error };

struct Problem {
    Level level = Level::error;
    QString area;                // the part of the program that met it, e.g. "settings"
    QString message;             // what happened and what is safe, as a user reads it
    std::optional<QString> path; // the file it concerns, when there is one
    bool operator==(const Problem&) const = default;
};

using Sink = std::function<void(const Problem&)>;

void report(const Problem& problem);

// Sends every later report to `sink`; an empty sink brings back qWarning. Returns the sink
// it replaces (empty when that was qWarning).
Sink install(Sink sink);

// Installs a sink for its own lifetime, then brings back the one before (tests). Scopes
// nest and end in reverse order.
class Scoped {
public:
    explicit Scoped(Sink sink) : m_previous(install(std::move(sink))) {}
    ~Scoped() { install(std::move(m_previous)); }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;

private:
    Sink m_previous;
};

} // namespace pellimor::platform::ProblemReporter
