#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Records/EventInfo.h"
#include "Catalogue/Records/TagData.h"
#include "Tests/Fixtures/CollectionRow.h"
#include "Tests/Fixtures/FixtureDatabase.h"
#include "Tests/Fixtures/FixtureReadBack.h"
#include "Tests/Fixtures/KeyedArchiveWriter.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Fixtures/PlistValue.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <functional>
#include <gtest/gtest.h>

namespace pellimor::test {
namespace {

using fixtures::CollectionRow;
using fixtures::FixtureDatabase;
using fixtures::LibraryBuilder;
using fixtures::PlistValue;
using Role = CollectionRow::Role;
using Event = LibraryBuilder::Event;
using Build = std::function<void(Event&)>;

// Writes the event's database into a folder of its own and opens it the way the reader does.
LibraryReader::Database openEvent(const Event& event) {
    const QString path = QDir(TestEnv::freshDir("tags")).filePath("CurrentVersion.fcpevent");
    event.database.write(path);
    return LibraryReader::openReadOnly(path);
}

Event eventOf(const Build& build) {
    Event event;
    event.name = "Day 1";
    build(event);
    return event;
}

TagData tagsOf(const Build& build, bool includeDefinitions = true, int markerCap = 300) {
    const LibraryReader::Database db = openEvent(eventOf(build));
    EXPECT_TRUE(db) << "the fixture database does not open";
    return LibraryReader::readTags(db.get(), includeDefinitions, markerCap);
}

EventInfo searchTextOf(const Build& build) {
    const LibraryReader::Database db = openEvent(eventOf(build));
    EXPECT_TRUE(db) << "the fixture database does not open";
    EventInfo info;
    info.name = "Day 1";
    LibraryReader::fillSearchText(info, db.get());
    return info;
}

QString describe(const QMap<QString, qint64>& map) {
    QStringList parts;
    for (auto it = map.begin(); it != map.end(); ++it)
        parts << it.key() + "=" + QString::number(it.value());
    return parts.join(", ");
}

QStringList numbered(const QString& stem, int count) {
    QStringList names;
    for (int i = 1; i <= count; ++i)
        names << stem + QString::number(i).rightJustified(4, '0');
    return names;
}

// A keyword range whose "keywords" holds whatever the test gives, wrong kinds included.
CollectionRow keywordRangeOf(const PlistValue& keywords) {
    return CollectionRow::withMetadata(
        "FFAnchoredKeywordMarker",
        PlistValue::dict({{"metadata", PlistValue::dict({{"keywords", keywords}})}}));
}

// An "FFMediaEventProject" row whose "roleSetData" holds exactly these bytes.
CollectionRow roleSetBytes(const QByteArray& bytes) {
    return CollectionRow::withMetadata("FFMediaEventProject", PlistValue::dict({{"roleSetData", bytes}}));
}

// ---- Keywords ----------------------------------------------------------------------------

struct KeywordCase {
    const char* name;
    Build build;
    QMap<QString, qint64> expected;
    bool includeDefinitions = true;
};

TEST(LibraryTagsTest, CountsKeywords) {
    const KeywordCase cases[] = {
        {"definitions that differ in case are one keyword, spelled as first met",
         [](Event& e) {
             e.keyword("Interview")
                 .keyword("interview")
                 .keywordRange({"INTERVIEW"})
                 .keywordRange({"INTERVIEW"});
         },
         {{"Interview", 2}}},
        {"a defined keyword nothing is tagged with counts 0",
         [](Event& e) { e.keyword("Drone").keywordRange({"Sunset"}); },
         {{"Drone", 0}, {"Sunset", 1}}},
        {"without definitions only tagged keywords count",
         [](Event& e) { e.keyword("Drone").keywordRange({"Sunset"}); },
         {{"Sunset", 1}},
         false},
        {"uses are counted across markers, each marker's keywords once each",
         [](Event& e) {
             e.keywordRange({"A-Cam", "Interview"}).keywordRange({"a-cam"}).keywordRange({"B-Roll"});
         },
         {{"A-Cam", 2}, {"Interview", 1}, {"B-Roll", 1}}},
        {"analysis keywords are reworded, plain ones with the same text are not",
         [](Event& e) {
             e.analysisKeywordRange({"FFOrganizerOnePerson", "WideShot"})
                 .analysisKeywordRange({"WideShot"})
                 .keywordRange({"FFOrganizerOnePerson", "WideShot"});
         },
         {{"One Person (auto)", 1}, {"Wide Shot (auto)", 2}, {"FFOrganizerOnePerson", 1}, {"WideShot", 1}}},
        {"analysis rewording splits every lower-upper pair only",
         [](Event& e) {
             e.analysisKeywordRange({"FFOrganizerGroupOfPEOPLE", "closeUpShot", "ALLCAPS"});
         },
         {{"Group Of PEOPLE (auto)", 1}, {"close Up Shot (auto)", 1}, {"ALLCAPS (auto)", 1}}},
        {"keywords archived as a set count like a list",
         [](Event& e) {
             e.row(CollectionRow::keywordMarker({"Beach", "Sunset"}, true))
                 .row(CollectionRow::analysisKeywordMarker({"FFOrganizerManyPeople"}, true));
         },
         {{"Beach", 1}, {"Sunset", 1}, {"Many People (auto)", 1}}},
        {"a composed and a decomposed é are one keyword",
         [](Event& e) { e.keyword("Caf\u00e9").keywordRange({"Cafe\u0301"}).keywordRange({"CAF\u00c9"}); },
         {{"Caf\u00e9", 2}}},
        {"empty and non-text keywords are skipped",
         [](Event& e) {
             e.keyword("")
                 .row(CollectionRow::withMetadata("FFMediaEventKeyword", PlistValue::dict({{"name", 7}})))
                 .row(keywordRangeOf(PlistValue::array({"", 5, true, "Kept"})));
         },
         {{"Kept", 1}}},
        {"a keyword range without metadata, or with keywords that are not a list, gives nothing",
         [](Event& e) {
             e.row(CollectionRow::withMetadata(
                       "FFAnchoredKeywordMarker",
                       PlistValue::dict({{"keywords", PlistValue::strings({"Loose"})}})))
                 .row(keywordRangeOf("Single"))
                 .row(CollectionRow::withMetadata("FFAnchoredKeywordMarker",
                                                  PlistValue::dict({{"metadata", "text"}})))
                 .keywordRange({"Kept"});
         },
         {{"Kept", 1}}},
        {"blobs that do not decode are skipped, the rest is read",
         [](Event& e) {
             e.row(CollectionRow::withBlob("FFMediaEventKeyword", "not an archive"))
                 .row(CollectionRow::withBlob("FFAnchoredKeywordMarker", QByteArray("bplist00\x01\x02", 10)))
                 .row(CollectionRow::withBlob("FFAnchoredKeywordMarker", fixtures::KeyedArchiveWriter::plist(
                                                                             PlistValue::dict({{"a", 1}}))))
                 .keyword("Kept")
                 .keywordRange({"Kept"});
         },
         {{"Kept", 1}}},
        {"archives written as XML read the same",
         [](Event& e) {
             e.row(CollectionRow::keyword("Xml").asXml()).row(CollectionRow::keywordMarker({"xml"}).asXml());
         },
         {{"Xml", 1}}},
    };
    for (const KeywordCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TagData tags = tagsOf(c.build, c.includeDefinitions);
        EXPECT_EQ(describe(tags.keywords), describe(c.expected));
        EXPECT_TRUE(tags.markerNames.isEmpty());
        EXPECT_TRUE(tags.metaTags.isEmpty());
    }
}

// ---- Markers -----------------------------------------------------------------------------

struct MarkerCase {
    const char* name;
    Build build;
    int cap;
    QStringList expected;
};

TEST(LibraryTagsTest, ListsMarkerNames) {
    const QStringList full300 = numbered("Marker ", 300);
    const QStringList full200 = numbered("Marker ", 200);
    const MarkerCase cases[] = {
        {"the 301st distinct name is dropped at cap 300",
         [](Event& e) {
             for (const QString& name : numbered("Marker ", 301))
                 e.marker(name);
         },
         300, full300},
        {"repeated names count once towards the cap",
         [](Event& e) {
             const QStringList names = numbered("Marker ", 301);
             for (int i = 0; i < 299; ++i)
                 e.marker(names[i]);
             for (int i = 0; i < 5; ++i)
                 e.marker(names[0]);
             e.marker(names[299]).marker(names[300]);
         },
         300, full300},
        {"a project's cap of 200",
         [](Event& e) {
             for (const QString& name : numbered("Marker ", 250))
                 e.marker(name);
         },
         200, full200},
        {"ascending by code points: upper case first, characters beyond U+FFFF last",
         [](Event& e) {
             for (const char* name : {"b", "\U0001F600 Laugh", "\uFF21 wide", "a", "B", "\u00e9", "Z"})
                 e.marker(QString::fromUtf8(name));
         },
         300,
         {"B", "Z", "a", "b", "\u00e9", "\uFF21 wide", "\U0001F600 Laugh"}},
        {"a composed and a decomposed é are one marker",
         [](Event& e) { e.marker("Caf\u00e9").marker("Cafe\u0301"); },
         300,
         {"Caf\u00e9"}},
        {"empty and non-text names, and undecodable blobs, are not markers",
         [](Event& e) {
             e.marker("")
                 .row(CollectionRow::timeMarker(42))
                 .row(CollectionRow::timeMarker(PlistValue::strings({"In a list"})))
                 .row(CollectionRow::withBlob("FFAnchoredTimeMarker", "garbage"))
                 .marker("Kept");
         },
         300,
         {"Kept"}},
        {"keyword ranges are not markers and markers are not keywords",
         [](Event& e) { e.marker("Intro").keywordRange({"Intro"}); },
         300,
         {"Intro"}},
        {"a cap of 0 lists none", [](Event& e) { e.marker("One"); }, 0, {}},
    };
    for (const MarkerCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(tagsOf(c.build, true, c.cap).markerNames, c.expected);
    }
}

TEST(LibraryTagsTest, ReadsProjectDatabasesLikeEvents) {
    LibraryBuilder lib("Tags");
    LibraryBuilder::Project& project = lib.event("Day 1").project("Main Edit");
    project.keywordRange({"Interview"}).keywordRange({"interview"}).marker("Chapter 1");
    project.sequence({.shareTags = PlistValue("Final, client")});
    const QString bundle = lib.write(TestEnv::freshDir("project-tags"));

    const LibraryReader::Database db =
        LibraryReader::openReadOnly(bundle + "/Day 1/Main Edit/CurrentVersion.fcpevent");
    ASSERT_TRUE(db);
    const TagData tags = LibraryReader::readTags(db.get(), false, 200);
    EXPECT_EQ(describe(tags.keywords), "Interview=2");
    EXPECT_EQ(tags.markerNames, QStringList{"Chapter 1"});
    EXPECT_EQ(tags.metaTags, (QStringList{"client", "Final"}));
}

// ---- Share tags --------------------------------------------------------------------------

struct ShareTagCase {
    const char* name;
    QVariant value;
    QStringList expected;
};

TEST(LibraryTagsTest, SplitsShareTags) {
    const ShareTagCase cases[] = {
        {"split, trimmed, the repeat dropped, sorted",
         QVariantList{"desert,  Battery ,desert"},
         {"Battery", "desert"}},
        {"a plain text", QString("solo"), {"solo"}},
        {"no value", QVariant(), {}},
        {"empty pieces dropped, a repeat in other case dropped, first spelling wins",
         QString("a, b ,,A"),
         {"a", "b"}},
        {"line breaks and tabs are trimmed; blank pieces dropped", QString("\n tag \t,  ,\r\n"), {"tag"}},
        {"repeats across the texts of a list", QVariantList{"Beach", "beach, Sun"}, {"Beach", "Sun"}},
        {"list elements that are not text are ignored",
         QVariantList{"x", 5, QVariantList{"nested"}, "y"},
         {"x", "y"}},
        {"a number is no tag", 5, {}},
        {"a map is no tag", QVariantMap{{"tag", "x"}}, {}},
        {"letter case is ignored in the order", QString("b,A,C"), {"A", "b", "C"}},
        {"accented letters sort beside their base letter",
         QString("Zebra,\u00c9clair,Eclair,eclair"),
         {"Eclair", "\u00c9clair", "Zebra"}},
        {"numbers compare as characters", QString("Take 9,Take 10"), {"Take 10", "Take 9"}},
        {"a composed and a decomposed é are one tag", QVariantList{"Caf\u00e9", "cafe\u0301"}, {"Caf\u00e9"}},
    };
    for (const ShareTagCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LibraryReader::shareTagList(c.value), c.expected);
    }
}

TEST(LibraryTagsTest, GathersShareTagsOfEverySequence) {
    const TagData tags = tagsOf([](Event& e) {
        e.sequence({.shareTags = PlistValue("Beach, sun")})
            .sequence({.shareTags = PlistValue::strings({"SUN", "Travel"})})
            .sequence({.shareTags = PlistValue::set({"beach", "archive"})})
            .sequence({.displayName = PlistValue("No tags")})
            .row(CollectionRow::withMetadata("FFAnchoredSequence",
                                             PlistValue::dict({{"FFShareTagsKey", "Outside metadata"}})))
            .row(CollectionRow::withBlob("FFAnchoredSequence", "garbage"));
    });
    EXPECT_EQ(tags.metaTags, (QStringList{"archive", "Beach", "sun", "Travel"}));
    EXPECT_TRUE(tags.keywords.isEmpty());
    EXPECT_TRUE(tags.markerNames.isEmpty());
}

TEST(LibraryTagsTest, SelfTestPassesSilently) {
    testing::internal::CaptureStdout();
    const bool passed = LibraryReader::selfTestShareTags();
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(passed);
    EXPECT_EQ(printed, "");
}

// ---- Clip names, notes, camera data -------------------------------------------------------

struct SearchTextCase {
    const char* name;
    Build build;
    QStringList clipNames;
    QStringList notes;
    QStringList cameraInfo;
};

TEST(LibraryTagsTest, FillsClipNamesNotesAndCameraData) {
    const SearchTextCase cases[] = {
        {"\"Untitled\" and blank names dropped, blanks and control characters trimmed",
         [](Event& e) {
             e.clip("Untitled")
                 .clip("   ")
                 .clip("\t\n")
                 .clip("  Interview A  ")
                 .clip("\u200B\x07Zoom\u00a0\n")
                 .clip(" Untitled ")
                 .clip("Untitled 2");
         },
         {"Interview A", "Untitled 2", "Zoom"},
         {},
         {}},
        {"Finder-like order: numbers by value, case ignored",
         [](Event& e) { e.clip("Clip 10").clip("clip 2").clip("Clip 9").clip("apple").clip("Banana"); },
         {"apple", "Banana", "clip 2", "Clip 9", "Clip 10"},
         {},
         {}},
        {"a name is listed once; a composed and a decomposed é are one name",
         [](Event& e) { e.clip("Take").clip("Take").clip("Caf\u00e9").clip("Cafe\u0301"); },
         {"Caf\u00e9", "Take"},
         {},
         {}},
        {"clips and sequences give names, notes and reels",
         [](Event& e) {
             e.clip({.displayName = PlistValue("Beach"),
                     .notes = PlistValue(" Check focus "),
                     .reel = PlistValue("Reel 7")})
                 .sequence({.displayName = PlistValue("Main Edit")});
         },
         {"Beach", "Main Edit"},
         {"Check focus"},
         {"Reel 7"}},
        {"a media representation gives its codec and camera keys only",
         [](Event& e) {
             e.camera({.videoCodecName = PlistValue("Apple ProRes 422"),
                       .cameraName = PlistValue("A-Cam"),
                       .make = PlistValue("Sony"),
                       .model = PlistValue("FX6"),
                       .lens = PlistValue("FE 24-70"),
                       .reel = PlistValue("R001")})
                 .row(CollectionRow::withMetadata(
                     "FFMediaRep",
                     PlistValue::dict(
                         {{"displayName", "Not a clip"},
                          {"metadata", PlistValue::dict({{"com.apple.proapps.studio.notes", "No"},
                                                         {"reel", "Not camera data"}})}})));
         },
         {},
         {},
         {"A-Cam", "Apple ProRes 422", "FE 24-70", "FX6", "R001", "Sony"}},
        {"an event project gives neither a name nor notes",
         [](Event& e) {
             e.row(CollectionRow::withMetadata(
                 "FFMediaEventProject",
                 PlistValue::dict({{"displayName", "Project"},
                                   {"metadata", PlistValue::dict({{"com.apple.proapps.studio.notes", "P"},
                                                                  {"reel", "P reel"}})}})));
         },
         {},
         {},
         {}},
        {"values that are not text are skipped",
         [](Event& e) {
             e.clip({.displayName = PlistValue(12),
                     .notes = PlistValue::strings({"in a list"}),
                     .reel = PlistValue(true)})
                 .camera({.videoCodecName = PlistValue(QByteArray("codec")), .cameraName = PlistValue(3.5)});
         },
         {},
         {},
         {}},
        {"rows that do not decode or whose root is not a map are skipped",
         [](Event& e) {
             e.row(CollectionRow::withBlob("FFAnchoredCollection", "garbage"))
                 .row(CollectionRow::withMetadata("FFAnchoredCollection", PlistValue::strings({"Listed"})))
                 .row(CollectionRow::withMetadata("FFAnchoredCollection", "Plain text root"))
                 .clip("Kept");
         },
         {"Kept"},
         {},
         {}},
        {"a metadata value that is not a map reads as empty",
         [](Event& e) {
             e.row(CollectionRow::withMetadata(
                 "FFAnchoredCollection", PlistValue::dict({{"displayName", "Named"}, {"metadata", "x"}})));
         },
         {"Named"},
         {},
         {}},
    };
    for (const SearchTextCase& c : cases) {
        SCOPED_TRACE(c.name);
        const EventInfo info = searchTextOf(c.build);
        EXPECT_EQ(info.tagsVersion, std::optional<qint64>(LibraryReader::tagsVersion));
        EXPECT_EQ(info.clipNames, std::optional<QStringList>(c.clipNames));
        EXPECT_EQ(info.notes, std::optional<QStringList>(c.notes));
        EXPECT_EQ(info.cameraInfo, std::optional<QStringList>(c.cameraInfo));
        EXPECT_EQ(info.roles, std::optional<QStringList>(QStringList{}));
    }
}

struct CapCase {
    const char* name;
    std::function<void(Event&, const QString&)> add;
    int cap;
    std::function<QStringList(const EventInfo&)> list;
};

TEST(LibraryTagsTest, StopsEachListAtItsCap) {
    const CapCase cases[] = {
        {"clip names", [](Event& e, const QString& t) { e.clip(t); }, 2000,
         [](const EventInfo& i) { return i.clipNames.value_or(QStringList{"absent"}); }},
        {"notes", [](Event& e, const QString& t) { e.clip({.notes = PlistValue(t)}); }, 300,
         [](const EventInfo& i) { return i.notes.value_or(QStringList{"absent"}); }},
        {"camera data", [](Event& e, const QString& t) { e.camera({.cameraName = PlistValue(t)}); }, 200,
         [](const EventInfo& i) { return i.cameraInfo.value_or(QStringList{"absent"}); }},
        {"roles", [](Event& e, const QString& t) { e.roles({Role{t}}); }, 200,
         [](const EventInfo& i) { return i.roles.value_or(QStringList{"absent"}); }},
    };
    for (const CapCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList texts = numbered("Text ", c.cap + 1);
        const EventInfo info = searchTextOf([&](Event& e) {
            // A repeat of a kept text while the list is not yet full takes no room.
            c.add(e, texts[0]);
            for (const QString& text : texts)
                c.add(e, text);
        });
        EXPECT_EQ(c.list(info), texts.first(c.cap));
    }
}

// ---- Roles -------------------------------------------------------------------------------

struct RoleCase {
    const char* name;
    Build build;
    QStringList expected;
};

TEST(LibraryTagsTest, ListsCustomRoles) {
    const RoleCase cases[] = {
        {"a built-in role is dropped by its lower case; its custom sub-roles are kept",
         [](Event& e) {
             e.roles({Role{"Dialogue", {Role{"Dialogue-1"}, Role{"Boom"}}}, Role{"Interviews"}});
         },
         {"Boom", "Dialogue-1", "Interviews"}},
        {"every built-in name in any case, sub-roles never compared with them",
         [](Event& e) {
             std::vector<Role> roles;
             for (const char* name : {"Video", "TITLES", "dialogue", "Music", "Effects", "Adjustments",
                                      "Subtitles", "MixedRoleGroups", "ITT", "SRT", "CEA-608", "Captions"})
                 roles.push_back(Role{name, {Role{QString(name) + " Sub"}}});
             roles.push_back(Role{"Custom", {Role{"Music"}}});
             e.roles(roles);
         },
         {"Adjustments Sub", "Captions Sub", "CEA-608 Sub", "Custom", "dialogue Sub", "Effects Sub",
          "ITT Sub", "MixedRoleGroups Sub", "Music", "Music Sub", "SRT Sub", "Subtitles Sub", "TITLES Sub",
          "Video Sub"}},
        {"a built-in name padded with blanks is still built in",
         [](Event& e) {
             e.roles({Role{" Music\n"}, Role{"Music Stems "}});
         },
         {"Music Stems"}},
        {"clips, sequences and the event project all carry role sets; each role once",
         [](Event& e) {
             e.clip({.displayName = PlistValue("A"), .roles = std::vector<Role>{Role{"Interviews"}}})
                 .sequence({.roles = std::vector<Role>{Role{"Score"}, Role{"Interviews"}}})
                 .roles({Role{"Effects", {Role{"Foley"}}}});
         },
         {"Foley", "Interviews", "Score"}},
        {"blank and \"Untitled\" role names are not listed",
         [](Event& e) {
             e.roles({Role{"  "}, Role{"Untitled", {Role{"Untitled"}, Role{" \t"}, Role{"Ambience"}}}});
         },
         {"Ambience"}},
        {"a role name that is not text is skipped, its sub-roles are kept",
         [](Event& e) {
             e.row(roleSetBytes(fixtures::KeyedArchiveWriter::archive(PlistValue::array(
                 {PlistValue::object("FFRole", {{"name", 5},
                                                {"subRoles", PlistValue::array({PlistValue::object(
                                                                 "FFRole", {{"name", "Sub A"}})})}}),
                  PlistValue::object("FFRole", {{"name", QByteArray("bytes")}}),
                  PlistValue::object("FFRole", {{"name", "Named"}, {"subRoles", "not a list"}}),
                  PlistValue("plain text element"),
                  PlistValue::object("FFRole",
                                     {{"subRoles", PlistValue::array({PlistValue("text sub-role")})}})}))));
         },
         {"Named", "Sub A"}},
        {"role data that is not an archive of a list gives nothing",
         [](Event& e) {
             e.row(roleSetBytes("garbage"))
                 .row(roleSetBytes(fixtures::KeyedArchiveWriter::archive(
                     PlistValue::object("FFRole", {{"name", "Lonely"}}))))
                 .row(CollectionRow::withMetadata("FFMediaEventProject",
                                                  PlistValue::dict({{"roleSetData", "text, not data"}})))
                 .roles({Role{"Kept"}});
         },
         {"Kept"}},
        {"a role set that refers back to itself ends",
         [](Event& e) {
             // $objects: the root list, a role whose sub-roles hold the role itself and the root.
             const std::vector<PlistValue> objects = {
                 "$null",
                 PlistValue::dict({{"NS.objects", PlistValue::array({PlistValue::uid(2)})},
                                   {"$class", PlistValue::uid(5)}}),
                 PlistValue::dict({{"name", PlistValue::uid(3)},
                                   {"subRoles", PlistValue::uid(4)},
                                   {"$class", PlistValue::uid(6)}}),
                 "Loop",
                 PlistValue::dict(
                     {{"NS.objects", PlistValue::array({PlistValue::uid(2), PlistValue::uid(1)})},
                      {"$class", PlistValue::uid(5)}}),
                 PlistValue::dict(
                     {{"$classname", "NSArray"}, {"$classes", PlistValue::strings({"NSArray", "NSObject"})}}),
                 PlistValue::dict(
                     {{"$classname", "FFRole"}, {"$classes", PlistValue::strings({"FFRole", "NSObject"})}}),
             };
             e.row(roleSetBytes(fixtures::KeyedArchiveWriter::rawArchive(
                 objects, PlistValue::dict({{"root", PlistValue::uid(1)}}))));
         },
         {"Loop"}},
        {"thousands of roles stop at the cap",
         [](Event& e) {
             std::vector<Role> roles;
             for (const QString& name : numbered("Role ", 5000))
                 roles.push_back(Role{name, {Role{name + " sub"}}});
             e.roles(roles);
         },
         [] {
             QStringList expected;
             for (const QString& name : numbered("Role ", 100))
                 expected << name << name + " sub";
             return expected;
         }()},
    };
    for (const RoleCase& c : cases) {
        SCOPED_TRACE(c.name);
        const EventInfo info = searchTextOf(c.build);
        EXPECT_EQ(info.roles, std::optional<QStringList>(c.expected));
    }
}

// ---- Databases that cannot be read --------------------------------------------------------

TEST(LibraryTagsTest, UnreadableDatabasesGiveEmptyListsAndTheTagVersion) {
    using Damage = FixtureDatabase::Damage;
    for (const Damage damage :
         {Damage::Missing, Damage::NotSQLite, Damage::Empty, Damage::NoTables, Damage::Truncated}) {
        SCOPED_TRACE(int(damage));
        Event event = eventOf(
            [](Event& e) { e.keyword("Interview").marker("Intro").clip("A").roles({Role{"Score"}}); });
        event.database.damage = damage;
        const LibraryReader::Database db = openEvent(event);
        if (damage == Damage::Missing) {
            EXPECT_FALSE(db);
        }

        const TagData tags = LibraryReader::readTags(db.get(), true, 300);
        EXPECT_TRUE(tags.keywords.isEmpty());
        EXPECT_TRUE(tags.markerNames.isEmpty());
        EXPECT_TRUE(tags.metaTags.isEmpty());

        // Lists left over from an older read are cleared, so they cannot outlive the database.
        EventInfo info;
        info.clipNames = QStringList{"stale"};
        info.notes = QStringList{"stale"};
        info.cameraInfo = QStringList{"stale"};
        info.roles = QStringList{"stale"};
        info.tagsVersion = LibraryReader::tagsVersion - 1;
        LibraryReader::fillSearchText(info, db.get());
        EXPECT_EQ(info.tagsVersion, std::optional<qint64>(LibraryReader::tagsVersion));
        for (const std::optional<QStringList>& list :
             {info.clipNames, info.notes, info.cameraInfo, info.roles})
            EXPECT_EQ(list, std::optional<QStringList>(QStringList{}));
    }
}

} // namespace
} // namespace pellimor::test
