#include "Catalogue/Reader/LibraryReader.h"
#include "Support/FileTimes.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/FakeVolumeFacts.h"
#include "Tests/Support/FileGates.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace pellimor;
using fixtures::CollectionRow;
using fixtures::LibraryBuilder;
using fixtures::PlistValue;
using fixtures::FixtureFiles::allocatedSize;
using test::FakeVolumeFacts;
using test::ScopedFakeVolumes;
using test::TestEnv;
using Damage = fixtures::FixtureDatabase::Damage;
using Item = LibraryBuilder::Item;

namespace {

QDateTime utc(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toUTC();
}

const QDateTime kEpoch = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);

QStringList namesOf(const QList<EventInfo>& events) {
    QStringList names;
    for (const EventInfo& event : events)
        names.append(event.name);
    return names;
}

QStringList namesOf(const QList<ProjectInfo>& projects) {
    QStringList names;
    for (const ProjectInfo& project : projects)
        names.append(project.name);
    return names;
}

QStringList namesOf(const QList<MediaEntry>& media) {
    QStringList names;
    for (const MediaEntry& entry : media)
        names.append(entry.event + "/" + entry.name);
    return names;
}

// What an event read from a database that gives nothing looks like: every list present and
// empty, the tag version stamped.
void expectEmptyLists(const EventInfo& event) {
    const std::string where = event.name.toStdString();
    EXPECT_EQ(event.keywords, std::optional(QMap<QString, qint64>())) << where;
    EXPECT_EQ(event.markerNames, std::optional(QList<QString>())) << where;
    EXPECT_EQ(event.metaTags, std::optional(QList<QString>())) << where;
    EXPECT_EQ(event.clipNames, std::optional(QList<QString>())) << where;
    EXPECT_EQ(event.notes, std::optional(QList<QString>())) << where;
    EXPECT_EQ(event.cameraInfo, std::optional(QList<QString>())) << where;
    EXPECT_EQ(event.roles, std::optional(QList<QString>())) << where;
    EXPECT_EQ(event.plugins, std::optional(QList<PluginUse>())) << where;
    EXPECT_EQ(event.tagsVersion, std::optional<qint64>(LibraryReader::tagsVersion)) << where;
}

