#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Reader/LibraryReader.h"
#include "Manual/Render/ManualSelfTests.h"
#include "Platform/Paths.h"
#include "Platform/ProblemReporter.h"
#include "Shell/CommandLine.h"
#include "Shell/HandedStart.h"
#include "Shell/SingleInstance.h"
#include "Shell/Views/MainContent.h"
#include "Shell/Views/MainWindow.h"
#include "Shell/Views/PellimorApp.h"
#include "Support/MallocTuning.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

// A platform plug-in named by the user (QT_QPA_PLATFORM, or Qt's own "-platform" switch) is
// the user's choice: offscreen and the like need no display, and Qt reports on the others.
bool platformChosen(int argc, char** argv) {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    }
    return false;
}

// The X server accepts us, authorisation included: the same connection Qt's plug-in makes.
bool xDisplayOpens(const QByteArray& name) {
    xcb_connection_t* connection = xcb_connect(name.constData(), nullptr);
    const bool opened = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return opened;
}

// A Wayland compositor listens on its socket (a name is relative to XDG_RUNTIME_DIR).
bool waylandDisplayOpens(const QByteArray& name) {
    QByteArray path = name;
    if (!path.startsWith('/')) {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        if (runtime.isEmpty())
            return false;
        path = runtime + '/' + name;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof(address.sun_path)))
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int socketFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socketFd < 0)
        return false;
    const bool opened =
        ::connect(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    close(socketFd);
    return opened;
}

// Why no window can be shown, or nothing when one can. Decided before the application object
// exists, whose platform plug-in would otherwise abort the program on a missing display.
std::optional<QString> missingDisplay(int argc, char** argv) {
    if (platformChosen(argc, argv))
        return std::nullopt;
    const QByteArray x = qgetenv("DISPLAY");
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    if (x.isEmpty() && wayland.isEmpty())
        return QStringLiteral("none is set (neither DISPLAY nor WAYLAND_DISPLAY)");
    if ((!x.isEmpty() && xDisplayOpens(x)) || (!wayland.isEmpty() && waylandDisplayOpens(wayland)))
        return std::nullopt;
    QStringList tried;
    if (!x.isEmpty())
        tried.append(QStringLiteral("DISPLAY=") + QString::fromLocal8Bit(x));
    if (!wayland.isEmpty())
        tried.append(QStringLiteral("WAYLAND_DISPLAY=") + QString::fromLocal8Bit(wayland));
    return tried.size() == 1 ? tried.front() + QStringLiteral(" cannot be opened")
                             : QStringLiteral("neither ") + tried.join(QStringLiteral(" nor ")) +
                                   QStringLiteral(" can be opened");
}

// One line for the user of a start that leaves the catalogue to the process that holds it.
void print(const pellimor::SingleInstance::Ending& ending) {
    const QByteArray bytes = ending.line.toUtf8() + '\n';
    std::FILE* stream = ending.standardError ? stderr : stdout;
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// A later start's request, carried out once the window has acted on its own arguments, so
// its "--scan" and this one's never meet half-way; the window comes forward either way.
void serve(pellimor::PellimorApp& app, const pellimor::SingleInstance::Request& request,
           const pellimor::SingleInstance::Server::Answer& answer) {
    const auto carryOut = [&app, request, answer] {
        // The asking start has given up and told its user that nothing was changed.
        if (!answer.stillAsked())
            return;
        const pellimor::SingleInstance::Outcome outcome =
            pellimor::HandedStart::carryOut(app.catalog(), request);
        pellimor::MainWindow& window = app.mainWindow();
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
        app.showMainWindow();
        answer(outcome);
    };
    if (app.mainContent().hasStartedUp())
        carryOut();
    else
        QObject::connect(&app.mainContent(), &pellimor::MainContent::startedUp, &app, carryOut,
                         Qt::SingleShotConnection);
}

} // namespace

int main(int argc, char** argv) {
    pellimor::MallocTuning::apply();
    // Decided once, from the program's own arguments, before anything could log. What the
    // platform layer meets on its own (a setting that could not be saved) goes to the error
    // log; a headless run leaves that log alone, so there it goes to standard error.
    if (!pellimor::ErrorLog::decideHeadless(argc, argv))
        pellimor::platform::ProblemReporter::install(pellimor::ErrorLog::logProblem);
    // Before anything starts SQLite, or the setting would not take.
    pellimor::LibraryReader::prepareDatabaseEngine();

    // Switches run before any application object exists, so they need no display; a switch
    // whose engine needs an event loop makes its own core application.
    // "--selftest-manual" lays the manual's page out with Qt Gui, which the shell's engine does
    // not link, so its row joins the table here.
    const QStringList arguments = pellimor::CommandLine::arguments(argc, argv);
    QList<pellimor::CommandLine::Switch> switches = pellimor::CommandLine::switches();
    switches.append({QStringLiteral("--selftest-manual"), 2,
                     [](const QStringList&, const pellimor::CommandLine::Print& print) {
                         return pellimor::ManualSelfTests::run(print);
                     }});
    if (const std::optional<int> status =
            pellimor::CommandLine::dispatch(arguments, switches, pellimor::CommandLine::standardOutput()))
        return *status;

    // One windowed process per data folder, decided before anything loads the catalogue: a
    // later start hands its arguments to the running one and ends (needing no display). The
    // lock is held until main() returns, after the catalogue has made its last writes.
    const QString dataFolder = pellimor::Paths::dataFolder();
    const pellimor::SingleInstance::Claim claim =
        pellimor::SingleInstance::claim(dataFolder, {arguments, QDir::currentPath()});
    if (const std::optional<pellimor::SingleInstance::Ending> ending =
            pellimor::SingleInstance::ending(claim, dataFolder)) {
        print(*ending);
        return ending->status;
    }

    if (const std::optional<QString> why = missingDisplay(argc, argv)) {
        std::fprintf(stderr,
                     "Tovlin's window needs a display, but %s. Run it on a virtual display: "
                     "xvfb-run -a -s \"-screen 0 1600x1000x24\" scripts/run.sh\n",
                     why->toLocal8Bit().constData());
        return 1;
    }

    // The windowed program: the application object owns the catalogue and the windows.
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovlin"));
    // Listening before the catalogue loads: a later start may wait for its answer meanwhile,
    // and what comes before the application object exists is served once it does.
    using pellimor::SingleInstance::Request;
    using Answer = pellimor::SingleInstance::Server::Answer;
    std::unique_ptr<pellimor::PellimorApp> app;
    QList<std::pair<Request, Answer>> early;
    pellimor::SingleInstance::Server server([&app, &early](const Request& request, const Answer& answer) {
        if (app)
            serve(*app, request, answer);
        else
            early.append({request, answer});
    });
    const pellimor::Result<QString> socket = pellimor::SingleInstance::socketPath(dataFolder);
    const pellimor::Result<void> listening =
        socket ? server.listen(*socket) : pellimor::Result<void>(pellimor::Failure{socket.error()});
    if (!listening) {
        const QString why =
            QStringLiteral("Later starts of Tovlin on this catalogue can't reach this one (") +
            listening.error() + QStringLiteral("); they will say the catalogue is in use.");
        pellimor::ErrorLog::log(pellimor::ErrorLog::Level::warn, QStringLiteral("start"), why);
        std::fprintf(stderr, "%s\n", why.toUtf8().constData());
    }
    app = std::make_unique<pellimor::PellimorApp>(arguments);
    app->showMainWindow();
    for (const auto& [request, answer] : std::as_const(early))
        serve(*app, request, answer);
    const int status = QApplication::exec();
    app.reset();
    return status;
}
