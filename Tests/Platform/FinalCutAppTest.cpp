#include "Platform/FinalCutApp.h"

#include "Platform/Services.h"
#include "Support/WorkPool.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/TestEnv.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThreadPool>
#include <algorithm>
#include <gtest/gtest.h>

using namespace pellimor;
using fixtures::PlistFormat;
using fixtures::PlistValue;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;
using test::TestEnv;

namespace {

// Sets (or unsets, with nothing) TOVLIN_FCP_APP for the scope's length.
class ScopedAppVariable {
public:
    explicit ScopedAppVariable(const std::optional<QString>& value) {
        if (value)
            qputenv("TOVLIN_FCP_APP", value->toUtf8());
        else
            qunsetenv("TOVLIN_FCP_APP");
    }
    ~ScopedAppVariable() { qunsetenv("TOVLIN_FCP_APP"); }
};

std::shared_ptr<platform::FinalCutApp> systemApp() {
    return platform::Services::system().finalCut;
}

bool usualPlaceTaken() {
    return QFileInfo::exists(QStringLiteral("/Applications/Final Cut Pro.app"));
}

} // namespace

TEST(SystemFinalCutApp, FindsTheApplicationTheEnvironmentNames) {
    const QString folder = TestEnv::freshDir("fcp");
    const QString xmlApp = folder + "/Final Cut Pro.app";
    FixtureFiles::writeFinalCutApp(xmlApp, "11.0.1");
    const QString binaryApp = folder + "/Final Cut Pro 10.app";
    FixtureFiles::writePlist(binaryApp + "/Contents/Info.plist",
                             PlistValue::dict({{"CFBundleIdentifier", "com.apple.FinalCut"},
                                               {"CFBundleShortVersionString", "10.8"}}),
                             PlistFormat::Binary);
    FixtureFiles::makeLink(folder + "/Linked.app", xmlApp);

    struct Case {
        QString variable;
        QString location;
        QString version;
    };
    const Case cases[] = {
        {xmlApp, xmlApp, "11.0.1"},
        {xmlApp + "/", xmlApp, "11.0.1"},
        {folder + "/./Final Cut Pro.app", xmlApp, "11.0.1"},
        {binaryApp, binaryApp, "10.8"},
        // A link to the application is where the user put it; it is not resolved away.
        {folder + "/Linked.app", folder + "/Linked.app", "11.0.1"},
    };
    for (const Case& c : cases) {
        ScopedAppVariable variable(c.variable);
        const auto app = systemApp();
        const std::optional<QString> location = app->location();
        ASSERT_TRUE(location) << c.variable.toStdString();
        EXPECT_EQ(*location, c.location);
        const std::optional<QVariantMap> info = app->infoDictionary(*location);
        ASSERT_TRUE(info) << c.variable.toStdString();
        EXPECT_EQ(info->value("CFBundleShortVersionString"), QVariant(c.version));
        EXPECT_EQ(info->value("CFBundleIdentifier"), QVariant(QStringLiteral("com.apple.FinalCut")));
    }
}

TEST(SystemFinalCutApp, AnythingButAnApplicationFolderOfThatIdentifierIsNotInstalled) {
    if (usualPlaceTaken())
        GTEST_SKIP() << "this machine has an application at the usual place";
    const QString folder = TestEnv::freshDir("not-fcp");
    const QString otherApp = folder + "/Motion.app";
    FixtureFiles::writePlist(otherApp + "/Contents/Info.plist",
                             PlistValue::dict({{"CFBundleIdentifier", "com.apple.motionapp"},
                                               {"CFBundleShortVersionString", "5.8"}}));
    const QString numericIdentifier = folder + "/Numeric.app";
    FixtureFiles::writePlist(numericIdentifier + "/Contents/Info.plist",
                             PlistValue::dict({{"CFBundleIdentifier", 7}}));
    const QString caseDiffers = folder + "/Case.app";
    FixtureFiles::writePlist(caseDiffers + "/Contents/Info.plist",
                             PlistValue::dict({{"CFBundleIdentifier", "com.apple.finalcut"}}));
    const QString garbage = folder + "/Garbage.app";
    FixtureFiles::writeBytes(garbage + "/Contents/Info.plist", "not a property list <<<");
    const QString arrayRoot = folder + "/Array.app";
    FixtureFiles::writePlist(arrayRoot + "/Contents/Info.plist", PlistValue::strings({"com.apple.FinalCut"}));
    const QString listIsFolder = folder + "/Folder.app";
    FixtureFiles::makeFolder(listIsFolder + "/Contents/Info.plist");
    const QString empty = folder + "/Empty.app";
    FixtureFiles::makeFolder(empty);
    // The information list of a real application, but the path names the file, not the folder.
    const QString realApp = folder + "/Final Cut Pro.app";
    FixtureFiles::writeFinalCutApp(realApp, "11.0");

    const std::optional<QString> variables[] = {
        std::nullopt,
        QString(),
        folder + "/Missing.app",
        empty,
        otherApp,
        numericIdentifier,
        caseDiffers,
        garbage,
        arrayRoot,
        listIsFolder,
        realApp + "/Contents/Info.plist",
    };
    for (const std::optional<QString>& value : variables) {
        ScopedAppVariable variable(value);
        EXPECT_EQ(systemApp()->location(), std::nullopt) << value.value_or("(unset)").toStdString();
    }
}

