#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Store/Catalog.h"
#include "Catalogue/Store/PosterTries.h"
#include "Platform/Services.h"
#include "Platform/SystemServices.h"
#include "Platform/VideoFrames.h"
#include "Support/WorkPool.h"
#include "Tests/Fixtures/ClipWriter.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/SampleSet.h"
#include "Tests/Support/CatalogSeeding.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/ScriptedVideoFrames.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <sys/inotify.h>
#include <unistd.h>

using namespace pellimor;
using namespace pellimor::fixtures;
using platform::VideoFrame;
using platform::VideoFrames;
using test::CatalogTestEnv;
using test::TestEnv;
using namespace std::chrono_literals;

namespace {

constexpr ClipWriter::Colour kRed{220, 30, 30};
constexpr ClipWriter::Colour kGreen{30, 200, 30};
constexpr ClipWriter::Colour kBlue{30, 30, 220};

using ScriptedFrames = test::ScriptedVideoFrames;

// A door a worker waits at until the test opens it (or its stop token is requested).
class Door {
public:
    // Blocks the calling worker; true when opened, false when stopped or after ten seconds.
    bool wait(const std::stop_token& stop) {
        std::unique_lock lock(m_mutex);
        m_waiting = true;
        return m_opened_cv.wait_for(lock, stop, 10s, [&] { return m_open; });
    }
    void open() {
        {
            std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_opened_cv.notify_all();
    }
    bool waiting() const {
        std::lock_guard lock(m_mutex);
        return m_waiting;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable_any m_opened_cv;
    bool m_open = false;
    bool m_waiting = false;
};

// The scripted frames in force for the scope's length, over whatever the environment installed.
struct ScopedFrames {
    explicit ScopedFrames(std::shared_ptr<VideoFrames> frames) : scope(with(std::move(frames))) {}
    static platform::Services with(std::shared_ptr<VideoFrames> frames) {
        return ScriptedFrames::services(std::move(frames));
    }
    platform::ScopedServices scope;
};

EventInfo eventNamed(const QString& name, qint64 mediaFiles = 1) {
    EventInfo event;
    event.name = name;
    event.mediaFileCount = mediaFiles;
    return event;
}

LibraryInfo libraryAt(const QString& path, const QList<EventInfo>& events) {
    LibraryInfo library;
    library.path = path;
    library.name = QFileInfo(path).completeBaseName();
    library.events = events;
    return library;
}

// A library folder on disk, with "Original Media" files per event (random bytes unless a test
// writes clips there).
QString libraryFolder(const QString& hint, const std::map<QString, QStringList>& media) {
    const QString path = TestEnv::freshDir(hint) + "/" + hint + ".fcpbundle";
    FixtureFiles::makeFolder(path);
    for (const auto& [event, files] : media) {
        FixtureFiles::makeFolder(path + "/" + event);
        for (const QString& file : files)
            FixtureFiles::writeRandom(path + "/" + event + "/Original Media/" + file, 2048);
    }
    return path;
}

QString originalMedia(const QString& library, const QString& event) {
    return library + "/" + event + "/Original Media";
}

QString posterName(const QString& library, const QString& event) {
    return Catalog::hash(library + "|" + event) + ".jpg";
}

std::optional<QString> posterOf(const Catalog& catalog, const QString& library, const QString& event) {
    for (const LibraryInfo& candidate : catalog.libraries()) {
        if (candidate.path != library)
            continue;
        for (const EventInfo& e : candidate.events)
            if (e.name == event)
                return e.poster;
    }
    return std::nullopt;
}

// Runs the poster step to its end (the callback), with the event loop going.
bool makePosters(Catalog& catalog, std::stop_token stop = {}) {
    bool finished = false;
    catalog.scanHost()->generatePosters(std::move(stop), [&] { finished = true; });
    return CatalogTestEnv::waitUntil([&] { return finished; }, 120000);
}

QStringList statusesDuring(Catalog& catalog, const std::function<void()>& work) {
    QStringList statuses;
    const QMetaObject::Connection connection =
        QObject::connect(&catalog, &Catalog::statusChanged, [&] { statuses.append(catalog.status()); });
    work();
    QObject::disconnect(connection);
    return statuses;
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

enum class Hue { red, green, blue, other };

Hue hueAt(const VideoFrame& frame, int x, int y) {
    const uchar* p = frame.pixel(x, y);
    if (p[0] > 150 && p[1] < 90 && p[2] < 90)
        return Hue::red;
    if (p[1] > 150 && p[0] < 90 && p[2] < 90)
        return Hue::green;
    if (p[2] > 150 && p[0] < 90 && p[1] < 90)
        return Hue::blue;
    return Hue::other;
}

// Records what happens to the names in one folder: created (also by linking a file written
// without a name), moved there from another name, or written to.
class FolderWatch {
public:
    explicit FolderWatch(const QString& folder) : m_fd(inotify_init1(IN_NONBLOCK)) {
        if (m_fd >= 0)
            inotify_add_watch(m_fd, QFile::encodeName(folder).constData(),
                              IN_CREATE | IN_MOVED_TO | IN_MODIFY);
    }
    ~FolderWatch() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    bool ok() const { return m_fd >= 0; }

    // "created NAME", "moved NAME" or "written NAME", in order.
    QStringList events() {
        alignas(inotify_event) char buffer[8192];
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                const QString name = QFile::decodeName(event->len ? event->name : "");
                const char* what = (event->mask & IN_CREATE)   ? "created "
                                   : (event->mask & IN_MODIFY) ? "written "
                                                               : "moved ";
                m_events.append(what + name);
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return m_events;
    }

private:
    int m_fd;
    QStringList m_events;
};

// A poster read back as it is on disk.
std::optional<VideoFrame> readPoster(const QString& path) {
    VideoFrames::Request whole;
    whole.maxWidth = whole.maxHeight = 4096;
    return platform::makeSystemVideoFrames()->frameAt(path, whole);
}

} // namespace

// Candidates are the folder's own video files (no hidden ones, no subfolders), in plain
// code-point order, capital letters first; at most four are tried, with the frame at one
// second fitted to 480 × 270 and a time limit of 20 seconds each.
TEST(CatalogPosters, TriesVideoFilesInPlainOrderAndAtMostFour) {
    CatalogTestEnv env;
    auto frames = std::make_shared<ScriptedFrames>();
    ScopedFrames scoped(frames);
    const QString library =
        libraryFolder("order", {{"Day 1",
                                 {"a.MP4", "B.mov", ".hidden.mov", "notes.txt", "Vows.wav", "x.avi", "Y.mxf",
                                  "clip.mts", "z.m2ts", "Sub/A.mov"}}});
    auto catalog = env.makeCatalog();
    catalog->seed({.libraries = QList<LibraryInfo>{libraryAt(library, {eventNamed("Day 1")})}});

    ASSERT_TRUE(makePosters(*catalog));
    const QString media = originalMedia(library, "Day 1");
    EXPECT_EQ(frames->asked(),
              (QStringList{media + "/B.mov", media + "/Y.mxf", media + "/a.MP4", media + "/clip.mts"}));
    EXPECT_EQ(posterOf(*catalog, library, "Day 1"), std::nullopt);
    ASSERT_FALSE(frames->requests().empty());
    const VideoFrames::Request request = frames->requests().front();
    EXPECT_EQ(request.seconds, 1.0);
    EXPECT_EQ(request.maxWidth, 480);
    EXPECT_EQ(request.maxHeight, 270);
    EXPECT_EQ(request.timeout, 20s);
}

// The seven video kinds, by extension in any letter case; nothing else.
TEST(CatalogPosters, TakesTheSevenVideoKindsOnly) {
    CatalogTestEnv env;
    auto frames = std::make_shared<ScriptedFrames>();
    ScopedFrames scoped(frames);
    const QStringList tried = {"a.mov",  "a.mp4", "a.m4v", "a.mxf", "a.mts",
                               "a.m2ts", "a.avi", "a.MOV", "a.M2Ts"};
    const QStringList skipped = {"a.mkv", "a.webm", "a.jpg", "a.wav", "a.mov.txt", "amov", "a.", "a.mpg"};
    std::map<QString, QStringList> media;
    QList<EventInfo> events;
    for (const QString& name : tried + skipped) {
        media[name] = {name};
        events.append(eventNamed(name));
    }
    const QString library = libraryFolder("kinds", media);
    auto catalog = env.makeCatalog();
    catalog->seed({.libraries = QList<LibraryInfo>{libraryAt(library, events)}});

    ASSERT_TRUE(makePosters(*catalog));
    QStringList asked;
    for (const QString& path : frames->asked())
        asked.append(QFileInfo(path).fileName());
    EXPECT_EQ(asked, tried);
}

// The work list: online libraries only, events without a poster and with media; one status
// line per item, counted from 1.
TEST(CatalogPosters, WorksThroughOnlineEventsThatLackAPoster) {
    CatalogTestEnv env;
    auto frames = std::make_shared<ScriptedFrames>();
    ScopedFrames scoped(frames);
    const QString first = libraryFolder("first", {{"A", {"a.mov"}},
                                                  {"B", {"b.mov"}},
                                                  {"Has Poster", {"p.mov"}},
                                                  {"No Media", {"n.mov"}},
                                                  {"C", {"c.mov"}}});
    const QString second =
        libraryFolder("second", {{"D", {"d.mov"}}, {"E", {"e.mov"}}, {"F", {"f.mov"}}, {"G", {"g.mov"}}});
    const QString gone = TestEnv::freshDir("gone") + "/Gone.fcpbundle"; // offline: not on disk
    EventInfo withPoster = eventNamed("Has Poster");
    withPoster.poster = QStringLiteral("earlier.jpg");
    auto catalog = env.makeCatalog();
    catalog->seed(
        {.libraries = QList<LibraryInfo>{
             libraryAt(first, {eventNamed("A"), eventNamed("B"), withPoster, eventNamed("No Media", 0),
                               eventNamed("C")}),
             libraryAt(gone, {eventNamed("H")}),
             libraryAt(second, {eventNamed("D"), eventNamed("E"), eventNamed("F"), eventNamed("G")})}});

    const QStringList statuses = statusesDuring(*catalog, [&] { ASSERT_TRUE(makePosters(*catalog)); });
    QStringList expected;
    for (int i = 1; i <= 7; ++i)
        expected.append(QString("Poster frames %1/7\u2026").arg(i));
    EXPECT_EQ(statuses, expected);
    QStringList asked;
    for (const QString& path : frames->asked())
        asked.append(QFileInfo(path).fileName());
    EXPECT_EQ(asked, (QStringList{"a.mov", "b.mov", "c.mov", "d.mov", "e.mov", "f.mov", "g.mov"}));
}

// A catalogued event name becomes a folder's path: one that cannot name a folder (the parent,
// the library itself, a path cut short at a NUL) is never looked through for media.
TEST(CatalogPosters, EventNamesThatCannotNameAFolderAreNeverLookedThrough) {
    CatalogTestEnv env;
    auto frames = std::make_shared<ScriptedFrames>();
    ScopedFrames scoped(frames);
    const QString library = libraryFolder("impossible", {{"A", {"a.mov"}}});
    // What ".." would reach: the folder beside the library.
    FixtureFiles::writeRandom(QFileInfo(library).absolutePath() + "/Original Media/outside.mov", 2048);
    auto catalog = env.makeCatalog();
    catalog->seed({.libraries = QList<LibraryInfo>{
                       libraryAt(library, {eventNamed(".."), eventNamed("."), eventNamed(QString()),
                                           eventNamed(QStringLiteral("A") + QChar(0) + QStringLiteral("/x")),
                                           eventNamed("A/../.."), eventNamed("A")})}});

    ASSERT_TRUE(makePosters(*catalog));
    QStringList asked;
    for (const QString& path : frames->asked())
        asked.append(QFileInfo(path).fileName());
    EXPECT_EQ(asked, QStringList{"a.mov"});

    // Nor is a stored poster name that leads out of the posters folder carried over.
    FixtureFiles::writeBytes(QFileInfo(catalog->posterDir()).absolutePath() + "/outside.jpg", "jpeg");
    EventInfo kept = eventNamed("Kept");
    kept.poster = QStringLiteral("../outside.jpg");
    LibraryInfo fresh = libraryAt(library, {eventNamed("Kept")});
    catalog->scanHost()->carryPosters(libraryAt(library, {kept}), fresh);
    EXPECT_FALSE(fresh.events.front().poster);
}

// With nothing to do the step ends at once and the status line is left alone; a run stopped
// before it begins does nothing either.
TEST(CatalogPosters, NothingToDoOrStoppedFirstChangesNothing) {
    CatalogTestEnv env;
    auto frames = std::make_shared<ScriptedFrames>();
    ScopedFrames scoped(frames);
    const QString library = libraryFolder("nothing", {{"Day 1", {"a.mov"}}});
    auto catalog = env.makeCatalog();
    catalog->setStatus(QStringLiteral("Scanned Nothing"));

    catalog->seed({.libraries = QList<LibraryInfo>{libraryAt(library, {eventNamed("Day 1", 0)})}});
    EXPECT_TRUE(statusesDuring(*catalog, [&] { ASSERT_TRUE(makePosters(*catalog)); }).isEmpty());

    catalog->seed({.libraries = QList<LibraryInfo>{libraryAt(library, {eventNamed("Day 1")})}});
    std::stop_source stopped;
    stopped.request_stop();
    EXPECT_TRUE(
        statusesDuring(*catalog, [&] { ASSERT_TRUE(makePosters(*catalog, stopped.get_token())); }).isEmpty());
    EXPECT_TRUE(frames->asked().isEmpty());
    EXPECT_EQ(catalog->status(), QStringLiteral("Scanned Nothing"));
}

// Real clips through the system's decoder: the first decodable candidate becomes a JPEG of at
// most 480 × 270, upright; damaged files are passed over, up to four per event; events
// without a decodable video within their first four get none.
TEST(CatalogPosters, MakesJpegPostersFromRealClips) {
    CatalogTestEnv env;
    const QString library = TestEnv::freshDir("real") + "/Real.fcpbundle";
    const auto clip = [&](const QString& event, const QString& name, ClipWriter::Clip shape) {
        ClipWriter::write(originalMedia(library, event) + "/" + name, shape);
    };
    const auto bytes = [&](const QString& event, const QString& name, const QByteArray& content) {
        FixtureFiles::writeBytes(originalMedia(library, event) + "/" + name, content);
    };
    const QByteArray whole = ClipWriter::bytes("mov", {.frames = 40});

    clip("Ceremony", "B.mov", {.width = 640, .height = 360, .frames = 40, .paint = ClipWriter::solid(kBlue)});
    clip("Ceremony", "a.MP4", {.frames = 40, .paint = ClipWriter::solid(kRed)});
    clip("Ceremony", ".hidden.mov", {.frames = 40, .paint = ClipWriter::solid(kGreen)});

    bytes("Damaged", "a.mov", QByteArray());
    FixtureFiles::writeRandom(originalMedia(library, "Damaged") + "/b.mov", 64 * 1024);
    bytes("Damaged", "c.avi", whole.left(whole.size() / 3));
    clip("Damaged", "d.mp4", {.frames = 40, .paint = ClipWriter::solid(kGreen)});

    for (const char* name : {"a.mov", "b.mov", "c.mov", "d.mov"})
        FixtureFiles::writeRandom(originalMedia(library, "Four Bad") + "/" + name, 4096);
    clip("Four Bad", "e.mov", {.frames = 40});

    clip("Phone", "IMG_0001.MOV",
         {.frames = 40, .rotation = 90, .paint = ClipWriter::split(kRed, kBlue, 320)});
    bytes("Sound", "Vows.wav", "RIFF");
    FixtureFiles::makeFolder(library + "/No Folder");

    const QStringList names = {"Ceremony", "Damaged", "Four Bad", "Phone", "Sound", "No Folder"};
    QList<EventInfo> events;
    for (const QString& name : names)
        events.append(eventNamed(name, 3));
    auto catalog = env.makeCatalog();
    catalog->seed({.libraries = QList<LibraryInfo>{libraryAt(library, events)}});
    ASSERT_TRUE(makePosters(*catalog));

    const QString posters = catalog->posterDir();
    for (const char* made : {"Ceremony", "Damaged", "Phone"})
        EXPECT_EQ(posterOf(*catalog, library, made), posterName(library, made)) << made;
    for (const char* none : {"Four Bad", "Sound", "No Folder"})
        EXPECT_EQ(posterOf(*catalog, library, none), std::nullopt) << none;
    // The posters and the memory of the event that gave none ("Four Bad"; "Sound" had no video
    // to try), nothing else: no temporary file is left behind.
    QStringList expected{posterName(library, "Ceremony"), posterName(library, "Damaged"),
                         posterName(library, "Phone"), PosterTries::fileName()};
    expected.sort();
    EXPECT_EQ(filesIn(posters), expected);

    const auto ceremony = readPoster(posters + "/" + posterName(library, "Ceremony"));
    ASSERT_TRUE(ceremony);
    EXPECT_EQ(std::pair(ceremony->width, ceremony->height), std::pair(480, 270));
    EXPECT_EQ(hueAt(*ceremony, 240, 135), Hue::blue);
    EXPECT_TRUE(test::readAll(posters + "/" + posterName(library, "Ceremony")).startsWith("\xFF\xD8\xFF"));

    const auto damaged = readPoster(posters + "/" + posterName(library, "Damaged"));
    ASSERT_TRUE(damaged);
    EXPECT_EQ(std::pair(damaged->width, damaged->height), std::pair(320, 180)); // never scaled up
    EXPECT_EQ(hueAt(*damaged, 160, 90), Hue::green);

    const auto phone = readPoster(posters + "/" + posterName(library, "Phone"));
    ASSERT_TRUE(phone);
    EXPECT_EQ(std::pair(phone->width, phone->height), std::pair(152, 270));
    EXPECT_EQ(hueAt(*phone, 76, 10), Hue::red); // the recorded left edge is the top
    EXPECT_EQ(hueAt(*phone, 76, 260), Hue::blue);
}

// A poster already at the destination is taken as it is, without opening any media.
TEST(CatalogPosters, ReusesAnExistingPosterWithoutOpeningMedia) {
    CatalogTestEnv env;
    auto frames = std::make_shared<ScriptedFrames>();
    ScopedFrames scoped(frames);
    const QString library = libraryFolder("reuse", {{"Day 1", {"a.mov"}}});
    auto catalog = env.makeCatalog();
    const QString destination = catalog->posterDir() + "/" + posterName(library, "Day 1");
    FixtureFiles::writeBytes(destination, "an earlier poster");
    catalog->seed({.libraries = QList<LibraryInfo>{libraryAt(library, {eventNamed("Day 1")})}});

    ASSERT_TRUE(makePosters(*catalog));
    EXPECT_EQ(posterOf(*catalog, library, "Day 1"), posterName(library, "Day 1"));
    EXPECT_TRUE(frames->asked().isEmpty());
    EXPECT_EQ(test::readAll(destination), QByteArray("an earlier poster"));
}

// The picture is written under a temporary name and renamed into place, so only whole
// pictures ever sit at a poster's name: what an interrupted write left behind is not taken
// for a poster, and a posters folder that cannot be written gives no poster (and no file)
// while the run goes on to the next event.
TEST(CatalogPosters, WritesPostersWholeOrNotAtAll) {
    CatalogTestEnv env;
    auto frames = std::make_shared<ScriptedFrames>();
    frames->answer = [](const QString&, std::stop_token) { return ScriptedFrames::smallFrame(); };
    ScopedFrames scoped(frames);
    const QString library = libraryFolder("atomic", {{"Day 1", {"a.mov"}}, {"Day 2", {"b.mov"}}});
    auto catalog = env.makeCatalog();
    const QString posters = catalog->posterDir();
    const QString leftOver = posters + "/" + posterName(library, "Day 1") + ".Xq3z9a";
    FixtureFiles::writeBytes(leftOver, "\xFF\xD8 half a pict");
    catalog->seed({.libraries = QList<LibraryInfo>{libraryAt(library, {eventNamed("Day 1")})}});

    FolderWatch watch(posters);
    ASSERT_TRUE(watch.ok());
    ASSERT_TRUE(makePosters(*catalog));
    EXPECT_EQ(posterOf(*catalog, library, "Day 1"), posterName(library, "Day 1"));
    // The poster's name appears once the picture is whole: nothing is ever written under it.
    const QString name = posterName(library, "Day 1");
    const QStringList seen = watch.events();
    EXPECT_TRUE(seen.contains("created " + name) || seen.contains("moved " + name))
        << seen.join(", ").toStdString();
    EXPECT_FALSE(seen.contains("written " + name)) << seen.join(", ").toStdString();
    EXPECT_EQ(test::readAll(posters + "/" + posterName(library, "Day 1")),
              QByteArray("\xFF\xD8 scripted 2x2 \xFF\xD9"));
    EXPECT_EQ(frames->qualities(), std::vector<int>{70});
    EXPECT_EQ(filesIn(posters), (QStringList{posterName(library, "Day 1"), QFileInfo(leftOver).fileName()}));

    // The posters folder turned into a file: nothing can be saved there.
    const bool wasHeadless = ErrorLog::headless();
    ErrorLog::setHeadless(false);
    ASSERT_TRUE(QDir(posters).removeRecursively());
    FixtureFiles::writeBytes(posters, "not a folder");
    catalog->seed(
        {.libraries = QList<LibraryInfo>{libraryAt(library, {eventNamed("Day 1"), eventNamed("Day 2")})}});
    ASSERT_TRUE(makePosters(*catalog));
    ErrorLog::setHeadless(wasHeadless);
    EXPECT_EQ(frames->asked().size(), 3); // both events were tried
    EXPECT_EQ(posterOf(*catalog, library, "Day 1"), std::nullopt);
    EXPECT_EQ(posterOf(*catalog, library, "Day 2"), std::nullopt);
    EXPECT_EQ(test::readAll(posters), QByteArray("not a folder"));
    const QStringList logged = ErrorLog::recent(10, ErrorLog::url()).filter(" WARN catalogue: ");
    ASSERT_EQ(logged.size(), 1) << logged.join("\n").toStdString(); // once per run, not per event
    EXPECT_TRUE(logged.front().contains("posters folder")) << logged.front().toStdString();
}

// The catalogue may change while a frame is being made: the result goes to the event with
// that library path and name wherever it now is, and is dropped when either is gone.
TEST(CatalogPosters, WritesBackByPathAndNameAfterTheCatalogueChanged) {
    CatalogTestEnv env;
    auto frames = std::make_shared<ScriptedFrames>();
    auto door = std::make_shared<Door>();
    frames->answer = [door](const QString& path, std::stop_token stop) -> std::optional<VideoFrame> {
        if (path.contains("/E1/") && !door->wait(stop))
            return std::nullopt;
        return ScriptedFrames::smallFrame();
    };
    ScopedFrames scoped(frames);
    const QString one = libraryFolder("one", {{"E1", {"e1.mov"}}, {"E2", {"e2.mov"}}, {"E3", {"e3.mov"}}});
    const QString two = libraryFolder("two", {{"F1", {"f1.mov"}}});
    const QString zero = libraryFolder("zero", {{"X", {"x.mov"}}});
    auto catalog = env.makeCatalog();
    catalog->seed({.libraries = QList<LibraryInfo>{
                       libraryAt(one, {eventNamed("E1"), eventNamed("E2"), eventNamed("E3")}),
                       libraryAt(two, {eventNamed("F1")})}});

    bool finished = false;
    catalog->scanHost()->generatePosters({}, [&] { finished = true; });
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return door->waiting(); }));
    // Meanwhile: a library is put in front, the events are reordered, one is renamed, and the
    // second library is forgotten.
    EventInfo renamed = eventNamed("E3 (renamed)");
    catalog->seed(
        {.libraries = QList<LibraryInfo>{libraryAt(zero, {eventNamed("X")}),
                                         libraryAt(one, {eventNamed("E2"), renamed, eventNamed("E1")})}});
    door->open();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return finished; }));

    EXPECT_EQ(posterOf(*catalog, one, "E1"), posterName(one, "E1"));
    EXPECT_EQ(posterOf(*catalog, one, "E2"), posterName(one, "E2"));
    EXPECT_EQ(posterOf(*catalog, one, "E3 (renamed)"), std::nullopt);
    EXPECT_EQ(posterOf(*catalog, zero, "X"), std::nullopt);
    EXPECT_EQ(catalog->libraries().size(), 2);
    // Made before their events went, the pictures stay on disk for a later scan.
    EXPECT_TRUE(QFileInfo::exists(catalog->posterDir() + "/" + posterName(two, "F1")));
}

