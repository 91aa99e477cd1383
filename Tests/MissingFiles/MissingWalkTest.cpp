// The search on disk: what the walk lists, what it passes over, and where its reports run.

#include "MissingFiles/MissingFiles.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/PinnedLocale.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

using namespace pellimor;
using test::TestEnv;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;

namespace {

// Runs every posted call at once, on the walking thread: lets a test act in the middle of a walk.
struct AtOnce {
    MissingFiles::Post post() {
        return [](std::function<void()> call) { call(); };
    }
};

// Keeps posted calls until the test runs them.
struct Held {
    std::vector<std::function<void()>> calls;
    MissingFiles::Post post() {
        return [this](std::function<void()> call) { calls.push_back(std::move(call)); };
    }
    void runAll() {
        for (const auto& call : calls)
            call();
        calls.clear();
    }
};

struct Walk {
    MissingFiles::Found found;
    QList<std::pair<QString, QString>> hits;
    QStringList progress;
};

Walk walk(const QStringList& roots, const QSet<QString>& names) {
    Walk result;
    Held held;
    MissingFiles::searchFolders(
        roots, names, std::make_shared<MissingFiles::Stop>(), result.found, held.post(),
        [&](const QString& name, const QString& path) {
            result.hits.append({name, path});
        },
        [&](const QString& text) { result.progress.append(text); });
    held.runAll();
    return result;
}

void touchBytes(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ::close(fd);
}

} // namespace

TEST(MissingWalk, ListsFilesOfWantedNamesAndNothingElse) {
    const QString root = TestEnv::freshDir(QStringLiteral("walk"));
    FixtureFiles::writeRandom(root + "/one/C.MOV", 5);
    FixtureFiles::writeRandom(root + "/two/C.MOV", 15);
    FixtureFiles::writeRandom(root + "/d.mp4", 5);
    FixtureFiles::writeRandom(root + "/.hidden/a.mov", 5);
    FixtureFiles::writeRandom(root + "/.a.mov", 5);
    FixtureFiles::writeRandom(root + "/real.bin", 5);
    FixtureFiles::makeLink(root + "/x.mov", root + "/real.bin");
    // Links into folders inside the root, one of them back up the tree.
    FixtureFiles::makeLink(root + "/one/up", QStringLiteral(".."));
    FixtureFiles::makeLink(root + "/again", QStringLiteral("one"));
    FixtureFiles::writeRandom(root + "/Cafe\u0301.mov", 5);
    FixtureFiles::writeRandom(root + "/Lib.fcpbundle/Ev/Transcoded Media/Proxy Media/a.mov", 5);
    FixtureFiles::writeRandom(root + "/Lib.fcpbundle/Ev/Transcoded Media/High Quality Media/b.mov", 5);
    FixtureFiles::writeRandom(root + "/Lib.fcpbundle/Ev/Render Files/High Quality Media/b.mov", 5);
    FixtureFiles::writeRandom(root + "/Other.fcpbundle/EvX/Original Media/a.mov", 5);
    FixtureFiles::writeRandom(root + "/Other.fcpbundle/EvX/Original Media/Transcoded Media/b.mov", 5);
    FixtureFiles::writeRandom(root + "/Transcoded Media/b.mov", 5);
    const QStringList before = test::treeListing(root);

    const Walk result =
        walk({root}, {"c.mov", "d.mov", "a.mov", "x.mov", "real.bin", "caf\u00e9.mov", "b.mov"});
    QStringList cs = result.found.value("c.mov");
    cs.sort();
    EXPECT_EQ(cs, (QStringList{root + "/one/C.MOV", root + "/two/C.MOV"}))
        << "each once, though links lead there";
    EXPECT_FALSE(result.found.contains("d.mov"));
    EXPECT_FALSE(result.found.contains("x.mov")) << "a link is no candidate";
    EXPECT_EQ(result.found.value("real.bin"), QStringList{root + "/real.bin"});
    EXPECT_EQ(result.found.value("caf\u00e9.mov"), QStringList{root + "/Cafe\u0301.mov"})
        << "found under its name as it is on disk";
    // Inside a bundle only an event's generated media is passed over.
    EXPECT_EQ(result.found.value("a.mov"), QStringList{root + "/Other.fcpbundle/EvX/Original Media/a.mov"});
    QStringList bs = result.found.value("b.mov");
    bs.sort();
    EXPECT_EQ(bs, (QStringList{root + "/Other.fcpbundle/EvX/Original Media/Transcoded Media/b.mov",
                               root + "/Transcoded Media/b.mov"}));

    qsizetype texts = 0;
    for (const QStringList& list : result.found)
        texts += list.size();
    EXPECT_EQ(result.hits.size(), texts) << "one hit for each text added";
    EXPECT_EQ(test::treeListing(root), before);
}

