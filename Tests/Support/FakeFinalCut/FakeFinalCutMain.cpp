// "fake-finalcut [LIBRARY]": a stand-in Final Cut Pro for tests that drive a real process. It
// reads its script from "../Resources/fake-finalcut.json" beside its own folder (none: the
// defaults), hands LIBRARY to an instance of the same program that already runs, or else
// opens it itself and serves its socket until it quits. SIGTERM is a normal quit request;
// SIGKILL ends it.

#include "Tests/Support/FakeFinalCut/FakeFinalCutModel.h"
#include "Tests/Support/FakeFinalCut/FakeFinalCutScript.h"
#include "Tests/Support/FakeFinalCut/FakeFinalCutWire.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <dirent.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pellimor::test;

namespace {

int g_signalPipe[2] = {-1, -1};

// Only notes the request; the event loop acts on it.
void onTerminate(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[0], &byte, 1);
}

// The other running processes of this same executable file (a copy elsewhere is another
// program), oldest id first.
QList<qint64> otherInstances() {
    struct stat self {};
    if (::stat("/proc/self/exe", &self) != 0)
        return {};
    QList<qint64> found;
    DIR* processes = ::opendir("/proc");
    if (!processes)
        return {};
    while (const dirent* entry = ::readdir(processes)) {
        bool numeric = false;
        const qint64 pid = QByteArray(entry->d_name).toLongLong(&numeric);
        struct stat image {};
        if (!numeric || pid == ::getpid() ||
            ::stat(("/proc/" + QByteArray::number(pid) + "/exe").constData(), &image) != 0)
            continue;
        if (image.st_dev == self.st_dev && image.st_ino == self.st_ino)
            found.append(pid);
    }
    ::closedir(processes);
    std::sort(found.begin(), found.end());
    return found;
}

// Hands the library to a running instance; false when none takes it.
bool handOver(const QString& library) {
    for (const qint64 pid : otherInstances()) {
        QLocalSocket socket;
        socket.connectToServer(FakeFinalCutWire::serverName(pid));
        if (!socket.waitForConnected(2000))
            continue;
        socket.write(FakeFinalCutWire::line({{"op", "open"}, {"path", library}}));
        if (socket.waitForBytesWritten(2000) && socket.waitForReadyRead(5000))
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList arguments = app.arguments().mid(1);
    const QString library = arguments.value(0);

    FakeFinalCutScript script;
    QFile scriptFile(
        QDir(app.applicationDirPath()).filePath(QStringLiteral("../Resources/fake-finalcut.json")));
    if (scriptFile.exists()) {
        QString error;
        const std::optional<FakeFinalCutScript> read =
            scriptFile.open(QIODevice::ReadOnly) ? FakeFinalCutScript::fromJson(scriptFile.readAll(), &error)
                                                 : std::nullopt;
        if (!read) {
            err << "fake-finalcut: the script " << scriptFile.fileName() << " cannot be used: " << error
                << '\n';
            return 2;
        }
        script = *read;
    }

    if (!library.isEmpty() && handOver(library))
        return 0;

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return 3;
    struct sigaction action {};
    action.sa_handler = onTerminate;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);

    FakeFinalCutModel model(script);
    QObject::connect(&model, &FakeFinalCutModel::ended, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    QSocketNotifier terminate(g_signalPipe[1], QSocketNotifier::Read);
    QObject::connect(&terminate, &QSocketNotifier::activated, &model, [&model] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(g_signalPipe[1], &byte, 1);
        model.requestQuit();
    });

    QLocalServer server;
    const QString name = FakeFinalCutWire::serverName(QCoreApplication::applicationPid());
    QLocalServer::removeServer(name);
    if (!server.listen(name)) {
        err << "fake-finalcut: cannot listen on " << name << ": " << server.errorString() << '\n';
        return 3;
    }
    QObject::connect(&server, &QLocalServer::newConnection, &server, [&server, &model] {
        while (QLocalSocket* socket = server.nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, &model] {
                while (socket->canReadLine()) {
                    const std::optional<QJsonObject> request = FakeFinalCutWire::parse(socket->readLine());
                    const std::optional<QJsonObject> reply =
                        request ? FakeFinalCutWire::answer(model, *request)
                                : QJsonObject{{"error", QStringLiteral("not a JSON object")}};
                    if (reply)
                        socket->write(FakeFinalCutWire::line(*reply));
                }
            });
        }
    });

    // A test that failed before it could end the program leaves no process behind for long.
    QTimer::singleShot(std::chrono::minutes(10), &app, &QCoreApplication::quit);

    if (!library.isEmpty())
        model.open(library, [](const std::optional<QString>&) {});
    return app.exec();
}
