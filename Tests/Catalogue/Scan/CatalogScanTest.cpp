// The scan run driven through a real event loop over libraries written by the fixture builder.
// Moments inside a run are reached without timing: from the catalogue's own change signals
// (a status text, a progress value), or by holding one library's read at the fake volumes'
// gate while the test changes the disk.

#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/RecordJson.h"
#include "Catalogue/Records/ScanJob.h"
#include "Catalogue/Store/Catalog.h"
#include "Platform/Clock.h"
#include "Platform/Services.h"
#include "Platform/VolumesRoot.h"
#include "Support/WorkPool.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/CatalogSeeding.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/FakeVolumeFacts.h"
#include "Tests/Support/QtPrinters.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/VirtualClock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/stat.h>

using namespace pellimor;
using fixtures::LibraryBuilder;
using test::CatalogTestEnv;
namespace Files = fixtures::FixtureFiles;
using Progress = Catalog::Progress;

namespace {

const QDateTime kBuilt(QDate(2024, 3, 1), QTime(9, 30), Qt::UTC);

// A small library: one event with two media files and a project.
QString writeLibrary(const QString& folder, const QString& name) {
    LibraryBuilder lib(name);
    lib.stamp = kBuilt;
    auto& event = lib.event(QStringLiteral("Day 1"));
    event.media(QStringLiteral("A001.mov"), 4096).media(QStringLiteral("A002.mov"), 8192);
    event.proxy(QStringLiteral("A001.mov"), 1024);
    event.keyword(QStringLiteral("Interview"));
    event.project(QStringLiteral("Edit")).clips(2).keywordRange({QStringLiteral("Interview")});
    return lib.write(folder);
}

ScanJob jobFor(const QStringList& roots, qint64 concurrency = 2) {
    ScanJob job;
    job.roots = roots;
    job.maxDepth = 5;
    job.remember = true;
    job.concurrency = concurrency;
    job.updatedAt = QDateTime::currentDateTimeUtc();
    return job;
}

QByteArray jobJson(const ScanJob& job) {
    const Result<QByteArray> bytes = RecordJson::encodeRecordBytes(job, RecordJson::DateForm::Since2001);
    return bytes.ok() ? bytes.value() : QByteArray("<not encodable>");
}

std::optional<ScanJob> jobOnDisk(const QString& dataDir) {
    QFile file(QDir(dataDir).filePath(QStringLiteral("scanjob.json")));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    Result<ScanJob> job =
        RecordJson::decodeRecordBytes<ScanJob>(file.readAll(), RecordJson::DateForm::Since2001);
    if (!job.ok())
        return std::nullopt;
    return job.value();
}

QStringList sorted(QStringList paths) {
    paths.sort();
    return paths;
}

QStringList pathsOf(const QList<LibraryInfo>& libraries) {
    QStringList paths;
    for (const LibraryInfo& library : libraries)
        paths.append(library.path);
    paths.sort();
    return paths;
}

const LibraryInfo* find(const Catalog& catalog, const QString& path) {
    for (const LibraryInfo& library : catalog.libraries())
        if (library.path == path)
            return &library;
    return nullptr;
}

// When each library was last read in full: a refresh or an unchanged library keeps the time.
QMap<QString, QDateTime> readTimes(const Catalog& catalog) {
    QMap<QString, QDateTime> times;
    for (const LibraryInfo& library : catalog.libraries())
        times.insert(library.path, library.scannedAt);
    return times;
}

QStringList readAgain(const QMap<QString, QDateTime>& before, const QMap<QString, QDateTime>& after) {
    QStringList paths;
    for (auto it = after.begin(); it != after.end(); ++it)
        if (before.value(it.key()) != it.value())
            paths.append(it.key());
    return paths;
}

LibraryInfo placeholder(const QString& path) {
    LibraryInfo library;
    library.path = path;
    library.name = QFileInfo(path).completeBaseName();
    library.volumeName = VolumesRoot::driveName(path);
    library.scannedAt = kBuilt;
    library.signature = QStringLiteral("1.0|@size|1.0");
    return library;
}

// Everything a run publishes, in order.
struct Recorder {
    explicit Recorder(Catalog& catalog)
        : m_status(QObject::connect(&catalog, &Catalog::statusChanged, &catalog,
                                    [this, &catalog] { statuses.append(catalog.status()); })),
          m_progress(QObject::connect(&catalog, &Catalog::progressChanged, &catalog,
                                      [this, &catalog] { progress.append(catalog.progress()); })) {}
    ~Recorder() {
        QObject::disconnect(m_status);
        QObject::disconnect(m_progress);
    }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Statuses that show a folder being listed, not the start of a root's walk.
    QStringList folderStatuses() const {
        QStringList folders;
        for (const QString& status : statuses)
            if (status.startsWith(QStringLiteral("Searching ")) && !status.endsWith(QStringLiteral("…")))
                folders.append(status.mid(10));
        return folders;
    }
    // Whether `expected` appear in this order (other statuses may come between).
    bool inOrder(const QStringList& expected) const {
        qsizetype at = 0;
        for (const QString& status : statuses)
            if (at < expected.size() && status == expected.at(at))
                ++at;
        return at == expected.size();
    }
    QStringList statuses;
    QList<std::optional<Progress>> progress;

private:
    QMetaObject::Connection m_status;
    QMetaObject::Connection m_progress;
};

// Runs a job to its end.
void scan(Catalog& catalog, const ScanJob& job) {
    catalog.run(job);
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !catalog.isScanning(); }));
}

// Fake volumes whose facts request for one library can be held at their gate: the full read
// of that library then waits, on its worker, until the test releases it; a read still held
// when the test ends is let go, and the pool waited for.
struct Gate {
    const std::shared_ptr<test::FakeVolumeFacts> facts = std::make_shared<test::FakeVolumeFacts>();
    test::ScopedFakeVolumes scope{facts};
    test::VolumeGateGuard guard{facts};

    bool waitForHeldRead() const {
        return CatalogTestEnv::waitUntil([&] { return facts->heldRequests() > 0; });
    }
};

// A clock that stands still, so a walk never stops for a checkpoint on the way, and whose
// reading of the monotonic time made off the main thread, the `nth`, waits at a gate until the
// test opens it. A walk reads the clock once before its first folder and once after each
// folder, so the fourth reading holds it just after it has listed its third folder. The gate
// opens however the test ends.
class HeldWalkClock final : public platform::Clock {
public:
    explicit HeldWalkClock(int nth) : m_nth(nth) {}
    ~HeldWalkClock() override { open(); }

    QDateTime now() const override { return m_inner->now(); }
    std::chrono::nanoseconds monotonic() const override {
        if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
            std::unique_lock lock(m_mutex);
            if (++m_readings == m_nth) {
                m_held = true;
                m_gate.wait(lock, [this] { return m_open; });
            }
        }
        return m_inner->monotonic();
    }
    Call after(std::chrono::milliseconds delay, QObject* context, std::function<void()> callback) override {
        return m_inner->after(delay, context, std::move(callback));
    }

    bool held() const {
        std::lock_guard lock(m_mutex);
        return m_held;
    }
    void open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_gate.notify_all();
    }

private:
    const std::shared_ptr<test::VirtualClock> m_inner = std::make_shared<test::VirtualClock>();
    const int m_nth;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_gate;
    mutable int m_readings = 0;
    mutable bool m_held = false;
    bool m_open = false;
};

