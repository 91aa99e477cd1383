#include "Catalogue/Reader/LibraryReader.h"
#include "Support/DirectoryListing.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/VirtualClock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <ostream>
#include <stop_token>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace pellimor;
namespace Files = fixtures::FixtureFiles;

namespace {

// Library bundles as plain folders (discovery never looks inside them) and other folders,
// by path relative to `root`.
void makeBundles(const QString& root, const QStringList& bundles) {
    for (const QString& bundle : bundles)
        Files::writeBytes(root + '/' + bundle + QStringLiteral("/CurrentVersion.flexolibrary"), "x");
}

struct Walk {
    bool complete = false;
    QStringList found;
    QList<PendingDir> pending;
    QStringList unlisted;
    QStringList progress;
    QList<QList<PendingDir>> checkpointStacks;
    QList<QStringList> checkpointFound;
};

struct Options {
    std::optional<qint64> maxDepth = std::nullopt;
    bool skipSafetyNet = true;
    bool skipFCPBackups = true;
    std::function<void(const QString&)> onFolder = {};
    std::stop_token stop = {};
};

// How the walk of the running test lists ahead of itself: every test below runs once per way,
// since looking ahead must never change what a walk finds, reports or checkpoints.
LibraryReader::LookAhead lookAheadOfThisRun;

Walk discover(QList<PendingDir> pending, const Options& options, QStringList found = {}) {
    Walk walk;
    walk.found = std::move(found);
    walk.pending = std::move(pending);
    walk.complete = LibraryReader::discover(
        walk.pending, walk.found, options.maxDepth, options.skipSafetyNet, options.skipFCPBackups,
        [&](const QList<PendingDir>& stack, const QStringList& found) {
            walk.checkpointStacks.append(stack);
            walk.checkpointFound.append(found);
        },
        [&](const QString& folder) {
            walk.progress.append(folder);
            if (options.onFolder)
                options.onFolder(folder);
        },
        options.stop, &walk.unlisted, lookAheadOfThisRun);
    return walk;
}

Walk discoverRoot(const QString& root, const Options& options) {
    return discover({PendingDir{root, 0}}, options);
}

QStringList relative(const QString& root, const QStringList& paths) {
    QStringList result;
    for (const QString& path : paths)
        result.append(path.startsWith(root + '/') ? path.mid(root.size() + 1) : path);
    return result;
}

struct LookAheadCase {
    const char* name;
    LibraryReader::LookAhead lookAhead;
    // Every entry's kind looked up, as on a file system whose listings do not give it.
    bool kindsLookedUp = false;
};

void PrintTo(const LookAheadCase& c, std::ostream* out) {
    *out << c.name;
}

class LibraryDiscoveryTest : public ::testing::TestWithParam<LookAheadCase> {
protected:
    void SetUp() override {
        lookAheadOfThisRun = GetParam().lookAhead;
        if (GetParam().kindsLookedUp)
            m_kindsIgnored.emplace();
    }
    void TearDown() override {
        lookAheadOfThisRun = {};
        m_kindsIgnored.reset();
    }

private:
    std::optional<DirectoryListing::IgnoreEntryKinds> m_kindsIgnored;
};

} // namespace

INSTANTIATE_TEST_SUITE_P(Walks, LibraryDiscoveryTest,
                         ::testing::Values(LookAheadCase{"alone", {}}, LookAheadCase{"threeHelpers", {3}},
                                           // Helpers that stop after a listing or two.
                                           LookAheadCase{"helpersWithLittleRoom", {2, 1}},
                                           LookAheadCase{"aloneKindsLookedUp", {}, true},
                                           LookAheadCase{"threeHelpersKindsLookedUp", {3}, true}),
                         [](const ::testing::TestParamInfo<LookAheadCase>& info) { return info.param.name; });

