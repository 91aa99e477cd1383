// Runs the built program with its switches on fixture libraries and checks what it prints
// and how it exits. Each run gets the test's private folders through the environment.

#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Records/Fmt.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/RecordJson.h"
#include "Support/ByteCount.h"
#include "Tests/Fixtures/CollectionRow.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/FileGates.h"
#include "Tests/Support/LoopbackModelServer.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QScopeGuard>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace pellimor;
using fixtures::CollectionRow;
using fixtures::LibraryBuilder;
using test::TestEnv;

namespace {

struct Outcome {
    int exitCode = -1;
    QStringList lines; // standard output, one entry per line
    QString errors;    // standard error, for failure messages
};

Outcome runTovlin(const QStringList& arguments, const QString& workingFolder = {},
                  const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProgram(QStringLiteral(TOVLIN_EXECUTABLE));
    process.setArguments(arguments);
    process.setProcessEnvironment(environment);
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    process.start();
    Outcome run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "tovlin did not finish: " << arguments.join(' ').toStdString();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    QString out = QString::fromUtf8(process.readAllStandardOutput());
    if (out.endsWith(QLatin1Char('\n')))
        out.chop(1);
    run.lines = out.isEmpty() ? QStringList() : out.split(QLatin1Char('\n'));
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

std::string describe(const Outcome& run) {
    return ("stdout:\n" + run.lines.join('\n') + "\nstderr:\n" + run.errors).toStdString();
}

const QDateTime kStamp(QDate(2024, 5, 1), QTime(10, 0, 0), Qt::UTC);

// Two events: the first with two plug-ins on its clips and one in its project, the second
// with none anywhere.
QString writeWedding(const QString& folder) {
    LibraryBuilder lib(QStringLiteral("Wedding"));
    lib.stamp = kStamp;
    auto& day1 = lib.event(QStringLiteral("Day 1"));
    day1.media(QStringLiteral("A001.mov"), 30'000).media(QStringLiteral("A002.mov"), 20'000);
    day1.row(CollectionRow::audioUnit(QStringLiteral("aufx"), QStringLiteral("Rvb7"), QStringLiteral("Lmnr"),
                                      QStringLiteral("Lumen Room Reverb")))
        .row(CollectionRow::fxPlug(QStringLiteral("6F1C2B9E-0A4D-4C55-9E0B-3D8A1F2C7B11"),
                                   QStringLiteral("Aurora")));
    day1.project(QStringLiteral("Main Edit"))
        .clips(3)
        .row(CollectionRow::fxPlug(QStringLiteral("0B7D3E21-5C6A-4F19-8A2E-9C4D1B6F3A20"),
                                   QStringLiteral("Glow")));
    auto& day2 = lib.event(QStringLiteral("Day 2"));
    day2.media(QStringLiteral("B001.mov"), 10'000);
    day2.project(QStringLiteral("Cut")).clips(1);
    return lib.write(folder);
}

QString dataFolder() {
    return qEnvironmentVariable("TOVLIN_DATA_DIR");
}

} // namespace

TEST(CommandLineEndToEndTest, checkProbesTheLibraryDatabase) {
    const QString folder = TestEnv::freshDir(QStringLiteral("check"));
    const QString good = writeWedding(folder);

    // The database replaced by a link to nothing: the link itself has attributes, reading
    // follows it and fails, and the library still counts as readable through its plist.
    const QString linked = QDir(folder).filePath(QStringLiteral("Linked"));
    QDir().mkpath(linked);
    LibraryBuilder other(QStringLiteral("Linked"));
    const QString linkedLibrary = other.write(linked);
    const QString database = QDir(linkedLibrary).filePath(QStringLiteral("CurrentVersion.flexolibrary"));
    ASSERT_TRUE(QFile::remove(database));
    fixtures::FixtureFiles::makeLink(database, QStringLiteral("nowhere.flexolibrary"));

    // The database replaced by a folder.
    const QString folderDb = QDir(folder).filePath(QStringLiteral("Folder"));
    LibraryBuilder third(QStringLiteral("Folder"));
    const QString folderLibrary = third.write(folderDb);
    const QString folderDatabase =
        QDir(folderLibrary).filePath(QStringLiteral("CurrentVersion.flexolibrary"));
    ASSERT_TRUE(QFile::remove(folderDatabase));
    ASSERT_TRUE(QDir().mkpath(folderDatabase));

    struct Case {
        const char* what;
        QStringList args;
        QString workingFolder;
        QStringList expected;
    };
    const QList<Case> cases = {
        {"a sound library",
         {"--check", good},
         {},
         {"isReadableFile: true", "attributesOfItem: ok", "read: ok", "isReadable: true"}},
        {"a relative path, against the working folder",
         {"--check", QFileInfo(good).fileName()},
         folder,
         {"isReadableFile: true", "attributesOfItem: ok", "read: ok", "isReadable: true"}},
        {"later arguments are ignored",
         {"--check", good, "--dump", "extra"},
         {},
         {"isReadableFile: true", "attributesOfItem: ok", "read: ok", "isReadable: true"}},
        {"a missing library: four lines, still status 0",
         {"--check", QDir(folder).filePath("Missing.fcpbundle")},
         {},
         {"isReadableFile: false", "attributesOfItem error: No such file or directory",
          "read error: No such file or directory", "isReadable: false"}},
        {"a database that is a broken link",
         {"--check", linkedLibrary},
         {},
         {"isReadableFile: false", "attributesOfItem: ok", "read error: No such file or directory",
          "isReadable: true"}},
        {"a database that is a folder",
         {"--check", folderLibrary},
         {},
         {"isReadableFile: true", "attributesOfItem: ok", "read error: Is a directory", "isReadable: true"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome run = runTovlin(c.args, c.workingFolder);
        EXPECT_EQ(run.exitCode, 0) << describe(run);
        EXPECT_EQ(run.lines, c.expected) << describe(run);
    }
}

TEST(CommandLineEndToEndTest, pluginsListsEveryEventAndProjectInLibraryOrder) {
    const QString library = writeWedding(TestEnv::freshDir(QStringLiteral("plugins")));
    const Outcome run = runTovlin({"--plugins", library});
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    // Uses come sorted by pack ("Audio Unit “Lmnr”" before "Aurora"); an event or project
    // without plug-ins still has its line, ending after the colon and space.
    const QStringList expected = {
        "Day 1 / clips in the event: Lumen Room Reverb, Aurora",
        "Day 1 / Main Edit: Glow",
        "Day 2 / clips in the event: ",
        "Day 2 / Cut: ",
    };
    EXPECT_EQ(run.lines, expected) << describe(run);

    const QString gone = QDir(TestEnv::root()).filePath("Missing.fcpbundle");
    const Outcome missing = runTovlin({"--plugins", gone});
    EXPECT_EQ(missing.exitCode, 0) << describe(missing);
    EXPECT_EQ(missing.lines, QStringList{"Can't read the library at " + gone + "."}) << describe(missing);
}

TEST(CommandLineEndToEndTest, selftestSearchPassesSilently) {
    const Outcome run = runTovlin({"--selftest-search"});
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_TRUE(run.lines.isEmpty()) << describe(run);
}

TEST(CommandLineEndToEndTest, selftestEjectPassesSilentlyUnderAnyVolumesRoot) {
    // The test's own volumes root, and the system's (no TOVLIN_VOLUMES_ROOT at all).
    QProcessEnvironment withoutRoot = QProcessEnvironment::systemEnvironment();
    withoutRoot.remove(QStringLiteral("TOVLIN_VOLUMES_ROOT"));
    for (const QProcessEnvironment& environment : {QProcessEnvironment::systemEnvironment(), withoutRoot}) {
        SCOPED_TRACE(
            environment.value(QStringLiteral("TOVLIN_VOLUMES_ROOT"), QStringLiteral("(the system's)"))
                .toStdString());
        const Outcome run = runTovlin({"--selftest-eject"}, {}, environment);
        EXPECT_EQ(run.exitCode, 0) << describe(run);
        EXPECT_TRUE(run.lines.isEmpty()) << describe(run);
        EXPECT_TRUE(run.errors.isEmpty()) << describe(run);
    }
}

TEST(CommandLineEndToEndTest, selftestBarPrintsItsOneLineAndSucceeds) {
    const Outcome run = runTovlin({"--selftest-bar"});
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_EQ(run.lines, QStringList{QStringLiteral("size bar self-test ok")}) << describe(run);
    EXPECT_TRUE(run.errors.isEmpty()) << describe(run);
}

TEST(CommandLineEndToEndTest, selftestReportPrintsItsOneLineAndCleansUpAfterItself) {
    // The user's error log, with a line of its own, must come out of the run as it went in.
    const QString data = TestEnv::freshDir(QStringLiteral("report-data"));
    const QString temporary = TestEnv::freshDir(QStringLiteral("report-tmp"));
    const QString userLog = QDir(data).filePath(QStringLiteral("error-log.txt"));
    const QByteArray before = "2026-01-05T10:00:00Z ERROR scan: A line of the user's own.\n";
    {
        QFile out(userLog);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(before);
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TOVLIN_DATA_DIR"), data);
    environment.insert(QStringLiteral("TMPDIR"), temporary);

    const Outcome run = runTovlin({"--selftest-report"}, {}, environment);
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_EQ(run.lines, QStringList{QStringLiteral("report test passed")}) << describe(run);
    EXPECT_TRUE(QDir(temporary).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty())
        << "the self-test's folder is left behind";
    QFile in(userLog);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.readAll(), before);
    EXPECT_EQ(QDir(data).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("error-log.txt")});
}

TEST(CommandLineEndToEndTest, discoverWalksWithTheGivenDepthAndPrintsItsSummary) {
    // Discovery never looks inside a bundle, so plain folders stand in for libraries.
    const QString root = TestEnv::freshDir(QStringLiteral("discover"));
    for (const char* path : {"A.fcpbundle", "x/B.fcpbundle", "x/y/C.fcpbundle", "x/y/z/Deep.FCPBUNDLE",
                             "CacheClip/Cached.fcpbundle", "Final Cut Backups.localized/Lib/Backup.fcpbundle",
                             "Old SafetyNet/Kept.fcpbundle"})
        ASSERT_TRUE(QDir(root).mkpath(QString::fromLatin1(path)));
    fixtures::FixtureFiles::makeLink(QDir(root).filePath("link"), QDir(root).filePath("x"));

    struct Case {
        QStringList args;
        int found;
    };
    // Without a usable depth there is no limit: A, B, C, Deep and the safety-net library
    // (safety-net folders are walked here), never the cache or the automatic backup.
    const QList<Case> cases = {
        {{"--discover", root}, 5},      {{"--discover", root, "deep"}, 5}, {{"--discover", root, "2.5"}, 5},
        {{"--discover", root, "0"}, 1}, {{"--discover", root, "1"}, 1},    {{"--discover", root, "2"}, 3},
        {{"--discover", root, "3"}, 4},
    };
    const QRegularExpression checkpoint(QStringLiteral("^\\d+s checkpoint pending=\\d+ found=\\d+$"));
    const QRegularExpression progress(QStringLiteral("^  in: /.+$"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Outcome run = runTovlin(c.args);
        EXPECT_EQ(run.exitCode, 0) << describe(run);
        ASSERT_GE(run.lines.size(), 4) << describe(run);
        const qsizetype n = run.lines.size();
        EXPECT_EQ(run.lines.at(n - 4), QStringLiteral("0s checkpoint pending=0 found=%1").arg(c.found))
            << "the final checkpoint comes after the walk";
        EXPECT_EQ(run.lines.at(n - 3), QStringLiteral("finished true"));
        EXPECT_EQ(run.lines.at(n - 2), QStringLiteral("found %1").arg(c.found));
        ASSERT_TRUE(run.lines.at(n - 1).startsWith(QStringLiteral("seconds ")));
        bool ok = false;
        const double seconds = run.lines.at(n - 1).mid(8).toDouble(&ok);
        EXPECT_TRUE(ok && seconds >= 0 && seconds < 60) << describe(run);
        for (qsizetype i = 0; i < n - 4; ++i)
            EXPECT_TRUE(checkpoint.match(run.lines.at(i)).hasMatch() ||
                        progress.match(run.lines.at(i)).hasMatch())
                << run.lines.at(i).toStdString();
    }

    // A root that is not there is a walk that finishes at once and finds nothing.
    const Outcome missing = runTovlin({"--discover", QDir(root).filePath("nothing here")});
    EXPECT_EQ(missing.exitCode, 0) << describe(missing);
    ASSERT_EQ(missing.lines.size(), 4) << describe(missing);
    EXPECT_EQ(missing.lines.mid(0, 3),
              (QStringList{"0s checkpoint pending=0 found=0", "finished true", "found 0"}));
}

namespace {

// Every object's keys, as they stand in the printed text, must be in ascending order. The
// printer puts one key per line and indents each level by the same step, so a key's object is
// known from the opening brace above it.
void expectSortedKeys(const QStringList& jsonLines) {
    const QRegularExpression keyLine(QStringLiteral("^(\\s*)\"((?:[^\"\\\\]|\\\\.)*)\": (.*)$"));
    QList<QString> lastKey{QString()}; // one entry per open object
    int objectsChecked = 0;
    for (const QString& line : jsonLines) {
        const QString trimmed = line.trimmed();
        const QRegularExpressionMatch match = keyLine.match(line);
        if (match.hasMatch()) {
            const QString key = match.captured(2);
            EXPECT_LT(lastKey.last(), key) << "keys out of order at: " << line.toStdString();
            lastKey.last() = key;
            const QString rest = match.captured(3);
            if (rest == QLatin1String("{")) {
                lastKey.append(QString());
                ++objectsChecked;
            }
            continue;
        }
        if (trimmed == QLatin1String("{")) {
            lastKey.append(QString());
            ++objectsChecked;
        } else if (trimmed.startsWith(QLatin1Char('}'))) {
            lastKey.removeLast();
        }
    }
    EXPECT_EQ(lastKey.size(), 1) << "braces balance";
    EXPECT_GT(objectsChecked, 3) << "nested objects were checked too";
}

} // namespace

TEST(CommandLineEndToEndTest, dumpPrintsTheRecordWithDatesSince2001ThenItsMediaAndTime) {
    const QString folder = TestEnv::freshDir(QStringLiteral("dump"));
    const QString library = writeWedding(folder);

    for (const QString& argument : {library, QFileInfo(library).fileName()}) {
        SCOPED_TRACE(argument.toStdString());
        const Outcome run = runTovlin({"--dump", argument}, folder);
        EXPECT_EQ(run.exitCode, 0) << describe(run);
        ASSERT_GE(run.lines.size(), 3) << describe(run);
        const qsizetype n = run.lines.size();
        EXPECT_EQ(run.lines.at(n - 2), QStringLiteral("media entries: 3"));
        ASSERT_TRUE(run.lines.at(n - 1).startsWith(QStringLiteral("seconds: ")));
        bool ok = false;
        const double seconds = run.lines.at(n - 1).mid(9).toDouble(&ok);
        EXPECT_TRUE(ok && seconds > 0 && seconds < 60) << describe(run);

        const QStringList jsonLines = run.lines.mid(0, n - 2);
        EXPECT_EQ(jsonLines.first(), QStringLiteral("{")) << "pretty-printed";
        expectSortedKeys(jsonLines);

        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(jsonLines.join('\n').toUtf8(), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << describe(run);
        const QJsonObject object = document.object();

        // Dates in seconds since 2001: the database's time, stamped by the fixture.
        const double since2001 = static_cast<double>(kStamp.toSecsSinceEpoch() - 978307200);
        EXPECT_EQ(object.value("modified").toDouble(), since2001);

        const Result<LibraryInfo> info = LibraryInfo::fromJson(object, RecordJson::DateForm::Since2001);
        ASSERT_TRUE(info.ok()) << info.error().toStdString();
        EXPECT_EQ(info->path, library) << "relative paths are taken against the working folder";
        EXPECT_EQ(info->name, QStringLiteral("Wedding"));
        EXPECT_EQ(info->signature, LibraryReader::signature(library)) << "read with its change signature";
        ASSERT_EQ(info->events.size(), 2);
        EXPECT_EQ(info->events.at(0).name, QStringLiteral("Day 1"));
        EXPECT_EQ(info->events.at(1).projects.size(), 1);
        EXPECT_LT(qAbs(info->scannedAt.secsTo(QDateTime::currentDateTimeUtc())), 600);
    }
}

TEST(CommandLineEndToEndTest, dumpOfAMissingLibrarySaysItCannotReadItAndExitsZero) {
    const QString missing =
        QDir(TestEnv::freshDir(QStringLiteral("dump-missing"))).filePath("Gone.fcpbundle");
    const Outcome run = runTovlin({"--dump", missing});
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    ASSERT_EQ(run.lines.size(), 3) << describe(run);
    EXPECT_EQ(run.lines.at(0), "Can't read the library at " + missing + ".")
        << "no record of an empty library";
    EXPECT_EQ(run.lines.at(1), QStringLiteral("media entries: 0"));
    EXPECT_TRUE(run.lines.at(2).startsWith(QStringLiteral("seconds: ")));
}

// Named pipes in place of the library's databases would make the read wait for ever; the dump
// reads around them and prints what the rest of the bundle holds. (The run itself is stopped,
// and the test failed, should it not finish.)
TEST(CommandLineEndToEndTest, dumpOfABundleWithPipesForDatabasesReturns) {
    const QString folder = TestEnv::freshDir(QStringLiteral("dump-pipes"));
    const QString library = writeWedding(folder);
    std::vector<std::unique_ptr<test::NamedPipe>> pipes;
    for (const char* database : {"CurrentVersion.flexolibrary", "Day 1/CurrentVersion.fcpevent",
                                 "Day 1/Main Edit/CurrentVersion.fcpevent"}) {
        const QString path = QDir(library).filePath(QString::fromUtf8(database));
        ASSERT_TRUE(QFile::remove(path));
        pipes.push_back(std::make_unique<test::NamedPipe>(path));
    }

    const Outcome run = runTovlin({"--dump", library});
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    ASSERT_GE(run.lines.size(), 3) << describe(run);
    const qsizetype n = run.lines.size();
    EXPECT_EQ(run.lines.at(n - 2), QStringLiteral("media entries: 3"));
    const QJsonObject object = QJsonDocument::fromJson(run.lines.mid(0, n - 2).join('\n').toUtf8()).object();
    const Result<LibraryInfo> info = LibraryInfo::fromJson(object, RecordJson::DateForm::Since2001);
    ASSERT_TRUE(info.ok()) << info.error().toStdString() << describe(run);
    EXPECT_EQ(info->libraryIdentifier, std::nullopt);
    ASSERT_EQ(info->events.size(), 2);
    EXPECT_EQ(info->events.at(0).keywords, std::optional(QMap<QString, qint64>()));
    ASSERT_EQ(info->events.at(0).projects.size(), 1);
    EXPECT_EQ(info->events.at(0).projects.at(0).clipCount, 0);
    ASSERT_EQ(info->events.at(1).projects.size(), 1);
    EXPECT_EQ(info->events.at(1).projects.at(0).clipCount, 1) << "the databases that are files are read";
}

TEST(CommandLineEndToEndTest, axcheckReportsNoTrustAndWhereTheProgramRuns) {
    // This system has no Accessibility service, so the program is never trusted.
    const QString executable = QFileInfo(QStringLiteral(TOVLIN_EXECUTABLE)).canonicalFilePath();
    const QStringList expected = {"AXIsProcessTrusted: false",
                                  "bundle: " + QFileInfo(executable).absolutePath(),
                                  "executable: " + executable};
    for (const QStringList& args : {QStringList{"--axcheck"}, QStringList{"--axcheck", "--check", "extra"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const Outcome run = runTovlin(args);
        EXPECT_EQ(run.exitCode, 0) << describe(run);
        EXPECT_EQ(run.lines, expected) << describe(run);
    }
}

TEST(CommandLineEndToEndTest, switchRunsLeaveTheErrorLogAlone) {
    const QString folder = TestEnv::freshDir(QStringLiteral("silent"));
    const QString library = writeWedding(folder);
    const QString missing = QDir(folder).filePath(QStringLiteral("Missing.fcpbundle"));
    const QString data = QDir(folder).filePath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(data));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TOVLIN_DATA_DIR"), data);

    const QList<QStringList> runs = {
        {"--check", library},  {"--check", missing},   {"--plugins", library},  {"--plugins", missing},
        {"--selftest-search"}, {"--discover", folder}, {"--discover", missing}, {"--dump", library},
        {"--dump", missing},   {"--axcheck"},          {"--selftest-bar"},      {"--selftest-eject"},
        {"--selftest-report"},
    };
    for (const QStringList& args : runs) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const Outcome run = runTovlin(args, {}, environment);
        EXPECT_EQ(run.exitCode, 0) << describe(run);
        EXPECT_FALSE(QFileInfo::exists(QDir(data).filePath("error-log.txt")));
        EXPECT_FALSE(QFileInfo::exists(QDir(dataFolder()).filePath("error-log.txt")));
    }
    EXPECT_TRUE(QDir(data).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty())
        << "a switch run creates nothing in the data folder";
}

namespace {

// "Trip": "Day 1" holds an original with its proxy, a proxy without an original and a render
// file.
QString writeTrip(const QString& folder) {
    LibraryBuilder lib(QStringLiteral("Trip"));
    lib.stamp = kStamp;
    lib.event(QStringLiteral("Day 1"))
        .media(QStringLiteral("A001.mov"), 300'000)
        .proxy(QStringLiteral("A001.mov"), 40'000)
        .proxy(QStringLiteral("B002.mov"), 30'000)
        .render(QStringLiteral("Peaks Data"), 9000);
    return lib.write(folder);
}

QProcessEnvironment withDataFolder(const QString& data) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TOVLIN_DATA_DIR"), data);
    return environment;
}

} // namespace

// Whatever holds no library (no such path, a folder of other things, a file) is said to be
// unreadable in each diagnostic's own lines, never reported as an empty library; the exit
// status stays 0. A bundle with nothing but its events is still read as a library.
TEST(CommandLineEndToEndTest, aPathThatHoldsNoLibraryIsSaidSoByEachDiagnostic) {
    const QString folder = TestEnv::freshDir(QStringLiteral("no-library"));
    const QString plain = QDir(folder).filePath(QStringLiteral("Plain"));
    fixtures::FixtureFiles::writeBytes(plain + "/notes.txt", "notes");
    fixtures::FixtureFiles::writeBytes(plain + "/Day 1/A001.mov", "not an event");
    const QString file = QDir(folder).filePath(QStringLiteral("File.fcpbundle"));
    fixtures::FixtureFiles::writeBytes(file, "not a folder");
    const QString searched = TestEnv::freshDir(QStringLiteral("no-library-searched"));
    const QString data = TestEnv::freshDir(QStringLiteral("no-library-data"));
    const QStringList before = test::treeListing(folder);

    struct Path {
        const char* what;
        QString argument;
        QString shown; // as the lines name it: absolute
    };
    const Path paths[] = {
        {"no such path", folder + "/Gone.fcpbundle", folder + "/Gone.fcpbundle"},
        {"a folder of other things", plain, plain},
        {"a file", file, file},
        {"a relative path", QStringLiteral("Gone.fcpbundle"), folder + "/Gone.fcpbundle"},
    };
    for (const Path& path : paths) {
        const QString cannot = "Can't read the library at " + path.shown + ".";
        const struct {
            QStringList args;
            QStringList lines; // the first lines; "seconds: " lines end the dump's
        } runs[] = {
            {{"--missing-files", path.argument}, {cannot}},
            {{"--missing-search", path.argument, searched}, {cannot}},
            {{"--plugins", path.argument}, {cannot}},
            {{"--dump", path.argument}, {cannot, "media entries: 0"}},
            {{"--cleanup-plan", path.argument},
             {"kept: This isn't a Final Cut Pro library.", "0 items, Zero KB"}},
        };
        for (const auto& run : runs) {
            SCOPED_TRACE(std::string(path.what) + ": " + run.args.join(' ').toStdString());
            const Outcome outcome = runTovlin(run.args, folder, withDataFolder(data));
            EXPECT_EQ(outcome.exitCode, 0) << describe(outcome);
            QStringList lines = outcome.lines;
            if (run.args.first() == "--dump" && !lines.isEmpty() && lines.last().startsWith("seconds: "))
                lines.removeLast();
            EXPECT_EQ(lines, run.lines) << describe(outcome);
        }
    }
    EXPECT_EQ(test::treeListing(folder), before);

    // Events without the library's own files: what there is is read.
    LibraryBuilder bare(QStringLiteral("Bare"));
    bare.catalogVersion.reset();
    bare.event(QStringLiteral("Day 1")).media(QStringLiteral("A001.mov"), 1000);
    const QString library = bare.write(folder);
    QFile::remove(library + "/CurrentVersion.flexolibrary");
    ASSERT_FALSE(QFileInfo::exists(library + "/CurrentVersion.plist"));
    const Outcome plugins = runTovlin({"--plugins", library}, folder, withDataFolder(data));
    EXPECT_EQ(plugins.lines, QStringList{"Day 1 / clips in the event: "}) << describe(plugins);
    const Outcome missing = runTovlin({"--missing-files", library}, folder, withDataFolder(data));
    EXPECT_EQ(missing.lines, QStringList{"Nothing missing."}) << describe(missing);
}

TEST(CommandLineEndToEndTest, cleanupPlanPrintsWhatWouldGoWhatStaysAndTheTotal) {
    const QString folder = TestEnv::freshDir(QStringLiteral("cleanup-plan"));
    const QString trip = writeTrip(folder);
    LibraryBuilder nothing(QStringLiteral("Nothing"));
    nothing.event(QStringLiteral("Day 1")).media(QStringLiteral("A001.mov"), 1000);
    nothing.event(QStringLiteral("Day 2")).proxy(QStringLiteral("x.mov"), 1000);
    const QString nothingLib = nothing.write(folder);
    const QString data = QDir(folder).filePath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(data));
    const QStringList before = test::treeListing(folder);

    const QString proxy = trip + "/Day 1/Transcoded Media/Proxy Media/A001.mov";
    const QString render = trip + "/Day 1/Render Files/Peaks Data";
    const qint64 proxyBytes = fixtures::FixtureFiles::allocatedSize(proxy);
    const qint64 renderBytes = fixtures::FixtureFiles::allocatedSize(render);
    struct Case {
        const char* what;
        QStringList args;
        QString workingFolder;
        QStringList expected;
    };
    const QStringList tripLines = {
        "would remove  proxy  " + ByteCount::file(proxyBytes) +
            "  Day 1/Transcoded Media/Proxy Media/A001.mov",
        "would remove  render  " + ByteCount::file(renderBytes) + "  Day 1/Render Files/Peaks Data",
        "kept: “Day 1”: kept 1 proxy file with no original in this event, so Final Cut could not recreate it "
        "(B002.mov).",
        "2 items, " + ByteCount::file(proxyBytes + renderBytes),
    };
    const QList<Case> cases = {
        {"the trip", {"--cleanup-plan", trip}, {}, tripLines},
        {"a relative path, against the working folder",
         {"--cleanup-plan", "Trip.fcpbundle"},
         folder,
         tripLines},
        {"nothing to remove",
         {"--cleanup-plan", nothingLib},
         {},
         {"kept: “Day 2”: no original media found in the event, so its proxy and optimized files are kept.",
          "kept: “Day 2”: kept 1 proxy file with no original in this event, so Final Cut could not recreate "
          "it "
          "(x.mov).",
          "0 items, Zero KB"}},
        {"not a library",
         {"--cleanup-plan", folder + "/Missing.fcpbundle"},
         {},
         {"kept: This isn't a Final Cut Pro library.", "0 items, Zero KB"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome run = runTovlin(c.args, c.workingFolder, withDataFolder(data));
        EXPECT_EQ(run.exitCode, 0) << describe(run);
        EXPECT_EQ(run.lines, c.expected) << describe(run);
    }
    EXPECT_EQ(test::treeListing(folder), before) << "planning changes nothing on disk";
    EXPECT_FALSE(QFileInfo::exists(QDir(data).filePath("error-log.txt")));
}

TEST(CommandLineEndToEndTest, missingFilesPrintsTheReportOrNothingMissing) {
    const QString folder = TestEnv::freshDir(QStringLiteral("missing-files"));
    const QString trip = writeTrip(folder);
    LibraryBuilder tour(QStringLiteral("Grand.Tour"));
    tour.event(QStringLiteral("Day 1"))
        .media(QStringLiteral("A001.mov"), 1000)
        .mediaLink(QStringLiteral("C003.mov"), QStringLiteral("/Volumes/Card/C003.mov"));
    const QString tourLib = tour.write(folder);
    const QString data = QDir(folder).filePath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(data));
    const QStringList before = test::treeListing(folder);

    QProcessEnvironment environment = withDataFolder(data);
    environment.remove(QStringLiteral("LC_ALL"));
    environment.remove(QStringLiteral("LC_TIME"));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto restore = qScopeGuard([&] { QLocale::setDefault(previous); });

    const QString dayBefore = Fmt::date(QDateTime::currentDateTime());
    const Outcome run = runTovlin({"--missing-files", tourLib}, {}, environment);
    const QString dayAfter = Fmt::date(QDateTime::currentDateTime());
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    ASSERT_EQ(run.lines.size(), 11) << describe(run);
    const QString checked = run.lines.at(2);
    EXPECT_TRUE(checked == "Checked " + dayBefore + " · 1 file in 1 event" ||
                checked == "Checked " + dayAfter + " · 1 file in 1 event")
        << checked.toStdString();
    QStringList lines = run.lines;
    lines.removeAt(2);
    const QStringList expected = {
        "Missing original files in “Grand.Tour”",
        tourLib,
        "",
        "These files are linked into the library, not copied. The file each link points to can't be found:",
        "the drive is not connected, or the file was moved, renamed or deleted.",
        "",
        "Event: Day 1 (1)",
        "  C003.mov",
        "      was at: /Volumes/Card/C003.mov",
        "",
    };
    EXPECT_EQ(lines, expected) << "the report's own line break, then the printed one";

    const Outcome none = runTovlin({"--missing-files", trip}, {}, environment);
    EXPECT_EQ(none.exitCode, 0) << describe(none);
    EXPECT_EQ(none.lines, QStringList{"Nothing missing."}) << describe(none);
    const Outcome missing = runTovlin({"--missing-files", folder + "/Missing.fcpbundle"}, {}, environment);
    EXPECT_EQ(missing.exitCode, 0) << describe(missing);
    EXPECT_EQ(missing.lines, QStringList{"Can't read the library at " + folder + "/Missing.fcpbundle."})
        << "a library that is not there has nothing missing only in appearance";
    EXPECT_EQ(test::treeListing(folder), before);
    EXPECT_FALSE(QFileInfo::exists(QDir(data).filePath("error-log.txt")));
}

TEST(CommandLineEndToEndTest, selftestManualRunsBothChecksWithoutADisplayOrTheErrorLog) {
    const QString data = TestEnv::freshDir(QStringLiteral("manual-data"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TOVLIN_DATA_DIR"), data);
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    const Outcome run = runTovlin({"--selftest-manual"}, {}, environment);
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    ASSERT_EQ(run.lines.size(), 11) << describe(run);
    EXPECT_EQ(run.lines.mid(0, 4),
              (QStringList{
                  "  ok    in the laid-out page every heading can be scrolled to, every picture is shown and "
                  "every section link can be clicked",
                  "  ok    markdown is turned into headings, tables, lists and links",
                  "  ok    the real manual renders and every link inside it points at a heading",
                  "MANUAL CHECKS PASSED"}));
    const QStringList questions = {"how do I delete proxy files to free up space",
                                   "find missing files",
                                   "what can Tovlin do",
                                   "which copy of a library is newer",
                                   "how do I add a folder to scan",
                                   "what does plug-ins missing mean"};
    for (qsizetype i = 0; i < questions.size(); ++i) {
        const QRegularExpression line(QStringLiteral("^  ok    \"%1\" \u2192 [a-z0-9-]+$")
                                          .arg(QRegularExpression::escape(questions.at(i))));
        EXPECT_TRUE(line.match(run.lines.at(4 + i)).hasMatch()) << run.lines.at(4 + i).toStdString();
    }
    EXPECT_EQ(run.lines.last(), "ASK-THE-MANUAL CHECKS PASSED");
    EXPECT_TRUE(QDir(data).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty())
        << "no error log, nothing else";
}

TEST(CommandLineEndToEndTest, askManualListsTheSectionsAndSaysWhyThereIsNoWrittenAnswer) {
    const QString data = TestEnv::freshDir(QStringLiteral("ask-data"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TOVLIN_DATA_DIR"), data);
    environment.remove(QStringLiteral("TOVLIN_MODEL_URL"));
    const QString noAnswer =
        QStringLiteral("No written answer: Written answers need Apple Intelligence, on macOS 26 or later.");

    const Outcome proxies =
        runTovlin({"--ask-manual", "how", "do", "I", "delete", "proxy", "files"}, {}, environment);
    EXPECT_EQ(proxies.exitCode, 0) << describe(proxies);
    ASSERT_EQ(proxies.lines.size(), 2) << describe(proxies);
    ASSERT_TRUE(proxies.lines.at(0).startsWith("Sections: ")) << describe(proxies);
    const QStringList titles = proxies.lines.at(0).mid(10).split(QStringLiteral(" | "));
    EXPECT_LE(titles.size(), 4);
    EXPECT_TRUE(titles.contains(QStringLiteral("Free up space"))) << describe(proxies);
    EXPECT_EQ(proxies.lines.at(1), noAnswer);

    const Outcome nothing = runTovlin({"--ask-manual", "zzzz", "qqqq"}, {}, environment);
    EXPECT_EQ(nothing.exitCode, 0) << describe(nothing);
    EXPECT_EQ(nothing.lines, (QStringList{"Sections: ", noAnswer})) << describe(nothing);

    // An address that is not this computer's is never asked.
    environment.insert(QStringLiteral("TOVLIN_MODEL_URL"), QStringLiteral("http://192.0.2.7:8080"));
    const Outcome refused = runTovlin({"--ask-manual", "zzzz"}, {}, environment);
    EXPECT_EQ(refused.lines, (QStringList{"Sections: ", noAnswer})) << describe(refused);
    EXPECT_TRUE(refused.errors.contains(QStringLiteral("192.0.2.7"))) << describe(refused);
    EXPECT_TRUE(QDir(data).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty())
        << "no error log";
}

TEST(CommandLineEndToEndTest, askManualPrintsTheLocalModelsAnswerOrWhyItWasRefused) {
    test::LoopbackModelServer server;
    ASSERT_TRUE(server.start());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TOVLIN_MODEL_URL"), server.address());

    server.answer = QStringLiteral("Choose **Free Up Space…** in the library's menu.");
    const Outcome answered = runTovlin({"--ask-manual", "free", "up", "space"}, {}, environment);
    EXPECT_EQ(answered.exitCode, 0) << describe(answered);
    ASSERT_EQ(answered.lines.size(), 4) << describe(answered);
    EXPECT_TRUE(answered.lines.at(0).startsWith("Sections: Free up space")) << describe(answered);
    EXPECT_EQ(answered.lines.mid(1), (QStringList{"", "Answer:", server.answer}));

    server.answer = QStringLiteral("Open **Pixel Wizard** first.");
    const Outcome invented = runTovlin({"--ask-manual", "free", "up", "space"}, {}, environment);
    EXPECT_EQ(invented.exitCode, 0) << describe(invented);
    ASSERT_EQ(invented.lines.size(), 2) << describe(invented);
    EXPECT_EQ(invented.lines.at(1),
              "AI error: its answer named \u201Cpixel wizard\u201D, which is not in the manual");
}

TEST(CommandLineEndToEndTest, askManualUsesAModelServerWithoutAModelListAndNamesOneThatDoesNotAnswer) {
    test::LoopbackModelServer server;
    server.listsModels = false;
    server.answer = QStringLiteral("Choose **Free Up Space…** in the library's menu.");
    ASSERT_TRUE(server.start());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TOVLIN_MODEL_URL"), server.address());
    const Outcome answered = runTovlin({"--ask-manual", "free", "up", "space"}, {}, environment);
    EXPECT_EQ(answered.exitCode, 0) << describe(answered);
    ASSERT_EQ(answered.lines.size(), 4) << describe(answered);
    EXPECT_EQ(answered.lines.mid(1), (QStringList{"", "Answer:", server.answer}));
    EXPECT_EQ(server.requests().size(), 2) << "one look at the server, then the question";

    // The same address once the server is gone.
    server.stop();
    const Outcome gone = runTovlin({"--ask-manual", "free", "up", "space"}, {}, environment);
    EXPECT_EQ(gone.exitCode, 0) << describe(gone);
    ASSERT_EQ(gone.lines.size(), 2) << describe(gone);
    EXPECT_EQ(gone.lines.at(1),
              "No written answer: The model server at " + server.address() + " did not answer.");
}
