// A scan run driven over libraries written by the fixture builder with a recording host in
// place of the catalogue: what the run asks of its host, in which order and when.

#include "Catalogue/Scan/ScanRun.h"

#include "Catalogue/Records/ScanJob.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/RecordingScanHost.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/VirtualClock.h"

#include <QDir>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace pellimor;
using namespace std::chrono_literals;
using fixtures::LibraryBuilder;

namespace {

class ScanRunTest : public ::testing::Test {
protected:
    // A folder of `count` small libraries.
    QString rootOf(int count) {
        const QString root = test::TestEnv::freshDir(QStringLiteral("scanrun"));
        for (int i = 0; i < count; ++i) {
            LibraryBuilder lib(QStringLiteral("L%1").arg(i, 2, 10, QLatin1Char('0')));
            lib.event(QStringLiteral("Day 1")).media(QStringLiteral("A001.mov"), 4096);
            lib.write(root);
        }
        return root;
    }

    // Runs a first scan of `root`, one read at a time, through `host` to its end.
    void run(std::unique_ptr<test::RecordingScanHost> owned, const QString& root) {
        host = owned.get();
        host->mediaDir = test::TestEnv::freshDir(QStringLiteral("media"));
        host->currentJob.roots = {root};
        host->currentJob.maxDepth = 3;
        host->currentJob.concurrency = 1;
        m_run = std::make_shared<ScanRun>(std::move(owned), ScanHost::Contents{});
        m_run->start();
        ASSERT_TRUE(test::CatalogTestEnv::waitUntil([&] { return host->hasEnded; }));
    }

    // No "scanjob.json" written along the way may count as done a library that the last
    // "catalog.json" asked for before it lacks, so a resumed run never skips a library the
    // catalogue does not hold.
    void expectJobNeverAheadOfCatalogue() const {
        qsizetype saved = 0;
        for (const test::RecordingScanHost::Step& step : host->steps) {
            if (step.what == QStringLiteral("save")) {
                saved = step.libraries;
            } else if (step.what == QStringLiteral("persistJob")) {
                EXPECT_LE(step.jobDone, saved);
            }
        }
    }

    test::RecordingScanHost* host = nullptr;

private:
    std::shared_ptr<ScanRun> m_run;
};

TEST_F(ScanRunTest, AFirstScanCataloguesEveryLibraryAndEndsWithItsRecordOnTheDisk) {
    const QString root = rootOf(4);
    run(std::make_unique<test::RecordingScanHost>(), root);

    EXPECT_EQ(host->libraryList.size(), 4);
    EXPECT_EQ(host->mediaLists.size() + host->placedLists.size(), 4);
    ASSERT_FALSE(host->stepsOf(QStringLiteral("save")).isEmpty());
    EXPECT_EQ(host->stepsOf(QStringLiteral("save")).last().libraries, 4);
    // A finished job leaves no job file; the run ends once the writes are in.
    QStringList tail;
    for (const auto& step : host->steps)
        if (step.what != QStringLiteral("status"))
            tail.append(step.what);
    ASSERT_GE(tail.size(), 2);
    EXPECT_EQ(tail.mid(tail.size() - 2), (QStringList{QStringLiteral("clearJob"), QStringLiteral("ended")}));
    EXPECT_EQ(host->stepsOf(QStringLiteral("status")).last().text,
              QStringLiteral("Done: 4 new, 0 updated, 0 unchanged, 0 removed."));
    expectJobNeverAheadOfCatalogue();
}

TEST_F(ScanRunTest, TheRunEndsOnlyOnceItsWritesAreOnTheDisk) {
    const QString root = rootOf(2);
    auto owned = std::make_unique<test::RecordingScanHost>();
    owned->holdWrites = true;
    host = owned.get();
    host->mediaDir = test::TestEnv::freshDir(QStringLiteral("media"));
    host->currentJob.roots = {root};
    host->currentJob.concurrency = 1;
    const auto scan = std::make_shared<ScanRun>(std::move(owned), ScanHost::Contents{});
    scan->start();
    ASSERT_TRUE(test::CatalogTestEnv::waitUntil(
        [&] { return !host->stepsOf(QStringLiteral("clearJob")).isEmpty(); }));
    test::runQueued();
    EXPECT_FALSE(host->hasEnded);
    host->releaseWrites();
    EXPECT_TRUE(host->hasEnded);
}

// How many saves the run asked for while it read, and the libraries catalogued at each: the
// save at the end of the root is not one of them.
std::vector<qsizetype> savesDuringReads(const test::RecordingScanHost& host, qsizetype libraries) {
    std::vector<qsizetype> counts;
    for (const test::RecordingScanHost::Step& step : host.steps)
        if (step.what == QStringLiteral("save"))
            counts.push_back(step.libraries);
    // The last save is the end of the root's, whatever the reads did.
    EXPECT_FALSE(counts.empty());
    if (!counts.empty()) {
        EXPECT_EQ(counts.back(), libraries);
        counts.pop_back();
    }
    return counts;
}

TEST_F(ScanRunTest, SavesDuringTheReadsAreSpacedByTheTimeSinceTheLastSaveReachedTheDisk) {
    const QString root = rootOf(9);
    struct Case {
        const char* name;
        std::chrono::seconds perLibrary; // how much time each library's read takes
        bool holdWrites;                 // no write reaches the disk until the run closes
        std::vector<qsizetype> saves;
    };
    const Case cases[] = {
        // Nine libraries within two seconds: the catalogue is saved once, when the root is done.
        {"quick reads", 0s, false, {}},
        // Every third library once the last save is two seconds old.
        {"slow reads", 3s, false, {3, 6}},
        // A save still on its way holds back the next one, however long ago it was asked for.
        {"slow disk", 3s, true, {3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScopedVirtualClock clock;
        auto owned = std::make_unique<test::RecordingScanHost>();
        owned->holdWrites = c.holdWrites;
        owned->onProgress = [&clock, step = c.perLibrary] { clock->advance(step); };
        test::RecordingScanHost* seen = owned.get();
        seen->mediaDir = test::TestEnv::freshDir(QStringLiteral("media"));
        seen->currentJob.roots = {root};
        seen->currentJob.concurrency = 1;
        const auto scan = std::make_shared<ScanRun>(std::move(owned), ScanHost::Contents{});
        scan->start();
        // Held writes reach the disk once the run closes, which waits for them.
        ASSERT_TRUE(test::CatalogTestEnv::waitUntil([&] {
            if (!seen->stepsOf(QStringLiteral("clearJob")).isEmpty())
                seen->releaseWrites();
            return seen->hasEnded;
        }));
        EXPECT_EQ(seen->libraryList.size(), 9);
        EXPECT_EQ(savesDuringReads(*seen, 9), c.saves);
        host = seen;
        expectJobNeverAheadOfCatalogue();
    }
}

} // namespace
