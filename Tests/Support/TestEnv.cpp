#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUuid>
#include <filesystem>
#include <memory>

namespace pellimor::test {

namespace {
std::unique_ptr<QTemporaryDir> g_root;

QString sub(const char* name) {
    return QDir(g_root->path()).filePath(QString::fromLatin1(name));
}
} // namespace

QString TestEnv::root() {
    return g_root->path();
}
QString TestEnv::home() {
    return sub("home");
}
QString TestEnv::dataHome() {
    return sub("home/.local/share");
}
QString TestEnv::configHome() {
    return sub("home/.config");
}
QString TestEnv::dataDir() {
    return sub("data");
}
QString TestEnv::volumesRoot() {
    return sub("Volumes");
}

QString TestEnv::freshDir(const QString& hint) {
    QString safe = hint;
    safe.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString path =
        QDir(sub("work"))
            .filePath(safe + QLatin1Char('-') + QUuid::createUuid().toString(QUuid::Id128).left(8));
    QDir().mkpath(path);
    return path;
}

void TestEnv::setUp() {
    g_root = std::make_unique<QTemporaryDir>(QDir(QDir::tempPath()).canonicalPath() +
                                             QStringLiteral("/tovlin-test-XXXXXX"));
    for (const char* d : {"home", "home/.local/share", "home/.config", "home/.cache", "Volumes", "work"})
        QDir().mkpath(sub(d));
    qputenv("HOME", home().toUtf8());
    qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    qputenv("XDG_CACHE_HOME", sub("home/.cache").toUtf8());
    qputenv("TOVLIN_DATA_DIR", dataDir().toUtf8());
    qputenv("TOVLIN_VOLUMES_ROOT", volumesRoot().toUtf8());
    qunsetenv("TOVLIN_FCP_APP");
}

void TestEnv::tearDown() {
    // Removed by its bytes: names that are not valid UTF-8 cannot be removed through Qt's text
    // paths and would otherwise outlive the run.
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(g_root->path()).constData()),
                                ignored);
    g_root.reset();
}

} // namespace pellimor::test
