// Starts the built program more than once on one data folder, offscreen: the catalogue has one
// windowed process, later starts hand their arguments to it or say why they cannot, and what
// either start scans ends up in the catalogue or is refused out loud.

#include "Catalogue/Records/RecordJson.h"
#include "Catalogue/Scan/ScanOptions.h"
#include "Support/AtomicFile.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/FileGates.h"
#include "Tests/Support/TestEnv.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <list>
#include <sys/stat.h>

using namespace pellimor;
using fixtures::LibraryBuilder;
using test::TestEnv;

namespace {

const QString kHanded =
    QStringLiteral("Tovlin is already running for this catalogue; the scan was handed to it.");
const QString kBusy = QStringLiteral(
    "Tovlin is already running for this catalogue and a scan is under way there, so nothing was "
    "started; run the command again when that scan has finished.");

// What one start printed and how it ended.
struct Ended {
    int exitCode = -1; // -2: crashed
    QString out;
    QString errors;
};

std::string describe(const Ended& run) {
    return ("exit " + QString::number(run.exitCode) + "\nstdout:\n" + run.out + "\nstderr:\n" + run.errors)
        .toStdString();
}

class SingleInstanceEndToEndTest : public ::testing::Test {
protected:
    const QString root = TestEnv::freshDir(QStringLiteral("single"));
    const QString dataDir = QDir(root).filePath(QStringLiteral("data"));
    const QString films = QDir(root).filePath(QStringLiteral("Films"));
    const QString jobs = QDir(root).filePath(QStringLiteral("Jobs"));
    std::list<QProcess> processes; // every start, ended in TearDown when still running
    QString libraryA, libraryB;

    void SetUp() override {
        for (const char* folder : {"home", "share", "config", "Volumes", "data"})
            QDir().mkpath(QDir(root).filePath(QString::fromLatin1(folder)));
        const QString runtime = QDir(root).filePath(QStringLiteral("run"));
        QDir().mkpath(runtime);
        ::chmod(QFile::encodeName(runtime).constData(), 0700);
        libraryA = LibraryBuilder(QStringLiteral("Wedding")).write(films);
        libraryB = LibraryBuilder(QStringLiteral("Corporate")).write(jobs);
    }

    void TearDown() override {
        for (QProcess& process : processes) {
            if (process.state() == QProcess::NotRunning)
                continue;
            process.terminate();
            if (!process.waitForFinished(30000)) {
                process.kill();
                process.waitForFinished();
            }
        }
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), QDir(root).filePath(QStringLiteral("home")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), QDir(root).filePath(QStringLiteral("share")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QDir(root).filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QDir(root).filePath(QStringLiteral("run")));
        environment.insert(QStringLiteral("TOVLIN_VOLUMES_ROOT"),
                           QDir(root).filePath(QStringLiteral("Volumes")));
        environment.insert(QStringLiteral("TOVLIN_DATA_DIR"), dataDir);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return environment;
    }

    QProcess& start(const QStringList& arguments, const QString& workingFolder = {}) {
        QProcess& process = processes.emplace_back();
        process.setProcessEnvironment(environment());
        process.setProgram(QStringLiteral(TOVLIN_EXECUTABLE));
        process.setArguments(arguments);
        if (!workingFolder.isEmpty())
            process.setWorkingDirectory(workingFolder);
        process.start();
        EXPECT_TRUE(process.waitForStarted(30000));
        return process;
    }