// Stopping the run ends it after the frame in progress, which is itself abandoned: a slow
// file does not hold up a pause.
TEST(CatalogPosters, StopEndsTheRunAndTheFrameInProgress) {
    CatalogTestEnv env;
    auto frames = std::make_shared<ScriptedFrames>();
    auto door = std::make_shared<Door>();
    std::atomic<bool> sawStop = false;
    frames->answer = [door, &sawStop](const QString&, std::stop_token stop) -> std::optional<VideoFrame> {
        if (door->wait(stop))
            return ScriptedFrames::smallFrame();
        sawStop = stop.stop_requested();
        return std::nullopt;
    };
    ScopedFrames scoped(frames);
    const QString library = libraryFolder("stop", {{"A", {"a.mov"}}, {"B", {"b.mov"}}, {"C", {"c.mov"}}});
    auto catalog = env.makeCatalog();
    catalog->seed({.libraries = QList<LibraryInfo>{
                       libraryAt(library, {eventNamed("A"), eventNamed("B"), eventNamed("C")})}});

    std::stop_source stop;
    bool finished = false;
    catalog->scanHost()->generatePosters(stop.get_token(), [&] { finished = true; });
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return door->waiting(); }));
    stop.request_stop();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return finished; }));
    EXPECT_TRUE(sawStop);
    EXPECT_EQ(frames->asked().size(), 1);
    EXPECT_EQ(catalog->status(), QStringLiteral("Poster frames 1/3\u2026"));
    for (const char* event : {"A", "B", "C"})
        EXPECT_EQ(posterOf(*catalog, library, event), std::nullopt) << event;
}

