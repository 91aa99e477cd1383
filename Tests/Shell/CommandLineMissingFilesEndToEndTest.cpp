// The built program with the missing-files switches: the search of one library in one folder,
// printed as the saved list, and the chain of the three self-tests.

#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

using namespace pellimor;
using fixtures::LibraryBuilder;
using test::TestEnv;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;

namespace {

struct Outcome {
    int exitCode = -1;
    QStringList lines; // standard output, split at line feeds
    QString errors;
};

Outcome runTovlin(const QStringList& arguments, const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TOVLIN_EXECUTABLE), arguments);
    Outcome run;
    if (!process.waitForFinished(240000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "tovlin did not finish: " << arguments.join(' ').toStdString();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.lines = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n');
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

std::string describe(const Outcome& run) {
    return ("stdout:\n" + run.lines.join('\n') + "\nstderr:\n" + run.errors).toStdString();
}

// A data folder of the run's own, to show that nothing writes an error log there.
QProcessEnvironment environmentWith(const QString& data, const QString& temp = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TOVLIN_DATA_DIR"), data);
    if (!temp.isEmpty())
        environment.insert(QStringLiteral("TMPDIR"), temp);
    return environment;
}

const QString kHead =
    QStringLiteral("These files are linked into the library, not copied, and the file each link "
                   "points to can't be found.");
const QString kCaution =
    QStringLiteral("A file is matched by its name only. Check it is the right one before "
                   "relinking in Final Cut (File ▸ Relink Files).");

} // namespace

TEST(CommandLineMissingFilesEndToEnd, missingSearchPrintsTheListAndChangesNothing) {
    const QString folder = TestEnv::freshDir(QStringLiteral("missing-search"));
    LibraryBuilder trip(QStringLiteral("Trip"));
    trip.event(QStringLiteral("Day 1"))
        .media(QStringLiteral("A000.mov"), 1000)
        .mediaLink(QStringLiteral("A001.mov"), QStringLiteral("/Volumes/Card/A001.mov"))
        .mediaLink(QStringLiteral("B002.mov"), QStringLiteral("/Volumes/Card/B002.mov"));
    const QString library = trip.write(folder + QStringLiteral("/Libraries"));
    const QString found = folder + QStringLiteral("/Backup");
    FixtureFiles::writeRandom(found + QStringLiteral("/Footage/a001.MOV"), 2000);
    const QString data = folder + QStringLiteral("/data");
    ASSERT_TRUE(QDir().mkpath(data));
    const QStringList before = test::treeListing(folder);

    const Outcome run = runTovlin({"--missing-search", library, found}, environmentWith(data));
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    ASSERT_FALSE(run.lines.isEmpty());
    EXPECT_TRUE(run.lines.first().startsWith("Missing original files — Tovlin, ")) << describe(run);
    const QStringList expected = {
        "2 files in 1 library",
        kHead,
        "Looked in: this Mac's user folder, " + found,
        "1 found by name, 1 not found",
        kCaution,
        "",
        "Library: Trip  (Macintosh HD)",
        library,
        "  Event: Day 1 (2)",
        "    A001.mov",
        "        was at: /Volumes/Card/A001.mov",
        "        found:  " + found + "/Footage/a001.MOV",
        "        match:  Same name only — check",
        "    B002.mov",
        "        was at: /Volumes/Card/B002.mov",
        "        not found",
        "",
        "",
    };
    EXPECT_EQ(run.lines.mid(1), expected) << "the list's own line break, then the printed one";
    EXPECT_EQ(test::treeListing(folder), before);
    EXPECT_TRUE(QDir(data).isEmpty()) << "no error log, nothing";

    // What cannot be read shows as what it is, and the run still ends well.
    const struct {
        const char* what;
        QString library;
        QString folder;
        QStringList counts;
    } partial[] = {
        {"a missing folder", library, folder + "/nowhere", {"2 files in 1 library"}},
    };
    for (const auto& c : partial) {
        SCOPED_TRACE(c.what);
        const Outcome quiet = runTovlin({"--missing-search", c.library, c.folder}, environmentWith(data));
        EXPECT_EQ(quiet.exitCode, 0) << describe(quiet);
        ASSERT_GE(quiet.lines.size(), 6) << describe(quiet);
        EXPECT_EQ(quiet.lines.at(1), c.counts.first());
        EXPECT_EQ(quiet.lines.at(3), "Looked in: this Mac's user folder, " + c.folder);
        EXPECT_EQ(quiet.lines.at(4), c.counts.first().startsWith('0') ? "0 found by name, 0 not found"
                                                                      : "0 found by name, 2 not found");
    }
    EXPECT_EQ(test::treeListing(folder), before);
}

TEST(CommandLineMissingFilesEndToEnd, selftestCleanupRunsTheThreeSelfTestsInOrderAndCleansUp) {
    const QString temp = TestEnv::freshDir(QStringLiteral("selftest-cleanup-tmp"));
    const QString data = TestEnv::freshDir(QStringLiteral("selftest-cleanup-data"));
    const Outcome run = runTovlin({"--selftest-cleanup"}, environmentWith(data, temp));
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    const qsizetype safety = run.lines.indexOf("ALL SAFETY CHECKS PASSED");
    const qsizetype signature = run.lines.indexOf("SIGNATURE CHECKS PASSED");
    const qsizetype missing = run.lines.indexOf("MISSING FILES CHECKS PASSED");
    EXPECT_TRUE(safety >= 0 && safety < signature && signature < missing) << describe(run);
    EXPECT_EQ(run.lines.mid(missing + 1), QStringList{""}) << "nothing after the last verdict";
    EXPECT_TRUE(run.lines.filter("FAIL").isEmpty()) << describe(run);
    EXPECT_TRUE(QDir(temp).isEmpty()) << QDir(temp).entryList().join(' ').toStdString();
    EXPECT_TRUE(QDir(data).isEmpty());
}