// Each test plugs drives into a volumes root of its own and keeps its folders on the start-up
// volume in a folder of its own.
class CatalogScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedRoot = qgetenv("TOVLIN_VOLUMES_ROOT");
        m_volumes = QDir::cleanPath(test::TestEnv::freshDir(QStringLiteral("volumes")));
        qputenv("TOVLIN_VOLUMES_ROOT", m_volumes.toUtf8());
        m_base = QDir::cleanPath(test::TestEnv::freshDir(QStringLiteral("scan")));
    }
    void TearDown() override {
        // Nothing of a run may still be working when the next test swaps the services.
        workPool()->waitForDone();
        QCoreApplication::sendPostedEvents();
        qputenv("TOVLIN_VOLUMES_ROOT", m_savedRoot);
    }

    QString folder(const QString& relative) const {
        const QString path = m_base + u'/' + relative;
        Files::makeFolder(path);
        return path;
    }

    QString m_volumes;
    QString m_base;

private:
    QByteArray m_savedRoot;
};

} // namespace

TEST_F(CatalogScanTest, TwoRootsAreWalkedReadAndReported) {
    const QString rootA = folder(QStringLiteral("Projects A"));
    const QString rootB = folder(QStringLiteral("Projects B"));
    const QString alpha = writeLibrary(rootA, QStringLiteral("Alpha"));
    const QString beta = writeLibrary(rootB + QStringLiteral("/Client"), QStringLiteral("Beta"));

    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    Recorder recorder(*catalog);
    ScanJob job = jobFor({rootA, rootB});
    job.posters = true;
    catalog->run(job);
    // The run goes on in the background: the job is on disk before the first folder is walked.
    EXPECT_TRUE(catalog->isScanning());
    ASSERT_TRUE(jobOnDisk(env.dataDir).has_value());
    EXPECT_EQ(jobOnDisk(env.dataDir)->roots, (QStringList{rootA, rootB}));
    EXPECT_EQ(pathsOf(catalog->libraries()), QStringList());
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !catalog->isScanning(); }));

    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 2 new, 0 updated, 0 unchanged, 0 removed."));
    EXPECT_TRUE(recorder.inOrder(
        {QStringLiteral("Searching ") + rootA + QStringLiteral("…"), QStringLiteral("Scanned Alpha"),
         QStringLiteral("Searching ") + rootB + QStringLiteral("…"), QStringLiteral("Scanned Beta"),
         QStringLiteral("Done: 2 new, 0 updated, 0 unchanged, 0 removed.")}))
        << recorder.statuses.join(u'\n').toStdString();
    // Each walk names the folders it lists, starting with the root itself.
    const QStringList folders = recorder.folderStatuses();
    ASSERT_FALSE(folders.isEmpty());
    for (const QString& listed : folders)
        EXPECT_TRUE(listed.startsWith(rootA) || listed.startsWith(rootB)) << listed.toStdString();
    EXPECT_EQ(recorder.progress,
              (QList<std::optional<Progress>>{Progress{0, 1}, Progress{1, 1}, Progress{0, 1}, Progress{1, 1},
                                              std::nullopt}));

    EXPECT_EQ(pathsOf(catalog->libraries()), (QStringList{alpha, beta}));
    EXPECT_EQ(find(*catalog, alpha)->events.size(), 1);
    EXPECT_FALSE(catalog->pausedJob());
    EXPECT_FALSE(catalog->progress());
    EXPECT_FALSE(QFileInfo::exists(QDir(env.dataDir).filePath(QStringLiteral("scanjob.json"))));
    // Both roots became watched folders, each stamped when its walk and reads were through.
    ASSERT_EQ(catalog->roots().size(), 2);
    for (const ScanRoot& root : catalog->roots())
        EXPECT_TRUE(root.lastScan.has_value()) << root.path.toStdString();
    for (const QString& path : {alpha, beta})
        EXPECT_TRUE(QFileInfo::exists(catalog->scanHost()->mediaFile(path))) << path.toStdString();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return catalog->media().size() == 4; }));

    // What was saved comes back at the next start.
    catalog.reset();
    catalog = env.makeCatalog();
    EXPECT_EQ(pathsOf(catalog->libraries()), (QStringList{alpha, beta}));
    EXPECT_EQ(catalog->roots().size(), 2);
    EXPECT_FALSE(catalog->pausedJob());
}

TEST_F(CatalogScanTest, APauseWhilePosterFramesAreMadeDoesNotTurnTheEndIntoAPause) {
    const QString root = folder(QStringLiteral("Posters"));
    writeLibrary(root, QStringLiteral("A"));
    writeLibrary(root, QStringLiteral("B"));
    CatalogTestEnv env;
    const auto catalog = env.makeCatalog();
    bool paused = false;
    const QMetaObject::Connection pausing =
        QObject::connect(catalog.get(), &Catalog::statusChanged, catalog.get(), [&] {
            if (!paused && catalog->status().startsWith(QStringLiteral("Poster frames "))) {
                paused = true;
                catalog->pause();
            }
        });
    ScanJob job = jobFor({root});
    job.posters = true;
    scan(*catalog, job);
    QObject::disconnect(pausing);
    EXPECT_TRUE(paused);
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 2 new, 0 updated, 0 unchanged, 0 removed."));
    EXPECT_FALSE(catalog->pausedJob());
    EXPECT_FALSE(jobOnDisk(env.dataDir));
}

TEST_F(CatalogScanTest, RescansReadInFullOnlyWhatChanged) {
    const QString root = folder(QStringLiteral("Work"));
    const QString a = writeLibrary(root, QStringLiteral("A"));
    const QString b = writeLibrary(root + QStringLiteral("/Clients"), QStringLiteral("B"));
    const QString c = writeLibrary(root, QStringLiteral("C"));

    CatalogTestEnv env;
    const auto catalog = env.makeCatalog();
    scan(*catalog, jobFor({root}));
    ASSERT_EQ(catalog->status(), QStringLiteral("Done: 3 new, 0 updated, 0 unchanged, 0 removed."));
    catalog->seed({.favorites = QMap<QString, QDateTime>{{c, kBuilt}}});

    // Nothing changed: no library is read in full, and no record changes.
    const QList<LibraryInfo> first = catalog->libraries();
    scan(*catalog, jobFor({root}));
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 0 updated, 3 unchanged, 0 removed."));
    EXPECT_EQ(catalog->libraries(), first);

    // A media file added to B: only B is read again, and its media list follows.
    QMap<QString, QDateTime> before = readTimes(*catalog);
    Files::writeRandom(b + QStringLiteral("/Day 1/Original Media/A003.mov"), 2048);
    Files::setModified(b + QStringLiteral("/Day 1/Original Media"), kBuilt.addDays(1));
    scan(*catalog, jobFor({root}));
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 1 updated, 2 unchanged, 0 removed."));
    EXPECT_EQ(readAgain(before, readTimes(*catalog)), QStringList{b});
    EXPECT_EQ(find(*catalog, b)->events.value(0).mediaFileCount, 3);
    QFile bMedia(catalog->scanHost()->mediaFile(b));
    ASSERT_TRUE(bMedia.open(QIODevice::ReadOnly));
    EXPECT_TRUE(bMedia.readAll().contains("A003.mov"));

    // A library marked for a full read is read even though nothing in it changed.
    before = readTimes(*catalog);
    catalog->invalidateSignature(a);
    scan(*catalog, jobFor({root}));
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 1 updated, 2 unchanged, 0 removed."));
    EXPECT_EQ(readAgain(before, readTimes(*catalog)), QStringList{a});
    EXPECT_NE(find(*catalog, a)->signature, QStringLiteral("0.0"));

    // C deleted from its mounted disk: it leaves with its favourite mark and its media list.
    const QString cMedia = catalog->scanHost()->mediaFile(c);
    ASSERT_TRUE(QFileInfo::exists(cMedia));
    ASSERT_TRUE(QDir(c).removeRecursively());
    scan(*catalog, jobFor({root}));
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 0 updated, 2 unchanged, 1 removed."));
    EXPECT_EQ(pathsOf(catalog->libraries()), (QStringList{a, b}));
    EXPECT_TRUE(catalog->favorites().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(cMedia));

    // A full rescan reads everything, one at a time when asked for no parallel reads at all.
    before = readTimes(*catalog);
    ScanJob full = jobFor({root}, 0);
    full.fullRescan = true;
    scan(*catalog, full);
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 2 updated, 0 unchanged, 0 removed."));
    EXPECT_EQ(readAgain(before, readTimes(*catalog)), (QStringList{a, b}));
}