// A catalogue that goes away while a frame is made stops that frame; nothing is called back.
TEST(CatalogPosters, TheFrameInProgressEndsWithTheCatalogue) {
    CatalogTestEnv env;
    auto frames = std::make_shared<ScriptedFrames>();
    auto door = std::make_shared<Door>();
    auto stopped = std::make_shared<std::atomic<bool>>(false);
    frames->answer = [door, stopped](const QString&, std::stop_token stop) -> std::optional<VideoFrame> {
        door->wait(stop);
        *stopped = stop.stop_requested();
        return std::nullopt;
    };
    ScopedFrames scoped(frames);
    const QString library = libraryFolder("going", {{"A", {"a.mov"}}});
    auto catalog = env.makeCatalog();
    catalog->seed({.libraries = QList<LibraryInfo>{libraryAt(library, {eventNamed("A")})}});

    bool finished = false;
    catalog->scanHost()->generatePosters({}, [&] { finished = true; });
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return door->waiting(); }));
    catalog.reset();
    EXPECT_TRUE(CatalogTestEnv::waitUntil([&] { return stopped->load(); }));
    // Once the pool is idle, whatever the stopped frame would hand back is queued; delivered
    // now, it must reach nothing.
    workPool()->waitForDone();
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(finished);
}

// A fresh read keeps the posters of its events whose names match and whose files still exist.
TEST(CatalogPosters, CarriesPostersWhoseEventAndFileRemain) {
    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    FixtureFiles::writeBytes(catalog->posterDir() + "/kept.jpg", "jpeg");
    FixtureFiles::writeBytes(catalog->posterDir() + "/second.jpg", "jpeg");

    const auto withPoster = [](const QString& name, const std::optional<QString>& poster) {
        EventInfo event = eventNamed(name);
        event.poster = poster;
        return event;
    };
    LibraryInfo old =
        libraryAt("/x/Old.fcpbundle", {withPoster("Kept", "kept.jpg"), withPoster("File Gone", "gone.jpg"),
                                       withPoster("Renamed", "kept.jpg"), withPoster("Twice", "kept.jpg"),
                                       withPoster("Twice", "second.jpg"), withPoster("No Poster", {})});
    LibraryInfo fresh =
        libraryAt("/x/Old.fcpbundle",
                  {withPoster("Kept", {}), withPoster("File Gone", {}), withPoster("Renamed in FCP", {}),
                   withPoster("Twice", {}), withPoster("No Poster", "own.jpg"), withPoster("New", {})});
    catalog->scanHost()->carryPosters(old, fresh);
    QList<std::optional<QString>> posters;
    for (const EventInfo& event : fresh.events)
        posters.append(event.poster);
    EXPECT_EQ(posters,
              (QList<std::optional<QString>>{QString("kept.jpg"), std::nullopt, std::nullopt,
                                             QString("kept.jpg"), QString("own.jpg"), std::nullopt}));

    LibraryInfo empty = libraryAt("/x/Old.fcpbundle", {});
    catalog->scanHost()->carryPosters(old, empty);
    EXPECT_TRUE(empty.events.isEmpty());
}

