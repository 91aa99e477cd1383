#include "Catalogue/Reader/LibraryReader.h"
#include "Tests/Fixtures/CollectionRow.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Fixtures/PlistValue.h"
#include "Tests/Support/FileGates.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <stop_token>
#include <sys/stat.h>
#include <unistd.h>

using namespace pellimor;
using namespace pellimor::fixtures;
namespace LR = pellimor::LibraryReader;
using Item = LibraryBuilder::Item;

namespace {

const QString kLibraryDb = QStringLiteral("CurrentVersion.flexolibrary");
const QString kEventDb = QStringLiteral("CurrentVersion.fcpevent");

QString fresh(const char* hint) {
    return test::TestEnv::freshDir(QString::fromLatin1(hint));
}

QStringList names(const QStringList& paths) {
    QStringList out;
    for (const QString& path : paths)
        out.append(QFileInfo(path).fileName());
    return out;
}

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

} // namespace

// ---- Version and last host -------------------------------------------------------------

TEST(LibraryBundleFacts, VersionFromCatalogVersion) {
    struct Case {
        const char* label;
        std::optional<PlistValue> value;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"usual", PlistValue("Library; 10.8.1 (1)"), QStringLiteral("10.8.1")},
        {"extra blanks", PlistValue("A;  10.4.6 (123)"), QStringLiteral("10.4.6")},
        {"tabs trimmed", PlistValue("A;\t11.0\t"), QStringLiteral("11.0")},
        {"no build", PlistValue("A; 10.6.2"), QStringLiteral("10.6.2")},
        {"no semicolon: whole", PlistValue("10.3.4 (7)"), QStringLiteral("10.3.4 (7)")},
        {"empty pieces dropped", PlistValue(";10.5"), QStringLiteral(";10.5")},
        {"third piece ignored", PlistValue("A;10.5 (2);B"), QStringLiteral("10.5")},
        {"parenthesis without space", PlistValue("A; 10.4.6(123)"), QStringLiteral("10.4.6(123)")},
        {"not text", PlistValue(42), std::nullopt},
        {"missing key", std::nullopt, std::nullopt},
    };
    for (PlistFormat format : {PlistFormat::Binary, PlistFormat::Xml}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.label);
            LibraryBuilder lib(QStringLiteral("Version"));
            lib.database.damage = FixtureDatabase::Damage::Missing; // only the property list matters
            lib.plistFormat = format;
            lib.catalogVersion = c.value;
            if (!c.value) // the file is there, the key is not
                lib.item(Item::plist("CurrentVersion.plist", PlistValue::dict({{"other", "10.1"}}), format));
            EXPECT_EQ(LR::fcpVersion(lib.write(fresh("version"))), c.expected);
        }
    }
}

TEST(LibraryBundleFacts, LastHostFromLockInfo) {
    struct Case {
        const char* label;
        std::optional<PlistValue> user;
        std::optional<PlistValue> host;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"both", PlistValue("anna"), PlistValue("Studio-Mac"), QStringLiteral("anna@Studio-Mac")},
        {"only hostname", std::nullopt, PlistValue("Studio-Mac"), QStringLiteral("Studio-Mac")},
        {"only user", PlistValue("anna"), std::nullopt, QStringLiteral("anna")},
        {"host not text", PlistValue("anna"), PlistValue(7), QStringLiteral("anna")},
        {"neither text", PlistValue(true), PlistValue(7), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        LibraryBuilder lib(QStringLiteral("Host"));
        lib.database.damage = FixtureDatabase::Damage::Missing;
        lib.lockUser = c.user;
        lib.lockHost = c.host;
        EXPECT_EQ(LR::lastHost(lib.write(fresh("host"))), c.expected);
    }
}

