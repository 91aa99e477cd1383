#include "Catalogue/Store/PosterTries.h"

#include "Catalogue/Store/Catalog.h"
#include "Platform/Services.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/ScriptedVideoFrames.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace pellimor;
using namespace pellimor::fixtures;
using test::CatalogTestEnv;
using test::ScriptedVideoFrames;
using test::TestEnv;

namespace {

const QList<PosterCandidate> kTwoFiles = {
    {.name = "A001.mov", .size = 4096, .modifiedNanoseconds = 1'700'000'000'123'456'789},
    {.name = "B002.MP4", .size = -1, .modifiedNanoseconds = 0}};

QString memoryFile(const QString& hint) {
    return QDir(TestEnv::freshDir(hint)).filePath(PosterTries::fileName());
}

} // namespace

// What is saved reads back as the same tries, exactly: a key with any text, candidates in
// their order, sizes and nanosecond times kept whole.
TEST(PosterTries, RoundTripsThroughItsFile) {
    const QString path = memoryFile("roundtrip");
    const QString oddKey =
        QStringLiteral("/Volumes/Dr\u00fcve \u201cA\u201d/Wedding.fcpbundle|Day 1 / \"2\"");
    PosterTries tries;
    EXPECT_FALSE(tries.changed());
    tries.recordFailure("/x/Lib.fcpbundle|Day 1", kTwoFiles);
    tries.recordFailure(oddKey, {kTwoFiles.front()});
    EXPECT_TRUE(tries.changed());
    ASSERT_TRUE(tries.save(path).ok());
    EXPECT_FALSE(tries.changed());

    const PosterTries read = PosterTries::load(path);
    EXPECT_FALSE(read.changed());
    EXPECT_EQ(read.size(), 2);
    EXPECT_TRUE(read.failedBefore("/x/Lib.fcpbundle|Day 1", kTwoFiles));
    EXPECT_TRUE(read.failedBefore(oddKey, {kTwoFiles.front()}));
    EXPECT_FALSE(read.failedBefore("/x/Lib.fcpbundle|Day 2", kTwoFiles));

    // Recording what is known already changes nothing to save.
    PosterTries again = read;
    again.recordFailure(oddKey, {kTwoFiles.front()});
    EXPECT_FALSE(again.changed());
}

// A try counts as made before only with the very same candidates: one added, removed,
// renamed, resized, touched, or looked up where it could not be before, is a new try.
TEST(PosterTries, AnyChangeOfTheCandidatesIsANewTry) {
    PosterTries tries;
    tries.recordFailure("k", kTwoFiles);
    ASSERT_TRUE(tries.failedBefore("k", kTwoFiles));

    const auto changed = [](auto change) {
        QList<PosterCandidate> candidates = kTwoFiles;
        change(candidates);
        return candidates;
    };
    const std::vector<std::pair<const char*, QList<PosterCandidate>>> cases = {
        {"added", changed([](auto& c) { c.append({.name = "C003.mov", .size = 10}); })},
        {"removed", changed([](auto& c) { c.removeLast(); })},
        {"none left", {}},
        {"renamed", changed([](auto& c) { c[0].name = "a001.mov"; })},
        {"resized", changed([](auto& c) { c[0].size += 1; })},
        {"touched", changed([](auto& c) { c[0].modifiedNanoseconds += 1; })},
        {"appeared", changed([](auto& c) { c[1].size = 0; })},
        {"reordered", changed([](auto& c) { c.swapItemsAt(0, 1); })},
    };
    for (const auto& [what, candidates] : cases)
        EXPECT_FALSE(tries.failedBefore("k", candidates)) << what;
}

// The memory is a convenience: a file that is not what it wrote reads as empty (or keeps only
// the entries that read), is never fatal, and is replaced whole at the next save.
TEST(PosterTries, ADamagedFileReadsAsEmptyAndIsReplaced) {
    const QByteArray good = R"({"version":1,"events":{"good":[{"name":"a.mov","size":5,"modified":7}]}})";
    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"empty", ""},
        {"garbage", "\x00\xFF{{not json"},
        {"cut short", good.left(good.size() / 2)},
        {"an array", "[1,2,3]"},
        {"another version", R"({"version":2,"events":{"good":[]}})"},
        {"events not an object", R"({"version":1,"events":[]})"},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        const QString path = memoryFile("damaged");
        FixtureFiles::writeBytes(path, bytes);
        PosterTries tries = PosterTries::load(path);
        EXPECT_EQ(tries.size(), 0);
        EXPECT_TRUE(tries.changed());
        ASSERT_TRUE(tries.save(path).ok());
        EXPECT_FALSE(PosterTries::load(path).changed());
    }

    // Entries that do not read are left out; the others still count.
    const QString mixed = memoryFile("mixed");
    FixtureFiles::writeBytes(mixed,
                             R"({"version":1,"events":{"good":[{"name":"a.mov","size":5,"modified":7}],)"
                             R"("no size":[{"name":"a.mov","modified":7}],"not a list":"a.mov"}})");
    const PosterTries some = PosterTries::load(mixed);
    EXPECT_EQ(some.size(), 1);
    EXPECT_TRUE(some.failedBefore("good", {{.name = "a.mov", .size = 5, .modifiedNanoseconds = 7}}));
    EXPECT_TRUE(some.changed());

    // No file, or a folder where the file should be.
    EXPECT_EQ(PosterTries::load(memoryFile("missing")).size(), 0);
    EXPECT_FALSE(PosterTries::load(memoryFile("missing")).changed());
    const QString folder = memoryFile("folder");
    FixtureFiles::makeFolder(folder);
    EXPECT_EQ(PosterTries::load(folder).size(), 0);
}

