// Runs the built program where no window can be shown: no display named at all, an X display
// nobody serves, a Wayland socket nobody listens on. The windowed program says so in one line
// and exits with status 1, without a crash; the switches work as ever.

#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

using namespace pellimor;
using test::TestEnv;

namespace {

struct Ended {
    bool crashed = true;
    int exitCode = -1;
    QString out;
    QString errors;
};

Ended runTovlin(const QStringList& arguments, const QProcessEnvironment& environment) {
    QProcess process;
    process.setProgram(QStringLiteral(TOVLIN_EXECUTABLE));
    process.setArguments(arguments);
    process.setProcessEnvironment(environment);
    process.start();
    Ended run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "tovlin did not finish: " << arguments.join(' ').toStdString();
        return run;
    }
    run.crashed = process.exitStatus() != QProcess::NormalExit;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The test's own environment (private folders) with no display of any kind.
QProcessEnvironment withoutDisplay() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    return environment;
}

// A display number no X server here answers on.
QString unservedXDisplay() {
    for (int n = 4242;; ++n) {
        if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) &&
            !QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            return QStringLiteral(":%1").arg(n);
    }
}

const QString kVirtualDisplay = QStringLiteral(R"(xvfb-run -a -s "-screen 0 1600x1000x24" scripts/run.sh)");

} // namespace

TEST(WithoutADisplayEndToEndTest, theWindowedProgramSaysWhyAndExitsWithStatusOne) {
    const QString runtime = TestEnv::freshDir(QStringLiteral("runtime"));
    const QString xDisplay = unservedXDisplay();
    struct Case {
        const char* what;
        QList<std::pair<QString, QString>> environment;
        QStringList arguments;
        QString why;
    };
    const QList<Case> cases = {
        {"no display named", {}, {}, "none is set (neither DISPLAY nor WAYLAND_DISPLAY)"},
        {"no display named, folders to scan", {}, {"--scan", runtime}, "none is set"},
        {"an X display nobody serves",
         {{"DISPLAY", xDisplay}},
         {},
         "DISPLAY=" + xDisplay + " cannot be opened"},
        {"a Wayland socket nobody listens on",
         {{"WAYLAND_DISPLAY", "wayland-tovlin"}, {"XDG_RUNTIME_DIR", runtime}},
         {},
         "WAYLAND_DISPLAY=wayland-tovlin cannot be opened"},
        {"both, neither served",
         {{"DISPLAY", xDisplay}, {"WAYLAND_DISPLAY", "wayland-tovlin"}, {"XDG_RUNTIME_DIR", runtime}},
         {},
         "neither DISPLAY=" + xDisplay + " nor WAYLAND_DISPLAY=wayland-tovlin can be opened"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QProcessEnvironment environment = withoutDisplay();
        for (const auto& [name, value] : c.environment)
            environment.insert(name, value);
        const Ended run = runTovlin(c.arguments, environment);
        EXPECT_FALSE(run.crashed) << run.errors.toStdString();
        EXPECT_EQ(run.exitCode, 1) << run.errors.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        // One line, saying what is missing and how to run on a virtual display.
        const QStringList lines = run.errors.split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 1) << run.errors.toStdString();
        EXPECT_TRUE(lines.front().startsWith(QStringLiteral("Tovlin's window needs a display, but ")))
            << run.errors.toStdString();
        EXPECT_TRUE(lines.front().contains(c.why)) << run.errors.toStdString();
        EXPECT_TRUE(lines.front().endsWith(kVirtualDisplay)) << run.errors.toStdString();
    }
}

TEST(WithoutADisplayEndToEndTest, switchesNeedNoDisplay) {
    const QString root = TestEnv::freshDir(QStringLiteral("discover-headless"));
    ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("Films/Trailer.fcpbundle")));
    const Ended run = runTovlin({QStringLiteral("--discover"), root}, withoutDisplay());
    EXPECT_FALSE(run.crashed) << run.errors.toStdString();
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("\nfound 1\n"))) << run.out.toStdString();
    EXPECT_FALSE(run.errors.contains(QStringLiteral("needs a display"))) << run.errors.toStdString();
}