TEST_F(CatalogScanTest, AMediaListLostOrDamagedIsReadAgainByTheNextRescan) {
    const QString root = folder(QStringLiteral("Lists"));
    const QString kept = writeLibrary(root, QStringLiteral("Kept"));
    const QString broken = writeLibrary(root, QStringLiteral("Broken"));
    // A library without any media has a list all the same, an empty one, and it is fine.
    LibraryBuilder bare(QStringLiteral("Bare"));
    bare.stamp = kBuilt;
    bare.event(QStringLiteral("Day 1")).project(QStringLiteral("Edit"));
    const QString empty = bare.write(root);

    const auto mediaOf = [](const Catalog& catalog, const QString& path) {
        QStringList names;
        for (const Catalog::MediaEntry2& item : catalog.media())
            if (item.libraryID == path)
                names.append(item.entry.name);
        names.sort();
        return names;
    };
    const QStringList brokenMedia{QStringLiteral("A001.mov"), QStringLiteral("A002.mov")};

    using Damage = std::function<void(const QString& file)>;
    struct Case {
        const char* what;
        Damage damage;
    };
    const Case cases[] = {
        {"deleted", [](const QString& file) { ASSERT_TRUE(QFile::remove(file)); }},
        {"not JSON", [](const QString& file) { Files::writeBytes(file, "{garbage\xff"); }},
        {"cut short",
         [](const QString& file) {
             QFile list(file);
             ASSERT_TRUE(list.open(QIODevice::ReadOnly));
             const QByteArray bytes = list.readAll();
             list.close();
             Files::writeBytes(file, bytes.left(bytes.size() / 2));
         }},
        {"a list of something else", [](const QString& file) { Files::writeBytes(file, "[1, 2, 3]"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CatalogTestEnv env;
        auto catalog = env.makeCatalog();
        scan(*catalog, jobFor({root}));
        ASSERT_EQ(catalog->status(), QStringLiteral("Done: 3 new, 0 updated, 0 unchanged, 0 removed."));
        const QString emptyList = catalog->scanHost()->mediaFile(empty);
        ASSERT_TRUE(QFileInfo::exists(emptyList));
        ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return catalog->media().size() == 4; }));

        // The list goes bad while the program is not running; the next start leaves the
        // library's media out of search.
        c.damage(catalog->scanHost()->mediaFile(broken));
        catalog.reset();
        catalog = env.makeCatalog();
        ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return catalog->media().size() == 2; }));
        ASSERT_EQ(mediaOf(*catalog, broken), QStringList());

        // Nothing in any library changed, yet the one whose list was lost is read in full.
        const QMap<QString, QDateTime> before = readTimes(*catalog);
        scan(*catalog, jobFor({root}));
        EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 1 updated, 2 unchanged, 0 removed."));
        EXPECT_EQ(readAgain(before, readTimes(*catalog)), QStringList{broken});
        EXPECT_TRUE(CatalogTestEnv::waitUntil([&] { return mediaOf(*catalog, broken) == brokenMedia; }))
            << mediaOf(*catalog, broken).join(u',').toStdString();
        EXPECT_EQ(mediaOf(*catalog, kept), brokenMedia);

        // Once: the repaired list is good, so the next rescan reads nothing in full.
        scan(*catalog, jobFor({root}));
        EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 0 updated, 3 unchanged, 0 removed."));
        catalog.reset();
        catalog = env.makeCatalog();
        ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return catalog->media().size() == 4; }));
        scan(*catalog, jobFor({root}));
        EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 0 updated, 3 unchanged, 0 removed."));
        EXPECT_TRUE(QFileInfo::exists(emptyList));
        // A rescan that wrote no list leaves the media it found in search as they were.
        EXPECT_EQ(catalog->media().size(), 4);
        EXPECT_EQ(mediaOf(*catalog, broken), brokenMedia);
    }
}