// The library most tests read: three events in an order only a file browser gets right,
// keywords in two spellings, a marker, share tags, a clip, a non-Apple plug-in and a project.
LibraryBuilder weddingLibrary() {
    LibraryBuilder lib("Wedding.2024");
    lib.identifier = "LIB-0001";
    lib.lockInfo("anna", "Studio-Mac");
    lib.modified = utc("2024-05-02T11:00:00Z");
    lib.database.modified = utc("2024-05-03T12:00:00Z");
    auto& day1 = lib.event("Day 1");
    day1.media("A001.mov", 100'000).media("A002.MOV", 50'000).proxy("A001.mov", 20'000);
    day1.keyword("Interview").keywordRange({"interview", "Rings"}).marker("Kiss");
    day1.sequence({.shareTags = PlistValue("web, Client")});
    day1.clip("A001");
    day1.row(CollectionRow::audioUnit("aufx", "RmTm", "Acme", QStringLiteral("Room Tamer")));
    day1.project("Main Edit").clips(3).keywordRange({"Vows"}).marker("Start");
    lib.event("Day 2").media("B001.mov", 30'000);
    lib.event("Day 10").media("C001.mov", 10'000);
    return lib;
}

// Waits for a read held by gates (database files whose opening the test holds), letting
// through whatever still waits at them, so a test that failed half-way never leaves a thread
// blocked behind it.
LibraryInfo finish(std::future<LibraryInfo>& reading, std::initializer_list<test::HeldOpen*> gates) {
    using namespace std::chrono_literals;
    while (reading.wait_for(5ms) != std::future_status::ready) {
        for (test::HeldOpen* gate : gates)
            gate->letThrough();
    }
    return reading.get();
}

} // namespace

TEST(LibraryRead, FillsTheRecordFromTheBundle) {
    ScopedFakeVolumes volumes;
    const QString dir = TestEnv::freshDir("read-full");
    volumes->setFacts(dir, FakeVolumeFacts::externalDrive("Studio", QStringLiteral("UUID-1")));
    const QString bundle = weddingLibrary().write(dir);

    QList<MediaEntry> media{MediaEntry{"earlier.mov", 7, "Elsewhere"}};
    const QDateTime before = QDateTime::currentDateTimeUtc();
    const LibraryInfo info = LibraryReader::read(bundle + "/", "sig|@size|1", media);
    const QDateTime after = QDateTime::currentDateTimeUtc();

    EXPECT_EQ(info.path, bundle); // as a file URL gives it: no trailing slash
    EXPECT_EQ(info.name, "Wedding.2024");
    EXPECT_EQ(info.volumeName, "Studio");
    EXPECT_EQ(info.volumeUUID, std::optional<QString>("UUID-1"));
    EXPECT_FALSE(info.isNetwork);
    EXPECT_FALSE(info.isInternal);
    EXPECT_EQ(info.libraryIdentifier, std::optional<QString>("LIB-0001"));
    EXPECT_EQ(info.fcpVersion, std::optional<QString>("10.8.1"));
    EXPECT_EQ(info.lastHost, std::optional<QString>("anna@Studio-Mac"));
    EXPECT_EQ(info.created, FileTimes::created(bundle));
    EXPECT_EQ(info.modified, std::optional(utc("2024-05-03T12:00:00Z"))); // the library database's
    EXPECT_LE(before, info.scannedAt);
    EXPECT_LE(info.scannedAt, after);
    EXPECT_EQ(info.signature, "sig|@size|1");
    EXPECT_FALSE(info.isBackup);
    EXPECT_EQ(info.problem, std::nullopt);
    EXPECT_EQ(info.extraSize, allocatedSize(bundle + "/CurrentVersion.flexolibrary") +
                                  allocatedSize(bundle + "/CurrentVersion.plist") +
                                  allocatedSize(bundle + "/.lock-info"));

    ASSERT_EQ(namesOf(info.events), QStringList({"Day 1", "Day 2", "Day 10"}));
    const EventInfo& day1 = info.events[0];
    EXPECT_EQ(day1.originalSize, allocatedSize(bundle + "/Day 1/Original Media"));
    EXPECT_EQ(day1.proxySize, allocatedSize(bundle + "/Day 1/Transcoded Media/Proxy Media"));
    EXPECT_EQ(day1.mediaFileCount, 2);
    const auto [created, modified] = LibraryReader::eventDates(bundle + "/Day 1");
    EXPECT_EQ(day1.created, std::optional(created));
    EXPECT_EQ(day1.modified, std::optional(modified));
    EXPECT_EQ(day1.keywords, std::optional(QMap<QString, qint64>{{"Interview", 1}, {"Rings", 1}}));
    EXPECT_EQ(day1.markerNames, std::optional(QList<QString>{"Kiss"}));
    EXPECT_EQ(day1.metaTags, std::optional(QList<QString>{"Client", "web"}));
    EXPECT_EQ(day1.clipNames, std::optional(QList<QString>{"A001"}));
    EXPECT_EQ(day1.tagsVersion, std::optional<qint64>(LibraryReader::tagsVersion));
    ASSERT_TRUE(day1.plugins.has_value());
    ASSERT_EQ(day1.plugins->size(), 1);
    EXPECT_EQ(day1.plugins->first().id, CollectionRow::audioUnitID("aufx", "RmTm", "Acme"));
    EXPECT_EQ(day1.plugins->first().count, 1);

    ASSERT_EQ(namesOf(day1.projects), QStringList({"Main Edit"}));
    EXPECT_EQ(day1.projects[0], LibraryReader::readProject(bundle + "/Day 1/Main Edit"));
    EXPECT_EQ(day1.projects[0].clipCount, 3);
    EXPECT_EQ(day1.projects[0].keywords, std::optional(QList<QString>{"Vows"}));

    // Events without a database entry of any kind still get their lists and tag version.
    expectEmptyLists(info.events[2]);
    EXPECT_TRUE(info.events[2].projects.isEmpty());

    // Appended in walk order after what the caller already had.
    EXPECT_EQ(namesOf(media), QStringList({"Elsewhere/earlier.mov", "Day 1/A001.mov", "Day 1/A002.MOV",
                                           "Day 2/B001.mov", "Day 10/C001.mov"}));
    EXPECT_EQ(media[0].size, 7);
}

TEST(LibraryRead, VolumeFactsDecideTheVolumeFields) {
    ScopedFakeVolumes volumes;
    const QString dir = TestEnv::freshDir("read-volumes");
    LibraryBuilder lib("Trip");
    lib.event("Day").media("a.mov", 1000);
    const QString bundle = lib.write(dir);

    using Facts = platform::VolumeFacts::Facts;
    const struct {
        const char* what;
        std::optional<Facts> facts;
        QString name;
        std::optional<QString> uuid;
        bool isNetwork;
        bool isInternal;
    } cases[] = {
        {"the request fails", std::nullopt, "Macintosh HD", std::nullopt, false, false},
        {"internal disk", Facts{"Studio", "U-1", true, true}, "Studio", "U-1", false, true},
        {"network share", Facts{"NAS", std::nullopt, false, false}, "NAS", std::nullopt, true, false},
        {"nothing but a UUID", Facts{std::nullopt, "U-2", std::nullopt, std::nullopt}, "Macintosh HD", "U-2",
         false, false},
        {"locality unknown", Facts{"X", std::nullopt, std::nullopt, std::nullopt}, "X", std::nullopt, false,
         false},
        {"external drive", Facts{"Ext", "U-3", true, false}, "Ext", "U-3", false, false},
    };
    for (const auto& c : cases) {
        volumes->setFacts(bundle, c.facts);
        QList<MediaEntry> media;
        const LibraryInfo info = LibraryReader::read(bundle, "s", media);
        EXPECT_EQ(info.volumeName, c.name) << c.what;
        EXPECT_EQ(info.volumeUUID, c.uuid) << c.what;
        EXPECT_EQ(info.isNetwork, c.isNetwork) << c.what;
        EXPECT_EQ(info.isInternal, c.isInternal) << c.what;
    }

    // Without facts, a library on a drive is named after the drive's folder.
    const QString drive = TestEnv::volumesRoot() + "/Archive Drive";
    const QString onDrive = lib.write(drive + "/Libraries");
    QList<MediaEntry> media;
    EXPECT_EQ(LibraryReader::read(onDrive, "s", media).volumeName, "Archive Drive");
    QDir(drive).removeRecursively();
}

TEST(LibraryRead, LinksMadeOnAMacNameTheirDrivesWhereverDrivesMountHere) {
    // The library was edited on a Mac: its links point into "/Volumes/<drive>/…", while drives
    // here mount under the test's own root.
    ScopedFakeVolumes volumes;
    ASSERT_NE(TestEnv::volumesRoot(), "/Volumes");
    const QString shoot = TestEnv::volumesRoot() + "/Shoot";
    const QString home = TestEnv::home() + "/Movies/home.mov";
    fixtures::FixtureFiles::writeRandom(shoot + "/b.mov", 2000);
    fixtures::FixtureFiles::writeRandom(home, 1000);
    LibraryBuilder lib("Travels");
    lib.event("Day 1")
        .media("own.mov", 3000)
        .mediaLink("clip.mov", "/Volumes/Archive 3/clip.mov")
        .mediaLink("clip 2.mov", "/Volumes/Archive 3/Footage/clip 2.mov")
        .mediaLink("b.mov", shoot + "/b.mov")
        .mediaLink("home.mov", home);
    const QString bundle = lib.write(TestEnv::freshDir("read-mac-links"));

    QList<MediaEntry> media;
    const LibraryInfo info = LibraryReader::read(bundle, "s", media);
    ASSERT_EQ(info.events.size(), 1);
    const EventInfo& event = info.events[0];
    EXPECT_EQ(event.externalVolumes,
              (std::optional(QMap<QString, qint64>{{"Archive 3", 2}, {"Shoot", 1}, {"Macintosh HD", 1}})));
    EXPECT_EQ(event.linkedMediaCount, 4);
    EXPECT_EQ(event.brokenLinkCount, 2);
    // The library itself lies on this machine's start-up volume, as before.
    EXPECT_EQ(info.volumeName, "Macintosh HD");
    QDir(shoot).removeRecursively();
}

TEST(LibraryRead, ModifiedComesFromTheLibraryDatabaseElseTheBundle) {
    ScopedFakeVolumes volumes;
    const QString dir = TestEnv::freshDir("read-modified");
    const QDateTime databaseTime = utc("2024-01-02T03:04:05Z");
    const QDateTime bundleTime = utc("2024-02-03T04:05:06Z");

    LibraryBuilder with("With");
    with.database.modified = databaseTime;
    with.modified = bundleTime;
    with.event("E").media("a.mov", 1000);
    QList<MediaEntry> media;
    const LibraryInfo present = LibraryReader::read(with.write(dir), "s", media);
    EXPECT_EQ(present.modified, std::optional(databaseTime));
    EXPECT_EQ(present.libraryIdentifier, with.identifier);

    LibraryBuilder without("Without");
    without.database.damage = Damage::Missing;
    without.modified = bundleTime;
    without.event("E").media("a.mov", 1000);
    const LibraryInfo missing = LibraryReader::read(without.write(dir), "s", media);
    EXPECT_EQ(missing.modified, std::optional(bundleTime));
    EXPECT_EQ(missing.libraryIdentifier, std::nullopt);
    EXPECT_EQ(missing.fcpVersion, std::optional<QString>("10.8.1"));
    EXPECT_EQ(namesOf(missing.events), QStringList({"E"})); // the rest is read as usual
}

TEST(LibraryRead, EventWhoseDatabaseGivesNothingKeepsSizesCountsAndProjects) {
    ScopedFakeVolumes volumes;
    const struct {
        const char* what;
        Damage damage;
        bool folderInstead;
    } cases[] = {
        {"not SQLite", Damage::NotSQLite, false}, {"truncated", Damage::Truncated, false},
        {"empty file", Damage::Empty, false},     {"other tables", Damage::NoTables, false},
        {"a folder", Damage::Missing, true},
    };
    for (const auto& c : cases) {
        const QString dir = TestEnv::freshDir("read-event-db");
        LibraryBuilder lib("Damaged");
        auto& event = lib.event("Day 1");
        event.media("a.mov", 4000).render("r.bin", 3000);
        event.database.damage = c.damage;
        if (c.folderInstead)
            event.folder("CurrentVersion.fcpevent");
        event.project("Cut").clips(2);
        const QString bundle = lib.write(dir);

        QList<MediaEntry> media;
        const LibraryInfo info = LibraryReader::read(bundle, "s", media);
        ASSERT_EQ(info.events.size(), 1) << c.what;
        const EventInfo& read = info.events[0];
        EXPECT_EQ(read.originalSize, allocatedSize(bundle + "/Day 1/Original Media")) << c.what;
        EXPECT_GT(read.originalSize, 0) << c.what;
        EXPECT_EQ(read.renderSize, allocatedSize(bundle + "/Day 1/Render Files")) << c.what;
        EXPECT_EQ(read.mediaFileCount, 1) << c.what;
        EXPECT_EQ(media.size(), 1) << c.what;
        EXPECT_EQ(read.modified.has_value(), true) << c.what;
        ASSERT_EQ(namesOf(read.projects), QStringList({"Cut"})) << c.what;
        EXPECT_EQ(read.projects[0].clipCount, 2) << c.what;
        expectEmptyLists(read);
    }
}

TEST(LibraryRead, ExtraSizeCountsTopLevelItemsOutsideEventsAndCaches) {
    ScopedFakeVolumes volumes;
    const QString dir = TestEnv::freshDir("read-extra");
    LibraryBuilder lib("Extra");
    lib.item(Item::file("Settings.plist", 3000))
        .item(Item::file("Motion Templates/Titles/a.moti", 5000))
        .item(Item::file("__Temp/CurrentVersion.fcpevent", 700)) // never an event
        .item(Item::file("Stray/readme.txt", 900))               // a folder without an event database
        .item(Item::file(".hidden", 1200))
        .item(Item::file(".fcpcache/cache.bin", 40'000))
        .item(Item::file(".fcpdata/data.bin", 40'000));
    lib.event("Day 1").media("a.mov", 50'000);
    const QString bundle = lib.write(dir);

    const QStringList counted{"CurrentVersion.flexolibrary",
                              "CurrentVersion.plist",
                              "Settings.plist",
                              "Motion Templates",
                              "__Temp",
                              "Stray",
                              ".hidden"};
    // The fixture holds exactly these, the event and the two caches.
    QStringList everything =
        QDir(bundle).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    QStringList expectedListing = counted + QStringList{"Day 1", ".fcpcache", ".fcpdata"};
    everything.sort();
    expectedListing.sort();
    ASSERT_EQ(everything, expectedListing);

    qint64 expected = 0;
    for (const QString& name : counted)
        expected += allocatedSize(bundle + "/" + name);
    QList<MediaEntry> media;
    const LibraryInfo info = LibraryReader::read(bundle, "s", media);
    EXPECT_EQ(info.extraSize, expected);
    EXPECT_EQ(namesOf(info.events), QStringList({"Day 1"}));
    EXPECT_EQ(info.totalSize(), expected + info.events[0].originalSize + info.events[0].otherSize);
}

TEST(LibraryRead, ReadingTwiceGivesEqualRecordsApartFromTheScanTime) {
    ScopedFakeVolumes volumes;
    const QString bundle = weddingLibrary().write(TestEnv::freshDir("read-twice"));
    QList<MediaEntry> first;
    QList<MediaEntry> second;
    const LibraryInfo a = LibraryReader::read(bundle, "s", first);
    LibraryInfo b = LibraryReader::read(bundle, "s", second);
    b.scannedAt = a.scannedAt;
    EXPECT_EQ(a, b);
    ASSERT_EQ(first.size(), second.size());
    for (qsizetype i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].name, second[i].name);
        EXPECT_EQ(first[i].size, second[i].size);
        EXPECT_EQ(first[i].event, second[i].event);
    }
}

TEST(LibraryRead, StopRequestedBeforeTheReadGivesARecordWithoutEvents) {
    ScopedFakeVolumes volumes;
    const QString bundle = weddingLibrary().write(TestEnv::freshDir("read-stopped"));
    std::stop_source source;
    source.request_stop();
    QList<MediaEntry> media{MediaEntry{"earlier.mov", 7, "Elsewhere"}};
    const LibraryInfo info = LibraryReader::read(bundle, "s", media, source.get_token());
    EXPECT_TRUE(info.events.isEmpty());
    EXPECT_EQ(media.size(), 1);
    EXPECT_EQ(info.name, "Wedding.2024");
    EXPECT_EQ(info.libraryIdentifier, std::optional<QString>("LIB-0001"));
}

// The read is held inside the first event (at its event database, then at its project's),
// the stop is requested in between, and the second event is never begun.
TEST(LibraryRead, StopRequestedDuringAnEventKeepsTheEventsReadSoFar) {
    ScopedFakeVolumes volumes;
    const QString bundle = weddingLibrary().write(TestEnv::freshDir("read-stop-midway"));
    test::HeldOpen eventGate(bundle + "/Day 1/CurrentVersion.fcpevent");
    test::HeldOpen projectGate(bundle + "/Day 1/Main Edit/CurrentVersion.fcpevent");

    std::stop_source source;
    QList<MediaEntry> media;
    std::future<LibraryInfo> reading = std::async(
        std::launch::async, [&] { return LibraryReader::read(bundle, "s", media, source.get_token()); });
    const bool insideFirstEvent = eventGate.waitForReader();
    source.request_stop();
    const bool atItsProject = projectGate.waitForReader();
    const LibraryInfo info = finish(reading, {&eventGate, &projectGate});

    ASSERT_TRUE(insideFirstEvent);
    ASSERT_TRUE(atItsProject);
    ASSERT_EQ(namesOf(info.events), QStringList({"Day 1"}));
    EXPECT_EQ(info.events[0].mediaFileCount, 2);
    EXPECT_EQ(namesOf(info.events[0].projects), QStringList({"Main Edit"}));
    EXPECT_EQ(namesOf(media), QStringList({"Day 1/A001.mov", "Day 1/A002.MOV"}));
    EXPECT_EQ(info.name, "Wedding.2024");
}

// The second event's folder is removed after the event list was taken, while the first event
// is being read.
TEST(LibraryRead, EventFolderThatVanishesMidReadStillGivesARecord) {
    ScopedFakeVolumes volumes;
    const QString bundle = weddingLibrary().write(TestEnv::freshDir("read-vanish"));
    test::HeldOpen eventGate(bundle + "/Day 1/CurrentVersion.fcpevent");
    test::HeldOpen projectGate(bundle + "/Day 1/Main Edit/CurrentVersion.fcpevent");

    QList<MediaEntry> media;
    std::future<LibraryInfo> reading =
        std::async(std::launch::async, [&] { return LibraryReader::read(bundle, "s", media); });
    const bool insideFirstEvent = eventGate.waitForReader();
    const bool removed = QDir(bundle + "/Day 2").removeRecursively();
    const bool atItsProject = projectGate.waitForReader();
    const LibraryInfo info = finish(reading, {&eventGate, &projectGate});

    ASSERT_TRUE(insideFirstEvent);
    ASSERT_TRUE(removed);
    ASSERT_TRUE(atItsProject);
    ASSERT_EQ(namesOf(info.events), QStringList({"Day 1", "Day 2", "Day 10"}));
    const EventInfo& gone = info.events[1];
    EXPECT_EQ(gone.originalSize, 0);
    EXPECT_EQ(gone.mediaFileCount, 0);
    EXPECT_EQ(gone.created, std::optional(kEpoch));
    EXPECT_EQ(gone.modified, std::optional(kEpoch));
    EXPECT_TRUE(gone.projects.isEmpty());
    expectEmptyLists(gone);
    EXPECT_EQ(namesOf(media), QStringList({"Day 1/A001.mov", "Day 1/A002.MOV", "Day 10/C001.mov"}));
}

TEST(LibraryRead, DatabasesThatAreNotSQLiteStillGiveARecord) {
    ScopedFakeVolumes volumes;
    LibraryBuilder lib("Garbage");
    lib.database.damage = Damage::NotSQLite;
    lib.catalogVersion = PlistValue(42); // not text
    lib.item(Item::bytes(".lock-info", "not a property list"));
    auto& event = lib.event("Day 1");
    event.media("a.mov", 2000);
    event.database.damage = Damage::NotSQLite;
    event.database.garbage = QByteArray("SQLite format 3") + QByteArray(200, '\xff');
    auto& project = event.project("Cut");
    project.database.damage = Damage::Truncated;
    project.file("Render/x.bin", 1000);
    const QString bundle = lib.write(TestEnv::freshDir("read-garbage"));

    QList<MediaEntry> media;
    const LibraryInfo info = LibraryReader::read(bundle, "s", media);
    EXPECT_EQ(info.libraryIdentifier, std::nullopt);
    EXPECT_EQ(info.fcpVersion, std::nullopt);
    EXPECT_EQ(info.lastHost, std::nullopt);
    EXPECT_EQ(info.modified, FileTimes::modified(bundle + "/CurrentVersion.flexolibrary"));
    ASSERT_EQ(namesOf(info.events), QStringList({"Day 1"}));
    expectEmptyLists(info.events[0]);
    ASSERT_EQ(namesOf(info.events[0].projects), QStringList({"Cut"}));
    const ProjectInfo& cut = info.events[0].projects[0];
    EXPECT_EQ(cut.fingerprint, std::nullopt);
    EXPECT_EQ(cut.fileSize, allocatedSize(bundle + "/Day 1/Cut"));
    EXPECT_EQ(media.size(), 1);
}

// A named pipe in place of a database never answers; the read goes on without that database
// as it does without a readable one, and a pipe at the library database makes the library
// one that cannot be read, never one read with an empty identifier.
TEST(LibraryRead, PipesInPlaceOfDatabasesAreNotOpenedAndTheReadGoesOn) {
    ScopedFakeVolumes volumes;
    const struct {
        const char* what;
        const char* database; // relative to the bundle
        bool readable;
    } cases[] = {
        {"library database", "CurrentVersion.flexolibrary", false},
        {"event database", "Day 1/CurrentVersion.fcpevent", true},
        {"project database", "Day 1/Main Edit/CurrentVersion.fcpevent", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString bundle = weddingLibrary().write(TestEnv::freshDir("read-pipe"));
        const QString database = bundle + "/" + QLatin1String(c.database);
        ASSERT_TRUE(QFile::remove(database));
        const test::NamedPipe pipe(database);

        QList<MediaEntry> media;
        LibraryInfo info;
        LibraryInfo refreshed;
        bool readable = true;
        EXPECT_TRUE(test::returnsUnaided({&pipe}, [&] {
            readable = LibraryReader::isReadable(bundle);
            info = LibraryReader::read(bundle, "s", media);
            refreshed =
                LibraryReader::refreshTags(LibraryReader::refreshProjects(info, bundle), bundle, true);
        }));
        EXPECT_EQ(readable, c.readable);
        ASSERT_EQ(namesOf(info.events), QStringList({"Day 1", "Day 2", "Day 10"}));
        EXPECT_EQ(namesOf(media),
                  QStringList({"Day 1/A001.mov", "Day 1/A002.MOV", "Day 2/B001.mov", "Day 10/C001.mov"}));
        const EventInfo& day1 = info.events[0];
        ASSERT_EQ(namesOf(day1.projects), QStringList({"Main Edit"}));
        const ProjectInfo& edit = day1.projects[0];
        const QString which = QLatin1String(c.what);
        EXPECT_EQ(info.libraryIdentifier.has_value(), which != "library database");
        if (which == "event database")
            expectEmptyLists(day1);
        else
            EXPECT_FALSE(day1.keywords->isEmpty());
        EXPECT_EQ(edit.fingerprint.has_value(), which != "project database");
        EXPECT_EQ(edit.clipCount, which == "project database" ? 0 : 3);
        EXPECT_EQ(namesOf(refreshed.events), namesOf(info.events)) << "the refreshes returned too";
    }
}

// SQLite refuses a file name longer than 512 bytes; a library that deep must still read whole,
// and exactly as it reads nearer the root.
TEST(LibraryRead, ALibraryBelowAVeryLongPathReadsAsItDoesNearTheRoot) {
    ScopedFakeVolumes volumes;
    const QString shallow = weddingLibrary().write(TestEnv::freshDir("read-shallow"));
    QString deepFolder = TestEnv::freshDir("read-deep");
    while (deepFolder.toUtf8().size() < 700 - 20)
        deepFolder += "/" + QString(60, QLatin1Char('d')) + QString::number(deepFolder.size());
    ASSERT_TRUE(QDir().mkpath(deepFolder));
    const QString deep = deepFolder + "/" + QFileInfo(shallow).fileName();
    ASSERT_GE(deep.toUtf8().size(), 700);

    QList<MediaEntry> nearMedia;
    const LibraryInfo near = LibraryReader::read(shallow, "s", nearMedia);
    ASSERT_TRUE(near.libraryIdentifier.has_value());
    ASSERT_FALSE(near.events.isEmpty());
    ASSERT_EQ(near.events[0].projects.size(), 1);
    ASSERT_GT(near.events[0].projects[0].clipCount, 0);
    ASSERT_FALSE(near.events[0].keywords->isEmpty());

    // The same bundle, moved: its own files and times stay as they were.
    ASSERT_EQ(::rename(QFile::encodeName(shallow).constData(), QFile::encodeName(deep).constData()), 0);
    EXPECT_TRUE(LibraryReader::isReadable(deep));
    QList<MediaEntry> deepMedia;
    LibraryInfo far = LibraryReader::read(deep, "s", deepMedia);
    EXPECT_EQ(far.path, deep);
    far.path = near.path;
    far.scannedAt = near.scannedAt;
    EXPECT_EQ(far, near);
    EXPECT_EQ(namesOf(deepMedia), namesOf(nearMedia));
    LibraryInfo refreshed = LibraryReader::refreshTags(LibraryReader::refreshProjects(far, deep), deep, true);
    EXPECT_EQ(refreshed, far);
}

TEST(LibraryRead, BundleWithoutEventsGivesAnEmptyEventList) {
    ScopedFakeVolumes volumes;
    LibraryBuilder lib("Empty");
    lib.item(Item::file("Notes.txt", 2000)).item(Item::file("__Temp/CurrentVersion.fcpevent", 500));
    const QString bundle = lib.write(TestEnv::freshDir("read-no-events"));
    QList<MediaEntry> media;
    const LibraryInfo info = LibraryReader::read(bundle, "s", media);
    EXPECT_TRUE(info.events.isEmpty());
    EXPECT_TRUE(media.isEmpty());
    EXPECT_EQ(info.libraryIdentifier, lib.identifier);
    EXPECT_EQ(info.extraSize, allocatedSize(bundle)); // everything in it is extra
    EXPECT_GT(info.extraSize, 0);
}

TEST(LibraryRead, BundleThatCannotBeListedGivesARecordOfItsPath) {
    ScopedFakeVolumes volumes;
    const QString dir = TestEnv::freshDir("read-unlistable");
    fixtures::FixtureFiles::writeBytes(dir + "/File.fcpbundle", "a file, not a folder");
    fixtures::FixtureFiles::makeLink(dir + "/Dangling.fcpbundle", dir + "/nowhere");
    const struct {
        QString path;
        QString name;
    } cases[] = {
        {dir + "/Missing.fcpbundle", "Missing"},
        {dir + "/File.fcpbundle", "File"},
        {dir + "/Dangling.fcpbundle", "Dangling"},
        {dir + "/.fcpbundle", ".fcpbundle"}, // a hidden name has no extension to remove
    };
    for (const auto& c : cases) {
        QList<MediaEntry> media;
        const LibraryInfo info = LibraryReader::read(c.path, "s", media);
        const std::string where = c.path.toStdString();
        EXPECT_EQ(info.path, c.path) << where;
        EXPECT_EQ(info.name, c.name) << where;
        EXPECT_EQ(info.volumeName, "Macintosh HD") << where;
        EXPECT_EQ(info.libraryIdentifier, std::nullopt) << where;
        EXPECT_EQ(info.fcpVersion, std::nullopt) << where;
        EXPECT_TRUE(info.events.isEmpty()) << where;
        EXPECT_EQ(info.extraSize, 0) << where;
        EXPECT_EQ(info.signature, "s") << where;
        EXPECT_TRUE(media.isEmpty()) << where;
    }
}

TEST(LibraryRead, SymbolicLinkLoopsAreNeverFollowedForever) {
    ScopedFakeVolumes volumes;
    LibraryBuilder lib("Loops");
    lib.item(Item::link("Back", "."))     // the bundle inside itself
        .item(Item::link("Ping", "Pong")) // two links pointing at each other
        .item(Item::link("Pong", "Ping"))
        .item(Item::link("Mirror", "Day 1")); // an event reached a second time through a link
    auto& event = lib.event("Day 1");
    event.media("a.mov", 3000)
        .mediaLink("self.mov", "self.mov")
        .link("Original Media/Here", ".")
        .link("Loop", ".") // holds the event's database, so it reads as a project
        .link("Render Files/Up", "../..");
    event.project("Cut").clips(1).item(Item::link("Again", ".."));
    const QString bundle = lib.write(TestEnv::freshDir("read-loops"));

    QList<MediaEntry> media;
    const LibraryInfo info = LibraryReader::read(bundle, "s", media);
    ASSERT_FALSE(info.events.isEmpty());
    EXPECT_EQ(info.events[0].name, "Day 1");
    EXPECT_EQ(info.events[0].brokenLinkCount, 1); // "self.mov" leads nowhere
    for (const EventInfo& event : info.events)
        EXPECT_GE(event.originalSize, 0);
    EXPECT_GE(info.extraSize, 0);
}

TEST(LibraryRead, NamesThatAreNotUtf8AreReadWithoutHarm) {
    ScopedFakeVolumes volumes;
    LibraryBuilder lib("Bytes");
    lib.event("Day 1").media("a.mov", 3000);
    const QString bundle = lib.write(TestEnv::freshDir("read-bytes"));

    const QByteArray native = QFile::encodeName(bundle);
    const auto writeNative = [](const QByteArray& path, const QByteArray& bytes) {
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << path.toStdString();
        ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
        ::close(fd);
    };
    // Qt cannot name these files to remove them, so the test removes them itself.
    const QByteArray badMedia = native + "/Day 1/Original Media/B\xff\xfe.mov";
    const QByteArray badExtra = native + "/extra\xff.bin";
    const QByteArray badEvent = native + "/Event \xfe";
    const auto cleanUp = qScopeGuard([&] {
        ::unlink(badMedia.constData());
        ::unlink(badExtra.constData());
        ::unlink((badEvent + "/CurrentVersion.fcpevent").constData());
        ::rmdir(badEvent.constData());
    });
    writeNative(badMedia, fixtures::FixtureFiles::randomBytes(5000, 1));
    writeNative(badExtra, fixtures::FixtureFiles::randomBytes(3000, 2));
    ASSERT_EQ(::mkdir(badEvent.constData(), 0755), 0);
    writeNative(badEvent + "/CurrentVersion.fcpevent", "not a database");

    QList<MediaEntry> media;
    const LibraryInfo info = LibraryReader::read(bundle, "s", media);
    ASSERT_FALSE(info.events.isEmpty());
    EXPECT_EQ(info.events[0].name, "Day 1");
    EXPECT_EQ(info.events[0].mediaFileCount, 2);
    EXPECT_EQ(info.events[0].originalSize, allocatedSize(bundle + "/Day 1/Original Media"));
    EXPECT_GE(info.extraSize, allocatedSize(bundle + "/CurrentVersion.flexolibrary"));
}

TEST(LibraryRead, EventFoldersNamedInBytesThatAreNotUtf8AreCountedSignedAndNamed) {
    ScopedFakeVolumes volumes;
    LibraryBuilder lib("Bytes");
    lib.event("Day 1").media("a.mov", 3000);
    const QString bundle = lib.write(TestEnv::freshDir("read-bad-events"));
    QList<MediaEntry> mediaBefore;
    const LibraryInfo before = LibraryReader::read(bundle, "s", mediaBefore);
    ASSERT_EQ(before.problem, std::nullopt);

    // Two event folders Qt cannot name (so the test removes them itself), and a plain file
    // beside them that is no event.
    const QByteArray native = QFile::encodeName(bundle);
    const QByteArray event = native + "/Event\xff";
    const QByteArray trip = native + "/Trip \xfe\xfd";
    const QByteArray notes = native + "/notes\xff.txt";
    const auto cleanUp = qScopeGuard([&] {
        for (const QByteArray& path : {event, trip, notes})
            std::filesystem::remove_all(std::filesystem::path(path.toStdString()));
    });
    const auto writeNative = [](const QByteArray& path, qint64 size, quint64 seed) {
        std::filesystem::create_directories(std::filesystem::path(path.toStdString()).parent_path());
        const QByteArray bytes = fixtures::FixtureFiles::randomBytes(size, seed);
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << path.toStdString();
        ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
        ::close(fd);
    };
    const QByteArray clip = event + "/Original Media/clip.mov";
    writeNative(event + "/CurrentVersion.fcpevent", 700, 1);
    writeNative(clip, 40'000, 2);
    writeNative(trip + "/CurrentVersion.fcpevent", 700, 3);
    writeNative(trip + "/Render Files/peak", 9'000, 4);
    writeNative(notes, 3'000, 5);
    // Allocated bytes of every file at or below a path given in the file system's bytes.
    const auto allocated = [](const QByteArray& path) {
        qint64 total = 0;
        struct stat st {};
        if (::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode))
            total += qint64(st.st_blocks) * 512;
        std::error_code ec;
        for (std::filesystem::recursive_directory_iterator it(path.toStdString(), ec), end; !ec && it != end;
             it.increment(ec))
            if (::lstat(it->path().c_str(), &st) == 0 && S_ISREG(st.st_mode))
                total += qint64(st.st_blocks) * 512;
        return total;
    };

    QList<MediaEntry> media;
    const LibraryInfo info = LibraryReader::read(bundle, "s", media);
    // Not events, and their media are not listed, but none of their bytes is lost.
    EXPECT_EQ(namesOf(info.events), QStringList({"Day 1"}));
    EXPECT_EQ(namesOf(media), namesOf(mediaBefore));
    EXPECT_EQ(info.extraSize, before.extraSize + allocated(event) + allocated(trip) + allocated(notes));
    EXPECT_EQ(info.totalSize(), before.totalSize() + allocated(event) + allocated(trip) + allocated(notes));
    // A change inside either folder reaches the change signature's size half.
    using Change = std::function<void()>;
    struct Case {
        const char* what;
        Change change;
    };
    const Case cases[] = {
        {"a media file grows", [&] { writeNative(clip, 400'000, 6); }},
        {"a render file is added", [&] { writeNative(trip + "/Render Files/peak2", 20'000, 7); }},
        {"a render file is removed",
         [&] { ASSERT_EQ(::unlink((trip + "/Render Files/peak").constData()), 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString signatureBefore = LibraryReader::signature(bundle);
        const qsizetype at = signatureBefore.indexOf(QLatin1String(LibraryReader::sizeToken));
        c.change();
        const QString signatureAfter = LibraryReader::signature(bundle);
        EXPECT_NE(signatureAfter, signatureBefore);
        EXPECT_EQ(signatureAfter.left(at), signatureBefore.left(at)) << "the project half stays";
    }

    // The user is told which folders were left out, one line each, readable.
    ASSERT_TRUE(info.problem.has_value());
    const QStringList lines = info.problem->split(u'\n');
    ASSERT_EQ(lines.size(), 2) << info.problem->toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("\u201CEvent\uFFFD\u201D"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral("\u201CTrip \uFFFD\uFFFD\u201D"))) << lines[1].toStdString();
    EXPECT_FALSE(info.problem->contains(QStringLiteral("notes")));
}

TEST(LibraryRefreshProjects, RereadsProjectsAndEventDatesOnly) {
    ScopedFakeVolumes volumes;
    LibraryBuilder before("Film");
    before.event("Day 1").media("a.mov", 2000).keywordRange({"Old"});
    before.event("Day 1").project("Cut A").clips(1);
    before.event("Gone").media("g.mov", 1000);
    before.event("Gone").project("X").clips(1);
    QList<MediaEntry> media;
    const LibraryInfo catalogued =
        LibraryReader::read(before.write(TestEnv::freshDir("refresh-p-before")), "s", media);
    ASSERT_EQ(namesOf(catalogued.events), QStringList({"Day 1", "Gone"}));

    // The library as it is now, elsewhere: a second project, a later save, the event "Gone" removed.
    LibraryBuilder after("Film");
    auto& day = after.event("Day 1");
    day.media("a.mov", 2000).keywordRange({"New"});
    day.database.modified = utc("2025-03-01T09:30:00Z");
    day.project("Cut A").clips(4);
    day.project("Cut B").clips(2);
    const QString now = after.write(TestEnv::freshDir("refresh-p-after"));

    const LibraryInfo refreshed = LibraryReader::refreshProjects(catalogued, now);
    ASSERT_EQ(namesOf(refreshed.events), QStringList({"Day 1", "Gone"}));
    const EventInfo& dayRead = refreshed.events[0];
    ASSERT_EQ(namesOf(dayRead.projects), QStringList({"Cut A", "Cut B"}));
    EXPECT_EQ(dayRead.projects[0], LibraryReader::readProject(now + "/Day 1/Cut A"));
    EXPECT_EQ(dayRead.projects[0].clipCount, 4);
    EXPECT_EQ(dayRead.modified, std::optional(utc("2025-03-01T09:30:00Z")));
    EXPECT_EQ(dayRead.created, std::optional(LibraryReader::eventDates(now + "/Day 1").first));

    const EventInfo& gone = refreshed.events[1];
    EXPECT_TRUE(gone.projects.isEmpty());
    EXPECT_EQ(gone.created, std::optional(kEpoch));
    EXPECT_EQ(gone.modified, std::optional(kEpoch));

    // Nothing else changes: put back the three refreshed fields and the records are equal.
    LibraryInfo restored = refreshed;
    for (qsizetype i = 0; i < restored.events.size(); ++i) {
        restored.events[i].projects = catalogued.events[i].projects;
        restored.events[i].created = catalogued.events[i].created;
        restored.events[i].modified = catalogued.events[i].modified;
    }
    EXPECT_EQ(restored, catalogued);
    EXPECT_EQ(dayRead.keywords, std::optional(QMap<QString, qint64>{{"Old", 1}}));
}

TEST(LibraryRefreshTags, RereadsEventListsAndProjectListsOnlyWhenAsked) {
    ScopedFakeVolumes volumes;
    LibraryBuilder before("Doc");
    auto& oldDay = before.event("Day 1");
    oldDay.media("a.mov", 2000).keywordRange({"Old"}).marker("Old marker");
    oldDay.project("Cut").clips(1).keywordRange({"Old"}).marker("Old project marker");
    oldDay.project("Lost").clips(1).keywordRange({"Lost"});
    before.event("Gone").media("g.mov", 1000).keywordRange({"Gone"});
    before.event("Gone").project("P").clips(1).keywordRange({"P"});
    QList<MediaEntry> media;
    LibraryInfo catalogued =
        LibraryReader::read(before.write(TestEnv::freshDir("refresh-t-before")), "s", media);
    ASSERT_EQ(namesOf(catalogued.events), QStringList({"Day 1", "Gone"}));
    // Plug-ins of projects are not refreshed here: a marker value shows they stay.
    const QList<PluginUse> sentinel{PluginUse{"Effect", "Pack", "Kept", "kept-id", 9}};
    catalogued.events[0].projects[0].plugins = sentinel;

    LibraryBuilder after("Doc");
    auto& day = after.event("Day 1");
    day.media("a.mov", 2000).keyword("Interview").keywordRange({"New", "new"}).marker("Fresh");
    day.sequence({.shareTags = PlistValue::strings({"b", "A"})});
    day.clip("Clip 10").clip("Clip 9");
    day.row(CollectionRow::audioUnit("aufx", "RmTm", "Acme", QStringLiteral("Room Tamer")));
    day.project("Cut").clips(1).keywordRange({"zeta", "Alpha"}).marker("P1");
    day.project("Lost").database.damage = Damage::Missing;
    const QString now = after.write(TestEnv::freshDir("refresh-t-after"));

    const LibraryInfo eventsOnly = LibraryReader::refreshTags(catalogued, now, false);
    const EventInfo& dayRead = eventsOnly.events[0];
    EXPECT_EQ(dayRead.keywords, std::optional(QMap<QString, qint64>{{"Interview", 0}, {"New", 2}}));
    EXPECT_EQ(dayRead.markerNames, std::optional(QList<QString>{"Fresh"}));
    EXPECT_EQ(dayRead.metaTags, std::optional(QList<QString>{"A", "b"}));
    EXPECT_EQ(dayRead.clipNames, std::optional(QList<QString>{"Clip 9", "Clip 10"}));
    ASSERT_TRUE(dayRead.plugins.has_value());
    EXPECT_EQ(dayRead.plugins->size(), 1);
    EXPECT_EQ(dayRead.tagsVersion, std::optional<qint64>(LibraryReader::tagsVersion));
    expectEmptyLists(eventsOnly.events[1]); // its folder is gone
    for (qsizetype i = 0; i < eventsOnly.events.size(); ++i)
        EXPECT_EQ(eventsOnly.events[i].projects, catalogued.events[i].projects);
    // Sizes, counts and dates keep their catalogued values.
    EXPECT_EQ(dayRead.originalSize, catalogued.events[0].originalSize);
    EXPECT_EQ(dayRead.modified, catalogued.events[0].modified);

    const LibraryInfo withProjects = LibraryReader::refreshTags(catalogued, now, true);
    const QList<ProjectInfo>& projects = withProjects.events[0].projects;
    ASSERT_EQ(namesOf(projects), QStringList({"Cut", "Lost"}));
    EXPECT_EQ(projects[0].keywords, std::optional(QList<QString>{"Alpha", "zeta"}));
    EXPECT_EQ(projects[0].markerNames, std::optional(QList<QString>{"P1"}));
    EXPECT_EQ(projects[0].metaTags, std::optional(QList<QString>()));
    EXPECT_EQ(projects[0].plugins, std::optional(sentinel));
    EXPECT_EQ(projects[0].clipCount, catalogued.events[0].projects[0].clipCount);
    for (const ProjectInfo& emptied : {projects[1], withProjects.events[1].projects[0]}) {
        EXPECT_EQ(emptied.keywords, std::optional(QList<QString>())) << emptied.name.toStdString();
        EXPECT_EQ(emptied.metaTags, std::optional(QList<QString>())) << emptied.name.toStdString();
        EXPECT_EQ(emptied.markerNames, std::optional(QList<QString>())) << emptied.name.toStdString();
    }
    // The project reader and the tag refresh agree on an unchanged project.
    const ProjectInfo direct = LibraryReader::readProject(now + "/Day 1/Cut");
    EXPECT_EQ(projects[0].keywords, direct.keywords);
    EXPECT_EQ(projects[0].markerNames, direct.markerNames);
    EXPECT_EQ(projects[0].metaTags, direct.metaTags);
}