// Whatever sits where a property list should be, the answer is "none" and the reader returns.
TEST(LibraryBundleFacts, UnreadablePropertyListsGiveNothing) {
    struct Case {
        const char* label;
        std::optional<Item> item; // placed under both names; none: both files missing
    };
    const Case cases[] = {
        {"missing", std::nullopt},
        {"garbage", Item::bytes("X", "this is not a property list")},
        {"empty", Item::bytes("X", QByteArray())},
        {"truncated binary", Item::bytes("X", QByteArray("bplist00\xd1\x01\x02", 11))},
        {"root is an array", Item::plist("X", PlistValue::array({"A; 10.4 (1)"}))},
        {"root is text", Item::plist("X", PlistValue("A; 10.4 (1)"))},
        {"a folder", Item::folder("X")},
        {"a broken link", Item::link("X", "nowhere")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        LibraryBuilder lib(QStringLiteral("Broken"));
        lib.database.damage = FixtureDatabase::Damage::Missing;
        lib.catalogVersion.reset();
        if (c.item) {
            for (const char* name : {"CurrentVersion.plist", ".lock-info"}) {
                Item item = *c.item;
                item.path = QString::fromLatin1(name);
                lib.item(item);
            }
        }
        const QString bundle = lib.write(fresh("broken"));
        EXPECT_EQ(LR::fcpVersion(bundle), std::nullopt);
        EXPECT_EQ(LR::lastHost(bundle), std::nullopt);
    }
    EXPECT_EQ(LR::fcpVersion(fresh("no-bundle") + "/Missing.fcpbundle"), std::nullopt);
}

// A pipe never ends; reading one would hang the scan that asked.
TEST(LibraryBundleFacts, APipeInPlaceOfAPropertyListIsNotRead) {
    LibraryBuilder lib(QStringLiteral("Pipe"));
    lib.catalogVersion.reset();
    const QString bundle = lib.write(fresh("pipe"));
    for (const char* name : {"CurrentVersion.plist", ".lock-info"})
        ASSERT_EQ(
            ::mkfifo(QFile::encodeName(QDir(bundle).filePath(QString::fromLatin1(name))).constData(), 0600),
            0);
    EXPECT_EQ(LR::fcpVersion(bundle), std::nullopt);
    EXPECT_EQ(LR::lastHost(bundle), std::nullopt);
}

// ---- Backups, readability ------------------------------------------------------------------

TEST(LibraryBundleFacts, FinalCutBackupFolders) {
    struct Case {
        const char* path;
        bool expected;
    };
    const Case cases[] = {
        {"/Users/a/Movies/Final Cut Backups/Wedding/Wedding 2024-01-01.fcpbundle", true},
        {"/Volumes/B/Final Cut Backups.localized/W.fcpbundle", true},
        {"/Users/a/Movies/final cut backups/W.fcpbundle", false},
        {"/Users/a/Movies/Final Cut Backups", false},
        {"/Users/a/Movies/My Final Cut Backups Old/W.fcpbundle", false},
        {"/Users/a/Movies/Wedding.fcpbundle", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LR::isFinalCutBackup(QString::fromUtf8(c.path)), c.expected) << c.path;
}

TEST(LibraryBundleFacts, ReadableWhenEitherTopFileIsThere) {
    struct Case {
        const char* label;
        bool database;
        bool versionList;
        bool expected;
    };
    const Case cases[] = {
        {"both", true, true, true},
        {"database only", true, false, true},
        {"version list only", false, true, true},
        {"neither", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        LibraryBuilder lib(QStringLiteral("Readable"));
        if (!c.database)
            lib.database.damage = FixtureDatabase::Damage::Missing;
        if (!c.versionList)
            lib.catalogVersion.reset();
        EXPECT_EQ(LR::isReadable(lib.write(fresh("readable"))), c.expected);
    }
    EXPECT_FALSE(LR::isReadable(fresh("nothing") + "/Gone.fcpbundle"));
    // A link to nothing cannot be read, whatever its own attributes say.
    LibraryBuilder linked(QStringLiteral("Linked"));
    linked.database.damage = FixtureDatabase::Damage::Missing;
    linked.catalogVersion.reset();
    linked.item(Item::link(kLibraryDb, "/nonexistent/CurrentVersion.flexolibrary"));
    EXPECT_FALSE(LR::isReadable(linked.write(fresh("linked"))));
}

// What tells a library from what is none, for the scan and the diagnostics alike: its own
// files, however broken, else an event; a link to nothing and a lone folder are not a library.
TEST(LibraryBundleFacts, ALibraryIsToldByItsOwnFilesElseByAnEvent) {
    using Evidence = LR::LibraryEvidence;
    struct Case {
        const char* label;
        std::function<void(LibraryBuilder&)> shape;
        Evidence expected;
    };
    const auto bare = [](LibraryBuilder& lib) {
        lib.database.damage = FixtureDatabase::Damage::Missing;
        lib.catalogVersion.reset();
    };
    const Case cases[] = {
        {"both files", [](LibraryBuilder&) {}, Evidence::ownFiles},
        {"the database only", [](LibraryBuilder& lib) { lib.catalogVersion.reset(); }, Evidence::ownFiles},
        {"the version list only",
         [](LibraryBuilder& lib) { lib.database.damage = FixtureDatabase::Damage::Missing; },
         Evidence::ownFiles},
        {"a database that does not open",
         [](LibraryBuilder& lib) {
             lib.catalogVersion.reset();
             lib.database.damage = FixtureDatabase::Damage::NotSQLite;
             lib.database.garbage = "not a database";
         },
         Evidence::ownFiles},
        {"a folder under the version list's name",
         [&](LibraryBuilder& lib) {
             bare(lib);
             lib.item(Item::folder("CurrentVersion.plist"));
         },
         Evidence::ownFiles},
        {"events only",
         [&](LibraryBuilder& lib) {
             bare(lib);
             lib.event(QStringLiteral("Day 1"));
         },
         Evidence::eventsOnly},
        {"a link to no database, with an event",
         [&](LibraryBuilder& lib) {
             bare(lib);
             lib.item(Item::link(kLibraryDb, "/nonexistent/CurrentVersion.flexolibrary"));
             lib.event(QStringLiteral("Day 1"));
         },
         Evidence::eventsOnly},
        {"a link to no database alone",
         [&](LibraryBuilder& lib) {
             bare(lib);
             lib.item(Item::link(kLibraryDb, "/nonexistent/CurrentVersion.flexolibrary"));
         },
         Evidence::none},
        {"a folder that is no event",
         [&](LibraryBuilder& lib) {
             bare(lib);
             lib.item(Item::folder("Plain Folder"));
         },
         Evidence::none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        LibraryBuilder lib(QStringLiteral("Evidence"));
        c.shape(lib);
        EXPECT_EQ(LR::libraryEvidence(lib.write(fresh("evidence"))), c.expected);
    }
    EXPECT_EQ(LR::libraryEvidence(fresh("nothing") + "/Gone.fcpbundle"), Evidence::none);
    EXPECT_EQ(LR::libraryEvidence(QString()), Evidence::none);
}

// A library database that is there must open: one that cannot (a named pipe, or a link to
// one) makes a library that cannot be read, whatever its property list says, so a scan
// reports it rather than cataloguing it without its database. A folder under that name is no
// database at all, and the property list decides as it does when the database is missing.
TEST(LibraryBundleFacts, ADatabaseThatIsThereButCannotBeOpenedMakesTheLibraryUnreadable) {
    const struct {
        const char* what;
        bool readable;
    } cases[] = {
        {"pipe", false},
        {"link to a pipe", false},
        {"link to the database", true},
        {"folder", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LibraryBuilder lib(QStringLiteral("Kinds"));
        const QString bundle = lib.write(fresh("kinds"));
        const QString database = QDir(bundle).filePath(kLibraryDb);
        const QString moved = QDir(bundle).filePath(QStringLiteral("Elsewhere.db"));
        ASSERT_TRUE(QFile::rename(database, moved));
        const QString what = QLatin1String(c.what);
        std::optional<test::NamedPipe> pipe;
        if (what == "pipe")
            pipe.emplace(database);
        if (what == "link to a pipe") {
            pipe.emplace(QDir(bundle).filePath(QStringLiteral("Pipe.db")));
            FixtureFiles::makeLink(database, QStringLiteral("Pipe.db"));
        }
        if (what == "link to the database")
            FixtureFiles::makeLink(database, QStringLiteral("Elsewhere.db"));
        if (what == "folder")
            FixtureFiles::makeFolder(database);

        bool readable = !c.readable;
        if (pipe) {
            EXPECT_TRUE(test::returnsUnaided({&*pipe}, [&] { readable = LR::isReadable(bundle); }));
        } else {
            readable = LR::isReadable(bundle);
        }
        EXPECT_EQ(readable, c.readable);
    }
}

// ---- Event and project folders ---------------------------------------------------------------

TEST(LibraryBundleFolders, EventsInFinderOrderWithoutSpecialFolders) {
    LibraryBuilder lib(QStringLiteral("Events"));
    for (const char* name : {"Event 10", "Event 2", "event 1", "Éclair", "Zebra"})
        lib.event(QString::fromUtf8(name));
    lib.event(QStringLiteral("Event 2")).project(QStringLiteral("Cut"));
    // Final Cut Pro's own "__" folders, hidden folders and folders without an event database
    // are not events, even when they hold the database file.
    lib.item(Item::file("__Temp/CurrentVersion.fcpevent", 10));
    lib.item(Item::file("__BackgroundTasks/CurrentVersion.fcpevent", 10));
    lib.item(Item::file(".Hidden/CurrentVersion.fcpevent", 10));
    lib.item(Item::folder("Plain Folder"));
    lib.item(Item::file("Plain Folder/Info.plist", 10));
    lib.item(Item::file("notes.txt", 10));
    lib.item(Item::file("_Single/CurrentVersion.fcpevent", 10));
    const QString bundle = lib.write(fresh("events"));

    const QStringList events = LR::eventFolders(bundle);
    EXPECT_EQ(names(events), (QStringList{"_Single", "Éclair", "event 1", "Event 2", "Event 10", "Zebra"}));
    for (const QString& path : events)
        EXPECT_EQ(QFileInfo(path).absolutePath(), bundle);
    // A trailing slash on the bundle changes nothing.
    EXPECT_EQ(LR::eventFolders(bundle + "/"), events);

    EXPECT_TRUE(LR::eventFolders(fresh("none") + "/Missing.fcpbundle").isEmpty());
    // An empty path is not the working directory, even when that is a library.
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(bundle));
    EXPECT_TRUE(LR::eventFolders(QString()).isEmpty());
    EXPECT_EQ(LR::fcpVersion(QString()), std::nullopt);
    EXPECT_FALSE(LR::isReadable(QString()));
    QDir::setCurrent(QDir(bundle).filePath("Event 2"));
    EXPECT_TRUE(LR::projectFolders(QString()).isEmpty());
    QDir::setCurrent(saved);
    EXPECT_TRUE(LR::eventFolders(QDir(bundle).filePath("notes.txt")).isEmpty());
}

TEST(LibraryBundleFolders, ProjectsInFinderOrderUnderscoresIncluded) {
    LibraryBuilder lib(QStringLiteral("Projects"));
    LibraryBuilder::Event& event = lib.event(QStringLiteral("Day 1"));
    for (const char* name : {"Cut 10", "Cut 2", "__Draft", "cut 1"})
        event.project(QString::fromUtf8(name));
    event.media(QStringLiteral("A001.mov"), 1000);
    event.item(Item::file(".Hidden Project/CurrentVersion.fcpevent", 10));
    const QString bundle = lib.write(fresh("projects"));

    EXPECT_EQ(names(LR::projectFolders(QDir(bundle).filePath("Day 1"))),
              (QStringList{"__Draft", "cut 1", "Cut 2", "Cut 10"}));
    EXPECT_TRUE(LR::projectFolders(QDir(bundle).filePath("No Such Event")).isEmpty());
}

// ---- Volume -------------------------------------------------------------------------------------

TEST(LibraryBundleFacts, VolumeFromPath) {
    struct Case {
        const char* path;
        const char* expected;
    };
    {
        ScopedEnv root("TOVLIN_VOLUMES_ROOT", "/Volumes");
        const Case cases[] = {
            {"/Volumes/Media/Libraries/X.fcpbundle", "Media"},
            {"/Users/someone/Movies/X.fcpbundle", "Macintosh HD"},
            {"/Volumes/Media", "Media"},
            {"/Volumes//Media/X.fcpbundle", "Media"},
            {"/Volumes/Drive é #2/X.fcpbundle", "Drive é #2"},
            {"/Volumes", "Macintosh HD"},
            {"/VolumesX/Media/X.fcpbundle", "Macintosh HD"},
            {"/Users/Volumes/Media/X.fcpbundle", "Macintosh HD"},
            {"", "Macintosh HD"},
        };
        for (const Case& c : cases)
            EXPECT_EQ(LR::volumeFromPath(QString::fromUtf8(c.path)), QString::fromUtf8(c.expected)) << c.path;
    }
    // The test's own volumes root stands in for "/Volumes".
    const QString root = test::TestEnv::volumesRoot();
    EXPECT_EQ(LR::volumeFromPath(root + "/Archive 2/Libraries/X.fcpbundle"), QStringLiteral("Archive 2"));
    EXPECT_EQ(LR::volumeFromPath(QStringLiteral("/Volumes/Media/X.fcpbundle")),
              QStringLiteral("Macintosh HD"));
}

// ---- Allocated size ----------------------------------------------------------------------------

TEST(LibraryBundleSize, CountsAllocatedBlocksOfRegularFilesOnly) {
    const QString folder = fresh("size");
    const QString outside = fresh("size-outside");
    FixtureFiles::writeRandom(folder + "/a.mov", 300'000);
    FixtureFiles::writeRandom(folder + "/nested/deeper/b.mov", 70'001);
    FixtureFiles::writeRandom(folder + "/.hidden", 5'000);
    FixtureFiles::writeRandom(folder + "/Package.bundle/Contents/c.bin", 12'345);
    FixtureFiles::makeFolder(folder + "/empty");
    // A file with a hole: 10 MB long, almost nothing allocated.
    {
        QFile sparse(folder + "/sparse.bin");
        ASSERT_TRUE(sparse.open(QIODevice::WriteOnly));
        ASSERT_TRUE(sparse.resize(10'000'000));
    }
    // Links are never followed, to files or to folders.
    FixtureFiles::writeRandom(outside + "/big.mov", 2'000'000);
    FixtureFiles::makeLink(folder + "/link-to-file", outside + "/big.mov");
    FixtureFiles::makeLink(folder + "/link-to-folder", outside);
    FixtureFiles::makeLink(folder + "/broken", outside + "/nothing");

    qint64 expected = 0;
    for (const char* file :
         {"/a.mov", "/nested/deeper/b.mov", "/.hidden", "/Package.bundle/Contents/c.bin", "/sparse.bin"})
        expected += FixtureFiles::allocatedSize(folder + file);
    ASSERT_GT(expected, 300'000);

    const qint64 size = LR::allocatedSize(folder);
    EXPECT_EQ(size, expected);
    EXPECT_LT(size, 10'000'000); // blocks, not lengths
    EXPECT_EQ(size, FixtureFiles::allocatedSize(folder));

    EXPECT_EQ(LR::allocatedSize(folder + "/a.mov"), FixtureFiles::allocatedSize(folder + "/a.mov"));
    EXPECT_EQ(LR::allocatedSize(folder + "/missing"), 0);
    EXPECT_EQ(LR::allocatedSize(QString()), 0);
    EXPECT_EQ(LR::allocatedSize(folder + "/link-to-folder"),
              FixtureFiles::allocatedSize(folder + "/link-to-folder"));
    EXPECT_LT(LR::allocatedSize(folder + "/link-to-folder"), 2'000'000);
}

TEST(LibraryBundleSize, StopsWhenAsked) {
    const QString folder = fresh("size-stop");
    for (int i = 0; i < 20; ++i)
        FixtureFiles::writeRandom(QStringLiteral("%1/f%2/file.bin").arg(folder).arg(i), 8'192);
    std::stop_source source;
    source.request_stop();
    EXPECT_EQ(LR::allocatedSize(folder, source.get_token()), 0);
    EXPECT_EQ(LR::allocatedSize(folder, std::stop_source().get_token()), FixtureFiles::allocatedSize(folder));
}

// ---- Plug-ins of one database -----------------------------------------------------------------

TEST(LibraryBundlePlugins, CountsUsesPerIdentifierAndSorts) {
    const QString uuid = QStringLiteral("9F1C2D52-7A43-4B8E-9B0E-2F6B1D9C5A10");
    LibraryBuilder lib(QStringLiteral("Plugins"));
    LibraryBuilder::Event& event = lib.event(QStringLiteral("Day 1"));
    for (int i = 0; i < 10; ++i)
        event.row(CollectionRow::audioUnit("aufx", "dcmp", "Zeta", QStringLiteral("Squeeze")));
    // The same effect, once under another row type: one identifier, one use.
    event.row(CollectionRow::audioUnit("aufx", "dcmp", "Zeta", QStringLiteral("Squeeze"),
                                       QStringLiteral("FFAudioUnitAnalyzingEffect")));
    event.row(CollectionRow::fxPlug(uuid.toLower(), QStringLiteral("Glow")));
    event.row(CollectionRow::fxPlug(uuid.toLower(), QStringLiteral("Another Name")));
    event.row(CollectionRow::audioUnit("aufx", "rvb2", "Acme"));
    // Apple's own Audio Units are never listed, however often they are used.
    event.row(CollectionRow::audioUnit("aufx", "dcmp", "appl"));
    event.row(CollectionRow::audioUnit("aufx", "dcmp", "appl"));
    // Rows that cannot be read, or carry no text under "effectID", are passed over.
    event.row(CollectionRow::withBlob(QStringLiteral("FFFxPlugEffect"), "garbage"));
    event.row(
        CollectionRow::withMetadata(QStringLiteral("FFFxPlugEffect"), PlistValue::dict({{"effectID", 12}})));
    event.row(
        CollectionRow::withMetadata(QStringLiteral("FFMotionEffect"), PlistValue::dict({{"name", "x"}})));
    // Rows of other types are not effects.
    event.row(CollectionRow::effect(QStringLiteral("FFAnchoredClip"),
                                    CollectionRow::audioUnitID("aufx", "xxxx", "Acme")));
    const QString bundle = lib.write(fresh("plugins"));

    const LR::Database db = LR::openReadOnly(QDir(bundle).filePath("Day 1/" + kEventDb));
    ASSERT_TRUE(db);
    const QList<PluginUse> uses = LR::readPlugins(db.get());
    ASSERT_EQ(uses.size(), 3);

    EXPECT_EQ(uses[0].pack, QStringLiteral("Audio Unit “Acme”"));
    EXPECT_EQ(uses[0].name, QStringLiteral("rvb2"));
    EXPECT_EQ(uses[0].count, 1);

    EXPECT_EQ(uses[1].pack, QStringLiteral("Audio Unit “Zeta”"));
    EXPECT_EQ(uses[1].name, QStringLiteral("Squeeze"));
    EXPECT_EQ(uses[1].kind, QStringLiteral("Audio"));
    EXPECT_EQ(uses[1].id, CollectionRow::audioUnitID("aufx", "dcmp", "Zeta"));
    EXPECT_EQ(uses[1].count, 11);

    // The first row of an identifier names it.
    EXPECT_EQ(uses[2].kind, QStringLiteral("Video plug-in"));
    EXPECT_EQ(uses[2].pack, QStringLiteral("Glow"));
    EXPECT_EQ(uses[2].name, QStringLiteral("Glow"));
    EXPECT_EQ(uses[2].id, "FxPlug:" + uuid.toLower());
    EXPECT_EQ(uses[2].count, 2);
}

TEST(LibraryBundlePlugins, TenRowsOfOneEffectGiveOneUseOfTen) {
    LibraryBuilder lib(QStringLiteral("Ten"));
    LibraryBuilder::Event& event = lib.event(QStringLiteral("Day 1"));
    LibraryBuilder::Project& project = event.project(QStringLiteral("Cut"));
    for (int i = 0; i < 10; ++i)
        project.row(CollectionRow::fxPlug(QStringLiteral("0A1B2C3D-4E5F-4A6B-8C7D-8E9FA0B1C2D3")));
    const QString bundle = lib.write(fresh("ten"));
    const LR::Database db = LR::openReadOnly(QDir(bundle).filePath("Day 1/Cut/" + kEventDb));
    ASSERT_TRUE(db);
    const QList<PluginUse> uses = LR::readPlugins(db.get());
    ASSERT_EQ(uses.size(), 1);
    EXPECT_EQ(uses[0].count, 10);
    EXPECT_EQ(uses[0].name, QStringLiteral("0A1B2C3D-4E5F-4A6B-8C7D-8E9FA0B1C2D3"));
    EXPECT_TRUE(LR::readPlugins(nullptr).isEmpty());
}

// ---- Project values -------------------------------------------------------------------------

TEST(LibraryBundleValues, ParseDuration) {
    struct Case {
        const char* text;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"0/1s 3600/30000s", 0.12},
        {"0/1s", std::nullopt},
        {"", std::nullopt},
        {"no fractions here", std::nullopt},
        {"1/0s 100/25s", std::nullopt}, // a fraction over 0 is not noted
        {"0/1s 0/0s 50/25s", 2.0},      // ... so the next one counts as the second
        {"-3/1s -200/100s", -2.0},
        {"x 1/2 y 3/4 z 5/8", 0.75},
        {"3600/30000s 0/1s", 0.0},
        {"0/1s 99999999999999999999/1s", 1e20},
    };
    for (const Case& c : cases) {
        const std::optional<double> result = LR::parseDuration(QString::fromUtf8(c.text));
        ASSERT_EQ(result.has_value(), c.expected.has_value()) << c.text;
        if (c.expected) {
            EXPECT_DOUBLE_EQ(*result, *c.expected) << c.text;
        }
    }
}

TEST(LibraryBundleValues, FriendlyFormat) {
    struct Case {
        std::optional<QString> key;
        std::optional<double> fps;
        std::optional<QString> expected;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {"FFVideoFormat1080p2997", 29.97, "1920×1080 29.97p"},
        {"FFVideoFormat1080p2997", std::nullopt, "1920×1080 p2997"},
        {"FFVideoFormat1080i50", 25.0, "1920×1080 25i"},
        {"FFVideoFormat720p60", 60.0, "1280×720 60p"},
        {"FFVideoFormat3840x2160p2398", 23.976, "3840x2160 23.98p"},
        {"FFVideoFormat1080", 25.0, "1920×1080 25p"},
        {"FFVideoFormat1080", std::nullopt, "1920×1080 "},
        {"FFVideoFormat1080p24", 24.0, "1920×1080 24p"},
        {"FFVideoFormat1080p24", 1e20, "1920×1080 100000000000000000000p"},
        {"FFVideoFormat1080p24", inf, "1920×1080 p24"},
        {"FFVideoFormat1080p24", std::nan(""), "1920×1080 p24"},
        {"FFVideoFormat1080p24", -0.0, "1920×1080 0p"},
        {"FFVideoFormat", std::nullopt, " "},
        {std::nullopt, 25.0, std::nullopt},
        {"ffvideoformat1080p24", 24.0, std::nullopt},
        {"AVFormat1080p24", 24.0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key.value_or("<none>").toStdString());
        EXPECT_EQ(LR::friendlyFormat(c.key, c.fps), c.expected);
    }
}