TEST_F(CatalogScanTest, EntriesMissingNewerPartsAreRefreshedWithoutAFullRead) {
    const QString root = folder(QStringLiteral("Refresh"));
    const QString lib = writeLibrary(root, QStringLiteral("Lib"));
    CatalogTestEnv env;
    const auto catalog = env.makeCatalog();
    scan(*catalog, jobFor({root}));
    const LibraryInfo fresh = catalog->libraries().first();
    ASSERT_EQ(fresh.path, lib);
    ASSERT_EQ(fresh.events.size(), 1);
    ASSERT_FALSE(fresh.events.first().projects.isEmpty());
    const QString projectHalf = fresh.signature.left(fresh.signature.indexOf(QStringLiteral("|@size|")));

    using Change = std::function<void(LibraryInfo&)>;
    struct Case {
        const char* what;
        Change change;
        const char* status;
    };
    const Case cases[] = {
        // Written by a catalogue that kept no size half: only the signature is taken over.
        {"no size half", [&](LibraryInfo& l) { l.signature = projectHalf; },
         "Done: 0 new, 0 updated, 1 unchanged, 0 removed."},
        {"tags of an older reading",
         [](LibraryInfo& l) { l.events[0].tagsVersion = LibraryReader::tagsVersion - 1; },
         "Done: 0 new, 1 updated, 0 unchanged, 0 removed."},
        {"no keywords", [](LibraryInfo& l) { l.events[0].keywords.reset(); },
         "Done: 0 new, 1 updated, 0 unchanged, 0 removed."},
        {"no event dates", [](LibraryInfo& l) { l.events[0].created.reset(); },
         "Done: 0 new, 1 updated, 0 unchanged, 0 removed."},
        {"projects without fingerprints", [](LibraryInfo& l) { l.events[0].projects[0].fingerprint.reset(); },
         "Done: 0 new, 1 updated, 0 unchanged, 0 removed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LibraryInfo older = fresh;
        c.change(older);
        catalog->seed({.libraries = QList<LibraryInfo>{older}});
        scan(*catalog, jobFor({root}));
        EXPECT_EQ(catalog->status(), QString::fromUtf8(c.status));
        // Refreshed in place: the record is whole again, and still dated by its last full read.
        EXPECT_EQ(catalog->libraries(), QList<LibraryInfo>{fresh});
        scan(*catalog, jobFor({root}));
        EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 0 updated, 1 unchanged, 0 removed."));
    }

    // A reading newer than this scan's (a re-read that finished meanwhile) is not replaced.
    LibraryInfo newer = fresh;
    newer.scannedAt = QDateTime::currentDateTimeUtc().addDays(1);
    newer.signature = QStringLiteral("1.0|@size|1.0");
    catalog->seed({.libraries = QList<LibraryInfo>{newer}});
    scan(*catalog, jobFor({root}));
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 0 updated, 1 unchanged, 0 removed."));
    EXPECT_EQ(catalog->libraries(), QList<LibraryInfo>{newer});
}

TEST_F(CatalogScanTest, SlowReadsAreSavedEveryThirdLibraryThatChangedTheCatalogue) {
    // Each read takes three seconds on the program's clock, so the saves are not held back to
    // space them out.
    test::ScopedVirtualClock clock;
    bool slowReads = true;
    const QString root = folder(QStringLiteral("Saves"));
    for (const char* name : {"A", "B", "C", "D"})
        writeLibrary(root, QString::fromLatin1(name));
    CatalogTestEnv env;
    const auto catalog = env.makeCatalog();
    const QString catalogFile = QDir(env.dataDir).filePath(QStringLiteral("catalog.json"));
    const auto savedLibraries = [&] {
        QFile file(catalogFile);
        if (!file.open(QIODevice::ReadOnly))
            return qsizetype(-1);
        return QJsonDocument::fromJson(file.readAll())
            .object()
            .value(QStringLiteral("libraries"))
            .toArray()
            .size();
    };

    // Seen while the fourth read is applied, before its record goes in, once the writes asked
    // for so far have reached the disk (they are made off the main thread): what a process
    // killed at that moment would leave behind.
    qsizetype onDisk = -2;
    qsizetype doneOnDisk = -2;
    QByteArray catalogueBytes;
    const QMetaObject::Connection watching =
        QObject::connect(catalog.get(), &Catalog::progressChanged, catalog.get(), [&] {
            if (catalog->progress() && slowReads)
                clock->advance(std::chrono::seconds(3));
            if (catalog->progress() && catalog->progress()->done == 4) {
                catalog->finishWrites();
                onDisk = savedLibraries();
                doneOnDisk = jobOnDisk(env.dataDir) ? jobOnDisk(env.dataDir)->done.size() : -1;
                QFile file(catalogFile);
                catalogueBytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            }
        });
    scan(*catalog, jobFor({root}, 1));
    EXPECT_EQ(onDisk, 3);
    EXPECT_EQ(doneOnDisk, 3);
    EXPECT_EQ(savedLibraries(), 4);

    // Nothing changed: the catalogue is not rewritten on the way, only when the root is done;
    // and within two seconds not even the job's progress is.
    slowReads = false;
    QFile before(catalogFile);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray bytesBefore = before.readAll();
    scan(*catalog, jobFor({root}, 1));
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 0 updated, 4 unchanged, 0 removed."));
    EXPECT_EQ(catalogueBytes, bytesBefore);
    EXPECT_EQ(doneOnDisk, 0);
    QObject::disconnect(watching);
}

TEST_F(CatalogScanTest, LibrariesDeeperThanTheWalkOrOutsideTheRootStay) {
    const QString root = folder(QStringLiteral("Media"));
    folder(QStringLiteral("Media2"));
    folder(QStringLiteral("Media/A/B"));
    CatalogTestEnv env;
    const auto catalog = env.makeCatalog();
    const QString deep = root + QStringLiteral("/A/B/Old.fcpbundle");
    const QString shallow = root + QStringLiteral("/A/Old.fcpbundle");
    const QString beside = m_base + QStringLiteral("/Media2/Old.fcpbundle");
    const QString atRoot = root;
    catalog->seed({.libraries = QList<LibraryInfo>{placeholder(deep), placeholder(shallow),
                                                   placeholder(beside), placeholder(atRoot)}});
    catalog->seed({.favorites = QMap<QString, QDateTime>{{shallow, kBuilt}, {deep, kBuilt}}});

    ScanJob job = jobFor({root});
    job.maxDepth = 2;
    scan(*catalog, job);
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 0 updated, 0 unchanged, 1 removed."));
    EXPECT_EQ(pathsOf(catalog->libraries()), sorted({deep, beside, atRoot}));
    EXPECT_EQ(catalog->favorites().keys(), QStringList{deep});
}

TEST_F(CatalogScanTest, PauseAtTheStartOfAWalkKeepsTheRootToWalkAndResumeWalksIt) {
    const QString root = folder(QStringLiteral("Edits"));
    const QString a = writeLibrary(root + QStringLiteral("/2024"), QStringLiteral("A"));
    const QString b = writeLibrary(root + QStringLiteral("/2025"), QStringLiteral("B"));
    const QString gone = root + QStringLiteral("/2023/Old.fcpbundle");

    CatalogTestEnv env;
    const auto catalog = env.makeCatalog();
    catalog->seed({.libraries = QList<LibraryInfo>{placeholder(gone)}});
    const QString searching = QStringLiteral("Searching ") + root + QStringLiteral("…");
    const QMetaObject::Connection pausing =
        QObject::connect(catalog.get(), &Catalog::statusChanged, catalog.get(), [&] {
            if (catalog->status() == searching)
                catalog->pause();
        });
    Recorder recorder(*catalog);
    scan(*catalog, jobFor({root}));

    EXPECT_EQ(catalog->status(), QStringLiteral("Scan paused — resume it any time, even after quitting."));
    EXPECT_TRUE(recorder.folderStatuses().isEmpty()) << "no folder was listed";
    EXPECT_TRUE(recorder.progress.isEmpty());
    ASSERT_TRUE(catalog->pausedJob().has_value());
    const ScanJob& paused = *catalog->pausedJob();
    EXPECT_FALSE(paused.discoveryDone);
    EXPECT_EQ(paused.pending, (QList<PendingDir>{PendingDir{root, 0}}));
    EXPECT_TRUE(paused.found.isEmpty());
    EXPECT_EQ(paused.rootIndex, 0);
    ASSERT_TRUE(jobOnDisk(env.dataDir).has_value());
    EXPECT_EQ(jobJson(*jobOnDisk(env.dataDir)), jobJson(paused));
    EXPECT_EQ(pathsOf(catalog->libraries()), QStringList{gone});

    QObject::disconnect(pausing);
    scan(*catalog, *catalog->pausedJob());
    // The walk resumed from the root itself covered all of it, so what it did not find is gone.
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 2 new, 0 updated, 0 unchanged, 1 removed."));
    EXPECT_EQ(pathsOf(catalog->libraries()), (QStringList{a, b}));
    EXPECT_FALSE(catalog->pausedJob());
    EXPECT_FALSE(jobOnDisk(env.dataDir));
}

TEST_F(CatalogScanTest, PauseWhileWalkingResumesWithTheFoldersAndLibrariesLeft) {
    // Wherever in the walk the pause lands, the two runs together list every folder and read
    // every library exactly once.
    const QString root = folder(QStringLiteral("Big"));
    QStringList libraries;
    for (int i = 0; i < 400; ++i) {
        const QString sub = folder(QStringLiteral("Big/F%1/G").arg(i, 3, 10, QLatin1Char('0')));
        if (i % 50 == 49 || i == 3)
            libraries.append(writeLibrary(sub, QStringLiteral("L%1").arg(i)));
    }
    libraries.sort();

    CatalogTestEnv env;
    const auto catalog = env.makeCatalog();
    Recorder recorder(*catalog);
    const QMetaObject::Connection pausing =
        QObject::connect(catalog.get(), &Catalog::statusChanged, catalog.get(), [&] {
            // The first folder's name reaches the main thread before the walk's result does,
            // so the pause always lands before the run can end.
            if (!recorder.folderStatuses().isEmpty())
                catalog->pause();
        });
    scan(*catalog, jobFor({root}, 1));
    ASSERT_EQ(catalog->status(), QStringLiteral("Scan paused — resume it any time, even after quitting."));
    ASSERT_TRUE(catalog->pausedJob().has_value());
    const qsizetype readBefore = catalog->libraries().size();
    const QMap<QString, QDateTime> before = readTimes(*catalog);

    QObject::disconnect(pausing);
    scan(*catalog, *catalog->pausedJob());
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: %1 new, 0 updated, 0 unchanged, 0 removed.")
                                     .arg(libraries.size() - readBefore));
    EXPECT_EQ(pathsOf(catalog->libraries()), libraries);
    // Nothing read before the pause was read again.
    for (auto it = before.begin(); it != before.end(); ++it)
        EXPECT_EQ(readTimes(*catalog).value(it.key()), it.value()) << it.key().toStdString();
}

