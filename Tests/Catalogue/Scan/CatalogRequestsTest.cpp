#include "Catalogue/Records/RecordJson.h"
#include "Catalogue/Store/Catalog.h"
#include "Platform/VolumesRoot.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/CatalogSeeding.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <vector>

using namespace pellimor;
using fixtures::LibraryBuilder;
using test::CatalogTestEnv;
using test::TestEnv;

namespace {

const QString kNoneReachable = QStringLiteral("No watched folders are reachable right now.");
const QString kUntouched = QStringLiteral("status before the request");

// A drive plugged in for one test: a folder directly under the volumes root. Unplugged again
// at the end, so later tests of the same process see only the drives they plug in.
class PluggedDrive {
public:
    explicit PluggedDrive(const QString& name) : mount(QDir(VolumesRoot::root()).filePath(name)) {
        QDir().mkpath(mount);
    }
    ~PluggedDrive() { QDir(mount).removeRecursively(); }
    PluggedDrive(const PluggedDrive&) = delete;
    PluggedDrive& operator=(const PluggedDrive&) = delete;

    // A folder on the drive, made when `make` is true.
    QString folder(const QString& relative, bool make = true) const {
        const QString path = QDir(mount).filePath(relative);
        if (make)
            QDir().mkpath(path);
        return path;
    }

    const QString mount;
};

// A path on a drive that is not plugged in.
QString onUnpluggedDrive(const QString& relative) {
    return QDir(VolumesRoot::root()).filePath(QStringLiteral("NotPluggedIn/") + relative);
}

QList<ScanRoot> watched(const QStringList& paths) {
    QList<ScanRoot> roots;
    for (const QString& path : paths)
        roots.append(ScanRoot{path, std::nullopt});
    return roots;
}

QStringList paths(const QList<ScanRoot>& roots) {
    QStringList out;
    for (const ScanRoot& root : roots)
        out.append(root.path);
    return out;
}

// The job as written to "scanjob.json" (run() writes it at once); absent without a file.
std::optional<ScanJob> savedJob(const CatalogTestEnv& env) {
    QFile file(QDir(env.dataDir).filePath(QStringLiteral("scanjob.json")));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    Result<ScanJob> job =
        RecordJson::decodeRecordBytes<ScanJob>(file.readAll(), RecordJson::DateForm::Since2001);
    EXPECT_TRUE(job.ok());
    if (!job.ok())
        return std::nullopt;
    return job.value();
}

struct ExpectedJob {
    QStringList roots;
    qint64 maxDepth = 5;
    bool remember = true;
    bool fullRescan = false;
    bool posters = false;
    qint64 concurrency = 2;
};

// A request started exactly this job, from its first root, with no progress in it.
void expectStartedJob(const CatalogTestEnv& env, const Catalog& catalog, const ExpectedJob& want) {
    EXPECT_TRUE(catalog.isScanning());
    EXPECT_FALSE(catalog.pausedJob().has_value());
    const std::optional<ScanJob> job = savedJob(env);
    ASSERT_TRUE(job.has_value()) << "no scanjob.json";
    EXPECT_EQ(job->roots, want.roots);
    EXPECT_EQ(job->maxDepth, std::optional<qint64>(want.maxDepth));
    EXPECT_EQ(job->remember, want.remember);
    EXPECT_EQ(job->fullRescan, want.fullRescan);
    EXPECT_EQ(job->posters, want.posters);
    EXPECT_EQ(job->concurrency, want.concurrency);
    EXPECT_EQ(job->rootIndex, 0);
    EXPECT_FALSE(job->pending.has_value());
    EXPECT_TRUE(job->found.isEmpty());
    EXPECT_FALSE(job->discoveryDone);
    EXPECT_TRUE(job->done.isEmpty());
    EXPECT_EQ(catalog.currentJob().roots, want.roots);
}

void expectNoJob(const CatalogTestEnv& env, const Catalog& catalog) {
    EXPECT_FALSE(catalog.isScanning());
    EXPECT_FALSE(QFileInfo::exists(QDir(env.dataDir).filePath(QStringLiteral("scanjob.json"))));
}

// Stops the scan a request started and lets it wind down.
void endScan(Catalog& catalog) {
    catalog.stop();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !catalog.isScanning(); }));
}

// Lets a scan run to its end.
void finishScan(Catalog& catalog) {
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !catalog.isScanning(); }));
}

} // namespace

// ---- Refresh every watched folder ---------------------------------------------------------

