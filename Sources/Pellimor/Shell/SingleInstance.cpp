#include "Shell/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QSysInfo>
#include <QThread>
#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellimor::SingleInstance {

namespace {

// A request is a command line; anything longer is not one of ours.
constexpr qint64 kMaxRequestBytes = 1 << 20;
// Enough of the hash to keep two data folders apart, short enough for a socket's path.
constexpr int kHashDigits = 24;

const QString kArguments = QStringLiteral("arguments");
const QString kWorkingFolder = QStringLiteral("workingFolder");

struct Named {
    Outcome outcome;
    const char* name;
};
constexpr Named kNames[] = {
    {Outcome::broughtForward, "brought-forward"},
    {Outcome::scanStarted, "scan-started"},
    {Outcome::resumed, "resumed"},
    {Outcome::resumedInstead, "resumed-instead"},
    {Outcome::nothingToResume, "nothing-to-resume"},
    {Outcome::busy, "busy"},
};

// A folder of this user's that no one else may enter, and not a link to one.
bool privateFolder(const QString& path) {
    struct stat facts {};
    if (::lstat(QFile::encodeName(path).constData(), &facts) != 0)
        return false;
    return S_ISDIR(facts.st_mode) && facts.st_uid == ::geteuid() && (facts.st_mode & 077) == 0;
}

// The peer of an accepted connection runs as this user.
bool sameUser(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t size = sizeof(peer);
    const int descriptor = int(socket.socketDescriptor());
    return descriptor >= 0 && ::getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == ::geteuid();
}

Claim unreachable(qint64 pid, const QString& host) {
    Claim claim;
    claim.kind = Claim::Kind::unreachable;
    claim.holderPid = pid;
    claim.holderHost = host;
    return claim;
}

// What came back from the running process.
struct Reply {
    std::optional<Outcome> outcome; // its answer
    bool closed = false;            // it closed the connection without one (it is ending)
};

// Sends the request over a connected socket and waits for the one line that answers it.
Reply ask(QLocalSocket& socket, const Request& request, int answerMs) {
    socket.write(request.encoded() + '\n');
    const QDeadlineTimer deadline(answerMs);
    while (!socket.canReadLine()) {
        if (socket.state() != QLocalSocket::ConnectedState)
            return {std::nullopt, true};
        if (deadline.hasExpired())
            return {};
        const int wait = int(qMax<qint64>(deadline.remainingTime(), 0));
        if (socket.bytesToWrite() > 0)
            socket.waitForBytesWritten(wait);
        else
            socket.waitForReadyRead(wait);
    }
    return {outcomeNamed(QString::fromUtf8(socket.readLine().trimmed())), false};
}

} // namespace

// ---- The request and its outcome ------------------------------------------------------------

QByteArray Request::encoded() const {
    QJsonObject object;
    object.insert(kArguments, QJsonArray::fromStringList(arguments));
    object.insert(kWorkingFolder, workingFolder);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<Request> Request::decoded(const QByteArray& line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue arguments = object.value(kArguments);
    const QJsonValue workingFolder = object.value(kWorkingFolder);
    if (!arguments.isArray() || !workingFolder.isString())
        return std::nullopt;
    Request request;
    for (const QJsonValue& argument : arguments.toArray()) {
        if (!argument.isString())
            return std::nullopt;
        request.arguments.append(argument.toString());
    }
    request.workingFolder = workingFolder.toString();
    return request;
}

QString name(Outcome outcome) {
    for (const Named& named : kNames) {
        if (named.outcome == outcome)
            return QString::fromLatin1(named.name);
    }
    return {};
}

std::optional<Outcome> outcomeNamed(const QString& name) {
    for (const Named& named : kNames) {
        if (name == QLatin1String(named.name))
            return named.outcome;
    }
    return std::nullopt;
}

QString message(Outcome outcome) {
    switch (outcome) {
    case Outcome::broughtForward:
        return QStringLiteral(
            "Tovlin is already running for this catalogue; its window was brought forward.");
    case Outcome::scanStarted:
        return QStringLiteral("Tovlin is already running for this catalogue; the scan was handed to it.");
    case Outcome::resumed:
        return QStringLiteral("Tovlin is already running for this catalogue; it resumed the paused scan.");
    case Outcome::resumedInstead:
        return QStringLiteral("Tovlin is already running for this catalogue; it resumed the paused scan, so "
                              "the folders given were not scanned.");
    case Outcome::nothingToResume:
        return QStringLiteral(
            "Tovlin is already running for this catalogue, and it has no paused scan to resume.");
    case Outcome::busy:
        return QStringLiteral(
            "Tovlin is already running for this catalogue and a scan is under way there, so "
            "nothing was started; run the command again when that scan has finished.");
    }
    return {};
}

bool succeeded(Outcome outcome) {
    return outcome == Outcome::broughtForward || outcome == Outcome::scanStarted ||
           outcome == Outcome::resumed;
}

// ---- Where the lock and the socket are --------------------------------------------------------

QString lockFilePath(const QString& dataFolder) {
    return QDir(dataFolder).filePath(QStringLiteral("catalog.lock"));
}

Result<QString> runtimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && privateFolder(runtime))
        return QDir::cleanPath(runtime);

    const QString fallback = QDir(QDir::tempPath()).filePath(QStringLiteral("tovlin-%1").arg(::geteuid()));
    if (::mkdir(QFile::encodeName(fallback).constData(), 0700) != 0 && errno != EEXIST)
        return Failure{QStringLiteral("the folder “%1” can't be made").arg(fallback)};
    if (!privateFolder(fallback))
        return Failure{QStringLiteral("the folder “%1” is not this user's alone").arg(fallback)};
    return fallback;
}

