// The built program killed at moments of a first scan, then started with "--resume": the
// catalogue ends with every library once, the job file never counts as done a library the saved
// catalogue lacks, and the resumed run reads again none of the libraries that were saved.

#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/TestEnv.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <functional>
#include <gtest/gtest.h>

using pellimor::fixtures::LibraryBuilder;
using pellimor::test::TestEnv;

namespace {

constexpr int kLibraries = 120;

QJsonObject readJson(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

class ScanKillResumeEndToEndTest : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        s_tree = TestEnv::freshDir(QStringLiteral("killed-scan-tree"));
        for (int i = 0; i < kLibraries; ++i) {
            LibraryBuilder lib(QStringLiteral("Job %1").arg(i, 3, 10, QLatin1Char('0')));
            lib.event(QStringLiteral("Day 1")).media(QStringLiteral("A001.mov"), 2048);
            lib.write(QDir(s_tree).filePath(QStringLiteral("Client %1").arg(i % 10)));
        }
    }

    const QString root = TestEnv::freshDir(QStringLiteral("killed-scan"));
    const QString dataDir = QDir(root).filePath(QStringLiteral("data"));
    QString catalogFile() const { return QDir(dataDir).filePath(QStringLiteral("catalog.json")); }
    QString jobFile() const { return QDir(dataDir).filePath(QStringLiteral("scanjob.json")); }

    // The catalogued libraries on the disk now: path to the time its record was read.
    QHash<QString, QString> saved() const {
        QHash<QString, QString> libraries;
        for (const QJsonValue& value : readJson(catalogFile()).value(QStringLiteral("libraries")).toArray()) {
            const QJsonObject library = value.toObject();
            libraries.insert(library.value(QStringLiteral("path")).toString(),
                             library.value(QStringLiteral("scannedAt")).toVariant().toString());
        }
        return libraries;
    }
    qsizetype savedCount() const {
        return readJson(catalogFile()).value(QStringLiteral("libraries")).toArray().size();
    }
    QStringList jobDone() const {
        QStringList done;
        for (const QJsonValue& value : readJson(jobFile()).value(QStringLiteral("done")).toArray())
            done.append(value.toString());
        return done;
    }

    void start(QProcess& process, const QStringList& arguments) {
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

    // Polls the data folder until `done` holds; the limit only ends a hung run.
    static bool waitFor(QProcess& process, const std::function<bool()>& done) {
        const QDeadlineTimer deadline(120000);
        while (!done()) {
            if (deadline.hasExpired() || process.state() == QProcess::NotRunning)
                return done();
            process.waitForFinished(5);
        }
        return true;
    }

    static void end(QProcess& process, bool kill) {
        if (process.state() == QProcess::NotRunning)
            return;
        if (kill)
            process.kill();
        else
            process.terminate();
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
        }
    }

    static QString s_tree;
};

QString ScanKillResumeEndToEndTest::s_tree;

TEST_F(ScanKillResumeEndToEndTest, AResumeAfterAKillCataloguesEveryLibraryOnceAndReadsNoSavedOneAgain) {
    struct Moment {
        const char* name;
        std::function<bool(const ScanKillResumeEndToEndTest&)> reached;
    };
    const Moment moments[] = {
        {"the job is on the disk", [](const auto& t) { return QFile::exists(t.jobFile()); }},
        {"the walk is done",
         [](const auto& t) { return readJson(t.jobFile()).value(QStringLiteral("discoveryDone")).toBool(); }},
        {"a first save", [](const auto& t) { return t.savedCount() > 0; }},
        {"a later save", [](const auto& t) { return t.savedCount() > kLibraries / 2; }},
    };
    for (const Moment& moment : moments) {
        SCOPED_TRACE(moment.name);
        QDir(dataDir).removeRecursively();

        QProcess first;
        start(first, {QStringLiteral("--scan"), s_tree});
        ASSERT_TRUE(waitFor(first, [&] { return moment.reached(*this); }));
        end(first, true);

        // What a killed process leaves: the job counts as done only libraries the catalogue holds.
        const QHash<QString, QString> atKill = saved();
        for (const QString& done : jobDone())
            EXPECT_TRUE(atKill.contains(done)) << done.toStdString();

        QProcess resumed;
        start(resumed, {QStringLiteral("--resume")});
        ASSERT_TRUE(waitFor(resumed, [&] { return savedCount() == kLibraries && !QFile::exists(jobFile()); }))
            << savedCount() << " of " << kLibraries;
        end(resumed, false);

        const QHash<QString, QString> after = saved();
        EXPECT_EQ(after.size(), kLibraries);
        EXPECT_EQ(savedCount(), kLibraries) << "a library catalogued twice";
        for (auto it = atKill.begin(); it != atKill.end(); ++it)
            EXPECT_EQ(after.value(it.key()), it.value()) << "read again: " << it.key().toStdString();
    }
}

} // namespace
