#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Records/RecordJson.h"
#include "Catalogue/Store/Catalog.h"
#include "Support/ByteCount.h"
#include "Support/WorkPool.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/CatalogSeeding.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/FileGates.h"
#include "Tests/Support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

using namespace pellimor;
using fixtures::LibraryBuilder;
using test::CatalogTestEnv;
using test::TestEnv;

namespace {

constexpr qint64 GB = 1'000'000'000;

// A small library with one event of original and proxy media.
QString writeLibrary(const QString& name, const QString& hint) {
    LibraryBuilder lib(name);
    lib.event(QStringLiteral("Day 1"))
        .media(QStringLiteral("A001.mov"), 300'000)
        .proxy(QStringLiteral("A001.mov"), 40'000);
    lib.event(QStringLiteral("Day 2")).media(QStringLiteral("B001.mov"), 100'000);
    return lib.write(TestEnv::freshDir(hint));
}

// The library as a scan would catalogue it now.
LibraryInfo readNow(const QString& bundle, QList<MediaEntry>* media = nullptr) {
    QList<MediaEntry> entries;
    LibraryInfo info = LibraryReader::read(bundle, LibraryReader::signature(bundle), entries);
    if (media)
        *media = entries;
    return info;
}

LibraryInfo placeholder(const QString& path, const QString& name) {
    LibraryInfo info;
    info.path = path;
    info.name = name;
    info.signature = QStringLiteral("catalogued");
    info.scannedAt = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    return info;
}

EventInfo event(const QString& name, qint64 proxy, qint64 optimized, qint64 render) {
    EventInfo e;
    e.name = name;
    e.proxySize = proxy;
    e.optimizedSize = optimized;
    e.renderSize = render;
    e.originalSize = 7 * GB;
    return e;
}

// Lets every background read finish and applies what it handed back, without a time limit
// deciding anything.
void settle() {
    do {
        workPool()->waitForDone();
        QCoreApplication::sendPostedEvents();
    } while (workPool()->activeThreadCount() > 0);
}

QString refreshing(const QString& name) {
    return QStringLiteral("Refreshing ") + name + QStringLiteral("…");
}

QList<MediaEntry> mediaListOnDisk(Catalog& catalog, const QString& path) {
    QFile file(catalog.scanHost()->mediaFile(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    Result<QList<MediaEntry>> list =
        RecordJson::decodeListBytes<MediaEntry>(file.readAll(), RecordJson::DateForm::Since1970);
    return list.ok() ? list.value() : QList<MediaEntry>{};
}

} // namespace

// ---- Marking a library as changed -----------------------------------------------------------

TEST(CatalogReread, InvalidateSignatureMarksTheFirstEntryOfThatPathOnly) {
    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    const QList<LibraryInfo> before = {
        placeholder(QStringLiteral("/L/A.fcpbundle"), QStringLiteral("A")),
        placeholder(QStringLiteral("/L/B.fcpbundle"), QStringLiteral("B")),
        placeholder(QStringLiteral("/L/A.fcpbundle"), QStringLiteral("A again"))};
    catalog->seed({.libraries = before});

    catalog->invalidateSignature(QStringLiteral("/L/Unknown.fcpbundle"));
    EXPECT_EQ(catalog->libraries(), before);

    catalog->invalidateSignature(QStringLiteral("/L/A.fcpbundle"));
    EXPECT_EQ(catalog->libraries()[0].signature, QStringLiteral("0.0"));
    EXPECT_EQ(catalog->libraries()[1].signature, QStringLiteral("catalogued"));
    EXPECT_EQ(catalog->libraries()[2].signature, QStringLiteral("catalogued"));
}

// ---- Sizes right after freeing space ---------------------------------------------------------

TEST(CatalogReread, NoteFreedLowersTheCataloguedSizesByKind) {
    const QString path = QStringLiteral("/L/Wedding.fcpbundle");
    const auto target = [](GeneratedKind kind, const QString& event, qint64 bytes) {
        return CleanupTarget{QStringLiteral("/L/Wedding.fcpbundle/") + event, kind, event, bytes};
    };
    const QString day1 = QStringLiteral("Day 1");
    const QString day2 = QStringLiteral("Day 2");
    struct Case {
        const char* name;
        QList<CleanupTarget> removed;
        EventInfo day1;
        EventInfo day2;
    };
    const std::vector<Case> cases = {
        {"more than there is stops at zero",
         {target(GeneratedKind::proxy, day1, 5 * GB)},
         event(day1, 0, 2 * GB, 1 * GB),
         event(day2, 300, 200, 100)},
        {"two targets of one event and kind add up",
         {target(GeneratedKind::proxy, day1, GB), target(GeneratedKind::proxy, day1, GB / 2)},
         event(day1, 3 * GB / 2, 2 * GB, 1 * GB),
         event(day2, 300, 200, 100)},
        {"each kind lowers its own size",
         {target(GeneratedKind::optimized, day2, 50), target(GeneratedKind::render, day1, GB / 4),
          target(GeneratedKind::proxy, day2, 300)},
         event(day1, 3 * GB, 2 * GB, 3 * GB / 4),
         event(day2, 0, 150, 100)},
        {"a target of an event not in the library is skipped",
         {target(GeneratedKind::render, QStringLiteral("Day 9"), 100),
          target(GeneratedKind::render, day2, 40)},
         event(day1, 3 * GB, 2 * GB, 1 * GB),
         event(day2, 300, 200, 60)},
        {"a negative count never raises a size",
         {target(GeneratedKind::proxy, day1, -GB), target(GeneratedKind::render, day2, -1)},
         event(day1, 3 * GB, 2 * GB, 1 * GB),
         event(day2, 300, 200, 100)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CatalogTestEnv env;
        auto catalog = env.makeCatalog();
        LibraryInfo entry = placeholder(path, QStringLiteral("Wedding"));
        entry.events = {event(day1, 3 * GB, 2 * GB, 1 * GB), event(day2, 300, 200, 100)};
        LibraryInfo other = placeholder(QStringLiteral("/L/Other.fcpbundle"), QStringLiteral("Other"));
        other.events = entry.events;
        catalog->seed({.libraries = QList<LibraryInfo>{other, entry}});
        // The caller's copy may be older than the catalogue: only its path counts.
        LibraryInfo callersCopy = placeholder(path, QStringLiteral("Wedding"));

        catalog->noteFreed(callersCopy, c.removed);

        ASSERT_EQ(catalog->libraries().size(), 2);
        EXPECT_EQ(catalog->libraries()[0], other);
        const LibraryInfo& after = catalog->libraries()[1];
        EXPECT_EQ(after.signature, QStringLiteral("0.0"));
        ASSERT_EQ(after.events.size(), 2);
        EXPECT_EQ(after.events[0], c.day1);
        EXPECT_EQ(after.events[1], c.day2);
        // Nothing is saved until the re-read that follows.
        EXPECT_FALSE(QFileInfo::exists(QDir(env.dataDir).filePath(QStringLiteral("catalog.json"))));
    }
}

TEST(CatalogReread, NoteFreedChangesNothingWithoutTargetsOrEntry) {
    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    LibraryInfo entry = placeholder(QStringLiteral("/L/Wedding.fcpbundle"), QStringLiteral("Wedding"));
    entry.events = {event(QStringLiteral("Day 1"), GB, GB, GB)};
    catalog->seed({.libraries = QList<LibraryInfo>{entry}});

    catalog->noteFreed(entry, {});
    EXPECT_EQ(catalog->libraries(), QList<LibraryInfo>{entry});

    const LibraryInfo stranger =
        placeholder(QStringLiteral("/L/Stranger.fcpbundle"), QStringLiteral("Stranger"));
    catalog->noteFreed(stranger,
                       {CleanupTarget{QString(), GeneratedKind::proxy, QStringLiteral("Day 1"), GB}});
    EXPECT_EQ(catalog->libraries(), QList<LibraryInfo>{entry});
}

// ---- Reading one library again ---------------------------------------------------------------

TEST(CatalogReread, RereadReplacesTheEntryInPlaceAndReportsTheSize) {
    const QString bundle = writeLibrary(QStringLiteral("Wedding"), QStringLiteral("reread"));
    QList<MediaEntry> freshMedia;
    const LibraryInfo fresh = readNow(bundle, &freshMedia);
    const qint64 now = fresh.totalSize();
    ASSERT_GT(now, 0);
    ASSERT_EQ(freshMedia.size(), 2);
    const QString sizeNow = ByteCount::file(now);

    LibraryInfo inflated = fresh;
    inflated.events[0].proxySize += 3 * GB;

    struct Case {
        const char* name;
        LibraryInfo catalogued;
        std::optional<qint64> previousSize;
        QString status;
    };
    const std::vector<Case> cases = {
        {"size unchanged, none given", fresh, std::nullopt,
         QStringLiteral("Wedding refreshed. Size ") + sizeNow + u'.'},
        {"size before given", fresh, 2 * GB,
         QStringLiteral("Wedding refreshed. Size 2 GB → ") + sizeNow + u'.'},
        {"size before given, equal to now", inflated, now,
         QStringLiteral("Wedding refreshed. Size ") + sizeNow + u'.'},
        {"size before from the catalogue", inflated, std::nullopt,
         QStringLiteral("Wedding refreshed. Size ") + ByteCount::file(inflated.totalSize()) +
             QStringLiteral(" → ") + sizeNow + u'.'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CatalogTestEnv env;
        auto catalog = env.makeCatalog();
        const LibraryInfo before =
            placeholder(QStringLiteral("/L/Before.fcpbundle"), QStringLiteral("Before"));
        const LibraryInfo after = placeholder(QStringLiteral("/L/After.fcpbundle"), QStringLiteral("After"));
        catalog->seed({.libraries = QList<LibraryInfo>{before, c.catalogued, after}});

        catalog->reread(c.catalogued, c.previousSize);

        EXPECT_EQ(catalog->status(), refreshing(QStringLiteral("Wedding")));
        EXPECT_EQ(catalog->libraries()[1].signature, QStringLiteral("0.0"));
        ASSERT_TRUE(CatalogTestEnv::waitUntil(
            [&] { return catalog->status() != refreshing(QStringLiteral("Wedding")); }));

        EXPECT_EQ(catalog->status(), c.status);
        ASSERT_EQ(catalog->libraries().size(), 3);
        EXPECT_EQ(catalog->libraries()[0], before);
        EXPECT_EQ(catalog->libraries()[2], after);
        const LibraryInfo& reread = catalog->libraries()[1];
        EXPECT_EQ(reread.path, bundle);
        EXPECT_EQ(reread.signature, fresh.signature);
        EXPECT_EQ(reread.events, fresh.events);
        EXPECT_EQ(reread.totalSize(), now);
        // The media list is written and published, and the catalogue saved.
        EXPECT_EQ(mediaListOnDisk(*catalog, bundle).size(), freshMedia.size());
        ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return catalog->media().size() == freshMedia.size(); }));
        EXPECT_EQ(catalog->media()[0].libraryID, bundle);
        auto reopened = env.makeCatalog();
        ASSERT_EQ(reopened->libraries().size(), 3);
        EXPECT_EQ(reopened->libraries()[1].signature, fresh.signature);
        settle();
    }
}

TEST(CatalogReread, RereadKeepsPostersWhoseFilesStillExist) {
    const QString bundle = writeLibrary(QStringLiteral("Posters"), QStringLiteral("reread-posters"));
    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    LibraryInfo catalogued = readNow(bundle);
    ASSERT_EQ(catalogued.events.size(), 2);
    catalogued.events[0].poster = QStringLiteral("kept.jpg");
    catalogued.events[1].poster = QStringLiteral("deleted.jpg");
    {
        QFile poster(QDir(catalog->posterDir()).filePath(QStringLiteral("kept.jpg")));
        ASSERT_TRUE(poster.open(QIODevice::WriteOnly));
        poster.write("jpeg");
    }
    catalog->seed({.libraries = QList<LibraryInfo>{catalogued}});

    catalog->reread(catalogued, std::nullopt);
    ASSERT_TRUE(CatalogTestEnv::waitUntil(
        [&] { return catalog->status() != refreshing(QStringLiteral("Posters")); }));

    ASSERT_EQ(catalog->libraries().size(), 1);
    ASSERT_EQ(catalog->libraries()[0].events.size(), 2);
    EXPECT_EQ(catalog->libraries()[0].events[0].poster, std::optional<QString>(QStringLiteral("kept.jpg")));
    EXPECT_EQ(catalog->libraries()[0].events[1].poster, std::nullopt);
    settle();
}

TEST(CatalogReread, RereadOfALibraryNotCataloguedWhenItsReadEndsChangesNothing) {
    const QString bundle = writeLibrary(QStringLiteral("Wedding"), QStringLiteral("reread-forgotten"));
    const LibraryInfo catalogued = readNow(bundle);
    for (const bool wasCatalogued : {true, false}) {
        SCOPED_TRACE(wasCatalogued ? "forgotten before the read ended" : "never catalogued");
        CatalogTestEnv env;
        auto catalog = env.makeCatalog();
        const LibraryInfo other = placeholder(QStringLiteral("/L/Other.fcpbundle"), QStringLiteral("Other"));
        catalog->seed(
            {.libraries = wasCatalogued ? QList<LibraryInfo>{other, catalogued} : QList<LibraryInfo>{other}});

        catalog->reread(catalogued, std::nullopt);
        // No event has been processed yet, so the read cannot have been applied.
        if (wasCatalogued)
            catalog->forget(catalogued);
        settle();

        EXPECT_EQ(catalog->libraries(), QList<LibraryInfo>{other});
        EXPECT_EQ(catalog->status(), refreshing(QStringLiteral("Wedding")));
        EXPECT_FALSE(QFileInfo::exists(catalog->scanHost()->mediaFile(bundle)));
        auto reopened = env.makeCatalog();
        EXPECT_EQ(reopened->libraries().size(), wasCatalogued ? 1 : 0);
    }
}

TEST(CatalogReread, OverlappingRereadsEachReplaceTheirOwnEntryByPath) {
    const QString a = writeLibrary(QStringLiteral("Alpha"), QStringLiteral("overlap-a"));
    const QString b = writeLibrary(QStringLiteral("Beta"), QStringLiteral("overlap-b"));
    const LibraryInfo freshA = readNow(a);
    const LibraryInfo freshB = readNow(b);
    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    const LibraryInfo first = placeholder(QStringLiteral("/L/First.fcpbundle"), QStringLiteral("First"));
    const LibraryInfo oldA = placeholder(a, QStringLiteral("Alpha"));
    const LibraryInfo oldB = placeholder(b, QStringLiteral("Beta"));
    catalog->seed({.libraries = QList<LibraryInfo>{first, oldA, oldB}});

    catalog->reread(oldA, std::nullopt);
    catalog->reread(oldB, std::nullopt);
    catalog->reread(oldA, std::nullopt);
    // The positions move before any read ends.
    catalog->forget(first);
    settle();

    ASSERT_EQ(catalog->libraries().size(), 2);
    EXPECT_EQ(catalog->libraries()[0].path, a);
    EXPECT_EQ(catalog->libraries()[0].signature, freshA.signature);
    EXPECT_EQ(catalog->libraries()[0].events, freshA.events);
    EXPECT_EQ(catalog->libraries()[1].path, b);
    EXPECT_EQ(catalog->libraries()[1].signature, freshB.signature);
    EXPECT_EQ(catalog->libraries()[1].events, freshB.events);
}

TEST(CatalogReread, RereadOfAnUnreachableLibraryKeepsWhatTheCatalogueKnows) {
    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    const QString unplugged =
        QDir(TestEnv::volumesRoot()).filePath(QStringLiteral("Unplugged/Lost.fcpbundle"));
    LibraryInfo catalogued = placeholder(unplugged, QStringLiteral("Lost"));
    catalogued.events = {event(QStringLiteral("Day 1"), GB, 0, 0)};
    catalog->seed({.libraries = QList<LibraryInfo>{catalogued}});
    const QList<MediaEntry> media = {MediaEntry{QStringLiteral("A001.mov"), 300, QStringLiteral("Day 1")}};
    catalog->scanHost()->saveMedia(media, unplugged);

    catalog->reread(catalogued, std::nullopt);
    ASSERT_TRUE(
        CatalogTestEnv::waitUntil([&] { return catalog->status() != refreshing(QStringLiteral("Lost")); }));

    EXPECT_EQ(catalog->status(), QStringLiteral("Lost isn't reachable — skipped."));
    ASSERT_EQ(catalog->libraries().size(), 1);
    EXPECT_EQ(catalog->libraries()[0].events, catalogued.events);
    // Still marked, so the next scan that reaches it reads it in full.
    EXPECT_EQ(catalog->libraries()[0].signature, QStringLiteral("0.0"));
    EXPECT_EQ(mediaListOnDisk(*catalog, unplugged).size(), 1);
    settle();
}

// A library database that is there but does not open (a pipe in its place, a drive that is not
// ready) is a library that cannot be read now: the catalogue keeps what it knows and says so,
// rather than taking in a reading without the database.
TEST(CatalogReread, RereadOfALibraryWhoseDatabaseDoesNotOpenKeepsWhatTheCatalogueKnows) {
    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    const QString bundle = writeLibrary(QStringLiteral("Held"), QStringLiteral("reread-held"));
    const LibraryInfo catalogued = readNow(bundle);
    ASSERT_TRUE(catalogued.libraryIdentifier.has_value());
    catalog->seed({.libraries = QList<LibraryInfo>{catalogued}});
    const QString database = QDir(bundle).filePath(QStringLiteral("CurrentVersion.flexolibrary"));
    ASSERT_TRUE(QFile::remove(database));
    const test::NamedPipe pipe(database);

    EXPECT_TRUE(test::returnsUnaided({&pipe}, [&] {
        catalog->reread(catalogued, std::nullopt);
        settle();
    }));
    EXPECT_EQ(catalog->status(), QStringLiteral("Couldn't read Held — is the drive ready?"));
    ASSERT_EQ(catalog->libraries().size(), 1);
    EXPECT_EQ(catalog->libraries()[0].libraryIdentifier, catalogued.libraryIdentifier);
    EXPECT_EQ(catalog->libraries()[0].events, catalogued.events);
    EXPECT_EQ(catalog->libraries()[0].signature, QStringLiteral("0.0")) << "read in full by the next scan";
}