TEST(MissingWalk, TwelvePerNameAndOneHitPerPath) {
    const QString root = TestEnv::freshDir(QStringLiteral("walk-twelve"));
    for (int i = 0; i < 13; ++i)
        FixtureFiles::writeRandom(root + QStringLiteral("/f%1/f.mov").arg(i), 5);
    const QString single = TestEnv::freshDir(QStringLiteral("walk-twice"));
    FixtureFiles::writeRandom(single + "/g.mov", 5);

    const Walk result = walk({root, single, single + "/"}, {"f.mov", "g.mov"});
    EXPECT_EQ(result.found.value("f.mov").size(), 12);
    EXPECT_EQ(result.found.value("g.mov"), QStringList{single + "/g.mov"});
    EXPECT_EQ(result.hits.size(), 13);
    EXPECT_EQ(result.hits.last(), (std::pair<QString, QString>{"g.mov", single + "/g.mov"}));

    // A walk into a dictionary that already holds the path adds nothing and reports nothing.
    Walk again;
    again.found = result.found;
    Held held;
    MissingFiles::searchFolders({single}, {"g.mov"}, std::make_shared<MissingFiles::Stop>(), again.found,
                                held.post(), [&](const QString& name, const QString& path) {
                                    again.hits.append({name, path});
                                });
    held.runAll();
    EXPECT_TRUE(again.hits.isEmpty());
}

TEST(MissingWalk, RootsThatAreNoFoldersOrVanishArePassedOver) {
    const QString folder = TestEnv::freshDir(QStringLiteral("walk-roots"));
    FixtureFiles::writeRandom(folder + "/file.mov", 5);
    const QString vanishing = folder + "/vanishing";
    FixtureFiles::writeRandom(vanishing + "/a/first.mov", 5);
    for (int i = 0; i < 20; ++i)
        FixtureFiles::writeRandom(vanishing + QStringLiteral("/b%1/later.mov").arg(i), 5);
    const QString kept = folder + "/kept";
    FixtureFiles::writeRandom(kept + "/kept.mov", 5);

    // The first find removes the tree being walked.
    MissingFiles::Found found;
    bool removed = false;
    MissingFiles::searchFolders({folder + "/file.mov", folder + "/nothing", vanishing, kept},
                                {"first.mov", "later.mov", "kept.mov", "file.mov"},
                                std::make_shared<MissingFiles::Stop>(), found, AtOnce().post(),
                                [&](const QString& name, const QString&) {
                                    if (name == QLatin1String("first.mov") && !removed)
                                        removed = QDir(vanishing).removeRecursively();
                                });
    ASSERT_TRUE(removed) << "the walk reached the first file";
    EXPECT_EQ(found.value("first.mov"), QStringList{vanishing + "/a/first.mov"}) << "what was added stays";
    EXPECT_EQ(found.value("kept.mov"), QStringList{kept + "/kept.mov"}) << "the next root is walked";
    EXPECT_FALSE(found.contains("file.mov")) << "a root is a folder to walk, not a candidate";
}

