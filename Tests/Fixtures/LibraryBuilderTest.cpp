#include "Tests/Fixtures/LibraryBuilder.h"

#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/FixtureReadBack.h"
#include "Tests/Fixtures/KeyedArchiveWriter.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

using namespace pellimor::fixtures;
namespace rb = pellimor::fixtures::readback;
using pellimor::test::TestEnv;
using Item = LibraryBuilder::Item;
using Role = CollectionRow::Role;
using Damage = FixtureDatabase::Damage;

namespace {

// The statements the library reader runs, exactly; the fixture schema must serve each one.
const char* const kLibraryIdentifier =
    "select ZTYPE, ZIDENTIFIER from ZCOLLECTION where ZTYPE = 'FFLibrary' limit 1";
const char* const kPlugins =
    "select c.ZTYPE, m.ZDICTIONARYDATA from ZCOLLECTION c join ZCOLLECTIONMD m on m.ZCOLLECTION = c.Z_PK "
    "where "
    "c.ZTYPE in ('FFMotionEffect','FFFxPlugEffect','FFAudioUnitEffect','FFAudioUnitAnalyzingEffect')";
const char* const kKeywordDefinitions =
    "select c.ZTYPE, m.ZDICTIONARYDATA from ZCOLLECTION c join ZCOLLECTIONMD m on "
    "m.ZCOLLECTION = c.Z_PK where c.ZTYPE = 'FFMediaEventKeyword'";
const char* const kMarkers =
    "select c.ZTYPE, m.ZDICTIONARYDATA from ZCOLLECTION c join ZCOLLECTIONMD m on m.ZCOLLECTION = c.Z_PK "
    "where "
    "c.ZTYPE in ('FFAnchoredKeywordMarker','FFAnchoredAnalysisKeywordMarker','FFAnchoredTimeMarker')";
const char* const kShareTags = "select c.ZTYPE, m.ZDICTIONARYDATA from ZCOLLECTION c join ZCOLLECTIONMD m on "
                               "m.ZCOLLECTION = c.Z_PK where c.ZTYPE = 'FFAnchoredSequence'";
const char* const kSearchText =
    "select c.ZTYPE, m.ZDICTIONARYDATA from ZCOLLECTION c join ZCOLLECTIONMD m on m.ZCOLLECTION = c.Z_PK "
    "where "
    "c.ZTYPE in ('FFAnchoredSequence','FFAnchoredCollection','FFMediaRep','FFMediaEventProject')";
const char* const kCounts =
    "select ZTYPE, count(*) from ZCOLLECTION where ZTYPE in "
    "('FFAnchoredClip','FFAnchoredCollection','FFAnchoredTransition','FFAnchoredKeywordMarker',"
    "'FFAnchoredFavoriteMarker') group by ZTYPE";
const char* const kFingerprint =
    "select ZTYPE, ZIDENTIFIER from ZCOLLECTION where ZIDENTIFIER is not null and ZIDENTIFIER != ''";
const char* const kSequenceInfo = "select c.ZTYPE, m.ZDICTIONARYDATA from ZCOLLECTION c join ZCOLLECTIONMD m "
                                  "on m.ZCOLLECTION = c.Z_PK where "
                                  "c.ZTYPE in ('FFSequenceInfo','FFAnchoredSequence')";

QDateTime utc(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toUTC();
}

QString readLink(const QString& path) {
    char buffer[4096];
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), buffer, sizeof buffer);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(buffer, n));
}

// Rows of one statement, each blob decoded, grouped by type.
std::multimap<QString, QVariantMap> decodedRows(const QString& db, const char* sql) {
    const rb::QueryResult result = rb::query(db, sql);
    EXPECT_TRUE(result.ok) << result.error.toStdString() << " in " << sql;
    std::multimap<QString, QVariantMap> rows;
    for (const auto& [type, blob] : result.rows) {
        const QVariant root = rb::decodeArchive(blob);
        EXPECT_EQ(root.typeId(), QMetaType::QVariantMap) << type.toStdString();
        rows.emplace(type, root.toMap());
    }
    return rows;
}