TEST_F(CatalogScanTest, PauseDuringReadsResumesWithTheLibrariesNotYetDone) {
    for (const qint64 concurrency : {qint64(1), qint64(3)}) {
        SCOPED_TRACE(concurrency);
        const QString root = folder(QStringLiteral("Reads %1").arg(concurrency));
        QStringList libraries;
        for (const char* name : {"A", "B", "C", "D", "E"})
            libraries.append(writeLibrary(root, QString::fromLatin1(name)));

        CatalogTestEnv env;
        const auto catalog = env.makeCatalog();
        const QMetaObject::Connection pausing =
            QObject::connect(catalog.get(), &Catalog::progressChanged, catalog.get(), [&] {
                if (catalog->progress() && catalog->progress()->done == 1)
                    catalog->pause();
            });
        scan(*catalog, jobFor({root}, concurrency));

        ASSERT_EQ(catalog->status(),
                  QStringLiteral("Scan paused — resume it any time, even after quitting."));
        ASSERT_TRUE(catalog->pausedJob().has_value());
        const ScanJob paused = *catalog->pausedJob();
        EXPECT_TRUE(paused.discoveryDone);
        EXPECT_EQ(paused.found.size(), 5);
        // Reads already under way when the pause came may finish; none starts after it.
        const qsizetype done = paused.done.size();
        EXPECT_GE(done, 1);
        EXPECT_LE(done, concurrency);
        EXPECT_EQ(pathsOf(catalog->libraries()), sorted(paused.done));
        EXPECT_FALSE(catalog->progress());
        EXPECT_FALSE(catalog->isScanning());
        ASSERT_TRUE(jobOnDisk(env.dataDir).has_value());
        EXPECT_EQ(jobJson(*jobOnDisk(env.dataDir)), jobJson(paused));

        QObject::disconnect(pausing);
        const QMap<QString, QDateTime> before = readTimes(*catalog);
        Recorder recorder(*catalog);
        scan(*catalog, paused);
        EXPECT_EQ(catalog->status(),
                  QStringLiteral("Done: %1 new, 0 updated, 0 unchanged, 0 removed.").arg(5 - done));
        ASSERT_FALSE(recorder.progress.isEmpty());
        EXPECT_EQ(recorder.progress.first(), (Progress{done, 5}));
        EXPECT_EQ(pathsOf(catalog->libraries()), libraries);
        // Nothing read before the pause was read again.
        EXPECT_EQ(readAgain(before, readTimes(*catalog)).size(), 5 - done);
        for (const QString& path : paused.done)
            EXPECT_EQ(readTimes(*catalog).value(path), before.value(path)) << path.toStdString();
    }
}

TEST_F(CatalogScanTest, StopForgetsTheJobButKeepsWhatWasRead) {
    const QString root = folder(QStringLiteral("Stop"));
    QStringList libraries;
    for (const char* name : {"A", "B", "C"})
        libraries.append(writeLibrary(root, QString::fromLatin1(name)));

    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    QObject::connect(catalog.get(), &Catalog::progressChanged, catalog.get(), [&] {
        if (catalog->progress() && catalog->progress()->done == 1)
            catalog->stop();
    });
    scan(*catalog, jobFor({root}, 1));
    EXPECT_EQ(catalog->status(), QStringLiteral("Scan stopped. The catalog was left in place."));
    EXPECT_FALSE(catalog->pausedJob());
    EXPECT_FALSE(QFileInfo::exists(QDir(env.dataDir).filePath(QStringLiteral("scanjob.json"))));
    ASSERT_EQ(catalog->libraries().size(), 1);
    const QString kept = catalog->libraries().first().path;

    // The catalogue on disk holds it too.
    catalog.reset();
    catalog = env.makeCatalog();
    EXPECT_EQ(pathsOf(catalog->libraries()), QStringList{kept});
    EXPECT_FALSE(catalog->pausedJob());

    // A new request starts from the first root with empty progress.
    Recorder recorder(*catalog);
    scan(*catalog, jobFor({root}, 1));
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 2 new, 0 updated, 1 unchanged, 0 removed."));
    ASSERT_FALSE(recorder.progress.isEmpty());
    EXPECT_EQ(recorder.progress.first(), (Progress{0, 3}));
}

TEST_F(CatalogScanTest, QuittingDuringARunLeavesThePausedScanForTheNextStart) {
    const QString root = folder(QStringLiteral("Quit"));
    QStringList libraries;
    for (const char* name : {"A", "B", "C"})
        libraries.append(writeLibrary(root, QString::fromLatin1(name)));

    CatalogTestEnv env;
    Gate gate;
    gate.facts->holdFacts(libraries.at(1));
    auto catalog = env.makeCatalog();
    catalog->run(jobFor({root}, 1));
    ASSERT_TRUE(gate.waitForHeldRead());
    // The program ends while B is being read: nothing is saved on the way out, and the read
    // that finishes afterwards reaches nothing.
    catalog.reset();
    gate.facts->release();
    workPool()->waitForDone();
    QCoreApplication::sendPostedEvents();

    catalog = env.makeCatalog();
    ASSERT_TRUE(catalog->pausedJob().has_value());
    EXPECT_TRUE(catalog->pausedJob()->discoveryDone);
    EXPECT_EQ(catalog->pausedJob()->found, libraries);
    EXPECT_FALSE(catalog->isScanning());
    scan(*catalog, *catalog->pausedJob());
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 3 new, 0 updated, 0 unchanged, 0 removed."));
    EXPECT_EQ(pathsOf(catalog->libraries()), libraries);
    EXPECT_FALSE(jobOnDisk(env.dataDir));
}

