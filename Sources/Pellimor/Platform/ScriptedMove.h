#pragma once

#include <QByteArray>
#include <QString>

namespace pellimor::platform {

// Moving one item with the system's own commands, the way the program moves a component that
// may need the administrator's rights: make the destination's parent folder with its missing
// parents, then move the item. Each path reaches the commands as one argument of its own,
// never inside a shell command line, so no character of a path is ever read as syntax.
//
// The system implementation runs "/bin/mkdir -p PARENT" and then, when that worked,
// "/bin/mv SOURCE DESTINATION" as child processes. This system has no way to ask for the
// administrator's rights: with `admin` nothing is started and the move ends with status 1 and
// the text "Administrator rights are not available on this system.".
//
// Blocks the calling thread until the commands have ended; any thread.
class ScriptedMove {
public:
    struct Outcome {
        bool started = false; // false: a command could not be started at all
        QString startError;   // why not, the system's own text
        int exitStatus = 0;   // of the last command that ran; 0 when everything worked
        QByteArray output;    // what the commands wrote, standard output and error merged
    };

    virtual ~ScriptedMove() = default;

    virtual Outcome run(const QString& parent, const QString& source, const QString& destination,
                        bool admin) const = 0;
};

} // namespace pellimor::platform