// A scan of the sample libraries with posters on leaves one JPEG per event that has video, in
// the data folder's "posters", each named in its event.
TEST(CatalogPosters, ScanOfTheSampleLibrariesMakesOnePosterPerEventWithVideo) {
    CatalogTestEnv env;
    const SampleSet::Result set = SampleSet::write(TestEnv::freshDir("samples"));
    auto catalog = env.makeCatalog();
    ScanJob job;
    job.roots = {set.volumesRoot, set.homeFolder + "/Movies"};
    job.maxDepth = 5;
    job.posters = true;
    job.concurrency = 2;
    job.updatedAt = QDateTime::currentDateTimeUtc();
    catalog->run(job);
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !catalog->isScanning(); }, 300000));
    ASSERT_TRUE(catalog->status().startsWith("Done: ")) << catalog->status().toStdString();

    const std::map<QString, QStringList> withVideo = {
        {"/Volumes/Studio/Libraries/Wedding 2024.fcpbundle", {"Ceremony", "Reception"}},
        {"/Volumes/Archive/Libraries/Wedding 2024.fcpbundle", {"Ceremony", "Reception"}},
        {"/Volumes/Studio/Libraries/Documentary - Rivers.fcpbundle", {"Interviews", "B-Roll"}},
        {"/Volumes/Studio/Clients/Acme/Acme Promo.fcpbundle", {"Shoot Day"}},
        {"/Home/Movies/Family Holidays.fcpbundle", {"Summer 2024"}},
    };
    QStringList expectedFiles;
    int events = 0;
    size_t librariesWithVideo = 0;
    for (const LibraryInfo& library : catalog->libraries()) {
        const QString relative = library.path.mid(set.folder.size());
        const QStringList video = withVideo.count(relative) ? withVideo.at(relative) : QStringList();
        librariesWithVideo += !video.isEmpty();
        for (const EventInfo& event : library.events) {
            ++events;
            SCOPED_TRACE((relative + " / " + event.name).toStdString());
            if (!video.contains(event.name)) {
                EXPECT_EQ(event.poster, std::nullopt);
                continue;
            }
            EXPECT_EQ(event.poster, posterName(library.path, event.name));
            expectedFiles.append(posterName(library.path, event.name));
            const auto picture =
                readPoster(catalog->posterDir() + "/" + posterName(library.path, event.name));
            ASSERT_TRUE(picture);
            const bool upright = event.name == "Summer 2024"; // the phone clip
            EXPECT_EQ(std::pair(picture->width, picture->height),
                      upright ? std::pair(152, 270) : std::pair(320, 180));
        }
    }
    EXPECT_EQ(librariesWithVideo, withVideo.size());
    EXPECT_GT(events, int(expectedFiles.size()));
    expectedFiles.sort();
    EXPECT_EQ(filesIn(catalog->posterDir()), expectedFiles);
}