TEST_F(CatalogScanTest, AJobLeftByAKilledProcessResumesWhereItStopped) {
    const QString root = folder(QStringLiteral("Killed"));
    const QString x = writeLibrary(root + QStringLiteral("/A"), QStringLiteral("x"));
    const QString y = writeLibrary(root + QStringLiteral("/A"), QStringLiteral("y"));
    const QString z = writeLibrary(root + QStringLiteral("/B"), QStringLiteral("z"));
    const QString old = root + QStringLiteral("/A/Old.fcpbundle");

    // The process died while walking: "A" had been listed (finding x; y came later on disk)
    // and "B" was still to walk.
    ScanJob left = jobFor({root});
    left.pending = QList<PendingDir>{PendingDir{root + QStringLiteral("/B"), 1}};
    left.found = {x};
    left.updatedAt = kBuilt;
    CatalogTestEnv env;
    Files::writeBytes(QDir(env.dataDir).filePath(QStringLiteral("scanjob.json")), jobJson(left));

    const auto catalog = env.makeCatalog();
    ASSERT_TRUE(catalog->pausedJob().has_value());
    EXPECT_EQ(jobJson(*catalog->pausedJob()), jobJson(left));
    catalog->seed({.libraries = QList<LibraryInfo>{placeholder(old)}});

    Recorder recorder(*catalog);
    scan(*catalog, *catalog->pausedJob());
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 2 new, 0 updated, 0 unchanged, 0 removed."));
    // Only "B" was walked: y, in the folder walked before the process died, is not found.
    EXPECT_EQ(recorder.folderStatuses(), QStringList{root + QStringLiteral("/B")});
    // Which folders of the earlier walk could not be listed is not known any more, so the
    // library it did not find is kept until a whole walk of the root settles it.
    EXPECT_EQ(pathsOf(catalog->libraries()), sorted({old, x, z}));
    EXPECT_EQ(find(*catalog, y), nullptr);
}

TEST_F(CatalogScanTest, LibrariesOfDrivesThatAreNotConnectedAreKept) {
    const QString media = m_volumes + QStringLiteral("/Media");
    const QString archive = m_volumes + QStringLiteral("/Archive");
    const QString onMedia = writeLibrary(media, QStringLiteral("Cut"));
    const QString onArchive = writeLibrary(archive + QStringLiteral("/Films"), QStringLiteral("Film"));

    CatalogTestEnv env;
    const auto catalog = env.makeCatalog();
    // The volumes root itself is the watched folder.
    scan(*catalog, jobFor({m_volumes}));
    ASSERT_EQ(catalog->status(), QStringLiteral("Done: 2 new, 0 updated, 0 unchanged, 0 removed."));

    // Archive unplugged; the catalogue has not been told yet, then has.
    ASSERT_TRUE(QDir(archive).removeRecursively());
    for (const bool told : {false, true}) {
        SCOPED_TRACE(told ? "mounted set recorded" : "mounted set not recorded yet");
        if (told)
            catalog->recordMounted();
        scan(*catalog, jobFor({m_volumes}));
        EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 0 updated, 1 unchanged, 0 removed."));
        EXPECT_EQ(pathsOf(catalog->libraries()), (QStringList{onArchive, onMedia}));
    }

    // Plugged in again without the library: now it is known to be gone.
    Files::makeFolder(archive);
    catalog->recordMounted();
    scan(*catalog, jobFor({m_volumes}));
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 0 updated, 1 unchanged, 1 removed."));
    EXPECT_EQ(pathsOf(catalog->libraries()), QStringList{onMedia});
}

TEST_F(CatalogScanTest, FoldersThatCouldNotBeListedKeepTheLibrariesBehindThem) {
    CatalogTestEnv env;
    const auto catalog = env.makeCatalog();

    // A watched folder that is there but cannot be listed, like a share that dropped.
    const QString share = m_base + QStringLiteral("/Share");
    Files::writeBytes(share, "not a folder");
    const QString behindShare = share + QStringLiteral("/Cut.fcpbundle");

    // A folder the walk cannot enter, beside one that is really gone.
    const QString root = folder(QStringLiteral("Root"));
    const QByteArray unreadableName = QFile::encodeName(root) + "/Proj\xff";
    ASSERT_EQ(::mkdir(unreadableName.constData(), 0755), 0);
    const QString behindFolder = QFile::decodeName(unreadableName) + QStringLiteral("/Lib.fcpbundle");
    const QString reallyGone = root + QStringLiteral("/Gone/Old.fcpbundle");

    catalog->seed({.libraries = QList<LibraryInfo>{placeholder(behindShare), placeholder(behindFolder),
                                                   placeholder(reallyGone)}});
    scan(*catalog, jobFor({share, root}));
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 0 updated, 0 unchanged, 1 removed."));
    EXPECT_EQ(pathsOf(catalog->libraries()), sorted({behindShare, behindFolder}));
}

TEST_F(CatalogScanTest, APausedFullReadOfALibraryWithoutItsDatabaseChangesNothing) {
    const QString root = folder(QStringLiteral("NoDatabase"));
    const QString lib = writeLibrary(root, QStringLiteral("Lib"));
    CatalogTestEnv env;
    Gate gate;
    const auto catalog = env.makeCatalog();
    scan(*catalog, jobFor({root}));
    ASSERT_EQ(catalog->libraries().size(), 1);
    const LibraryInfo before = catalog->libraries().first();
    ASSERT_FALSE(before.events.isEmpty());

    // The library's own database and version list are gone; its events are still there, so
    // it is read in full — and the user pauses while that read is under way.
    ASSERT_TRUE(QFile::remove(lib + QStringLiteral("/CurrentVersion.flexolibrary")));
    QFile::remove(lib + QStringLiteral("/CurrentVersion.plist"));
    gate.facts->holdFacts(lib);
    catalog->run(jobFor({root}));
    ASSERT_TRUE(gate.waitForHeldRead());
    catalog->pause();
    gate.facts->release();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !catalog->isScanning(); }));

    EXPECT_EQ(catalog->status(), QStringLiteral("Scan paused — resume it any time, even after quitting."));
    ASSERT_EQ(catalog->libraries().size(), 1);
    EXPECT_EQ(catalog->libraries().first(), before);
    ASSERT_TRUE(catalog->pausedJob().has_value());
    EXPECT_TRUE(catalog->pausedJob()->done.isEmpty()) << "a resumed run reads it again";
}

TEST_F(CatalogScanTest, ALibraryThatVanishesBeforeItsReadIsKeptUntilAWalkMissesIt) {
    const QString root = folder(QStringLiteral("Vanish"));
    const QString a = writeLibrary(root, QStringLiteral("A"));
    const QString b = writeLibrary(root, QStringLiteral("B"));
    CatalogTestEnv env;
    Gate gate;
    const auto catalog = env.makeCatalog();
    scan(*catalog, jobFor({root}, 1));
    const LibraryInfo bBefore = *find(*catalog, b);

    // B is found by the walk, then taken away while A is read.
    gate.facts->holdFacts(a);
    ScanJob full = jobFor({root}, 1);
    full.fullRescan = true;
    catalog->run(full);
    ASSERT_TRUE(gate.waitForHeldRead());
    ASSERT_TRUE(QDir(b).removeRecursively());
    gate.facts->release();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !catalog->isScanning(); }));
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 1 updated, 0 unchanged, 0 removed."));
    ASSERT_NE(find(*catalog, b), nullptr);
    EXPECT_EQ(*find(*catalog, b), bBefore);

    scan(*catalog, jobFor({root}, 1));
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 0 updated, 1 unchanged, 1 removed."));
    EXPECT_EQ(pathsOf(catalog->libraries()), QStringList{a});
}