QString socketName(const QString& dataFolder) {
    const QFileInfo folder(dataFolder);
    QString path = folder.canonicalFilePath();
    if (path.isEmpty())
        path = QDir::cleanPath(folder.absoluteFilePath());
    const QByteArray digest = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("tovlin-") + QString::fromLatin1(digest.left(kHashDigits));
}

Result<QString> socketPath(const QString& dataFolder) {
    const Result<QString> folder = runtimeFolder();
    if (!folder)
        return Failure{folder.error()};
    return QDir(*folder).filePath(socketName(dataFolder));
}

// ---- The later start's side ---------------------------------------------------------------

Claim claim(const QString& dataFolder, const Request& request, const Timing& timing) {
    QDir().mkpath(dataFolder);
    auto lock = std::make_unique<QLockFile>(lockFilePath(dataFolder));
    // Only a holder that has died gives the lock up, however long it has been held.
    lock->setStaleLockTime(0);
    const Result<QString> socket = socketPath(dataFolder);
    const QDeadlineTimer deadline(timing.reachMs);
    for (;;) {
        if (lock->tryLock(0)) {
            Claim claim;
            claim.kind = Claim::Kind::holder;
            claim.lock = std::move(lock);
            return claim;
        }
        if (lock->error() != QLockFile::LockFailedError) {
            Claim claim;
            claim.kind = Claim::Kind::failed;
            claim.error = lock->error() == QLockFile::PermissionError
                              ? QStringLiteral("its folder can't be written")
                              : QStringLiteral("its lock file “catalog.lock” can't be made");
            return claim;
        }
        qint64 pid = 0;
        QString host;
        QString application;
        // Fails when the holder has just let go; the next try takes the lock.
        if (lock->getLockInfo(&pid, &host, &application)) {
            if (host == QSysInfo::machineHostName())
                host.clear();
            if (socket) {
                QLocalSocket peer;
                peer.connectToServer(*socket);
                if (peer.waitForConnected(timing.retryMs)) {
                    const Reply reply = ask(peer, request, timing.answerMs);
                    if (reply.outcome) {
                        Claim claim;
                        claim.kind = Claim::Kind::handedOver;
                        claim.outcome = *reply.outcome;
                        return claim;
                    }
                    // It listens but does not answer; going away tells it to drop the request.
                    if (!reply.closed)
                        return unreachable(pid, host);
                    // Closed unanswered: it is ending, and the lock may soon be free.
                }
            }
            // Another machine's process is never reached over a socket of this one.
            if (deadline.hasExpired() || !host.isEmpty())
                return unreachable(pid, host);
        } else if (deadline.hasExpired()) {
            return unreachable(pid, host);
        }
        QThread::msleep(timing.retryMs);
    }
}

QString unreachableMessage(const QString& dataFolder, qint64 pid, const QString& host) {
    const QString holder = host.isEmpty() ? QStringLiteral("process %1").arg(pid)
                                          : QStringLiteral("process %1 on “%2”").arg(pid).arg(host);
    return QStringLiteral("The catalogue in “%1” is in use by %2, which did not answer; nothing was changed.")
        .arg(QDir::toNativeSeparators(dataFolder), holder);
}

QString lockFailedMessage(const QString& dataFolder, const QString& why) {
    return QStringLiteral("Tovlin can't lock the catalogue in “%1” (%2); nothing was changed.")
        .arg(QDir::toNativeSeparators(dataFolder), why);
}

std::optional<Ending> ending(const Claim& claim, const QString& dataFolder) {
    switch (claim.kind) {
    case Claim::Kind::holder:
        return std::nullopt;
    case Claim::Kind::handedOver: {
        const bool done = succeeded(claim.outcome);
        return Ending{done ? 0 : 1, !done, message(claim.outcome)};
    }
    case Claim::Kind::unreachable:
        return Ending{1, true, unreachableMessage(dataFolder, claim.holderPid, claim.holderHost)};
    case Claim::Kind::failed:
        return Ending{1, true, lockFailedMessage(dataFolder, claim.error)};
    }
    return std::nullopt;
}

// ---- The running process's side -----------------------------------------------------------

Server::Answer::Answer(QLocalSocket* socket) : m_socket(socket) {}

bool Server::Answer::stillAsked() const {
    return m_socket && m_socket->state() == QLocalSocket::ConnectedState;
}

void Server::Answer::operator()(Outcome outcome) const {
    if (!stillAsked())
        return;
    m_socket->write(name(outcome).toUtf8() + '\n');
    // Closes once the line is written.
    m_socket->disconnectFromServer();
}

Server::Server(Handler handler, QObject* parent) : QObject(parent), m_handler(std::move(handler)) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &Server::accept);
}

Server::~Server() = default;

Result<void> Server::listen(const QString& socketPath) {
    // The lock is ours, so a socket standing there was left by a holder that died.
    QLocalServer::removeServer(socketPath);
    if (!m_server.listen(socketPath))
        return Failure{m_server.errorString()};
    return {};
}

void Server::accept() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!sameUser(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        read(socket);
    }
}

void Server::read(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxRequestBytes) {
            socket->abort();
            socket->deleteLater();
        }
        return;
    }
    // One request per connection.
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    const std::optional<Request> request = Request::decoded(socket->readLine(kMaxRequestBytes).trimmed());
    if (!request) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    m_handler(*request, Answer(socket));
}

} // namespace pellimor::SingleInstance
