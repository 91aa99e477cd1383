#include "Platform/ScriptedMove.h"
#include "Platform/SystemServices.h"

#include <QProcess>
#include <QStringList>

namespace pellimor::platform {

namespace {

class SystemScriptedMove final : public ScriptedMove {
public:
    Outcome run(const QString& parent, const QString& source, const QString& destination,
                bool admin) const override {
        Outcome outcome;
        if (admin) {
            // Nothing here can ask the user for the administrator's password, and the move is
            // not tried without it: it would fail half-way in a folder owned by the system.
            outcome.started = true;
            outcome.exitStatus = 1;
            outcome.output = "Administrator rights are not available on this system.";
            return outcome;
        }
        // "--" ends the options, so a path is a path even where it begins with a dash.
        if (!step(QStringLiteral("/bin/mkdir"), {QStringLiteral("-p"), QStringLiteral("--"), parent},
                  outcome))
            return outcome;
        step(QStringLiteral("/bin/mv"), {QStringLiteral("--"), source, destination}, outcome);
        return outcome;
    }

private:
    // Runs one command to its end, adding what it writes to the outcome; true when it ended
    // with status 0.
    static bool step(const QString& program, const QStringList& arguments, Outcome& outcome) {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(program, arguments);
        if (!process.waitForStarted(-1)) {
            outcome.started = false;
            outcome.startError = process.errorString();
            return false;
        }
        outcome.started = true;
        // Read while it runs, so a command that writes much never waits on a full pipe.
        while (process.state() != QProcess::NotRunning && !process.waitForFinished(100))
            outcome.output += process.readAll();
        outcome.output += process.readAll();
        outcome.exitStatus = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : 1;
        return outcome.exitStatus == 0;
    }
};

} // namespace

std::shared_ptr<ScriptedMove> makeSystemScriptedMove() {
    return std::make_shared<SystemScriptedMove>();
}

} // namespace pellimor::platform
