#include "Platform/SystemServices.h"

#include "Platform/Paths.h"
#include "Platform/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#ifndef TOVLIN_VERSION
#define TOVLIN_VERSION "0.0.0"
#endif
#ifndef TOVLIN_BUILD_NUMBER
#define TOVLIN_BUILD_NUMBER ""
#endif

namespace pellimor::platform {

void SystemFileManagerShell::reveal(const QString& path) {
    const QString uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
    const QStringList args{QStringLiteral("--session"),
                           QStringLiteral("--dest=org.freedesktop.FileManager1"),
                           QStringLiteral("--type=method_call"),
                           QStringLiteral("/org/freedesktop/FileManager1"),
                           QStringLiteral("org.freedesktop.FileManager1.ShowItems"),
                           QStringLiteral("array:string:") + uri,
                           QStringLiteral("string:")};
    // Without a session bus or a file manager that answers, open the enclosing folder.
    QProcess probe;
    probe.start(QStringLiteral("dbus-send"), QStringList{QStringLiteral("--print-reply")} + args);
    if (probe.waitForFinished(3000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0)
        return;
    QProcess::startDetached(QStringLiteral("xdg-open"), {QFileInfo(path).absolutePath()});
}

void SystemFileManagerShell::open(const QString& path) {
    QProcess::startDetached(QStringLiteral("xdg-open"), {path});
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