// Events that are gone or have their poster now leave the memory, so it follows the catalogue.
TEST(PosterTries, KeepsOnlyTheEventsStillWithoutAPoster) {
    const QString path = memoryFile("prune");
    PosterTries tries;
    for (const char* key : {"gone", "kept", "has a poster now", "offline"})
        tries.recordFailure(key, kTwoFiles);
    tries.forget("has a poster now");
    tries.forget("never known");
    tries.keepOnly({"kept", "offline", "new"});
    EXPECT_EQ(tries.size(), 2);
    ASSERT_TRUE(tries.save(path).ok());

    PosterTries read = PosterTries::load(path);
    EXPECT_TRUE(read.failedBefore("kept", kTwoFiles));
    EXPECT_TRUE(read.failedBefore("offline", kTwoFiles));
    EXPECT_FALSE(read.failedBefore("gone", kTwoFiles));
    read.keepOnly({"kept", "offline"});
    EXPECT_FALSE(read.changed());
}

namespace {

// A watched folder with one library whose only event holds a sound file and a video file the
// decoder cannot read (here: what the scripted frames answer for it).
struct NoFrameLibrary {
    QString root = TestEnv::freshDir("noframe");
    QString bundle;
    QString media;

    NoFrameLibrary() {
        LibraryBuilder library("Sound Only");
        library.event("Day 1").media("A001.mov", 4096).media("Vows.wav", 2048);
        bundle = library.write(root);
        media = bundle + "/Day 1/Original Media";
    }
};

// A scan of `root` with posters on, by a catalogue made for it, to its end.
void scanWithPosters(const CatalogTestEnv& env, const QString& root) {
    auto catalog = env.makeCatalog();
    ScanJob job;
    job.roots = {root};
    job.posters = true;
    job.concurrency = 2;
    job.updatedAt = QDateTime::currentDateTimeUtc();
    catalog->run(job);
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !catalog->isScanning(); }, 120000));
    ASSERT_TRUE(catalog->status().startsWith("Done: ")) << catalog->status().toStdString();
}

void setModified(const QString& path, const QDateTime& when) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
}

} // namespace

// An event whose files gave no frame is not opened again by later scans, of this catalogue or
// of one started afresh, until one of the files it was tried with changes.
TEST(PosterTries, AScanDoesNotRetryAnEventWhoseFilesGaveNoFrame) {
    CatalogTestEnv env;
    auto frames = std::make_shared<ScriptedVideoFrames>();
    platform::ScopedServices scope(ScriptedVideoFrames::services(frames));
    const NoFrameLibrary library;
    const QString video = library.media + "/A001.mov";

    scanWithPosters(env, library.root);
    EXPECT_EQ(frames->asked(), QStringList{video});
    EXPECT_TRUE(QFileInfo::exists(env.dataDir + "/posters/" + PosterTries::fileName()));

    // A new catalogue: nothing is asked of the decoder.
    scanWithPosters(env, library.root);
    EXPECT_EQ(frames->asked(), QStringList{video});

    // Touched: tried again, once.
    setModified(video, QDateTime::currentDateTimeUtc().addSecs(-3600));
    scanWithPosters(env, library.root);
    scanWithPosters(env, library.root);
    EXPECT_EQ(frames->asked(), (QStringList{video, video}));

    // Replaced by other content of the same time: its size tells.
    const QDateTime before = QFileInfo(video).lastModified();
    FixtureFiles::writeRandom(video, 8192);
    setModified(video, before);
    scanWithPosters(env, library.root);
    EXPECT_EQ(frames->asked(), (QStringList{video, video, video}));

    // Another video beside it: both are tried.
    FixtureFiles::writeRandom(library.media + "/B002.mp4", 1024);
    scanWithPosters(env, library.root);
    EXPECT_EQ(frames->asked().mid(3), (QStringList{video, library.media + "/B002.mp4"}));
}

// Once the event has a poster its failed tries are dropped from the memory.
TEST(PosterTries, AnEventWithAPosterLeavesTheMemory) {
    CatalogTestEnv env;
    auto frames = std::make_shared<ScriptedVideoFrames>();
    platform::ScopedServices scope(ScriptedVideoFrames::services(frames));
    const NoFrameLibrary library;
    const QString memory = env.dataDir + "/posters/" + PosterTries::fileName();

    scanWithPosters(env, library.root);
    ASSERT_EQ(PosterTries::load(memory).size(), 1);

    auto decodes = std::make_shared<ScriptedVideoFrames>();
    decodes->answer = [](const QString&, std::stop_token) { return ScriptedVideoFrames::smallFrame(); };
    platform::ScopedServices decoding(ScriptedVideoFrames::services(decodes));
    FixtureFiles::writeRandom(library.media + "/A001.mov", 5000); // a new file: worth a try
    scanWithPosters(env, library.root);
    EXPECT_EQ(decodes->asked().size(), 1);
    EXPECT_EQ(PosterTries::load(memory).size(), 0);
    EXPECT_EQ(QDir(env.dataDir + "/posters").entryList({"*.jpg"}, QDir::Files).size(), 1);
}