TEST(MissingWalk, NamesThatAreNotUtf8AreNeverMatched) {
    const QString root = TestEnv::freshDir(QStringLiteral("walk-bytes"));
    const QByteArray native = QFile::encodeName(root);
    touchBytes(native + "/bad\xff.mov");
    ASSERT_EQ(::mkdir((native + "/dir\xfe").constData(), 0755), 0);
    touchBytes(native + "/dir\xfe/ok.mov");
    FixtureFiles::writeRandom(root + "/fine/ok.mov", 5);
    const QStringList before = test::treeListing(root);

    // The names as the lossy decoding would spell them.
    const Walk result = walk({root}, {"bad\ufffd.mov", "dir\ufffd", "ok.mov"});
    EXPECT_FALSE(result.found.contains("bad\ufffd.mov"));
    EXPECT_FALSE(result.found.contains("dir\ufffd"));
    EXPECT_EQ(result.found.value("ok.mov"), QStringList{root + "/fine/ok.mov"})
        << "a path below a name that is not UTF-8 would name nothing";
    EXPECT_EQ(test::treeListing(root), before);
}

TEST(MissingWalk, StopEndsTheWalkAndKeepsWhatWasAdded) {
    const QString root = TestEnv::freshDir(QStringLiteral("walk-stop"));
    for (int i = 0; i < 10; ++i)
        FixtureFiles::writeRandom(root + QStringLiteral("/s%1/s.mov").arg(i), 5);
    const auto stop = std::make_shared<MissingFiles::Stop>();
    MissingFiles::Found found;
    int hits = 0;
    QStringList progress;
    MissingFiles::searchFolders(
        {root, root}, {"s.mov"}, stop, found, AtOnce().post(),
        [&](const QString&, const QString&) {
            ++hits;
            stop->request();
        },
        [&](const QString& text) { progress.append(text); });
    EXPECT_EQ(hits, 1);
    EXPECT_EQ(found.value("s.mov").size(), 1);
    EXPECT_TRUE(progress.isEmpty());

    // A stop asked for before the walk starts reads nothing at all.
    MissingFiles::Found none;
    MissingFiles::searchFolders({root}, {"s.mov"}, stop, none);
    EXPECT_TRUE(none.isEmpty());
}

TEST(MissingWalk, ProgressEveryThreeThousandEntriesWithTheCountWhenShown) {
    const test::PinnedLocale locale(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString root = TestEnv::freshDir(QStringLiteral("walk-progress"));
    const QByteArray folder = QFile::encodeName(root + "/p");
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    // The folder and its 2,999 files: 3,000 entries.
    for (int i = 0; i < 2999; ++i)
        touchBytes(folder + "/f" + QByteArray::number(i));

    const Walk exact = walk({root}, {"nothing"});
    EXPECT_EQ(exact.progress, QStringList{"3,000 files checked · " + root + "/p"});

    // Once more, so the count passes 3,000: the report shows the count when it runs.
    touchBytes(folder + "/f2999");
    touchBytes(folder + "/f3000");
    const Walk more = walk({root}, {"nothing"});
    EXPECT_EQ(more.progress, QStringList{"3,002 files checked · " + root + "/p"});
}

TEST(MissingWalk, ReportsRunOnTheExecutorsThreadNeverOnTheWalkingThread) {
    const QString root = TestEnv::freshDir(QStringLiteral("walk-threads"));
    const QByteArray native = QFile::encodeName(root);
    for (int i = 0; i < 3100; ++i)
        touchBytes(native + "/f" + QByteArray::number(i));
    FixtureFiles::writeRandom(root + "/h.mov", 5);

    QObject context; // lives on the main thread
    QList<QThread*> threads;
    QThread* walking = nullptr;
    MissingFiles::Found found;
    std::thread worker([&] {
        walking = QThread::currentThread();
        MissingFiles::searchFolders(
            {root}, {"h.mov"}, std::make_shared<MissingFiles::Stop>(), found, MissingFiles::postTo(&context),
            [&](const QString&, const QString&) { threads.append(QThread::currentThread()); },
            [&](const QString&) { threads.append(QThread::currentThread()); });
    });
    worker.join();
    EXPECT_TRUE(threads.isEmpty()) << "queued, not run";
    test::runQueued();
    ASSERT_EQ(threads.size(), 2) << "one hit, one progress text";
    for (QThread* thread : threads) {
        EXPECT_EQ(thread, QThread::currentThread());
        EXPECT_NE(thread, walking);
    }
}
