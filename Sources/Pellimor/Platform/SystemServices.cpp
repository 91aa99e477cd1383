#include "Platform/SystemServices.h"

#include "Platform/Clock.h"
#include "Platform/Paths.h"
#include "Platform/Services.h"
#include "Platform/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <memory>
#include <optional>

#ifndef TOVLIN_VERSION
#define TOVLIN_VERSION "0.0.0"
#endif
#ifndef TOVLIN_BUILD_NUMBER
#define TOVLIN_BUILD_NUMBER ""
#endif

namespace pellimor::platform {

namespace {

using Setup = SystemFileManagerShell::Setup;
using RevealOutcome = SystemFileManagerShell::RevealOutcome;

// Runs `callback` once `delay` has passed on the program's clock, unless `context` is gone by
// then. The one place a reveal asks for time.
void after(std::chrono::milliseconds delay, QObject* context, std::function<void()> callback) {
    if (const std::shared_ptr<Clock> clock = services().clock)
        clock->after(delay, context, std::move(callback));
    else
        QTimer::singleShot(delay, context, std::move(callback));
}

// How long a call that was told to stop may take to end before it is killed.
constexpr std::chrono::milliseconds kStopGrace{2000};

void startDetached(const Setup& setup, const QString& program, const QStringList& arguments) {
    if (setup.startDetached)
        setup.startDetached(program, arguments);
    else
        QProcess::startDetached(program, arguments);
}

} // namespace

SystemFileManagerShell::SystemFileManagerShell() = default;

SystemFileManagerShell::SystemFileManagerShell(Setup setup) : m_setup(std::move(setup)) {}

void SystemFileManagerShell::reveal(const QString& path) {
    const QFileInfo file(path);
    const QString uri = QUrl::fromLocalFile(file.absoluteFilePath()).toString(QUrl::FullyEncoded);
    const QString folder = file.absolutePath();

    // One request: decided once, over once. The call's process carries it: every timer and
    // connection below has the process as its context, so they all go when it is deleted.
    // It keeps its own copy of the setup, as the shell may be replaced while the call runs.
    struct Request {
        Setup setup;
        std::optional<RevealOutcome> outcome;
        bool over = false;
    };
    const auto request = std::make_shared<Request>(Request{m_setup, std::nullopt, false});
    auto* call = new QProcess;
    // Ended with the application when still running, rather than left behind.
    if (QCoreApplication* app = QCoreApplication::instance();
        app && app->thread() == QThread::currentThread())
        call->setParent(app);
    call->setProgram(m_setup.busProgram);
    call->setArguments({QStringLiteral("--session"), QStringLiteral("--print-reply"),
                        QStringLiteral("--dest=org.freedesktop.FileManager1"),
                        QStringLiteral("--type=method_call"), QStringLiteral("/org/freedesktop/FileManager1"),
                        QStringLiteral("org.freedesktop.FileManager1.ShowItems"),
                        QStringLiteral("array:string:") + uri, QStringLiteral("string:")});
    call->setStandardOutputFile(QProcess::nullDevice());
    call->setStandardErrorFile(QProcess::nullDevice());

    // The first outcome stands; true when this one was it.
    const auto decide = [request, folder](RevealOutcome outcome) {
        if (request->outcome)
            return false;
        request->outcome = outcome;
        if (outcome == RevealOutcome::fellBack)
            startDetached(request->setup, request->setup.openerProgram, {folder});
        return true;
    };
    const auto finish = [request, call, path] {
        if (request->over)
            return;
        request->over = true;
        if (request->setup.settled)
            request->setup.settled(path, request->outcome.value_or(RevealOutcome::fellBack));
        call->deleteLater();
    };

    QObject::connect(call, &QProcess::finished, call,
                     [decide, finish](int exitCode, QProcess::ExitStatus status) {
                         const bool shown = status == QProcess::NormalExit && exitCode == 0;
                         decide(shown ? RevealOutcome::shown : RevealOutcome::fellBack);
                         finish();
                     });
    // Queued: a program that cannot start may say so inside start(), and the caller must
    // have its answer only later, like every other.
    QObject::connect(
        call, &QProcess::errorOccurred, call,
        [decide, finish](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return; // the others end in finished()
            decide(RevealOutcome::fellBack);
            finish();
        },
        Qt::QueuedConnection);
    after(m_setup.answerDeadline, call, [decide, call] {
        if (!decide(RevealOutcome::fellBack))
            return;
        // Nothing it says from now on counts; stop it, and kill it if it will not stop.
        call->terminate();
        after(kStopGrace, call, [call] { call->kill(); });
    });
    call->start();
}

void SystemFileManagerShell::open(const QString& path) {
    startDetached(m_setup, m_setup.openerProgram, {path});
}

void SystemFileManagerShell::openUrl(const QUrl& url) {
    startDetached(m_setup, m_setup.openerProgram, {url.toString(QUrl::FullyEncoded)});
}

QVariantMap SystemMainBundle::infoDictionary() const {
    QVariantMap info;
    info.insert(QStringLiteral("CFBundleIdentifier"), QStringLiteral("app.tovlin.Tovlin"));
    info.insert(QStringLiteral("CFBundleName"), QStringLiteral("Tovlin"));
    info.insert(QStringLiteral("CFBundleShortVersionString"), QStringLiteral(TOVLIN_VERSION));
    const QString build = QStringLiteral(TOVLIN_BUILD_NUMBER);
    if (!build.isEmpty())
        info.insert(QStringLiteral("CFBundleVersion"), build);
    return info;
}

QString SystemMainBundle::executablePath() const {
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return exe;
}

QString SystemMainBundle::bundlePath() const {
    const QString exe = executablePath();
    return exe.isEmpty() ? QDir::currentPath() : QFileInfo(exe).absolutePath();
}

std::shared_ptr<SettingsStore> makeSystemSettingsStore() {
    return std::make_shared<SettingsStore>(
        QDir(Paths::configFolder()).filePath(QStringLiteral("settings.json")));
}

} // namespace pellimor::platform
