#pragma once

// One windowed Tovlin per data folder. Two processes on one catalogue would each load it,
// change their own copy and save it whole, so whichever saved last would silently drop what
// the other had found. The first windowed start therefore holds a lock file in the data
// folder for as long as it runs (a lock left by a process that has died is taken over), and
// listens on a local socket named after that folder; a later windowed start on the same folder
// never creates its Catalog: it hands its arguments to the running process over the socket,
// prints what was done there and ends. When the running process cannot be reached, the later
// start says which process holds the catalogue and ends, changing nothing.
//
// The socket lives in the user's runtime folder ($XDG_RUNTIME_DIR when it is private to this
// user, else a private folder of the user's own in the temporary folder), is reachable by this
// user only, and its name comes from a hash of the data folder's path, so the processes of two
// data folders never meet.
//
// The command-line switches never open the catalogue and never come here. Main thread only.

#include "Support/Result.h"

#include <QByteArray>
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QLocalSocket;

namespace pellimor::SingleInstance {

// What a later start asks of the running process: its whole command line, and the folder its
// relative "--scan" paths are taken from.
struct Request {
    QStringList arguments; // the program's arguments, its path first
    QString workingFolder;

    // One line of compact JSON, without its line break; nothing for anything else.
    QByteArray encoded() const;
    static std::optional<Request> decoded(const QByteArray& line);
    bool operator==(const Request&) const = default;
};

// What the running process did with a request.
enum class Outcome {
    broughtForward,  // neither "--scan" with paths nor "--resume": the window came forward
    scanStarted,     // "--scan" paths: their scan runs there
    resumed,         // "--resume": the paused scan runs again there
    resumedInstead,  // "--resume" and "--scan" paths: the paused scan runs, the paths were dropped
    nothingToResume, // "--resume" without a paused scan there
    busy,            // a scan was running there already, so nothing was started
};

// The outcome's name on the socket, and back; nothing for an unknown name.
QString name(Outcome outcome);
std::optional<Outcome> outcomeNamed(const QString& name);

// The one line the handing start prints. A request carried out as asked goes to standard
// output with exit status 0; anything else to standard error with status 1.
QString message(Outcome outcome);
bool succeeded(Outcome outcome);

// "catalog.lock" in the data folder.
QString lockFilePath(const QString& dataFolder);

// $XDG_RUNTIME_DIR when it is an absolute path to a folder of this user's that no one else
// may enter; else "tovlin-<user id>" in the temporary folder, made private to this user when
// missing. An error when neither can be had (the fallback folder belongs to someone else,
// is a link or is open to others).
Result<QString> runtimeFolder();

// The socket's name in the runtime folder: "tovlin-" and hex digits of the SHA-256 of the data
// folder's canonical path (its absolute clean path while it does not exist).
QString socketName(const QString& dataFolder);
Result<QString> socketPath(const QString& dataFolder);

// How long a later start waits. The limits only end a wait that would never end.
struct Timing {
    int reachMs = 15000;  // for the lock's holder to listen: it takes the lock before it can
    int answerMs = 60000; // for its answer, which waits for its window's start-up
    int retryMs = 100;    // between tries to reach it
};

// A windowed start's claim on the data folder.
struct Claim {
    enum class Kind {
        holder,      // this process holds the lock: it opens the catalogue
        handedOver,  // the running process answered `outcome`
        unreachable, // `holderPid` holds the lock and did not answer
        failed,      // no lock file could be made: `error` says why
    };
    Kind kind = Kind::failed;
    std::unique_ptr<QLockFile> lock; // held, for `holder`: released when destroyed
    Outcome outcome = Outcome::busy;
    qint64 holderPid = 0;
    QString holderHost; // the holder's machine, when it is not this one
    QString error;
};

// Takes the lock in `dataFolder` (making the folder when missing), or hands `request` to the
// process that holds it. Blocks; needs no application object.
Claim claim(const QString& dataFolder, const Request& request, const Timing& timing = {});

// What a start that does not hold the lock prints and exits with.
struct Ending {
    int status = 1;
    bool standardError = true;
    QString line;
};
std::optional<Ending> ending(const Claim& claim, const QString& dataFolder); // nothing for a holder
// "The catalogue in “<folder>” is in use by process N, which did not answer; nothing was changed."
QString unreachableMessage(const QString& dataFolder, qint64 pid, const QString& host = {});
// "Tovlin can't lock the catalogue in “<folder>” (<why>); nothing was changed."
QString lockFailedMessage(const QString& dataFolder, const QString& why);

// The running process's side: it listens once it holds the lock and hands every request to
// its handler, which answers it (at once or later) through the Answer it is given.
class Server final : public QObject {
    Q_OBJECT
public:
    // Answers one request; does nothing once the asking process has gone, since it has told
    // its user that nothing was changed.
    class Answer {
    public:
        explicit Answer(QLocalSocket* socket);
        bool stillAsked() const;
        void operator()(Outcome outcome) const;

    private:
        QPointer<QLocalSocket> m_socket;
    };
    using Handler = std::function<void(const Request& request, const Answer& answer)>;

    explicit Server(Handler handler, QObject* parent = nullptr);
    ~Server() override;

    // Listens at `socketPath`, replacing a socket that a dead holder of the lock left there:
    // only for the lock's holder.
    Result<void> listen(const QString& socketPath);

private:
    void accept();
    void read(QLocalSocket* socket);

    Handler m_handler;
    QLocalServer m_server;
};

} // namespace pellimor::SingleInstance