TEST_P(LibraryDiscoveryTest, RulesDecideWhichLibrariesAreFound) {
    const QString root = test::TestEnv::freshDir(QStringLiteral("discover-rules"));
    makeBundles(root, {
                          "Top.fcpbundle",
                          "Top.fcpbundle/Inner.fcpbundle", // bundles are reported, never entered
                          "a/b.fcpbundle",
                          "a/b/c.fcpbundle",
                          "Caps.FCPBUNDLE",
                          "CacheClip/x.fcpbundle",
                          "deep/er/CacheClip/y.fcpbundle",
                          "Movies/Final Cut Backups.localized/Lib/2026.fcpbundle",
                          "Final Cut Backups/z.fcpbundle",
                          "My SafetyNet copies/s.fcpbundle",
                          "mysafetynet/t.fcpbundle",
                          ".hidden/h.fcpbundle",
                          ".dot.fcpbundle",
                          "Photos Library.photoslibrary/p.fcpbundle",
                          "node_modules/n.fcpbundle",
                      });
    Files::writeBytes(root + QStringLiteral("/file.fcpbundle"), "not a folder");
    // Links are never followed: not to a folder of libraries, not to a library, not round a loop.
    Files::makeLink(root + QStringLiteral("/linkdir"), QStringLiteral("a"));
    Files::makeLink(root + QStringLiteral("/Linked.fcpbundle"), QStringLiteral("Top.fcpbundle"));
    Files::makeLink(root + QStringLiteral("/a/loop"), QStringLiteral(".."));

    struct Case {
        const char* what;
        std::optional<qint64> maxDepth;
        bool skipSafetyNet;
        bool skipFCPBackups;
        QStringList expected;
    };
    const QStringList plain{"Top.fcpbundle", "a/b.fcpbundle", "a/b/c.fcpbundle", "Caps.FCPBUNDLE"};
    const Case cases[] = {
        {"default rules", std::nullopt, true, true, plain},
        {"safety-net folders walked", std::nullopt, false, true,
         plain + QStringList{"My SafetyNet copies/s.fcpbundle", "mysafetynet/t.fcpbundle"}},
        {"backups walked", std::nullopt, true, false,
         plain + QStringList{"Movies/Final Cut Backups.localized/Lib/2026.fcpbundle",
                             "Final Cut Backups/z.fcpbundle"}},
        {"depth 1 lists the root only", 1, true, true, {"Top.fcpbundle", "Caps.FCPBUNDLE"}},
        {"depth 2 finds root/a/b, not root/a/b/c",
         2,
         true,
         true,
         {"Top.fcpbundle", "a/b.fcpbundle", "Caps.FCPBUNDLE"}},
        {"depth 3, backups walked", 3, true, false, plain + QStringList{"Final Cut Backups/z.fcpbundle"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Walk walk = discoverRoot(
            root,
            {.maxDepth = c.maxDepth, .skipSafetyNet = c.skipSafetyNet, .skipFCPBackups = c.skipFCPBackups});
        EXPECT_TRUE(walk.complete);
        EXPECT_TRUE(walk.pending.isEmpty());
        EXPECT_TRUE(walk.unlisted.isEmpty()) << walk.unlisted.join(", ").toStdString();
        QStringList found = relative(root, walk.found);
        found.sort();
        QStringList expected = c.expected;
        expected.sort();
        EXPECT_EQ(found, expected);
        ASSERT_EQ(walk.checkpointFound.size(), 1) << "a short walk has its final checkpoint only";
        EXPECT_EQ(walk.checkpointFound.last(), walk.found);
        EXPECT_TRUE(walk.checkpointStacks.last().isEmpty());
    }
}

TEST_P(LibraryDiscoveryTest, WalksDepthFirstLastPushedFirst) {
    const QString root = test::TestEnv::freshDir(QStringLiteral("discover-order"));
    makeBundles(root, {"A/x.fcpbundle", "B/y.fcpbundle", "B/C/z.fcpbundle"});
    const Walk walk = discoverRoot(root, {});
    EXPECT_EQ(relative(root, walk.found), (QStringList{"B/y.fcpbundle", "B/C/z.fcpbundle", "A/x.fcpbundle"}));
    EXPECT_EQ(relative(root, walk.progress), (QStringList{root, "B", "B/C", "A"}));
}

TEST_P(LibraryDiscoveryTest, StopPutsTheFolderBackAndResumeFinishesTheWalk) {
    const QString root = test::TestEnv::freshDir(QStringLiteral("discover-stop"));
    makeBundles(root, {"A/x.fcpbundle", "A/Deeper/w.fcpbundle", "B/y.fcpbundle"});
    const QStringList fullWalk = discoverRoot(root, {}).found;

    // Stopped while "B" is listed: "B" is finished, "A" is taken next and goes straight back.
    std::stop_source source;
    const Walk stopped = discoverRoot(root, {.onFolder =
                                                 [&](const QString& folder) {
                                                     if (folder.endsWith(QStringLiteral("/B")))
                                                         source.request_stop();
                                                 },
                                             .stop = source.get_token()});
    EXPECT_FALSE(stopped.complete);
    const QList<PendingDir> left{PendingDir{root + QStringLiteral("/A"), 1}};
    EXPECT_EQ(stopped.pending, left);
    EXPECT_EQ(relative(root, stopped.found), QStringList{"B/y.fcpbundle"});
    ASSERT_FALSE(stopped.checkpointStacks.isEmpty());
    EXPECT_EQ(stopped.checkpointStacks.last(), left) << "the final checkpoint carries the folder put back";
    EXPECT_EQ(stopped.checkpointFound.last(), stopped.found);

    const Walk resumed = discover(stopped.checkpointStacks.last(), {}, stopped.checkpointFound.last());
    EXPECT_TRUE(resumed.complete);
    EXPECT_EQ(resumed.found, fullWalk) << "nothing lost, nothing found twice";

    // A stop that is already requested lists nothing and changes nothing.
    std::stop_source early;
    early.request_stop();
    const Walk untouched = discoverRoot(root, {.stop = early.get_token()});
    EXPECT_FALSE(untouched.complete);
    EXPECT_TRUE(untouched.progress.isEmpty());
    EXPECT_EQ(untouched.pending, (QList<PendingDir>{PendingDir{root, 0}}));
}

TEST_P(LibraryDiscoveryTest, CheckpointsWhenMoreThanTheIntervalHasPassedSinceTheLastOne) {
    const QString root = test::TestEnv::freshDir(QStringLiteral("discover-checkpoint"));
    makeBundles(root, {"A/x.fcpbundle", "B/y.fcpbundle"});
    const auto pendingAt = [&](const QStringList& folders) {
        QList<PendingDir> stack;
        for (const QString& folder : folders)
            stack.append(PendingDir{root + u'/' + folder, 1});
        return stack;
    };

    // The walk lists the root, then B, then A; the time each listing takes is told per folder.
    struct Checkpoint {
        QStringList pending;
        QStringList found;
    };
    struct Case {
        const char* what;
        QMap<QString, int> msListing; // by folder relative to the root ("" for the root)
        QList<Checkpoint> expected;   // the final one included
    };
    const QList<Case> cases = {
        {"a quick walk: the final checkpoint only", {}, {{{}, {"B/y.fcpbundle", "A/x.fcpbundle"}}}},
        {"the root takes longer than the interval",
         {{"", 2100}},
         {{{"A", "B"}, {}}, {{}, {"B/y.fcpbundle", "A/x.fcpbundle"}}}},
        {"exactly the interval is not longer", {{"", 2000}}, {{{}, {"B/y.fcpbundle", "A/x.fcpbundle"}}}},
        {"the interval counts from the last checkpoint",
         {{"", 1500}, {"B", 1500}, {"A", 1500}},
         {{{"A"}, {"B/y.fcpbundle"}}, {{}, {"B/y.fcpbundle", "A/x.fcpbundle"}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::ScopedVirtualClock clock;
        const Walk walk = discoverRoot(root, {.onFolder = [&](const QString& folder) {
                                           const QString name =
                                               folder == root ? QString() : folder.mid(root.size() + 1);
                                           clock->advance(std::chrono::milliseconds(c.msListing.value(name)));
                                       }});
        EXPECT_TRUE(walk.complete);
        ASSERT_EQ(walk.checkpointStacks.size(), c.expected.size());
        for (qsizetype i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(walk.checkpointStacks.at(i), pendingAt(c.expected.at(i).pending)) << "checkpoint " << i;
            EXPECT_EQ(relative(root, walk.checkpointFound.at(i)), c.expected.at(i).found)
                << "checkpoint " << i;
        }
    }
}

TEST_P(LibraryDiscoveryTest, FoldersThatCannotBeListedAreReported) {
    const QString dir = test::TestEnv::freshDir(QStringLiteral("discover-unlisted"));

    // A root that is missing, or a file: nothing found, nothing lost, and the root reported.
    for (const QString& root : {dir + QStringLiteral("/missing"), dir + QStringLiteral("/plain-file")}) {
        SCOPED_TRACE(root.toStdString());
        if (root.endsWith(QStringLiteral("file")))
            Files::writeBytes(root, "x");
        const Walk walk = discover({PendingDir{root, 0}}, {}, {QStringLiteral("/earlier/Kept.fcpbundle")});
        EXPECT_TRUE(walk.complete);
        EXPECT_EQ(walk.found, QStringList{QStringLiteral("/earlier/Kept.fcpbundle")});
        EXPECT_EQ(walk.unlisted, QStringList{root});
        EXPECT_EQ(walk.progress, QStringList{root});
    }

    // A folder that goes away between being found and being listed. (A helper may list it
    // before it goes, as a walk may list any folder a moment before it changes.)
    const QString root = dir + QStringLiteral("/tree");
    makeBundles(root, {"A/x.fcpbundle", "B/y.fcpbundle"});
    if (GetParam().lookAhead.helpers == 0) {
        const Walk vanished = discoverRoot(root, {.onFolder = [&](const QString& folder) {
                                               if (folder == root + QStringLiteral("/B"))
                                                   QDir(folder).removeRecursively();
                                           }});
        EXPECT_TRUE(vanished.complete);
        EXPECT_EQ(relative(root, vanished.found), QStringList{"A/x.fcpbundle"});
        EXPECT_EQ(vanished.unlisted, QStringList{root + QStringLiteral("/B")});
    }

    // Without a list to report to, the walk still goes on.
    QList<PendingDir> pending{PendingDir{dir + QStringLiteral("/missing"), 0}};
    QStringList found;
    EXPECT_TRUE(LibraryReader::discover(pending, found, std::nullopt, true, true, {}, {}, {}, nullptr,
                                        GetParam().lookAhead));
    EXPECT_TRUE(found.isEmpty());
}

TEST_P(LibraryDiscoveryTest, NamesThatAreNotUtf8AreReportedNotLost) {
    const QString root = test::TestEnv::freshDir(QStringLiteral("discover-bytes"));
    makeBundles(root, {"ok.fcpbundle"});
    const QByteArray native = QFile::encodeName(root);
    const QByteArray badFolder = native + "/bad\xff";
    const QByteArray badBundle = native + "/Lib\xfe.fcpbundle";
    ASSERT_EQ(::mkdir(badFolder.constData(), 0755), 0);
    ASSERT_EQ(::mkdir(QByteArray(badFolder + "/inside.fcpbundle").constData(), 0755), 0);
    ASSERT_EQ(::mkdir(badBundle.constData(), 0755), 0);

    const Walk walk = discoverRoot(root, {});
    EXPECT_TRUE(walk.complete);
    EXPECT_EQ(relative(root, walk.found), QStringList{"ok.fcpbundle"});
    QStringList unlisted = walk.unlisted;
    unlisted.sort();
    EXPECT_EQ(unlisted, (QStringList{QFile::decodeName(badBundle), QFile::decodeName(badFolder)}));
}

// A tree wide and deep enough that helpers list whole parts of it ahead, and the walk comes to
// parts still being listed: the walk's own record is the one it makes alone, every time.
TEST_P(LibraryDiscoveryTest, ListingAheadLeavesTheWalkAsItIsAlone) {
    const QString root = test::TestEnv::freshDir(QStringLiteral("discover-ahead"));
    QStringList bundles;
    for (const char* top : {"A", "B", "C", "D", "E"})
        for (int middle = 0; middle < 4; ++middle)
            for (int low = 0; low < 4; ++low) {
                const QString folder =
                    QStringLiteral("%1/m%2/l%3").arg(QLatin1String(top)).arg(middle).arg(low);
                bundles << folder + QStringLiteral("/Lib.fcpbundle")
                        << folder + QStringLiteral("/deep/er/still/Low.fcpbundle");
            }
    bundles << QStringLiteral("C/m1/CacheClip/Skipped.fcpbundle")
            << QStringLiteral("D/m2/Final Cut Backups/Skipped.fcpbundle");
    makeBundles(root, bundles);
    // A chain of folders whose paths grow too long to be opened, in the part of the tree the
    // walk comes to last, so helpers come to it first: the first that cannot be listed is
    // reported by the walk all the same.
    {
        int dir =
            ::open(QFile::encodeName(root + QStringLiteral("/A/m0")).constData(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(dir, 0);
        const std::string name(200, 'n');
        for (int level = 0; level < 24 && dir >= 0; ++level) {
            ASSERT_EQ(::mkdirat(dir, name.c_str(), 0755), 0);
            const int below = ::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY);
            ::close(dir);
            dir = below;
        }
        ASSERT_GE(dir, 0);
        ::close(dir);
    }

    for (const std::optional<qint64> depth : {std::optional<qint64>(), std::optional<qint64>(4)}) {
        SCOPED_TRACE(depth ? "four folders deep" : "no depth limit");
        const LibraryReader::LookAhead asRun = std::exchange(lookAheadOfThisRun, {});
        const Walk alone = discoverRoot(root, {.maxDepth = depth});
        lookAheadOfThisRun = asRun;
        ASSERT_EQ(alone.found.size(), depth ? 80 : 160);
        ASSERT_EQ(alone.unlisted.size(), depth ? 0 : 1);
        QStringList expectedSeen = alone.found;
        expectedSeen.sort();
        for (int round = 0; round < 20; ++round) {
            // Each library is told of once, whoever listed its folder.
            std::mutex seenLock;
            QStringList seen;
            lookAheadOfThisRun.seen = [&](const QString& library) {
                const std::lock_guard lock(seenLock);
                seen.append(library);
            };
            const Walk walk = discoverRoot(root, {.maxDepth = depth});
            lookAheadOfThisRun.seen = {};
            EXPECT_TRUE(walk.complete);
            EXPECT_EQ(walk.found, alone.found) << "round " << round;
            EXPECT_EQ(walk.progress, alone.progress) << "round " << round;
            EXPECT_EQ(walk.unlisted, alone.unlisted) << "round " << round;
            EXPECT_EQ(walk.checkpointFound, alone.checkpointFound) << "round " << round;
            // A whole walk has taken every part it offered, so no helper tells anything later.
            const std::lock_guard lock(seenLock);
            seen.sort();
            EXPECT_EQ(seen, expectedSeen) << "round " << round;
        }
    }

    // Stopped half-way, with helpers busy below folders the walk has not come to: the walk
    // keeps what it would keep alone, and a resumed walk finds the rest.
    const auto stoppedAtC2 = [&root] {
        auto source = std::make_shared<std::stop_source>();
        return discoverRoot(root, {.onFolder =
                                       [source](const QString& folder) {
                                           if (folder.endsWith(QStringLiteral("/C/m2")))
                                               source->request_stop();
                                       },
                                   .stop = source->get_token()});
    };
    const Walk stopped = stoppedAtC2();
    EXPECT_FALSE(stopped.complete);
    const LibraryReader::LookAhead asRun = std::exchange(lookAheadOfThisRun, {});
    const Walk stoppedAlone = stoppedAtC2();
    lookAheadOfThisRun = asRun;
    EXPECT_EQ(stopped.pending, stoppedAlone.pending);
    EXPECT_EQ(stopped.found, stoppedAlone.found);
    const Walk resumed = discover(stopped.pending, {}, stopped.found);
    EXPECT_TRUE(resumed.complete);
    EXPECT_EQ(resumed.found.size(), 160) << "nothing lost, nothing found twice";
}

// The listing's word on each entry's kind spares a lookup per entry; a walk that looks every
// entry up (as on a file system that gives no kinds) must come to exactly the same record,
// whatever kind of item stands where a folder or a library could.
TEST(LibraryDiscoveryKinds, TheListingsKindsChangeNothingTheWalkFinds) {
    const QString root = test::TestEnv::freshDir(QStringLiteral("discover-kinds"));
    makeBundles(root, {"Lib.fcpbundle", "a/In.fcpbundle", "a/b/c/Deep.fcpbundle", ".hidden/H.fcpbundle",
                       "Final Cut Backups/B.fcpbundle", "Movies/My SafetyNet/S.fcpbundle",
                       "CacheClip/C.fcpbundle", "files/Sub.fcpbundle"});
    for (int i = 0; i < 5; ++i)
        Files::writeBytes(root + QStringLiteral("/files/f%1.mov").arg(i), "x");
    Files::writeBytes(root + QStringLiteral("/File.fcpbundle"), "a file named like a library");
    Files::makeLink(root + QStringLiteral("/to-a"), QStringLiteral("a"));
    Files::makeLink(root + QStringLiteral("/ToLib.fcpbundle"), QStringLiteral("Lib.fcpbundle"));
    Files::makeLink(root + QStringLiteral("/broken"), QStringLiteral("nowhere"));
    Files::makeLink(root + QStringLiteral("/Broken.fcpbundle"), QStringLiteral("nowhere.fcpbundle"));
    Files::makeLink(root + QStringLiteral("/a/to-file"), QStringLiteral("../files/f0.mov"));
    Files::makeLink(root + QStringLiteral("/a/b/up"), QStringLiteral("../.."));
    ASSERT_EQ(::mkfifo(QFile::encodeName(root + QStringLiteral("/a/pipe.fcpbundle")).constData(), 0644), 0);

    struct Rules {
        const char* what;
        Options options;
    };
    const Rules rules[] = {
        {"default rules", {}},
        {"safety net and backups walked", {.skipSafetyNet = false, .skipFCPBackups = false}},
        {"two folders deep", {.maxDepth = 2}},
    };
    for (const LibraryReader::LookAhead& lookAhead :
         {LibraryReader::LookAhead{}, LibraryReader::LookAhead{2}})
        for (const Rules& rule : rules) {
            SCOPED_TRACE(std::string(rule.what) + (lookAhead.helpers ? ", with helpers" : ", alone"));
            lookAheadOfThisRun = lookAhead;
            const Walk byKinds = discoverRoot(root, rule.options);
            Walk byLookups;
            {
                const DirectoryListing::IgnoreEntryKinds ignored;
                byLookups = discoverRoot(root, rule.options);
            }
            lookAheadOfThisRun = {};
            EXPECT_TRUE(byKinds.complete);
            EXPECT_EQ(byKinds.found, byLookups.found);
            EXPECT_EQ(byKinds.progress, byLookups.progress);
            EXPECT_EQ(byKinds.unlisted, byLookups.unlisted);
            EXPECT_EQ(byKinds.checkpointFound, byLookups.checkpointFound);
            EXPECT_EQ(byKinds.checkpointStacks, byLookups.checkpointStacks);
            EXPECT_TRUE(byKinds.found.contains(root + QStringLiteral("/Lib.fcpbundle")));
            for (const char* never : {"/ToLib.fcpbundle", "/Broken.fcpbundle", "/File.fcpbundle",
                                      "/a/pipe.fcpbundle", "/to-a/In.fcpbundle"})
                EXPECT_FALSE(byKinds.found.contains(root + QLatin1String(never))) << never;
        }
}
