#pragma once

#include "Platform/ScriptedMove.h"
#include "Platform/Services.h"

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QString>
#include <memory>
#include <mutex>
#include <optional>

namespace pellimor::test {

// Moves as a test scripts them. Every call is recorded; an outcome queued with answer() is
// given (in order) without anything being moved — a dismissed administrator prompt ("User
// canceled. (-128)"), a failure text, a status without output. With nothing queued it moves
// the item itself, administrator rights or not (making the parent, then renaming; a
// destination that is taken fails as mv would), so a test can park a component that lies in
// the system-wide folders. Safe from any thread.
//
//   auto mover = std::make_shared<FakeScriptedMove>();
//   mover->answer({true, {}, 1, "User canceled. (-128)"});
//   platform::ScopedServices scope(FakeScriptedMove::services(mover));
class FakeScriptedMove final : public platform::ScriptedMove {
public:
    struct Call {
        QString parent;
        QString source;
        QString destination;
        bool admin = false;
    };

    void answer(Outcome outcome) {
        std::lock_guard lock(m_mutex);
        m_answers.append(std::move(outcome));
    }

    QList<Call> calls() const {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

    Outcome run(const QString& parent, const QString& source, const QString& destination,
                bool admin) const override {
        {
            std::lock_guard lock(m_mutex);
            m_calls.append({parent, source, destination, admin});
            if (!m_answers.isEmpty())
                return m_answers.takeFirst();
        }
        Outcome outcome;
        outcome.started = true;
        if (!QDir().mkpath(parent)) {
            outcome.exitStatus = 1;
            outcome.output = "mkdir: cannot create directory";
        } else if (QFileInfo(destination).exists() || QFileInfo(destination).isSymLink() ||
                   !QDir().rename(source, destination)) {
            outcome.exitStatus = 1;
            outcome.output = "mv: cannot move";
        }
        return outcome;
    }

    // Services with only this mover set, for platform::ScopedServices.
    static platform::Services services(std::shared_ptr<FakeScriptedMove> mover) {
        platform::Services s;
        s.scriptedMove = std::move(mover);
        return s;
    }

private:
    mutable std::mutex m_mutex;
    mutable QList<Outcome> m_answers;
    mutable QList<Call> m_calls;
};

} // namespace pellimor::test