QVariantMap only(const std::multimap<QString, QVariantMap>& rows, const QString& type) {
    EXPECT_EQ(rows.count(type), 1u) << type.toStdString();
    auto it = rows.find(type);
    return it == rows.end() ? QVariantMap() : it->second;
}

QVariant roleVariant(const QString& name, const QVariantList& subRoles = {}) {
    return QVariantMap{{"@class", "FFRole"}, {"name", name}, {"subRoles", subRoles}};
}

} // namespace

// One bundle with every kind of content, read back with the reader's own statements and with
// libplist: rows, blob roots, the nested role archive, links, sizes and modification times.
TEST(LibraryBuilder, WritesABundleThatReadsBackThroughEveryStatement) {
    const QString dir = TestEnv::freshDir("full-bundle");
    const QString volumes = TestEnv::freshDir("full-volumes");
    FixtureFiles::writeRandom(volumes + "/Media/far.mov", 9000);

    const QDateTime stamp = utc("2024-05-01T10:00:00Z");
    const QDateTime bundleTime = utc("2024-05-02T11:00:00Z");
    const QDateTime libraryDbTime = utc("2024-05-03T12:00:00Z");
    const QDateTime eventTime = utc("2024-05-04T13:00:00Z");
    const QDateTime eventDbTime = utc("2024-05-05T14:00:00Z");
    const QDateTime projectTime = utc("2024-05-06T15:30:00Z");
    const QDateTime renderTime = utc("2024-05-07T16:00:00Z");
    const QDateTime modDate = utc("2024-05-08T17:00:00Z");
    const QDateTime created = utc("2024-04-01T09:00:00Z");
    const std::vector<Role> roles{{"Dialogue", {{"Dialogue-1"}}}, {"Vows Audio", {}}};

    LibraryBuilder lib("Wedding");
    lib.identifier = "LIB-0001";
    lib.lockInfo("anna", "Studio-Mac");
    lib.stamp = stamp;
    lib.modified = bundleTime;
    lib.database.modified = libraryDbTime;
    lib.item(Item::file("Notes.txt", 5000)).item(Item::file("Shared/Titles.bin", 3000));
    lib.event("__Temp").file("scratch.bin", 100);
    lib.event("Exports").file("cut.mov", 2000).database.damage = Damage::Missing;

    auto& day = lib.event("Day 1");
    day.modified = eventTime;
    day.database.modified = eventDbTime;
    day.media("A001.mov", 100'000)
        .media(".hidden", 4096)
        .media("Cam B/B001.MOV", 50'000)
        .mediaLink("relative.mov", "../../Day 1/Original Media/A001.mov")
        .mediaLink("absolute.mov", volumes + "/Media/far.mov")
        .mediaLink("broken.mov", volumes + "/Gone/gone.mov")
        .proxy("A001.mov", 20'000)
        .optimized("A001.mov", 30'000)
        .item(Item::file("Render Files/Peaks Data/a.peak", 1000).at(renderTime))
        .analysis("Shot Data/a.shot", 1000)
        .file("Other.bin", 700);
    day.keyword("Interview")
        .keywordRange({"Interview", "Rings"})
        .row(CollectionRow::keywordMarker({"Set keyword"}, true))
        .analysisKeywordRange({"FFOrganizerOnePerson"})
        .marker("Kiss")
        .clip({.displayName = PlistValue("A001"),
               .notes = PlistValue("Best take"),
               .reel = PlistValue("R1"),
               .roles = roles})
        .camera({.videoCodecName = PlistValue("Apple ProRes 422"),
                 .cameraName = PlistValue("A-Cam"),
                 .make = PlistValue("Orbis"),
                 .model = PlistValue("OC-9"),
                 .lens = PlistValue("35mm"),
                 .reel = PlistValue("A001")})
        .sequence(
            {.displayName = PlistValue("Main"), .shareTags = PlistValue::set({"a", "b"}), .modDate = modDate})
        .roles(roles)
        .row(CollectionRow::fxPlug("8C1A7E52-4B3D-4F6A-9E21-5D7C3B9A0F14", QString("Glow")))
        .row(CollectionRow::motionTemplate("~/Titles.localized/Pack.localized/T/T.moti"))
        .row(CollectionRow::audioUnit("aufx", "ADR2", "Actz", QString("DeRoom2")))
        .row(CollectionRow::audioUnit("aufx", "Ldns", "Lmnr", std::nullopt, "FFAudioUnitAnalyzingEffect"));
    day.project("Main Edit")
        .info({.mediaRange = PlistValue("0/1s 3600/30000s"),
               .timecodeFrameDuration = PlistValue("1001/30000"),
               .videoFormatKey = PlistValue("FFVideoFormat1080p2997"),
               .hasAudio = PlistValue(true),
               .audioSampleRate = PlistValue(48000),
               .contentCreated = created})
        .sequence({.modDate = modDate})
        .clips(3)
        .compoundClips(2)
        .transitions(1)
        .favorites(1)
        .keywordRange({"Interview"})
        .marker("Music")
        .savedAt(projectTime);

    const QString bundle = lib.write(dir);
    EXPECT_EQ(bundle, dir + "/Wedding.fcpbundle");

    // Library database and the two property lists at the top.
    const rb::QueryResult library = rb::query(bundle + "/CurrentVersion.flexolibrary", kLibraryIdentifier);
    ASSERT_TRUE(library.ok) << library.error.toStdString();
    ASSERT_EQ(library.rows.size(), 1u);
    EXPECT_EQ(library.rows[0].second, QByteArray("LIB-0001"));
    EXPECT_EQ(rb::readPlistFile(bundle + "/CurrentVersion.plist").toMap().value("catalogVersion"),
              QVariant(LibraryBuilder::catalogVersionText("10.8.1")));
    EXPECT_EQ(rb::readPlistFile(bundle + "/.lock-info"),
              QVariant(QVariantMap{{"user", "anna"}, {"hostname", "Studio-Mac"}}));

    // Event database: every statement that runs on it.
    const QString eventDb = bundle + "/Day 1/CurrentVersion.fcpevent";
    const auto plugins = decodedRows(eventDb, kPlugins);
    QSet<QString> effectIDs;
    for (const auto& [type, root] : plugins)
        effectIDs << type + " " + root.value("effectID").toString();
    EXPECT_EQ(effectIDs, (QSet<QString>{
                             "FFFxPlugEffect FxPlug:8C1A7E52-4B3D-4F6A-9E21-5D7C3B9A0F14",
                             "FFMotionEffect ~/Titles.localized/Pack.localized/T/T.moti",
                             "FFAudioUnitEffect AudioUnit: 0x61756678414452324163747a",
                             "FFAudioUnitAnalyzingEffect AudioUnit: 0x617566784c646e734c6d6e72",
                         }));
    EXPECT_EQ(only(plugins, "FFFxPlugEffect").value("displayName"), QVariant("Glow"));
    EXPECT_FALSE(only(plugins, "FFMotionEffect").contains("displayName"));

    EXPECT_EQ(only(decodedRows(eventDb, kKeywordDefinitions), "FFMediaEventKeyword").value("name"),
              QVariant("Interview"));

    const auto markers = decodedRows(eventDb, kMarkers);
    std::vector<QVariant> keywordLists;
    for (auto [it, end] = markers.equal_range("FFAnchoredKeywordMarker"); it != end; ++it)
        keywordLists.push_back(it->second.value("metadata").toMap().value("keywords"));
    EXPECT_EQ(keywordLists, (std::vector<QVariant>{QVariantList{"Interview", "Rings"},
                                                   QVariantMap{{"@set", QVariantList{"Set keyword"}}}}));
    EXPECT_EQ(only(markers, "FFAnchoredAnalysisKeywordMarker").value("metadata"),
              QVariant(QVariantMap{{"keywords", QVariantList{"FFOrganizerOnePerson"}}}));
    EXPECT_EQ(only(markers, "FFAnchoredTimeMarker").value("displayName"), QVariant("Kiss"));

    const QVariantMap sequence = only(decodedRows(eventDb, kShareTags), "FFAnchoredSequence");
    EXPECT_EQ(sequence.value("metadata").toMap().value("FFShareTagsKey"),
              QVariant(QVariantMap{{"@set", QVariantList{"a", "b"}}}));
    EXPECT_EQ(sequence.value("modDate"), QVariant(modDate));
    EXPECT_EQ(sequence.value("displayName"), QVariant("Main"));

    const auto searchRows = decodedRows(eventDb, kSearchText);
    EXPECT_EQ(searchRows.size(), 4u);
    const QVariantMap clip = only(searchRows, "FFAnchoredCollection");
    EXPECT_EQ(clip.value("displayName"), QVariant("A001"));
    EXPECT_EQ(clip.value("metadata"),
              QVariant(QVariantMap{{"com.apple.proapps.studio.notes", "Best take"}, {"reel", "R1"}}));
    EXPECT_EQ(only(searchRows, "FFMediaRep"),
              (QVariantMap{{"videoCodecName", "Apple ProRes 422"},
                           {"metadata", QVariantMap{{"com.apple.proapps.cameraName", "A-Cam"},
                                                    {"kMDItemAcquisitionMake", "Orbis"},
                                                    {"kMDItemAcquisitionModel", "OC-9"},
                                                    {"kMDItemLensModel", "35mm"},
                                                    {"com.apple.proapps.reel", "A001"}}}}));
    // "roleSetData" is binary data holding a second archive: a list of role objects.
    const QVariant expectedRoles =
        QVariantList{roleVariant("Dialogue", {roleVariant("Dialogue-1")}), roleVariant("Vows Audio")};
    for (const QString type : {"FFAnchoredCollection", "FFMediaEventProject"}) {
        const QVariant roleData = only(searchRows, type).value("roleSetData");
        ASSERT_EQ(roleData.typeId(), QMetaType::QByteArray) << type.toStdString();
        EXPECT_EQ(rb::decodeArchive(roleData.toByteArray()), expectedRoles) << type.toStdString();
    }

    // Project database.
    const QString projectDb = bundle + "/Day 1/Main Edit/CurrentVersion.fcpevent";
    const rb::QueryResult counts = rb::query(projectDb, kCounts);
    ASSERT_TRUE(counts.ok) << counts.error.toStdString();
    std::map<QString, QString> countByType;
    for (const auto& [type, count] : counts.rows)
        countByType[type] = QString::fromUtf8(count);
    EXPECT_EQ(countByType, (std::map<QString, QString>{{"FFAnchoredClip", "3"},
                                                       {"FFAnchoredCollection", "2"},
                                                       {"FFAnchoredFavoriteMarker", "1"},
                                                       {"FFAnchoredKeywordMarker", "1"},
                                                       {"FFAnchoredTransition", "1"}}));
    const rb::QueryResult identified = rb::query(projectDb, kFingerprint);
    ASSERT_TRUE(identified.ok);
    QSet<QByteArray> identifiers;
    for (const auto& row : identified.rows)
        identifiers << row.second;
    EXPECT_EQ(identified.rows.size(), 7u);
    EXPECT_EQ(identifiers.size(), 7);
    const auto sequenceRows = decodedRows(projectDb, kSequenceInfo);
    const QVariantMap info = only(sequenceRows, "FFSequenceInfo");
    EXPECT_EQ(info, (QVariantMap{{"mediaRange", "0/1s 3600/30000s"},
                                 {"timecodeFrameDuration", "1001/30000"},
                                 {"videoFormatKey", "FFVideoFormat1080p2997"},
                                 {"hasAudio", true},
                                 {"audioSampleRate", qint64(48000)},
                                 {"metadata", QVariantMap{{"metadataContentCreated", created}}}}));
    EXPECT_EQ(only(sequenceRows, "FFAnchoredSequence").value("modDate"), QVariant(modDate));

    // The same description gives the same identifiers, so copies share fingerprints.
    LibraryBuilder copy = lib;
    const QString copyBundle = copy.write(TestEnv::freshDir("full-bundle-copy"));
    const rb::QueryResult copyIdentified =
        rb::query(copyBundle + "/Day 1/Main Edit/CurrentVersion.fcpevent", kFingerprint);
    EXPECT_EQ(copyIdentified.rows, identified.rows);

    // Files, links and folders.
    const QString media = bundle + "/Day 1/Original Media";
    EXPECT_EQ(QFileInfo(media + "/A001.mov").size(), 100'000);
    EXPECT_EQ(QFileInfo(media + "/Cam B/B001.MOV").size(), 50'000);
    EXPECT_EQ(QFileInfo(bundle + "/Day 1/Transcoded Media/Proxy Media/A001.mov").size(), 20'000);
    EXPECT_EQ(QFileInfo(bundle + "/Day 1/Transcoded Media/High Quality Media/A001.mov").size(), 30'000);
    EXPECT_TRUE(QFileInfo::exists(bundle + "/Day 1/Analysis Files/Shot Data/a.shot"));
    EXPECT_TRUE(QFileInfo::exists(bundle + "/__Temp/CurrentVersion.fcpevent"));
    EXPECT_FALSE(QFileInfo::exists(bundle + "/Exports/CurrentVersion.fcpevent"));
    EXPECT_TRUE(QFileInfo::exists(bundle + "/Exports/cut.mov"));
    EXPECT_EQ(readLink(media + "/relative.mov"), "../../Day 1/Original Media/A001.mov");
    EXPECT_TRUE(QFileInfo(media + "/relative.mov").exists()); // follows the link
    EXPECT_EQ(readLink(media + "/absolute.mov"), volumes + "/Media/far.mov");
    EXPECT_EQ(QFileInfo(media + "/absolute.mov").size(), 9000);
    EXPECT_EQ(readLink(media + "/broken.mov"), volumes + "/Gone/gone.mov");
    EXPECT_TRUE(QFileInfo(media + "/broken.mov").isSymLink());
    EXPECT_FALSE(QFileInfo(media + "/broken.mov").exists());

    // Allocated sizes: regular files below a folder, links and folders themselves not counted.
    const qint64 mediaFiles = FixtureFiles::allocatedSize(media + "/A001.mov") +
                              FixtureFiles::allocatedSize(media + "/.hidden") +
                              FixtureFiles::allocatedSize(media + "/Cam B/B001.MOV");
    EXPECT_GE(FixtureFiles::allocatedSize(media + "/A001.mov"), 100'000);
    EXPECT_EQ(FixtureFiles::allocatedSize(media), mediaFiles);
    EXPECT_EQ(FixtureFiles::allocatedSize(media + "/nothing"), 0);

    // Modification times: the stamp everywhere, explicit times where given.
    const std::vector<std::pair<QString, QDateTime>> times{
        {bundle, bundleTime},
        {bundle + "/CurrentVersion.flexolibrary", libraryDbTime},
        {bundle + "/CurrentVersion.plist", stamp},
        {bundle + "/Day 1", eventTime},
        {eventDb, eventDbTime},
        {bundle + "/Day 1/Main Edit", projectTime},
        {projectDb, projectTime},
        {bundle + "/Day 1/Render Files/Peaks Data/a.peak", renderTime},
        {bundle + "/Day 1/Render Files", stamp},
        {media, stamp},
        {media + "/broken.mov", stamp},
        {bundle + "/Shared", stamp},
    };
    for (const auto& [path, when] : times)
        EXPECT_EQ(FixtureFiles::modifiedTime(path), std::optional<QDateTime>(when)) << path.toStdString();
    // A link's own time is set, never its target's.
    EXPECT_NE(FixtureFiles::modifiedTime(volumes + "/Media/far.mov"), std::optional<QDateTime>(stamp));
}

// Paths with characters that need care in a file: URI: each library opens read-only through
// its percent-encoded URI, and the builder's own writes treat the characters literally.
TEST(LibraryBuilder, PathsWithSpecialCharactersWorkEverywhere) {
    const QStringList names{"With Spaces", "Café é", "100% Done", "Take #2", "Why?", "a?b#c%20d"};
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString parent = TestEnv::freshDir("special") + "/" + name;
        LibraryBuilder lib(name);
        lib.identifier = "ID " + name;
        lib.event(name).media(name + ".mov", 1000).project(name).clips(1);
        const QString bundle = lib.write(parent);
        EXPECT_EQ(bundle, parent + "/" + name + ".fcpbundle");

        const rb::QueryResult library =
            rb::query(bundle + "/CurrentVersion.flexolibrary", kLibraryIdentifier);
        ASSERT_TRUE(library.ok) << library.error.toStdString();
        ASSERT_EQ(library.rows.size(), 1u);
        EXPECT_EQ(QString::fromUtf8(library.rows[0].second), "ID " + name);
        const rb::QueryResult project =
            rb::query(bundle + "/" + name + "/" + name + "/CurrentVersion.fcpevent", kFingerprint);
        EXPECT_TRUE(project.ok) << project.error.toStdString();
        EXPECT_EQ(project.rows.size(), 1u);
        EXPECT_EQ(QFileInfo(bundle + "/" + name + "/Original Media/" + name + ".mov").size(), 1000);
        // Nothing was written under a name cut at "?" or "#".
        EXPECT_EQ(QDir(parent).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList{name + ".fcpbundle"});
    }
}

// Each kind of damaged database fails where a reader would notice: at open, prepare or step.
TEST(LibraryBuilder, DamagedDatabasesFailTheReadersQueries) {
    const std::vector<std::pair<Damage, bool>> cases{
        {Damage::Missing, false}, {Damage::NotSQLite, true}, {Damage::Empty, true},
        {Damage::NoTables, true}, {Damage::Truncated, true},
    };
    for (const auto& [damage, fileExists] : cases) {
        SCOPED_TRACE(int(damage));
        const QString path = TestEnv::freshDir("damaged") + "/CurrentVersion.flexolibrary";
        FixtureDatabase db;
        db.damage = damage;
        for (int i = 0; i < 200; ++i)
            db.add(CollectionRow::identified("FFAnchoredClip", QString("clip-%1").arg(i)));
        db.add(CollectionRow::library("LIB"));
        db.write(path);
        EXPECT_EQ(QFileInfo::exists(path), fileExists);
        const rb::QueryResult result = rb::query(path, kLibraryIdentifier);
        EXPECT_FALSE(result.ok && !result.rows.empty());
        EXPECT_FALSE(result.ok) << "no error for a damaged database";
    }

    // The same rows undamaged do answer.
    const QString good = TestEnv::freshDir("damaged-control") + "/CurrentVersion.flexolibrary";
    FixtureDatabase db;
    db.add(CollectionRow::library("LIB"));
    db.write(good);
    EXPECT_TRUE(rb::query(good, kLibraryIdentifier).ok);
}

// Blobs and property lists a reader must survive, and rows that are not what they claim.
TEST(LibraryBuilder, BrokenBlobsAndWrongTypesAreWrittenAsAsked) {
    const QString dir = TestEnv::freshDir("broken-blobs");
    LibraryBuilder lib("Odd");
    lib.identifier.reset();
    lib.catalogVersion = PlistValue(42);
    lib.lockHost = PlistValue("only-host");
    lib.plistFormat = PlistFormat::Xml;
    auto& event = lib.event("E");
    event.row(CollectionRow::withBlob("FFAnchoredTimeMarker", "not a property list"))
        .row(CollectionRow::withBlob("FFAnchoredTimeMarker", KeyedArchiveWriter::plist(PlistValue::dict({}))))
        .row(CollectionRow::withBlob("FFAnchoredTimeMarker", QByteArray()))
        .row(CollectionRow::withBlob("FFAnchoredTimeMarker", QByteArray("")))
        .row(CollectionRow::timeMarker(PlistValue(7)).asXml())
        .row(CollectionRow::identified("FFAnchoredClip", ""));
    event.row(CollectionRow{.type = "FFAnchoredClip"}); // NULL identifier, no metadata row
    const QString bundle = lib.write(dir);

    EXPECT_EQ(rb::query(bundle + "/CurrentVersion.flexolibrary", kLibraryIdentifier).rows.size(), 0u);
    EXPECT_EQ(rb::readPlistFile(bundle + "/CurrentVersion.plist"),
              QVariant(QVariantMap{{"catalogVersion", qint64(42)}}));
    EXPECT_EQ(rb::readPlistFile(bundle + "/.lock-info"), QVariant(QVariantMap{{"hostname", "only-host"}}));

    const rb::QueryResult markers = rb::query(bundle + "/E/CurrentVersion.fcpevent", kMarkers);
    ASSERT_TRUE(markers.ok);
    ASSERT_EQ(markers.rows.size(), 5u);
    EXPECT_EQ(markers.rows[0].second, QByteArray("not a property list"));
    EXPECT_FALSE(rb::decodeArchive(markers.rows[1].second).isValid());
    EXPECT_TRUE(markers.rows[2].second.isEmpty()); // SQL NULL
    EXPECT_TRUE(markers.rows[3].second.isEmpty()); // zero-length blob
    const QByteArray xml = markers.rows[4].second;
    EXPECT_TRUE(xml.startsWith("<?xml"));
    EXPECT_EQ(rb::decodeArchive(xml), QVariant(QVariantMap{{"displayName", qint64(7)}}));

    const rb::QueryResult all = rb::query(
        bundle + "/E/CurrentVersion.fcpevent",
        "select ZTYPE, coalesce(ZIDENTIFIER, '<null>') from ZCOLLECTION where ZTYPE = 'FFAnchoredClip'");
    ASSERT_EQ(all.rows.size(), 2u);
    EXPECT_EQ(all.rows[0].second, QByteArray(""));
    EXPECT_EQ(all.rows[1].second, QByteArray("<null>"));
    EXPECT_TRUE(rb::query(bundle + "/E/CurrentVersion.fcpevent", kFingerprint).rows.empty());
}

// Media bytes do not compress, are the same on every run and differ between files.
TEST(LibraryBuilder, RandomFilesAreIncompressibleAndStable) {
    const QString dir = TestEnv::freshDir("random");
    FixtureFiles::writeRandom(dir + "/a/clip.mov", 200'000);
    FixtureFiles::writeRandom(dir + "/b/clip.mov", 200'000);
    FixtureFiles::writeRandom(dir + "/b/other.mov", 200'000);
    auto bytes = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray a = bytes(dir + "/a/clip.mov");
    ASSERT_EQ(a.size(), 200'000);
    EXPECT_GT(qCompress(a, 9).size(), a.size() * 99 / 100);
    EXPECT_EQ(bytes(dir + "/b/clip.mov"), a);  // same name: same bytes (copies of a library match)
    EXPECT_NE(bytes(dir + "/b/other.mov"), a); // another name: other bytes
    EXPECT_EQ(FixtureFiles::randomBytes(1000, 7), FixtureFiles::randomBytes(1000, 7));
    EXPECT_NE(FixtureFiles::randomBytes(1000, 7), FixtureFiles::randomBytes(1000, 8));
}

// A fixture never writes over something that is already there.
TEST(LibraryBuilder, RefusesToWriteOverAnExistingBundle) {
    const QString dir = TestEnv::freshDir("existing");
    FixtureFiles::writeBytes(dir + "/Kept.fcpbundle/keep.txt", "mine");
    LibraryBuilder lib("Kept");
    EXPECT_THROW(lib.write(dir), std::runtime_error);
    EXPECT_EQ(QDir(dir + "/Kept.fcpbundle").entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"keep.txt"});
}
