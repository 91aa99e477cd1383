// The self-test as the command line runs it: every check passes on a good system, and without
// a temporary folder to build its sample in it fails check by check, leaving nothing behind.

#include "Catalogue/Logs/ErrorLog.h"
#include "MissingFiles/MissingFiles.h"
#include "Tests/Support/CapturedSelfTest.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"

#include <QDir>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace pellimor;
using test::TestEnv;

namespace {

std::pair<bool, QStringList> runSelfTest() {
    return test::capturedSelfTest(MissingFiles::selfTest);
}

const QStringList kChecks{
    "four broken links are listed, the real original is not",
    "search finds files by the real file's name, any letter case",
    "two same-named files of different sizes are not used",
    "the same event and name inside a library wins over same-named strangers",
    "a file the user marked as right is used; a mark on a file that is gone is ignored",
    "the file in the same two folders wins over a same-named file elsewhere",
    "the folder path is compared with the old one: only the drive changed scores highest",
    "among weaker matches, the one sharing more of the old folder path is listed first",
    "copy: the broken link became a real copy of the found file",
    "copy: the found file is still where it was",
    "repair link: the link now points at the found file",
    "a found file of a different type is refused",
    "a real original is never replaced",
    "an already repaired file is left alone",
    "no temporary files are left in Original Media",
    "the log records where the old link pointed",
    "the same broken link in backup copies on unconnected drives is not a find",
    "a real file listed on an unconnected drive is a lead to check, not counted as found",
};

QStringList withMarks(const QStringList& failing) {
    QStringList lines;
    for (const QString& check : kChecks)
        lines.append((failing.contains(check) ? "  FAIL  " : "  ok    ") + check);
    return lines;
}

} // namespace

TEST(MissingSelfTest, passesEveryCheckInOrderAndLeavesNoSampleBehind) {
    const QString temp = TestEnv::freshDir(QStringLiteral("missing selftest"));
    const QString data = TestEnv::freshDir(QStringLiteral("missing-selftest-data"));
    test::ScopedEnvironment tmpdir("TMPDIR", temp);
    test::ScopedEnvironment dataDir("TOVLIN_DATA_DIR", data);
    const bool wasHeadless = ErrorLog::headless();
    ErrorLog::setHeadless(true);

    const auto [passed, lines] = runSelfTest();
    ErrorLog::setHeadless(wasHeadless);
    EXPECT_TRUE(passed);
    EXPECT_EQ(lines, withMarks({}) + QStringList{"MISSING FILES CHECKS PASSED"});
    EXPECT_TRUE(QDir(temp).isEmpty()) << QDir(temp).entryList().join(u' ').toStdString();
    EXPECT_TRUE(QDir(data).isEmpty()) << "its repair log lives in the sample";
}

TEST(MissingSelfTest, withoutASampleEveryCheckThatNeedsOneFails) {
    const QString folder = TestEnv::freshDir(QStringLiteral("missing-selftest-plain"));
    const QString plain = folder + QStringLiteral("/plain");
    test::writeFile(plain, "not a folder");
    test::ScopedEnvironment data("TOVLIN_DATA_DIR",
                                 TestEnv::freshDir(QStringLiteral("missing-selftest-data")));
    const bool wasHeadless = ErrorLog::headless();
    ErrorLog::setHeadless(true);
    const QString cwd = QDir::currentPath();
    const QStringList cwdListing = QDir(cwd).entryList(QDir::AllEntries | QDir::Hidden);

    // The walk finds nothing for a.mov and b.mov, so every repair check fails rather than
    // passing for want of something to do; only the checks on texts and records pass.
    const QStringList failing = kChecks.mid(0, 6) + QStringList{kChecks.at(7)} + kChecks.mid(8, 8);
    for (const QString& where : {plain, folder + QStringLiteral("/missing")}) {
        SCOPED_TRACE(where.toStdString());
        test::ScopedEnvironment tmpdir("TMPDIR", where);
        const QStringList before = test::treeListing(folder);
        const auto [passed, lines] = runSelfTest();
        EXPECT_FALSE(passed);
        EXPECT_EQ(lines, withMarks(failing) + QStringList{QStringLiteral("FAILED: %1").arg(failing.size())});
        EXPECT_EQ(test::treeListing(folder), before);
        EXPECT_EQ(QDir(cwd).entryList(QDir::AllEntries | QDir::Hidden), cwdListing);
    }
    ErrorLog::setHeadless(wasHeadless);
}
