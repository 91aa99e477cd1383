// The self-test as the command line runs it: every check passes on a good system, and with
// no usable temporary folder it fails as a failure should, leaving nothing behind.

#include "Catalogue/Logs/ErrorLog.h"
#include "FreeUpSpace/Cleanup.h"
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
    return test::capturedSelfTest(Cleanup::selfTest);
}

const QStringList kChecks{
    "Planning",
    "  ok    proxy plan targets only Proxy Media",
    "  ok    Original Media is never in a plan",
    "  ok    all-kinds plan avoids originals and projects",
    "  ok    Proxy Media containing a link is refused",
    "  ok    missing linked original: only the proxy made from it is kept, the rest is offered",
    "  ok    the kept proxy and the missing original are reported",
    "  ok    missing-files report lists the broken link and where it pointed",
    "  ok    Proxy Media that is a link to originals is refused",
    "  ok    event without originals is refused",
    "  ok    path traversal in event name is refused",
    "  ok    sub-path as event name is refused",
    "  ok    non-library folder is refused",
    "  ok    library with only CurrentVersion.plist is accepted",
    "  ok    bundle with no library files is refused",
    "  ok    optimized files with an original are offered one by one",
    "  ok    optimized file with no original is kept and reported",
    "  ok    Render Files/High Quality Media counts as render files",
    "  ok    duplicate marker is ignored when matching names",
    "Direct validation",
    "  ok    Original Media is rejected by validate()",
    "  ok    Render Files root itself is rejected",
    "  ok    whole event is rejected",
    "  ok    whole library is rejected",
    "Running",
    "  ok    progress is reported once per item, starting at nothing done",
    "  ok    proxy folder deleted",
    "  ok    Proxy Media is gone",
    "  ok    original clip still there",
    "  ok    optimized media untouched (not selected)",
    "  ok    project untouched",
    "  ok    other events untouched",
    "  ok    precious original survived",
    "  ok    two optimized files deleted",
    "  ok    optimized file with no original survived",
    "  ok    originals in that event survived",
    "  ok    original removed after planning: optimized copy is kept",
    "  ok    proxy of a missing original survived the delete",
    "  ok    target swapped for a link after planning is skipped",
};

} // namespace

TEST(CleanupSelfTest, PassesEveryCheckAndLeavesNoSampleBehind) {
    // A temporary folder whose own path holds the words the checks look for must not fail them.
    const QString temp = TestEnv::freshDir(QStringLiteral("Project Original Media"));
    test::ScopedEnvironment tmpdir("TMPDIR", temp);
    test::ScopedEnvironment data("TOVLIN_DATA_DIR", TestEnv::freshDir(QStringLiteral("selftest-data")));

    for (int time = 0; time < 2; ++time) {
        const auto [passed, lines] = runSelfTest();
        EXPECT_TRUE(passed);
        EXPECT_EQ(lines, kChecks + QStringList{"ALL SAFETY CHECKS PASSED"});
        EXPECT_TRUE(QDir(temp).isEmpty()) << QDir(temp).entryList().join(u' ').toStdString();
    }
}

TEST(CleanupSelfTest, FailsWithoutATemporaryFolderToBuildInAndLeavesNothing) {
    const QString folder = TestEnv::freshDir(QStringLiteral("selftest-plain"));
    const QString plain = folder + QStringLiteral("/plain");
    test::writeFile(plain, "not a folder");
    test::ScopedEnvironment data("TOVLIN_DATA_DIR", TestEnv::freshDir(QStringLiteral("selftest-data")));
    const QString cwdBefore = QDir::currentPath();
    const QStringList cwdListing = QDir(cwdBefore).entryList(QDir::AllEntries | QDir::Hidden);

    struct Case {
        const char* what;
        QString tmpdir;
    };
    const Case cases[] = {
        {"TMPDIR names a plain file", plain},
        {"TMPDIR names nothing", folder + QStringLiteral("/missing")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::ScopedEnvironment tmpdir("TMPDIR", c.tmpdir);
        const QStringList before = test::treeListing(folder);
        const auto [passed, lines] = runSelfTest();

        EXPECT_FALSE(passed);
        // The checks that need the sample fail; those that refuse what is not there pass.
        const QStringList failed = lines.filter(QRegularExpression("^  FAIL  "));
        EXPECT_FALSE(failed.isEmpty());
        EXPECT_TRUE(failed.contains("  FAIL  proxy plan targets only Proxy Media"));
        EXPECT_TRUE(lines.contains("  ok    duplicate marker is ignored when matching names"));
        EXPECT_EQ(lines.filter(QRegularExpression("^  (ok   |FAIL ) ")).size(), kChecks.size() - 3);
        EXPECT_EQ(lines.last(), QStringLiteral("FAILED: %1").arg(failed.size()));
        EXPECT_EQ(test::treeListing(folder), before);
        EXPECT_EQ(QDir(cwdBefore).entryList(QDir::AllEntries | QDir::Hidden), cwdListing);
    }
}