TEST(CatalogRequests, RescanAllRootsSelectsReachableWatchedFoldersOnTheGivenDrive) {
    const PluggedDrive media(QStringLiteral("Media"));
    const PluggedDrive media2(QStringLiteral("Media2"));
    const QString local = TestEnv::freshDir(QStringLiteral("watched-local"));
    const QString gone = onUnpluggedDrive(QStringLiteral("Projects"));
    const QString onMedia = media.folder(QStringLiteral("Projects"));
    const QString onMedia2 = media2.folder(QStringLiteral("Projects"));

    struct Case {
        const char* name;
        QStringList watched;
        std::optional<QString> only;
        std::optional<QStringList> roots; // absent: no job
        QString status;                   // the status line when no job starts
    };
    const std::vector<Case> cases = {
        {"one of two on an unplugged drive", {gone, local}, std::nullopt, QStringList{local}, kUntouched},
        {"stored order kept, trailing slash dropped",
         {onMedia + u'/', local},
         std::nullopt,
         QStringList{onMedia, local},
         kUntouched},
        {"nothing reachable", {gone}, std::nullopt, std::nullopt, kNoneReachable},
        {"no watched folders at all", {}, std::nullopt, std::nullopt, kNoneReachable},
        {"only a drive without watched folders is silent",
         {local, onMedia2},
         media.mount,
         std::nullopt,
         kUntouched},
        {"only a drive whose watched folder is gone is silent",
         {media.folder(QStringLiteral("Deleted"), false)},
         media.mount,
         std::nullopt,
         kUntouched},
        {"only Media never takes Media2",
         {onMedia2, local, onMedia},
         media.mount,
         QStringList{onMedia},
         kUntouched},
        {"only Media takes the drive itself",
         {media.mount, onMedia2},
         media.mount,
         QStringList{media.mount},
         kUntouched},
        {"only with a trailing slash",
         {onMedia, onMedia2},
         media.mount + u'/',
         QStringList{onMedia},
         kUntouched},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CatalogTestEnv env;
        auto catalog = env.makeCatalog();
        catalog->seed({.roots = watched(c.watched)});
        catalog->setStatus(kUntouched);

        catalog->rescanAllRoots(ScanOptions{.fullRescan = true, .posters = true, .concurrency = 3}, c.only);

        if (c.roots) {
            expectStartedJob(
                env, *catalog,
                {.roots = *c.roots, .remember = true, .fullRescan = true, .posters = true, .concurrency = 3});
            endScan(*catalog);
        } else {
            EXPECT_EQ(catalog->status(), c.status);
            expectNoJob(env, *catalog);
        }
    }
}

TEST(CatalogRequests, RescanAllRootsRecordsTheMountedDrivesFirst) {
    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    const PluggedDrive late(QStringLiteral("PluggedLate"));
    ASSERT_FALSE(catalog->mounted().contains(late.mount));

    catalog->rescanAllRoots(ScanOptions{.posters = false}, std::nullopt);

    EXPECT_TRUE(catalog->mounted().contains(QStringLiteral("/")));
    EXPECT_TRUE(catalog->mounted().contains(late.mount));
    EXPECT_EQ(catalog->status(), kNoneReachable);
}

// ---- One watched folder ----------------------------------------------------------------------

TEST(CatalogRequests, RescanOneWatchedFolderLeavesReachabilityToTheRun) {
    const QString folder = TestEnv::freshDir(QStringLiteral("one-root"));
    const QString missing = onUnpluggedDrive(QStringLiteral("Elsewhere"));
    struct Case {
        const char* name;
        QString stored;
        QString root;
    };
    for (const Case& c : std::vector<Case>{{"folder with a trailing slash", folder + u'/', folder},
                                           {"folder on an unplugged drive", missing, missing}}) {
        SCOPED_TRACE(c.name);
        CatalogTestEnv env;
        auto catalog = env.makeCatalog();
        catalog->setStatus(kUntouched);

        catalog->rescan(ScanRoot{c.stored, std::nullopt}, ScanOptions{.posters = true, .concurrency = 4});

        expectStartedJob(env, *catalog,
                         {.roots = {c.root}, .remember = true, .posters = true, .concurrency = 4});
        endScan(*catalog);
    }
}

// ---- One drive -------------------------------------------------------------------------------