TEST_F(CatalogScanTest, ARootThatVanishesMidScanIsSkippedAndItsLibrariesStay) {
    const QString first = folder(QStringLiteral("First"));
    const QString second = folder(QStringLiteral("Second"));
    const QString a = writeLibrary(first, QStringLiteral("A"));
    const QString b = writeLibrary(second, QStringLiteral("B"));
    CatalogTestEnv env;
    Gate gate;
    const auto catalog = env.makeCatalog();
    scan(*catalog, jobFor({first, second}));
    const std::optional<QDateTime> secondScanned = catalog->roots().value(1).lastScan;
    ASSERT_TRUE(secondScanned.has_value());

    gate.facts->holdFacts(a);
    ScanJob full = jobFor({first, second});
    full.fullRescan = true;
    Recorder recorder(*catalog);
    catalog->run(full);
    ASSERT_TRUE(gate.waitForHeldRead());
    ASSERT_TRUE(QDir(second).removeRecursively());
    gate.facts->release();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !catalog->isScanning(); }));

    EXPECT_TRUE(recorder.inOrder({second + QStringLiteral(" isn't reachable — skipped."),
                                  QStringLiteral("Done: 0 new, 1 updated, 0 unchanged, 0 removed.")}))
        << recorder.statuses.join(u'\n').toStdString();
    EXPECT_EQ(pathsOf(catalog->libraries()), (QStringList{a, b}));
    EXPECT_EQ(catalog->roots().value(1).path, second);
    EXPECT_EQ(catalog->roots().value(1).lastScan, secondScanned);
}

TEST_F(CatalogScanTest, ASecondRunWhileOneRunsChangesNothing) {
    const QString first = folder(QStringLiteral("Running"));
    const QString other = folder(QStringLiteral("Other"));
    const QString a = writeLibrary(first, QStringLiteral("A"));
    writeLibrary(other, QStringLiteral("B"));
    CatalogTestEnv env;
    Gate gate;
    gate.facts->holdFacts(a);
    const auto catalog = env.makeCatalog();
    catalog->run(jobFor({first}));
    ASSERT_TRUE(gate.waitForHeldRead());
    catalog->run(jobFor({other}));
    EXPECT_EQ(catalog->scanHost()->job().roots, QStringList{first});
    EXPECT_EQ(jobOnDisk(env.dataDir)->roots, QStringList{first});
    gate.facts->release();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !catalog->isScanning(); }));
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 1 new, 0 updated, 0 unchanged, 0 removed."));
    EXPECT_EQ(pathsOf(catalog->libraries()), QStringList{a});
    ASSERT_EQ(catalog->roots().size(), 1);
    EXPECT_EQ(catalog->roots().first().path, first);
}

TEST_F(CatalogScanTest, JobsWithNothingLeftToDoEndAtOnce) {
    const QString root = folder(QStringLiteral("Settled"));
    const QString a = writeLibrary(root, QStringLiteral("A"));
    const QString missing = m_base + QStringLiteral("/Missing");
    CatalogTestEnv env;
    const auto catalog = env.makeCatalog();

    // Every root missing: each is skipped, and the Done line replaces the last message.
    {
        Recorder recorder(*catalog);
        scan(*catalog, jobFor({missing, missing + QStringLiteral("2")}));
        EXPECT_TRUE(recorder.inOrder({missing + QStringLiteral(" isn't reachable — skipped."),
                                      missing + QStringLiteral("2 isn't reachable — skipped."),
                                      QStringLiteral("Done: 0 new, 0 updated, 0 unchanged, 0 removed.")}));
        EXPECT_FALSE(jobOnDisk(env.dataDir));
    }
    // Past its last root.
    ScanJob past = jobFor({root});
    past.rootIndex = 1;
    scan(*catalog, past);
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 0 updated, 0 unchanged, 0 removed."));
    EXPECT_TRUE(catalog->libraries().isEmpty());

    // Walk finished and every library read: straight to the end of the root.
    ScanJob read = jobFor({root});
    read.pending = QList<PendingDir>{};
    read.found = {a};
    read.done = {a};
    read.discoveryDone = true;
    Recorder recorder(*catalog);
    scan(*catalog, read);
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 0 updated, 0 unchanged, 0 removed."));
    EXPECT_EQ(recorder.progress, (QList<std::optional<Progress>>{Progress{1, 1}, std::nullopt}));
    const auto watched = std::find_if(catalog->roots().begin(), catalog->roots().end(),
                                      [&](const ScanRoot& r) { return r.path == root; });
    ASSERT_NE(watched, catalog->roots().end());
    EXPECT_TRUE(watched->lastScan.has_value());
}

TEST_F(CatalogScanTest, AResumedRootRemovesOnlyWhatItsSavedWalkCouldHaveSeen) {
    const QString root = folder(QStringLiteral("Resumed"));
    const QString kept = writeLibrary(root + QStringLiteral("/A"), QStringLiteral("Kept"));
    const QString share = root + QStringLiteral("/Share");
    const QString behindShare = share + QStringLiteral("/Cut.fcpbundle");
    const QString gone = root + QStringLiteral("/B/Gone.fcpbundle");

    // The walk finished in an earlier run; "Share" could not be listed then.
    ScanJob saved = jobFor({root});
    saved.pending = QList<PendingDir>{};
    saved.found = {kept};
    saved.done = {kept};
    saved.discoveryDone = true;
    for (const bool knowsUnlisted : {true, false}) {
        SCOPED_TRACE(knowsUnlisted ? "job keeps the unlisted folders" : "job written before they were kept");
        ScanJob job = saved;
        if (knowsUnlisted)
            job.unlisted = QStringList{share};
        CatalogTestEnv env;
        const auto catalog = env.makeCatalog();
        catalog->seed({.libraries = QList<LibraryInfo>{placeholder(kept), placeholder(behindShare),
                                                       placeholder(gone)}});
        scan(*catalog, job);
        if (knowsUnlisted) {
            EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 0 updated, 0 unchanged, 1 removed."));
            EXPECT_EQ(pathsOf(catalog->libraries()), sorted({kept, behindShare}));
        } else {
            EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 0 updated, 0 unchanged, 0 removed."));
            EXPECT_EQ(pathsOf(catalog->libraries()), sorted({kept, behindShare, gone}));
        }
    }
}

TEST_F(CatalogScanTest, APausedWalkKeepsTheFoldersItCouldNotList) {
    const QString root = folder(QStringLiteral("PausedWalk"));
    for (int i = 0; i < 200; ++i)
        folder(QStringLiteral("PausedWalk/F%1/G").arg(i, 3, 10, QLatin1Char('0')));
    // Listed with the root itself, before any pause can land.
    const QByteArray unreadableName = QFile::encodeName(root) + "/Proj\xff";
    ASSERT_EQ(::mkdir(unreadableName.constData(), 0755), 0);

    CatalogTestEnv env;
    const auto catalog = env.makeCatalog();
    Recorder recorder(*catalog);
    QObject::connect(catalog.get(), &Catalog::statusChanged, catalog.get(), [&] {
        if (!recorder.folderStatuses().isEmpty())
            catalog->pause();
    });
    scan(*catalog, jobFor({root}, 1));
    ASSERT_TRUE(catalog->pausedJob().has_value());
    const std::optional<ScanJob> job = jobOnDisk(env.dataDir);
    ASSERT_TRUE(job.has_value());
    ASSERT_TRUE(job->unlisted.has_value());
    EXPECT_EQ(job->unlisted->size(), 1);
}