TEST(SystemFinalCutApp, ReadsTheInformationListOfAnyApplicationFolder) {
    const QString folder = TestEnv::freshDir("info");
    const QString otherApp = folder + "/Motion.app";
    FixtureFiles::writePlist(otherApp + "/Contents/Info.plist",
                             PlistValue::dict({{"CFBundleIdentifier", "com.apple.motionapp"},
                                               {"CFBundleShortVersionString", "5.8"},
                                               {"LSMinimumSystemVersion", "14.0"}}),
                             PlistFormat::Binary);
    const QString noVersion = folder + "/NoVersion.app";
    FixtureFiles::writePlist(noVersion + "/Contents/Info.plist",
                             PlistValue::dict({{"CFBundleIdentifier", "com.apple.FinalCut"}}));
    const QString garbage = folder + "/Garbage.app";
    FixtureFiles::writeBytes(garbage + "/Contents/Info.plist", "bplist00 truncated");
    const QString arrayRoot = folder + "/Array.app";
    FixtureFiles::writePlist(arrayRoot + "/Contents/Info.plist", PlistValue::strings({"a", "b"}));

    const auto app = systemApp();
    const std::optional<QVariantMap> other = app->infoDictionary(otherApp);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->value("CFBundleShortVersionString"), QVariant(QStringLiteral("5.8")));
    EXPECT_EQ(other->size(), 3);

    const std::optional<QVariantMap> unversioned = app->infoDictionary(noVersion);
    ASSERT_TRUE(unversioned);
    EXPECT_FALSE(unversioned->contains("CFBundleShortVersionString"));

    for (const QString& unreadable : {garbage, arrayRoot, folder + "/Missing.app", folder})
        EXPECT_EQ(app->infoDictionary(unreadable), std::nullopt) << unreadable.toStdString();
}