    // Waits for a start to end; the limit only ends a hung run.
    static Ended ended(QProcess& process) {
        Ended run;
        if (process.state() != QProcess::NotRunning && !process.waitForFinished(120000)) {
            ADD_FAILURE() << "tovlin did not end: " << process.arguments().join(' ').toStdString();
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.errors = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    Ended run(const QStringList& arguments, const QString& workingFolder = {}) {
        return ended(start(arguments, workingFolder));
    }

    // Waits until `done` holds; false when it never did, or `running` ended meanwhile.
    static bool waitFor(const std::function<bool()>& done, QProcess* running = nullptr) {
        const QDeadlineTimer deadline(90000);
        while (!done()) {
            if (deadline.hasExpired() || (running && running->state() == QProcess::NotRunning))
                return done();
            // Lets the processes' ends be noticed.
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(50);
        }
        return true;
    }

    QString dataFile(const QString& name) const { return QDir(dataDir).filePath(name); }

    // The paths of "catalog.json"'s libraries or roots; nothing while it is not there.
    QStringList catalogued(const QString& key) const {
        QFile file(dataFile(QStringLiteral("catalog.json")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList paths;
        for (const QJsonValue& record : QJsonDocument::fromJson(file.readAll()).object().value(key).toArray())
            paths.append(record.toObject().value(QStringLiteral("path")).toString());
        paths.sort();
        return paths;
    }
    QStringList libraries() const { return catalogued(QStringLiteral("libraries")); }
    QStringList roots() const { return catalogued(QStringLiteral("roots")); }

    // The running holder's scan has ended with these libraries saved.
    bool scanned(const QStringList& expected) const {
        QStringList sorted = expected;
        sorted.sort();
        return libraries() == sorted && !QFile::exists(dataFile(QStringLiteral("scanjob.json")));
    }

    // The lock file names a process: the holder has it.
    bool locked() const { return QFileInfo(dataFile(QStringLiteral("catalog.lock"))).size() > 0; }
};

} // namespace

// The fault this guards: two starts each loaded, scanned and saved the catalogue, and the one
// that saved last dropped what the other had found.
TEST_F(SingleInstanceEndToEndTest, twoStartsOnOneCatalogueLoseNothing) {
    struct Case {
        const char* what;
        bool together;
    };
    for (const Case& c : {Case{"one after the other", false}, Case{"together", true}}) {
        SCOPED_TRACE(c.what);
        QDir(dataDir).removeRecursively();
        QProcess& first = start({QStringLiteral("--scan"), films});
        if (!c.together) {
            ASSERT_TRUE(waitFor([&] { return scanned({libraryA}); }, &first)) << describe(ended(first));
        }
        // Relative, from its own working folder.
        QProcess& second = start({QStringLiteral("--scan"), QStringLiteral("Jobs")}, root);
        QProcess* holder = &first;
        QProcess* later = &second;
        QString laterLibrary = libraryB;
        QString laterRoot = jobs;
        if (c.together) {
            // Either may win the lock; the other hands over.
            ASSERT_TRUE(waitFor([&] {
                return first.state() == QProcess::NotRunning || second.state() == QProcess::NotRunning;
            }));
            if (first.state() == QProcess::NotRunning) {
                std::swap(holder, later);
                laterLibrary = libraryA;
                laterRoot = films;
            }
        }
        Ended handed = ended(*later);
        // Refused while the holder scans: nothing of it reached the catalogue, and asking again
        // once that scan is over is what the refusal advises.
        while (handed.exitCode == 1 && handed.errors.trimmed() == kBusy) {
            EXPECT_TRUE(handed.out.isEmpty()) << describe(handed);
            EXPECT_FALSE(roots().contains(laterRoot));
            ASSERT_TRUE(
                waitFor([&] { return !QFile::exists(dataFile(QStringLiteral("scanjob.json"))); }, holder));
            QThread::msleep(100);
            handed = run(later->arguments(), later->workingDirectory());
        }
        EXPECT_EQ(handed.exitCode, 0) << describe(handed);
        EXPECT_EQ(handed.out, kHanded + u'\n') << describe(handed);
        EXPECT_TRUE(handed.errors.isEmpty()) << describe(handed);

        // Both scans' libraries and watched folders, saved by the one process.
        ASSERT_TRUE(waitFor(
            [&] {
                return scanned({libraryA, libraryB});
            },
            holder))
            << describe({0, libraries().join(' '), roots().join(' ')});
        EXPECT_EQ(roots(), (QStringList{films, jobs}));
        EXPECT_EQ(holder->state(), QProcess::Running);

        holder->terminate();
        ASSERT_TRUE(holder->waitForFinished(30000));
    }
}

TEST_F(SingleInstanceEndToEndTest, aScanAskedForWhileOneRunsIsRefusedOutLoud) {
    // The holder's scan cannot end before its read of the library gets past the database,
    // which waits until the test lets it through.
    const QString database = QDir(libraryA).filePath(QStringLiteral("CurrentVersion.flexolibrary"));
    test::HeldOpen gate(database);
    QProcess& holder = start({QStringLiteral("--scan"), films});
    ASSERT_TRUE(waitFor([&] { return QFile::exists(dataFile(QStringLiteral("scanjob.json"))); }, &holder));

    const Ended refused = run({QStringLiteral("--scan"), jobs});
    EXPECT_EQ(refused.exitCode, 1) << describe(refused);
    EXPECT_TRUE(refused.out.isEmpty()) << describe(refused);
    EXPECT_EQ(refused.errors, kBusy + u'\n') << describe(refused);
    // It was still in that scan, at the database.
    ASSERT_TRUE(gate.waitForReader());

    ASSERT_TRUE(waitFor([&] { return scanned({libraryA}); }, &holder));
    EXPECT_EQ(roots(), QStringList{films});
}

TEST_F(SingleInstanceEndToEndTest, resumeIsHandedOverAndNoArgumentsBringTheWindowForward) {
    // A scan paused in an earlier run, over an empty catalogue: the holder starts idle.
    const Result<QByteArray> job =
        RecordJson::encodeRecordBytes(ScanOptions{}.freshJob({films}, true, QDateTime::currentDateTimeUtc()),
                                      RecordJson::DateForm::Since2001);
    ASSERT_TRUE(job.ok());
    ASSERT_TRUE(AtomicFile::write(dataFile(QStringLiteral("scanjob.json")), *job));
    QProcess& holder = start({});
    ASSERT_TRUE(waitFor([&] { return locked(); }, &holder));

    struct Case {
        QStringList arguments;
        int status;
        QString out;
        QString errors;
    };
    const QList<Case> cases = {
        {{}, 0, "Tovlin is already running for this catalogue; its window was brought forward.\n", {}},
        {{QStringLiteral("--resume")},
         0,
         "Tovlin is already running for this catalogue; it resumed the paused scan.\n",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const Ended handed = run(c.arguments);
        EXPECT_EQ(handed.exitCode, c.status) << describe(handed);
        EXPECT_EQ(handed.out, c.out) << describe(handed);
        EXPECT_EQ(handed.errors, c.errors) << describe(handed);
    }
    ASSERT_TRUE(waitFor([&] { return scanned({libraryA}); }, &holder));

    // Nothing paused any more.
    const Ended again = run({QStringLiteral("--resume")});
    EXPECT_EQ(again.exitCode, 1) << describe(again);
    EXPECT_TRUE(again.out.isEmpty()) << describe(again);
    EXPECT_EQ(again.errors,
              QStringLiteral(
                  "Tovlin is already running for this catalogue, and it has no paused scan to resume.\n"))
        << describe(again);
    EXPECT_EQ(holder.state(), QProcess::Running);
}

TEST_F(SingleInstanceEndToEndTest, aKilledHoldersLockAndSocketAreTakenOver) {
    QProcess& killed = start({});
    ASSERT_TRUE(waitFor([&] { return locked(); }, &killed));
    // Answering: its socket is up.
    const Ended shown = run({});
    ASSERT_EQ(shown.exitCode, 0) << describe(shown);
    killed.kill();
    ASSERT_TRUE(killed.waitForFinished(30000));
    ASSERT_TRUE(locked()) << "a killed process leaves its lock file";

    QProcess& holder = start({QStringLiteral("--scan"), films});
    ASSERT_TRUE(waitFor([&] { return scanned({libraryA}); }, &holder));
    EXPECT_EQ(holder.state(), QProcess::Running);
    // The new holder answers where the killed one listened.
    const Ended handed = run({QStringLiteral("--scan"), jobs});
    EXPECT_EQ(handed.exitCode, 0) << describe(handed);
    EXPECT_EQ(handed.out, kHanded + u'\n') << describe(handed);
    ASSERT_TRUE(waitFor([&] { return scanned({libraryA, libraryB}); }, &holder));
}

TEST_F(SingleInstanceEndToEndTest, aHolderThatDoesNotAnswerIsNamedAndNothingChanges) {
    // A catalogue of this folder's, and a lock held by a living process that listens nowhere:
    // this test.
    const QByteArray stored = R"({"libraries":[],"roots":[{"path":"/Volumes/Media/Old"}],"driveRoles":{}})";
    ASSERT_TRUE(AtomicFile::write(dataFile(QStringLiteral("catalog.json")), stored));
    QLockFile held(dataFile(QStringLiteral("catalog.lock")));
    ASSERT_TRUE(held.tryLock(0));
    const QStringList before = QDir(dataDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    const Ended refused = run({QStringLiteral("--scan"), films});
    EXPECT_EQ(refused.exitCode, 1) << describe(refused);
    EXPECT_TRUE(refused.out.isEmpty()) << describe(refused);
    EXPECT_EQ(
        refused.errors,
        QStringLiteral("The catalogue in “%1” is in use by process %2, which did not answer; nothing was "
                       "changed.\n")
            .arg(dataDir)
            .arg(QCoreApplication::applicationPid()))
        << describe(refused);
    QFile catalog(dataFile(QStringLiteral("catalog.json")));
    ASSERT_TRUE(catalog.open(QIODevice::ReadOnly));
    EXPECT_EQ(catalog.readAll(), stored);
    EXPECT_EQ(QDir(dataDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);

    // The switches never open the catalogue, and run as ever beside its holder.
    const Ended discovered = run({QStringLiteral("--discover"), films});
    EXPECT_EQ(discovered.exitCode, 0) << describe(discovered);
    EXPECT_TRUE(discovered.out.contains(QStringLiteral("\nfound 1\n"))) << describe(discovered);
}