TEST_F(CatalogScanTest, APauseWhileFoundLibrariesAreCheckedAheadLeavesTheJobOfTheWalkAlone) {
    // Four catalogued libraries in the root's last folder, listed second and checked ahead as
    // soon as that listing shows them (only a library the catalogue knows can be found
    // unchanged); a library and many folders still to walk after that.
    const QString root = folder(QStringLiteral("Ahead"));
    for (int i = 0; i < 40; ++i)
        folder(QStringLiteral("Ahead/F%1").arg(i, 3, 10, QLatin1Char('0')));
    QStringList libraries;
    QList<LibraryInfo> known;
    for (const char* name : {"A", "B", "C", "D"}) {
        libraries.append(writeLibrary(root + QStringLiteral("/Last"), QString::fromLatin1(name)));
        known.append(placeholder(libraries.last()));
    }
    libraries.append(writeLibrary(root + QStringLiteral("/F007"), QStringLiteral("E")));
    libraries.sort();

    // The job a walk leaves that stops after the same three folders, with nothing checked ahead.
    QList<PendingDir> pending{PendingDir{root, 0}};
    QStringList found;
    QStringList unlisted;
    std::stop_source stopWalk;
    int listed = 0;
    LibraryReader::discover(
        pending, found, 5, true, true, {},
        [&](const QString&) {
            if (++listed == 3)
                stopWalk.request_stop();
        },
        stopWalk.get_token(), &unlisted);
    ASSERT_EQ(found.size(), 4);
    ScanJob expected = jobFor({root}, 4);
    expected.pending = pending;
    expected.found = found;
    expected.unlisted = unlisted;

    CatalogTestEnv env;
    const auto clock = std::make_shared<HeldWalkClock>(4);
    platform::Services held;
    held.clock = clock;
    const platform::ScopedServices clockScope(held);
    const auto catalog = env.makeCatalog();
    catalog->seed({.libraries = known});
    catalog->run(jobFor({root}, 4));
    // The walk has listed the root, "Last" and "F039"; the four libraries of "Last" are being
    // checked.
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return clock->held(); }));
    catalog->pause();
    clock->open();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !catalog->isScanning(); }));

    ASSERT_EQ(catalog->status(), QStringLiteral("Scan paused — resume it any time, even after quitting."));
    EXPECT_EQ(catalog->libraries(), known);
    ASSERT_TRUE(catalog->pausedJob().has_value());
    const std::optional<ScanJob> onDisk = jobOnDisk(env.dataDir);
    ASSERT_TRUE(onDisk.has_value());
    EXPECT_EQ(jobJson(*onDisk), jobJson(*catalog->pausedJob()));
    ScanJob paused = *onDisk;
    paused.updatedAt = expected.updatedAt;
    EXPECT_EQ(jobJson(paused), jobJson(expected));

    // The resumed run checks and reads every library afresh, each once.
    scan(*catalog, *catalog->pausedJob());
    EXPECT_EQ(catalog->status(), QStringLiteral("Done: 1 new, 4 updated, 0 unchanged, 0 removed."));
    EXPECT_EQ(pathsOf(catalog->libraries()), libraries);
}

TEST_F(CatalogScanTest, ALibraryChangedAfterItsCheckAheadIsReportedOnceAndCaughtByTheNextScan) {
    const QString root = folder(QStringLiteral("Changed"));
    const QString a = writeLibrary(root, QStringLiteral("A"));
    const QString b = writeLibrary(root + QStringLiteral("/Clients"), QStringLiteral("B"));
    const QString c = writeLibrary(root, QStringLiteral("C"));
    int added = 3;
    const auto addMedia = [&] {
        ++added;
        Files::writeRandom(
            b + QStringLiteral("/Day 1/Original Media/A%1.mov").arg(added, 3, 10, QLatin1Char('0')), 2048);
        Files::setModified(b + QStringLiteral("/Day 1/Original Media"), kBuilt.addDays(added));
    };

    struct Case {
        const char* what;
        // The check made ahead already finds B changed, so B is read, and read as it is then.
        bool changedBeforeTheWalk;
        const char* thisRun;
        const char* nextRun;
    };
    const Case cases[] = {
        {"unchanged when checked", false, "Done: 0 new, 0 updated, 3 unchanged, 0 removed.",
         "Done: 0 new, 1 updated, 2 unchanged, 0 removed."},
        {"changed when checked, and again before its read", true,
         "Done: 0 new, 1 updated, 2 unchanged, 0 removed.",
         "Done: 0 new, 0 updated, 3 unchanged, 0 removed."},
    };
    for (const Case& step : cases) {
        SCOPED_TRACE(step.what);
        CatalogTestEnv env;
        const auto catalog = env.makeCatalog();
        scan(*catalog, jobFor({root}, 2));
        ASSERT_EQ(catalog->status(), QStringLiteral("Done: 3 new, 0 updated, 0 unchanged, 0 removed."));
        if (step.changedBeforeTheWalk)
            addMedia();

        // The walk's first folder name reaches the main thread before its result does. Held
        // there, the main thread lets the walk and every check it set off end before the read
        // phase can begin; B changes in between.
        bool changed = false;
        const QMetaObject::Connection changing =
            QObject::connect(catalog.get(), &Catalog::statusChanged, catalog.get(), [&] {
                const QString status = catalog->status();
                if (!changed && status.startsWith(QStringLiteral("Searching ")) &&
                    !status.endsWith(QStringLiteral("…"))) {
                    changed = true;
                    workPool()->waitForDone();
                    addMedia();
                }
            });
        Recorder recorder(*catalog);
        scan(*catalog, jobFor({root}, 2));
        QObject::disconnect(changing);
        ASSERT_TRUE(changed);
        EXPECT_EQ(catalog->status(), QString::fromUtf8(step.thisRun));
        // Said once at most, and only when it was counted as updated.
        const qsizetype scannedB = recorder.statuses.count(QStringLiteral("Scanned B"));
        EXPECT_EQ(scannedB, step.changedBeforeTheWalk ? 1 : 0) << recorder.statuses.join(u'\n').toStdString();

        // After the next scan the catalogue holds B as it is now, and then nothing changes.
        const qsizetype mediaNow = added - 1;
        scan(*catalog, jobFor({root}, 2));
        EXPECT_EQ(catalog->status(), QString::fromUtf8(step.nextRun));
        ASSERT_NE(find(*catalog, b), nullptr);
        EXPECT_EQ(find(*catalog, b)->events.value(0).mediaFileCount, mediaNow);
        scan(*catalog, jobFor({root}, 2));
        EXPECT_EQ(catalog->status(), QStringLiteral("Done: 0 new, 0 updated, 3 unchanged, 0 removed."));
        EXPECT_EQ(pathsOf(catalog->libraries()), sorted({a, b, c}));
    }
}