namespace {

// A program that runs until it is stopped, started from `executable`; stopped and reaped when
// the object goes.
class RunningProgram {
public:
    explicit RunningProgram(const QString& executable) {
        m_process.setProgram(executable);
        m_process.setArguments({QStringLiteral("600")});
        m_process.start();
    }
    ~RunningProgram() {
        m_process.kill();
        m_process.waitForFinished();
    }
    // Once started, the process runs the executable: its start is reported only after the
    // program was loaded.
    bool started() { return m_process.waitForStarted(); }
    qint64 pid() const { return m_process.processId(); }

private:
    QProcess m_process;
};

void copyProgram(const QString& from, const QString& to) {
    QFile::remove(to);
    ASSERT_TRUE(QFile::copy(from, to)) << to.toStdString();
    ASSERT_TRUE(QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

} // namespace

TEST(SystemFinalCutApp, RunningListsOnlyProcessesOfTheApplicationsOwnExecutable) {
    // The fixture's executable is a shell script, whose processes run the shell; a real
    // program copied over it runs as itself.
    const QString sleep = QStandardPaths::findExecutable(QStringLiteral("sleep"));
    ASSERT_FALSE(sleep.isEmpty());
    const QString folder = TestEnv::freshDir("running");
    const QString app = folder + "/Final Cut Pro.app";
    FixtureFiles::writeFinalCutApp(app, "11.0");
    const QString executable = app + "/Contents/MacOS/Final Cut Pro";
    copyProgram(sleep, executable);
    const QString copy = folder + "/Elsewhere/Final Cut Pro";
    FixtureFiles::makeFolder(folder + "/Elsewhere");
    copyProgram(sleep, copy);

    ScopedAppVariable variable(app);
    EXPECT_TRUE(systemApp()->running().isEmpty()) << "installed, not running";

    RunningProgram first(executable);
    RunningProgram elsewhere(copy);
    RunningProgram second(executable);
    ASSERT_TRUE(first.started() && elsewhere.started() && second.started());
    QList<qint64> expected{first.pid(), second.pid()};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(systemApp()->running(), expected) << "the copy elsewhere is another program";

    // The same executable reached through a link to the application is the same file.
    FixtureFiles::makeLink(folder + "/Linked.app", app);
    {
        ScopedAppVariable linked(folder + "/Linked.app");
        EXPECT_EQ(systemApp()->running(), expected);
    }

    // Without an executable name, or with one that names nothing, nothing runs.
    const QString unnamed = folder + "/Unnamed.app";
    FixtureFiles::writePlist(unnamed + "/Contents/Info.plist",
                             PlistValue::dict({{"CFBundleIdentifier", "com.apple.FinalCut"}}));
    const QString wrongName = folder + "/Wrong.app";
    FixtureFiles::writePlist(
        wrongName + "/Contents/Info.plist",
        PlistValue::dict({{"CFBundleIdentifier", "com.apple.FinalCut"}, {"CFBundleExecutable", "Missing"}}));
    FixtureFiles::makeLink(unnamed + "/Contents/MacOS/Final Cut Pro", executable);
    for (const QString& other : {unnamed, wrongName}) {
        ScopedAppVariable without(other);
        EXPECT_TRUE(systemApp()->running().isEmpty()) << other.toStdString();
    }
}

TEST(SystemFinalCutApp, NothingRunsWithoutAnApplicationFolder) {
    if (usualPlaceTaken())
        GTEST_SKIP() << "this machine has an application at the usual place";
    for (const std::optional<QString>& value :
         {std::optional<QString>(), std::optional<QString>(TestEnv::root() + "/Missing.app")}) {
        ScopedAppVariable variable(value);
        EXPECT_TRUE(systemApp()->running().isEmpty());
    }
}

namespace {

// Whether `pid` still runs (an ended child that was not reaped yet counts as ended).
bool alive(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = status.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close >= 0 && line.size() > close + 2 && line.at(close + 2) != 'Z' && line.at(close + 2) != 'X';
}

} // namespace

TEST(SystemFinalCutApp, SignalsOnlyProcessesThatStillRunTheApplication) {
    const QString sleep = QStandardPaths::findExecutable(QStringLiteral("sleep"));
    ASSERT_FALSE(sleep.isEmpty());
    const QString folder = TestEnv::freshDir("signals");
    const QString app = folder + "/Final Cut Pro.app";
    FixtureFiles::writeFinalCutApp(app, "11.0");
    const QString executable = app + "/Contents/MacOS/Final Cut Pro";
    copyProgram(sleep, executable);
    FixtureFiles::makeFolder(folder + "/Elsewhere");
    const QString copy = folder + "/Elsewhere/Final Cut Pro";
    copyProgram(sleep, copy);
    ScopedAppVariable variable(app);

    RunningProgram quits(executable);
    RunningProgram forced(executable);
    RunningProgram other(copy);
    ASSERT_TRUE(quits.started() && forced.started() && other.started());

    // Another program under a process id that was asked about: never signalled.
    EXPECT_FALSE(systemApp()->terminate(other.pid()));
    EXPECT_FALSE(systemApp()->forceTerminate(other.pid()));
    EXPECT_TRUE(alive(other.pid()));

    EXPECT_TRUE(systemApp()->terminate(quits.pid()));
    EXPECT_TRUE(systemApp()->forceTerminate(forced.pid()));
    ASSERT_TRUE(test::waitUntil([&] { return !alive(quits.pid()) && !alive(forced.pid()); }));
    EXPECT_TRUE(alive(other.pid()));
    // Ended but not reaped yet: no longer an instance, and nothing to signal.
    EXPECT_TRUE(systemApp()->running().isEmpty());
    EXPECT_FALSE(systemApp()->terminate(quits.pid()));

    for (const qint64 nonsense : {qint64(0), qint64(-1), qint64(1) << 40})
        EXPECT_FALSE(systemApp()->forceTerminate(nonsense)) << nonsense;
}

TEST(SystemFinalCutApp, OpenStartsTheExecutableOrSaysWhyNot) {
    const QString folder = TestEnv::freshDir("open");
    const QString unnamed = folder + "/Unnamed.app";
    FixtureFiles::writePlist(unnamed + "/Contents/Info.plist",
                             PlistValue::dict({{"CFBundleIdentifier", "com.apple.FinalCut"}}));
    const QString missing = folder + "/Missing.app";
    FixtureFiles::writePlist(
        missing + "/Contents/Info.plist",
        PlistValue::dict({{"CFBundleIdentifier", "com.apple.FinalCut"}, {"CFBundleExecutable", "Missing"}}));
    const QString noList = folder + "/NoList.app";
    FixtureFiles::makeFolder(noList + "/Contents/MacOS");

    QObject context;
    for (const QString& app : {unnamed, missing, noList, folder + "/Nowhere.app"}) {
        ScopedAppVariable variable(app);
        std::optional<std::optional<QString>> outcome;
        systemApp()->open(folder + "/A.fcpbundle", &context,
                          [&](const std::optional<QString>& error) { outcome = error; });
        ASSERT_TRUE(test::waitUntil([&] { return outcome.has_value(); })) << app.toStdString();
        ASSERT_TRUE(outcome->has_value()) << app.toStdString();
        EXPECT_FALSE((*outcome)->isEmpty()) << app.toStdString();
        EXPECT_TRUE(systemApp()->running().isEmpty());
    }

    // The answer of a request whose context went first never comes.
    const QString app = folder + "/Final Cut Pro.app";
    FixtureFiles::writeFinalCutApp(app, "11.0");
    ScopedAppVariable variable(app);
    bool late = false;
    {
        QObject gone;
        systemApp()->open(folder + "/A.fcpbundle", &gone,
                          [&](const std::optional<QString>&) { late = true; });
    }
    bool answered = false;
    systemApp()->answers(1, std::chrono::seconds(20), &context, [&](bool yes) { answered = yes; });
    ASSERT_TRUE(test::waitUntil([&] { return answered; })) << "nothing can ask here: it counts as answering";
    workPool()->waitForDone();
    test::runQueued();
    EXPECT_FALSE(late);
}
