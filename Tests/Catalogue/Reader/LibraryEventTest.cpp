#include "Catalogue/Reader/LibraryReader.h"
#include "Support/FileTimes.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <stop_token>
#include <sys/stat.h>
#include <unistd.h>

using namespace pellimor;
using fixtures::LibraryBuilder;
namespace Files = fixtures::FixtureFiles;

namespace {

qint64 allocated(const QString& path) {
    return Files::allocatedSize(path);
}

// The logical size of what a link finally points at.
qint64 targetSize(const QString& path) {
    return QFileInfo(path).size();
}

struct Walk {
    EventInfo event;
    QList<MediaEntry> media;
};

Walk walk(const QString& folder) {
    Walk result;
    result.event = LibraryReader::walkEvent(folder, result.media);
    return result;
}

// A file whose name is given as the file system's bytes (which need not be UTF-8).
void writeNativeFile(const QByteArray& path, const QByteArray& bytes) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    ::close(fd);
}

} // namespace

TEST(LibraryEventTest, SizesAreSortedByTheFolderThatHoldsThem) {
    LibraryBuilder lib(QStringLiteral("Sizes"));
    auto& day = lib.event(QStringLiteral("Day 1"));
    day.media(QStringLiteral("A001.mov"), 300'000)
        .media(QStringLiteral("B002.MOV"), 120'000)
        .media(QStringLiteral("README"), 5'000)
        .media(QStringLiteral("Card 1/C003.mp4"), 70'000)
        .file(QStringLiteral("Original Media/.DS_Store"), 6'000)
        .proxy(QStringLiteral("A001.mov"), 40'000)
        .optimized(QStringLiteral("A001.mov"), 90'000)
        .file(QStringLiteral("Transcoded Media/loose.mov"), 7'000)
        .render(QStringLiteral("Peaks Data/peak"), 8'000)
        .render(QStringLiteral("top.rnd"), 9'000)
        .analysis(QStringLiteral("A001.analysis"), 3'000)
        .file(QStringLiteral("notes.txt"), 2'000)
        .file(QStringLiteral(".hidden-top"), 1'000);
    day.project(QStringLiteral("Main Edit")).file(QStringLiteral("export.xml"), 11'000);
    const QString bundle = lib.write(test::TestEnv::freshDir(QStringLiteral("event-sizes")));
    const QString event = bundle + QStringLiteral("/Day 1");

    const Walk result = walk(event);
    const EventInfo& info = result.event;

    const qint64 proxy = allocated(event + QStringLiteral("/Transcoded Media/Proxy Media"));
    const qint64 original = allocated(event + QStringLiteral("/Original Media"));
    const qint64 optimized = allocated(event + QStringLiteral("/Transcoded Media")) - proxy;
    const qint64 render = allocated(event + QStringLiteral("/Render Files"));
    const qint64 analysis = allocated(event + QStringLiteral("/Analysis Files"));
    EXPECT_EQ(info.name, QStringLiteral("Day 1"));
    EXPECT_EQ(info.originalSize, original);
    EXPECT_EQ(info.proxySize, proxy);
    EXPECT_EQ(info.optimizedSize, optimized);
    EXPECT_EQ(info.renderSize, render);
    EXPECT_EQ(info.analysisSize, analysis);
    // Everything else: the event database, the project folder, files at the top, hidden ones too.
    EXPECT_EQ(info.otherSize, allocated(event) - original - proxy - optimized - render - analysis);
    EXPECT_GT(info.otherSize, allocated(event + QStringLiteral("/notes.txt")));
    EXPECT_GT(info.proxySize, 0);
    EXPECT_GT(info.optimizedSize, allocated(event + QStringLiteral("/Transcoded Media/loose.mov")));

    // The hidden file takes space but is no media file.
    EXPECT_EQ(info.mediaFileCount, 4);
    EXPECT_EQ(info.extensions, (QMap<QString, qint64>{{"mov", 2}, {"mp4", 1}, {"(none)", 1}}));
    EXPECT_EQ(info.linkedMediaCount, 0);
    EXPECT_EQ(info.brokenLinkCount, 0);
    EXPECT_FALSE(info.externalVolumes.has_value()) << "no link met: none, not an empty map";
    EXPECT_FALSE(info.created.has_value());
    EXPECT_TRUE(info.projects.isEmpty());

    ASSERT_EQ(result.media.size(), 4);
    QStringList names;
    for (const MediaEntry& entry : result.media) {
        names.append(entry.name);
        EXPECT_EQ(entry.event, QStringLiteral("Day 1"));
        const QString path = entry.name == u"C003.mp4"
                                 ? event + QStringLiteral("/Original Media/Card 1/C003.mp4")
                                 : event + QStringLiteral("/Original Media/") + entry.name;
        EXPECT_EQ(entry.size, allocated(path)) << entry.name.toStdString();
    }
    names.sort();
    EXPECT_EQ(names, (QStringList{"A001.mov", "B002.MOV", "C003.mp4", "README"}));
}

TEST(LibraryEventTest, LinksAreCountedWithTheirTargetsVolumesAndBreakage) {
    const QString dir = test::TestEnv::freshDir(QStringLiteral("event-links"));
    const QString drive = test::TestEnv::volumesRoot() + QStringLiteral("/Shoot Drive");
    const QString onDrive = drive + QStringLiteral("/clips/A.mov");
    const QString inHome = test::TestEnv::home() + QStringLiteral("/Movies/B.mov");
    const QString beside = dir + QStringLiteral("/side/C.mov");
    Files::writeRandom(onDrive, 50'000);
    Files::writeRandom(inHome, 20'000);
    Files::writeRandom(beside, 30'000);

    LibraryBuilder lib(QStringLiteral("Links"));
    lib.event(QStringLiteral("Shoot"))
        .media(QStringLiteral("real.mov"), 10'000)
        .mediaLink(QStringLiteral("drive.mov"), onDrive)
        .mediaLink(QStringLiteral("home.MOV"), inHome)
        // Relative to the folder that holds the link: up through the event and the bundle.
        .mediaLink(QStringLiteral("relative.mov"), QStringLiteral("../../../side/C.mov"))
        .mediaLink(QStringLiteral("gone.mov"),
                   test::TestEnv::volumesRoot() + QStringLiteral("/Old Drive/gone.mov"))
        .mediaLink(QStringLiteral("loop.mov"), QStringLiteral("loop.mov"))
        // A folder link back up the tree: followed, it would never end.
        .link(QStringLiteral("Render Files/up"), QStringLiteral("../.."));
    const QString bundle = lib.write(dir);
    const QString media = bundle + QStringLiteral("/Shoot/Original Media/");

    const Walk result = walk(bundle + QStringLiteral("/Shoot"));
    const EventInfo& info = result.event;
    EXPECT_EQ(info.mediaFileCount, 6);
    EXPECT_EQ(info.linkedMediaCount, 5);
    EXPECT_EQ(info.brokenLinkCount, 2);
    EXPECT_EQ(info.extensions, (QMap<QString, qint64>{{"mov", 6}}));
    ASSERT_TRUE(info.externalVolumes.has_value());
    EXPECT_EQ(*info.externalVolumes,
              (QMap<QString, qint64>{{"Shoot Drive", 1}, {"Old Drive", 1}, {"Macintosh HD", 3}}));

    // The links' own blocks count as original media; what they point at does not.
    qint64 original = allocated(media + QStringLiteral("real.mov"));
    for (const char* link : {"drive.mov", "home.MOV", "relative.mov", "gone.mov", "loop.mov"})
        original += allocated(media + QString::fromLatin1(link));
    EXPECT_EQ(info.originalSize, original);
    EXPECT_EQ(info.renderSize, allocated(bundle + QStringLiteral("/Shoot/Render Files/up")));

    QMap<QString, qint64> sizes;
    for (const MediaEntry& entry : result.media)
        sizes.insert(entry.name, entry.size);
    const QMap<QString, qint64> expected{
        {"real.mov", allocated(media + QStringLiteral("real.mov"))},
        {"drive.mov", targetSize(onDrive)},
        {"home.MOV", targetSize(inHome)},
        {"relative.mov", targetSize(beside)},
        // A broken link is listed with its own size.
        {"gone.mov", allocated(media + QStringLiteral("gone.mov"))},
        {"loop.mov", allocated(media + QStringLiteral("loop.mov"))},
    };
    EXPECT_EQ(sizes, expected);
}

TEST(LibraryEventTest, NamesThatAreNotUtf8AreMeasuredAndListed) {
    LibraryBuilder lib(QStringLiteral("Bytes"));
    lib.event(QStringLiteral("Event"))
        .folder(QStringLiteral("Original Media"))
        .folder(QStringLiteral("Render Files"));
    const QString folder = test::TestEnv::freshDir(QStringLiteral("event-bytes"));
    const QString bundle = lib.write(folder);
    const QString event = bundle + QStringLiteral("/Event");
    const QByteArray native = QFile::encodeName(event);
    writeNativeFile(native + "/Original Media/clip\xff\xfe.MOV", Files::randomBytes(40'000, 1));
    ASSERT_EQ(::mkdir(QByteArray(native + "/Render Files/bad\xc3").constData(), 0755), 0);
    writeNativeFile(native + "/Render Files/bad\xc3/frame", Files::randomBytes(9'000, 2));

    const Walk result = walk(event);
    EXPECT_EQ(result.event.originalSize, allocated(event + QStringLiteral("/Original Media")));
    EXPECT_GT(result.event.originalSize, 0);
    EXPECT_EQ(result.event.renderSize, allocated(event + QStringLiteral("/Render Files")));
    EXPECT_GT(result.event.renderSize, 0);
    EXPECT_EQ(result.event.mediaFileCount, 1);
    EXPECT_EQ(result.event.extensions, (QMap<QString, qint64>{{"mov", 1}}));
    ASSERT_EQ(result.media.size(), 1);
    EXPECT_TRUE(result.media.first().name.startsWith(QStringLiteral("clip")));
    EXPECT_TRUE(result.media.first().name.endsWith(QStringLiteral(".MOV")));
    EXPECT_EQ(result.media.first().size, result.event.originalSize);
}

TEST(LibraryEventTest, MissingFolderOrStoppedWalkGivesWhatWasGathered) {
    LibraryBuilder lib(QStringLiteral("Stop"));
    lib.event(QStringLiteral("Event"))
        .media(QStringLiteral("a.mov"), 5'000)
        .render(QStringLiteral("r"), 5'000);
    const QString bundle = lib.write(test::TestEnv::freshDir(QStringLiteral("event-stop")));
    const MediaEntry earlier{QStringLiteral("kept.mov"), 1, QStringLiteral("Other")};

    struct Case {
        const char* what;
        QString folder;
        bool stopped;
    };
    const Case cases[] = {
        {"missing folder", bundle + QStringLiteral("/Gone"), false},
        {"a file, not a folder", bundle + QStringLiteral("/CurrentVersion.flexolibrary"), false},
        {"stopped before the first item", bundle + QStringLiteral("/Event"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::stop_source source;
        if (c.stopped)
            source.request_stop();
        QList<MediaEntry> media{earlier};
        const EventInfo info = LibraryReader::walkEvent(c.folder, media, source.get_token());
        EXPECT_EQ(info.name, QFileInfo(c.folder).fileName());
        EXPECT_EQ(info.originalSize + info.renderSize + info.otherSize + info.proxySize + info.optimizedSize +
                      info.analysisSize,
                  0);
        EXPECT_EQ(info.mediaFileCount, 0);
        EXPECT_TRUE(info.extensions.isEmpty());
        ASSERT_EQ(media.size(), 1) << "the caller's entries stay, nothing is added";
        EXPECT_EQ(media.first().name, earlier.name);
    }
}

TEST(LibraryEventTest, EventDatesFallBackFromDatabaseToFolderToEpoch) {
    const QDateTime epoch = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
    const QDateTime databaseTime(QDate(2024, 12, 8), QTime(9, 26, 40, 250), Qt::UTC);
    const QDateTime folderTime(QDate(2023, 5, 1), QTime(12, 0, 0), Qt::UTC);
    const QString dir = test::TestEnv::freshDir(QStringLiteral("event-dates"));

    const QString withDatabase = dir + QStringLiteral("/With");
    Files::writeBytes(withDatabase + QStringLiteral("/CurrentVersion.fcpevent"), "x");
    Files::setModified(withDatabase + QStringLiteral("/CurrentVersion.fcpevent"), databaseTime);
    Files::setModified(withDatabase, folderTime);
    const QString withoutDatabase = dir + QStringLiteral("/Without");
    Files::makeFolder(withoutDatabase);
    Files::setModified(withoutDatabase, folderTime);

    // Creation times come from the file system's birth time; where it keeps none, the epoch.
    const auto birth = [&](const QString& path) { return FileTimes::created(path).value_or(epoch); };
    const auto [created, modified] = LibraryReader::eventDates(withDatabase);
    EXPECT_EQ(modified, databaseTime);
    EXPECT_EQ(created, birth(withDatabase));
    if (FileTimes::created(withDatabase)) {
        EXPECT_GT(created, folderTime) << "the birth time, not the modification time";
    }

    const auto [created2, modified2] = LibraryReader::eventDates(withoutDatabase);
    EXPECT_EQ(modified2, folderTime);
    EXPECT_EQ(created2, birth(withoutDatabase));

    const auto [created3, modified3] = LibraryReader::eventDates(dir + QStringLiteral("/Gone"));
    EXPECT_EQ(created3, epoch);
    EXPECT_EQ(modified3, epoch);
    EXPECT_EQ(created3.timeSpec(), Qt::UTC);
}
