// Starts the built program without a switch, offscreen, in private folders: it must come up as
// the windowed application, with its catalogue and its main window.

#include "Tests/Support/TestEnv.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

using pellimor::test::TestEnv;

namespace {

class WindowedStartEndToEndTest : public ::testing::Test {
protected:
    const QString root = TestEnv::freshDir(QStringLiteral("windowed"));
    const QString dataDir = QDir(root).filePath(QStringLiteral("data"));
    QProcess process;

    void start(const QStringList& arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* folder : {"home", "share", "config", "Volumes"})
            QDir().mkpath(QDir(root).filePath(QString::fromLatin1(folder)));
        environment.insert(QStringLiteral("HOME"), QDir(root).filePath(QStringLiteral("home")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), QDir(root).filePath(QStringLiteral("share")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QDir(root).filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("TOVLIN_VOLUMES_ROOT"),
                           QDir(root).filePath(QStringLiteral("Volumes")));
        environment.insert(QStringLiteral("TOVLIN_DATA_DIR"), dataDir);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.setProgram(QStringLiteral(TOVLIN_EXECUTABLE));
        process.setArguments(arguments);
        process.start();
        ASSERT_TRUE(process.waitForStarted(30000));
    }

    // Waits (without a timed assertion on speed: the limit only ends a hung run) until
    // `done` holds or the program has ended.
    bool waitFor(const std::function<bool()>& done) {
        const QDeadlineTimer deadline(90000);
        while (!done()) {
            if (deadline.hasExpired() || process.state() == QProcess::NotRunning)
                return done();
            process.waitForFinished(100);
        }
        return true;
    }

    QString errorLog() const {
        QFile log(QDir(dataDir).filePath(QStringLiteral("error-log.txt")));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }

    void TearDown() override {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(30000)) {
                process.kill();
                process.waitForFinished();
            }
        }
    }

    std::string output() {
        return (QString::fromUtf8(process.readAllStandardOutput()) + QStringLiteral("\nstderr:\n") +
                QString::fromUtf8(process.readAllStandardError()))
            .toStdString();
    }
};

TEST_F(WindowedStartEndToEndTest, startsWithItsCatalogueAndShowsTheMainWindow) {
    start({});
    // The catalogue makes "posters" in the data folder; the main window's first showing writes
    // the start marker.
    ASSERT_TRUE(waitFor([&] { return errorLog().contains(QStringLiteral(" INFO start: Tovlin ")); }))
        << output();
    EXPECT_TRUE(QFileInfo(QDir(dataDir).filePath(QStringLiteral("posters"))).isDir());
    EXPECT_EQ(process.state(), QProcess::Running);
    EXPECT_EQ(errorLog().count(QStringLiteral(" INFO start: ")), 1);
}

TEST_F(WindowedStartEndToEndTest, checkWithoutItsLibraryStartsTheWindowedProgram) {
    start({QStringLiteral("--check")});
    ASSERT_TRUE(waitFor([&] { return QFileInfo(QDir(dataDir).filePath(QStringLiteral("posters"))).isDir(); }))
        << output();
    EXPECT_EQ(process.state(), QProcess::Running);
    // Any "--" argument keeps the error log silent, the windowed program included.
    QThread::msleep(500);
    EXPECT_FALSE(QFileInfo::exists(QDir(dataDir).filePath(QStringLiteral("error-log.txt"))));
    EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
}

} // namespace