TEST(CatalogRequests, RescanDriveTakesItsReachableWatchedFoldersElseTheWholeDrive) {
    const PluggedDrive media(QStringLiteral("Media"));
    const PluggedDrive media2(QStringLiteral("Media2"));
    const QString local = TestEnv::freshDir(QStringLiteral("drive-local"));
    const QString a = media.folder(QStringLiteral("A"));
    const QString b = media.folder(QStringLiteral("B/Deep"));
    const QString deleted = media.folder(QStringLiteral("Deleted"), false);
    const QString onMedia2 = media2.folder(QStringLiteral("Projects"));

    struct Case {
        const char* name;
        QStringList watched;
        QStringList roots;
    };
    const std::vector<Case> cases = {
        {"watched folders on the drive, in stored order", {b, local, onMedia2, deleted, a}, {b, a}},
        {"the drive itself is watched", {media.mount + u'/'}, {media.mount}},
        {"no watched folder on it", {local, onMedia2}, {media.mount}},
        {"its watched folders were all deleted", {deleted, onMedia2}, {media.mount}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CatalogTestEnv env;
        auto catalog = env.makeCatalog();
        catalog->seed({.roots = watched(c.watched)});

        catalog->rescan(media.mount, QStringLiteral("Media"),
                        ScanOptions{.posters = true, .concurrency = 6, .depth = 3});

        expectStartedJob(
            env, *catalog,
            {.roots = c.roots, .maxDepth = 3, .remember = false, .posters = true, .concurrency = 6});
        EXPECT_TRUE(catalog->mounted().contains(media.mount));
        endScan(*catalog);
    }
}

TEST(CatalogRequests, WholeDriveScanFindsLibrariesButIsNeverWatched) {
    const PluggedDrive drive(QStringLiteral("Archive"));
    const QString bundle =
        LibraryBuilder(QStringLiteral("Old Job")).write(drive.folder(QStringLiteral("2019")));
    const QString local = TestEnv::freshDir(QStringLiteral("whole-drive"));
    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    catalog->seed({.roots = watched({local})});

    catalog->rescan(drive.mount, QStringLiteral("Archive"), ScanOptions{.posters = false});
    finishScan(*catalog);

    ASSERT_EQ(catalog->libraries().size(), 1);
    EXPECT_EQ(catalog->libraries()[0].path, bundle);
    EXPECT_EQ(paths(catalog->roots()), QStringList{local});
}

TEST(CatalogRequests, RescanDriveStopsWithAMessageWhenItCannotScan) {
    const QString local = TestEnv::freshDir(QStringLiteral("startup-local"));
    const PluggedDrive media(QStringLiteral("Media"));
    const QString onMedia = media.folder(QStringLiteral("Projects"));
    const QString startupMessage =
        QStringLiteral("Add a watched folder on Macintosh HD to rescan it (scanning the "
                       "whole startup disk would take too long).");
    struct Case {
        const char* name;
        QString mount;
        QString driveName;
        QStringList watched;
        QString status;
    };
    const std::vector<Case> cases = {
        {"drive not connected",
         onUnpluggedDrive(QString()),
         QStringLiteral("Travel SSD"),
         {local},
         QStringLiteral("Travel SSD isn't connected.")},
        {"start-up disk without watched folders",
         QStringLiteral("/"),
         QStringLiteral("Macintosh HD"),
         {onMedia},
         startupMessage},
        {"start-up disk whose watched folder is gone",
         QStringLiteral("/"),
         QStringLiteral("Macintosh HD"),
         {local + QStringLiteral("/Deleted")},
         startupMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CatalogTestEnv env;
        auto catalog = env.makeCatalog();
        catalog->seed({.roots = watched(c.watched)});

        catalog->rescan(c.mount, c.driveName, ScanOptions{.posters = false});

        EXPECT_EQ(catalog->status(), c.status);
        expectNoJob(env, *catalog);
    }
}

TEST(CatalogRequests, RescanStartupDiskTakesWatchedFoldersOffTheDrives) {
    const QString first = TestEnv::freshDir(QStringLiteral("startup-a"));
    const QString second = TestEnv::freshDir(QStringLiteral("startup-b"));
    const PluggedDrive media(QStringLiteral("Media"));
    const QString onMedia = media.folder(QStringLiteral("Projects"));
    ASSERT_EQ(VolumesRoot::mountOf(first), QStringLiteral("/"));
    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    catalog->seed({.roots = watched({second, onMedia, media.mount, first})});

    catalog->rescan(QStringLiteral("/"), QStringLiteral("Macintosh HD"), ScanOptions{.posters = false});

    expectStartedJob(env, *catalog, {.roots = {second, first}, .remember = false});
    endScan(*catalog);
}

// ---- Never a second scan -------------------------------------------------------------------

TEST(CatalogRequests, RequestsWhileAScanRunsStartNothing) {
    const QString running = TestEnv::freshDir(QStringLiteral("running"));
    const QString other = TestEnv::freshDir(QStringLiteral("other"));
    const PluggedDrive media(QStringLiteral("Media"));
    struct Case {
        const char* name;
        std::function<void(Catalog&)> request;
    };
    const std::vector<Case> cases = {
        {"refresh all",
         [](Catalog& c) {
             c.rescanAllRoots(ScanOptions{.fullRescan = true, .posters = true, .concurrency = 8},
                              std::nullopt);
         }},
        {"one folder",
         [&](Catalog& c) {
             c.rescan(ScanRoot{other, std::nullopt}, ScanOptions{.posters = true, .concurrency = 8});
         }},
        {"one drive",
         [&](Catalog& c) {
             c.rescan(media.mount, QStringLiteral("Media"), ScanOptions{.posters = true, .concurrency = 8});
         }},
        {"resume", [](Catalog& c) { c.resumePausedScan(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CatalogTestEnv env;
        auto catalog = env.makeCatalog();
        catalog->seed({.roots = watched({other})});
        catalog->rescan(ScanRoot{running, std::nullopt}, ScanOptions{.posters = false});
        ASSERT_TRUE(catalog->isScanning());

        c.request(*catalog);

        expectStartedJob(env, *catalog, {.roots = {running}});
        EXPECT_EQ(catalog->currentJob().concurrency, 2);
        endScan(*catalog);
    }
}

TEST(CatalogRequests, RefreshAllStillReportsUnreachableFoldersWhileAScanRuns) {
    const PluggedDrive busy(QStringLiteral("Busy"));
    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    catalog->seed({.roots = watched({onUnpluggedDrive(QStringLiteral("X"))})});
    // A drive scan, so the running scan adds no watched folder.
    catalog->rescan(busy.mount, QStringLiteral("Busy"), ScanOptions{.posters = false});
    ASSERT_TRUE(catalog->isScanning());

    catalog->rescanAllRoots(ScanOptions{.posters = false}, std::nullopt);

    EXPECT_EQ(catalog->status(), kNoneReachable);
    EXPECT_TRUE(catalog->isScanning());
    EXPECT_EQ(catalog->currentJob().roots, QStringList{busy.mount});
    endScan(*catalog);
}

// ---- Resuming ----------------------------------------------------------------------------

TEST(CatalogRequests, ResumeHandsThePausedJobOverUnchanged) {
    const QString first = TestEnv::freshDir(QStringLiteral("resume-first"));
    const QString second = TestEnv::freshDir(QStringLiteral("resume-second"));
    CatalogTestEnv env;
    ScanJob paused;
    paused.roots = {first, second};
    paused.maxDepth = 7;
    paused.remember = false;
    paused.fullRescan = true;
    paused.posters = false;
    paused.concurrency = 3;
    paused.rootIndex = 1;
    paused.pending = QList<PendingDir>{PendingDir{second, 0}};
    paused.found = {second + QStringLiteral("/Gone.fcpbundle")};
    paused.updatedAt = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    {
        QDir().mkpath(env.dataDir);
        QFile file(QDir(env.dataDir).filePath(QStringLiteral("scanjob.json")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(RecordJson::encodeRecordBytes(paused, RecordJson::DateForm::Since2001).value());
    }
    auto catalog = env.makeCatalog();
    ASSERT_TRUE(catalog->pausedJob().has_value());

    catalog->resumePausedScan();

    EXPECT_TRUE(catalog->isScanning());
    EXPECT_FALSE(catalog->pausedJob().has_value());
    const ScanJob& job = catalog->currentJob();
    EXPECT_EQ(job.roots, paused.roots);
    EXPECT_EQ(job.maxDepth, paused.maxDepth);
    EXPECT_EQ(job.remember, paused.remember);
    EXPECT_EQ(job.fullRescan, paused.fullRescan);
    EXPECT_EQ(job.concurrency, paused.concurrency);
    EXPECT_EQ(job.rootIndex, 1);
    EXPECT_EQ(job.found, paused.found);
    endScan(*catalog);
}

TEST(CatalogRequests, ResumeWithoutAPausedJobDoesNothing) {
    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    catalog->setStatus(kUntouched);

    catalog->resumePausedScan();

    expectNoJob(env, *catalog);
    EXPECT_EQ(catalog->status(), kUntouched);
}

// ---- Taking things out of the catalogue -----------------------------------------------------

TEST(CatalogRequests, RemoveRootDropsEveryEntryOfThatPathAndSaves) {
    CatalogTestEnv env;
    const QString a = QStringLiteral("/Work/A");
    const QString b = QStringLiteral("/Work/B");
    const QString c = QStringLiteral("/Work/C");
    LibraryInfo under;
    under.path = b + QStringLiteral("/Lib.fcpbundle");
    under.name = QStringLiteral("Lib");
    under.scannedAt = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    {
        auto catalog = env.makeCatalog();
        catalog->seed(
            {.roots = QList<ScanRoot>{ScanRoot{a, std::nullopt}, ScanRoot{b, QDateTime::currentDateTimeUtc()},
                                      ScanRoot{c, std::nullopt}, ScanRoot{b, std::nullopt}}});
        catalog->seed({.libraries = QList<LibraryInfo>{under}});

        catalog->removeRoot(ScanRoot{b, std::nullopt});

        EXPECT_EQ(paths(catalog->roots()), (QStringList{a, c}));
        EXPECT_EQ(catalog->libraries().size(), 1);

        catalog->removeRoot(ScanRoot{QStringLiteral("/Work/Never"), std::nullopt});
        EXPECT_EQ(paths(catalog->roots()), (QStringList{a, c}));
    }
    // What was saved is what a new start finds.
    auto reopened = env.makeCatalog();
    EXPECT_EQ(paths(reopened->roots()), (QStringList{a, c}));
    ASSERT_EQ(reopened->libraries().size(), 1);
    EXPECT_EQ(reopened->libraries()[0].path, under.path);
}

TEST(CatalogRequests, ForgetDropsTheLibraryItsFavouriteAndItsMediaList) {
    CatalogTestEnv env;
    const QString folder = TestEnv::freshDir(QStringLiteral("forget"));
    const QString kept = LibraryBuilder(QStringLiteral("Kept")).write(folder);
    const QString gone = LibraryBuilder(QStringLiteral("Gone")).write(folder);
    const auto library = [](const QString& path, const QString& name) {
        LibraryInfo info;
        info.path = path;
        info.name = name;
        info.scannedAt = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
        return info;
    };
    auto catalog = env.makeCatalog();
    catalog->seed({.libraries = QList<LibraryInfo>{library(gone, QStringLiteral("Gone")),
                                                   library(kept, QStringLiteral("Kept")),
                                                   library(gone, QStringLiteral("Gone (twice)"))}});
    const QDateTime marked = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    catalog->seed({.favorites = QMap<QString, QDateTime>{{gone, marked}, {kept, marked}}});
    catalog->scanHost()->saveMedia({MediaEntry{QStringLiteral("a.mov"), 10, QStringLiteral("Day")}}, gone);
    catalog->scanHost()->saveMedia({MediaEntry{QStringLiteral("k.mov"), 20, QStringLiteral("Day")}}, kept);
    const QString goneMedia = catalog->scanHost()->mediaFile(gone);
    const QString keptMedia = catalog->scanHost()->mediaFile(kept);
    const QString posterFile =
        QDir(catalog->posterDir())
            .filePath(Catalog::hash(gone + QStringLiteral("|Day")) + QStringLiteral(".jpg"));
    {
        QFile poster(posterFile);
        ASSERT_TRUE(poster.open(QIODevice::WriteOnly));
        poster.write("jpeg");
    }
    const QString catalogFile = QDir(env.dataDir).filePath(QStringLiteral("catalog.json"));

    catalog->forget(library(gone, QStringLiteral("Gone")));

    ASSERT_EQ(catalog->libraries().size(), 1);
    EXPECT_EQ(catalog->libraries()[0].path, kept);
    EXPECT_EQ(catalog->favorites().keys(), QStringList{kept});
    EXPECT_FALSE(QFileInfo::exists(goneMedia));
    EXPECT_TRUE(QFileInfo::exists(keptMedia));
    EXPECT_TRUE(QFileInfo::exists(catalogFile));
    // Nothing of the library's own is touched.
    EXPECT_TRUE(QFileInfo(gone).isDir());
    EXPECT_TRUE(QFileInfo::exists(posterFile));
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return catalog->media().size() == 1; }));
    EXPECT_EQ(catalog->media()[0].libraryID, kept);

    // Forgetting it again changes nothing, but still saves and reloads the media lists.
    ASSERT_TRUE(QFile::remove(catalogFile));
    ASSERT_TRUE(QFile::remove(keptMedia));
    catalog->forget(library(gone, QStringLiteral("Gone")));

    EXPECT_EQ(catalog->libraries().size(), 1);
    EXPECT_EQ(catalog->favorites().keys(), QStringList{kept});
    EXPECT_TRUE(QFileInfo::exists(catalogFile));
    EXPECT_TRUE(CatalogTestEnv::waitUntil([&] { return catalog->media().isEmpty(); }));
}
