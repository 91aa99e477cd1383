// Whether one plug-in is installed: the status of each kind of identifier, the FxPlug index
// built from the folders and the registry's listing, and the answers kept until a recheck.

#include "Plugins/FxPlugIndex.h"
#include "Plugins/PluginChecker.h"
#include "Plugins/PluginPlaces.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Plugins/PluginMachine.h"

#include <QSignalSpy>
#include <QStringEncoder>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace pellimor;
using fixtures::PlistFormat;
using fixtures::PlistValue;
using test::PluginMachine;
namespace FixtureFiles = fixtures::FixtureFiles;

namespace {

const QString kTitle = QStringLiteral("~/Titles.localized/Pack A.localized/Lower Third/Lower Third.moti");
const QString kTitleRest = kTitle.mid(2);
const QString kDeRoom = QStringLiteral("AudioUnit: 0x61756678414452324163747a"); // aufx ADR2 Actz
const QString kGlowUUID = QStringLiteral("8C1A7E52-4B3D-4F6A-9E21-5D7C3B9A0F14");

const char* name(PluginStatus status) {
    switch (status) {
    case PluginStatus::installed:
        return "installed";
    case PluginStatus::missing:
        return "missing";
    case PluginStatus::unverified:
        return "unverified";
    case PluginStatus::partial:
        return "partial";
    }
    return "?";
}

PluginUse use(const QString& id) {
    return PluginUse{QStringLiteral("Title"), QStringLiteral("Pack"), QStringLiteral("Item"), id, 1};
}

void makeFifo(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0) << path.toStdString();
}

} // namespace

TEST(PluginCheckerCompute, EachKindOfIdentifierByWhatThisComputerHolds) {
    enum class Units { fake, system };
    struct Case {
        const char* what;
        QString id;
        std::function<void(PluginMachine&)> setup;
        PluginStatus expected;
        Units units = Units::fake;
    };
    const auto nothing = [](PluginMachine&) {};
    const auto deRoomInstalled = [](PluginMachine& m) {
        m.audioUnits->install(QStringLiteral("aufx"), QStringLiteral("ADR2"), QStringLiteral("Actz"));
    };
    const auto glowInSystemFolder = [](PluginMachine& m) {
        PluginMachine::writeBundle(m.systemFxPlug() + "/Glow.fxplug", PluginMachine::infoList(kGlowUUID));
    };
    const QString lowerGlow = kGlowUUID.toLower();
    const Case cases[] = {
        {"a template only in the system-wide folder", kTitle,
         [](PluginMachine& m) { PluginMachine::installTemplate(m.systemTemplates(), kTitleRest); },
         PluginStatus::installed},
        {"a template only in the user's folder", kTitle,
         [](PluginMachine& m) { PluginMachine::installTemplate(m.userTemplates(), kTitleRest); },
         PluginStatus::installed},
        {"a template folder (a bundle) in the user's folder",
         "~/Titles.localized/Pack A.localized/Lower Third",
         [](PluginMachine& m) { PluginMachine::installTemplate(m.userTemplates(), kTitleRest); },
         PluginStatus::installed},
        {"a template in neither folder", kTitle,
         [](PluginMachine& m) {
             // Its neighbour is no stand-in.
             PluginMachine::installTemplate(m.userTemplates(),
                                            "Titles.localized/Pack A.localized/Lower Third/Other.moti");
         },
         PluginStatus::missing},
        {"\"..\" resolved by the disk, through the user's folder",
         "~/Titles.localized/../Titles.localized/Pack A.localized/Lower Third/Lower Third.moti",
         [](PluginMachine& m) { PluginMachine::installTemplate(m.userTemplates(), kTitleRest); },
         PluginStatus::installed},
        {"\"..\" leading out of the user's template folder", "~/../Elsewhere.moti",
         [](PluginMachine& m) {
             QDir().mkpath(m.userTemplates());
             test::writeFile(QDir(m.home).filePath("Movies/Elsewhere.moti"), "x");
         },
         PluginStatus::installed},
        {"\"..\" through a template folder that is not there", "~/../Elsewhere.moti",
         [](PluginMachine& m) { test::writeFile(QDir(m.home).filePath("Movies/Elsewhere.moti"), "x"); },
         PluginStatus::missing},
        {"an absolute path to an existing folder", QString(), nullptr, PluginStatus::installed},
        {"an absolute path to nothing", QString(), nullptr, PluginStatus::missing},
        {"an Audio Unit the registry holds", kDeRoom, deRoomInstalled, PluginStatus::installed},
        {"an Audio Unit the registry does not hold", kDeRoom, nothing, PluginStatus::missing},
        {"an Audio Unit without a registry to ask", kDeRoom, deRoomInstalled, PluginStatus::unverified,
         Units::system},
        {"an Audio Unit with blanks between its digits", "AudioUnit: 0x6175 6678 4144 5232 4163 747a",
         deRoomInstalled, PluginStatus::installed},
        {"an Audio Unit with a code that is not printable", "AudioUnit: 0x000001ff414452324163747a",
         deRoomInstalled, PluginStatus::unverified},
        {"an Audio Unit of 23 digits", "AudioUnit: 0x61756678414452324163747", deRoomInstalled,
         PluginStatus::unverified},
        {"an Audio Unit without \"0x\"", "AudioUnit: 61756678414452324163747a", deRoomInstalled,
         PluginStatus::unverified},
        {"an FxPlug identifier in lower case, upper case in the list", "FxPlug:" + lowerGlow,
         glowInSystemFolder, PluginStatus::installed},
        {"an FxPlug identifier in upper case, lower case in the list", "FxPlug:" + kGlowUUID,
         [lowerGlow](PluginMachine& m) {
             PluginMachine::writeBundle(m.userFxPlug() + "/Glow.fxplug", PluginMachine::infoList(lowerGlow));
         },
         PluginStatus::installed},
        {"an FxPlug identifier found nowhere", "FxPlug:" + kGlowUUID, nothing, PluginStatus::unverified},
        {"an FxPlug prefix in lower case", "fxplug:" + kGlowUUID, glowInSystemFolder,
         PluginStatus::unverified},
        {"an FxPlug prefix in mixed case", "FXPlug:" + kGlowUUID, glowInSystemFolder,
         PluginStatus::unverified},
        {"an empty identifier", "", nothing, PluginStatus::unverified},
        {"a template path without \"~/\"", "Titles.localized/x",
         [](PluginMachine& m) { PluginMachine::installTemplate(m.userTemplates(), "Titles.localized/x"); },
         PluginStatus::unverified},
        {"no known prefix", "Plugin:Glow", nothing, PluginStatus::unverified},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PluginMachine machine;
        QString id = c.id;
        if (!c.setup) {
            // The absolute-path cases: a plug-in bundle below the machine's root, or nothing.
            id = QDir(machine.root).filePath("Plug-ins/Wide Glow.bundle");
            if (c.expected == PluginStatus::installed)
                QDir().mkpath(id);
        } else {
            c.setup(machine);
        }
        std::optional<platform::ScopedServices> system;
        if (c.units == Units::system) {
            platform::Services s;
            s.audioUnits = platform::Services::system().audioUnits;
            system.emplace(s);
        }
        EXPECT_EQ(name(PluginChecker::shared().compute(use(id))), name(c.expected)) << id.toStdString();
        EXPECT_TRUE(PluginChecker::shared().cache().isEmpty()) << "compute() keeps nothing";
    }
}

TEST(PluginCheckerCompute, AnAudioUnitThatCannotBeAskedForLeavesTheRegistryAlone) {
    PluginMachine machine;
    for (const QString& id : {QStringLiteral("AudioUnit: 0x000001ff414452324163747a"),
                              QStringLiteral("AudioUnit: 0x61756678"), QStringLiteral("AudioUnit:")}) {
        EXPECT_EQ(PluginChecker::shared().compute(use(id)), PluginStatus::unverified) << id.toStdString();
    }
    EXPECT_EQ(machine.audioUnits->calls(), 0);
    EXPECT_EQ(PluginChecker::shared().compute(use(kDeRoom)), PluginStatus::missing);
    EXPECT_EQ(machine.audioUnits->calls(), 1);
}

TEST(PluginPlaces, SystemWideFoldersLieBelowTheRootAndTheUser_sBelowHome) {
    PluginMachine machine;
    EXPECT_EQ(PluginPlaces::systemTemplates(), machine.systemTemplates() + "/");
    EXPECT_EQ(PluginPlaces::userTemplates(), machine.userTemplates() + "/");
    EXPECT_EQ(PluginPlaces::systemFxPlug(), machine.systemFxPlug() + "/");
    EXPECT_EQ(PluginPlaces::userFxPlug(), machine.userFxPlug() + "/");

    platform::Services system;
    system.rootFolder = platform::Services::system().rootFolder;
    platform::ScopedServices scope(system);
    EXPECT_EQ(PluginPlaces::systemFxPlug(), QDir::rootPath() + "Library/Plug-Ins/FxPlug/");
}

// ---- The FxPlug index ---------------------------------------------------------------------

TEST(FxPlugIndexTest, ScansEveryEntryOfTheFoldersAndEveryPlaceTheRegistryLists) {
    PluginMachine machine;
    const QString uuid[] = {
        "11111111-1111-4111-8111-111111111111", "22222222-2222-4222-8222-222222222222",
        "33333333-3333-4333-8333-333333333333", "44444444-4444-4444-8444-444444444444",
        "55555555-5555-4555-8555-555555555555", "66666666-6666-4666-8666-666666666666",
        "77777777-7777-4777-8777-777777777777", "88888888-8888-4888-8888-888888888888",
        "99999999-9999-4999-8999-999999999999", "AAAAAAAA-AAAA-4AAA-8AAA-AAAAAAAAAAAA",
        "bbbbbbbb-bbbb-4bbb-8bbb-bbbbbbbbbbbb", "CCCCCCCC-CCCC-4CCC-8CCC-CCCCCCCCCCCC",
        "DDDDDDDD-DDDD-4DDD-8DDD-DDDDDDDDDDDD",
    };
    const QString system = machine.systemFxPlug();
    // Found: an entry without extension, a hidden entry, a binary list holding the text as
    // ASCII, a list with invalid UTF-8 around the identifier, an entry of the user's folder.
    PluginMachine::writeBundle(system + "/NoExtension", PluginMachine::infoList(uuid[0]));
    PluginMachine::writeBundle(system + "/.Hidden", PluginMachine::infoList(uuid[1]));
    FixtureFiles::writePlist(
        system + "/Binary.fxplug/Contents/Info.plist",
        PlistValue::dict(
            {{"ProPlugPlugInList", PlistValue::array({PlistValue::dict({{"uuid", PlistValue(uuid[2])}})})}}),
        PlistFormat::Binary);
    PluginMachine::writeBundle(system + "/Damaged.fxplug",
                               "\xff\xfe<string>\xc3" + uuid[3].toLatin1() + "\xe2\x82</string>\x80");
    PluginMachine::writeBundle(machine.userFxPlug() + "/Mine.fxplug", PluginMachine::infoList(uuid[4]));
    // Not found: text stored as UTF-16 (a binary list's non-ASCII string, an XML list written
    // in UTF-16), a pipe, a folder or nothing where the list belongs, a plain file.
    FixtureFiles::writePlist(system + "/Wide.fxplug/Contents/Info.plist",
                             PlistValue::dict({{"uuid", PlistValue("\u00e9 " + uuid[5])}}),
                             PlistFormat::Binary);
    QStringEncoder utf16(QStringEncoder::Utf16LE);
    PluginMachine::writeBundle(system + "/Utf16.fxplug",
                               utf16.encode(QString::fromUtf8(PluginMachine::infoList(uuid[6]))));
    makeFifo(system + "/Piped.fxplug/Contents/Info.plist");
    QDir().mkpath(system + "/Folder.fxplug/Contents/Info.plist");
    QDir().mkpath(system + "/Empty.fxplug");
    test::writeFile(system + "/README.txt", uuid[7].toLatin1());

    // The registry's places: a bundle named after text and blanks, a folder scanned entry by
    // entry, a plain file of another kind, a bundle that is not there; a line without "/".
    const QString apps = QDir(machine.root).filePath("Apps");
    PluginMachine::writeBundle(apps + "/Foo.appex", PluginMachine::infoList(uuid[8]));
    PluginMachine::writeBundle(apps + "/Registered/Entry", PluginMachine::infoList(uuid[9]));
    test::writeFile(apps + "/notes.txt", uuid[10].toLatin1());
    machine.fxplugs->setListing(
        "+    com.example.fx(1.0)\t" + uuid[11].toLatin1() + "\t2024-01-01\t" + apps.toUtf8() +
        "/Foo.appex  \t\n" + "     com.example.folder(2.0)\t" + apps.toUtf8() + "/Registered\n" + "\n" +
        "-    com.example.note(1)\t" + apps.toUtf8() + "/notes.txt\n" + "     com.example.gone(1)\t" +
        apps.toUtf8() + "/Gone.appex\n" + "     com.example.nopath(1)\t" + uuid[12].toLatin1() + "\n");

    const QSet<QString> found = PluginChecker::shared().fxplug();
    const QSet<QString> expected{uuid[0], uuid[1], uuid[2], uuid[3], uuid[4], uuid[8], uuid[9]};
    EXPECT_EQ(found, expected);
    EXPECT_EQ(PluginChecker::shared().fxplugIndex(), std::optional(expected));
    EXPECT_EQ(machine.fxplugs->calls(), 1);
}

TEST(FxPlugIndexTest, RegistryListingsGiveThePathsOfTheirLines) {
    struct Case {
        const char* what;
        QByteArray listing;
        QStringList places;
    };
    const Case cases[] = {
        {"a registry line",
         "+    com.example.fx(1.0)\tUUID\t2024-01-01\t/path/Foo.appex  \t\n",
         {"/path/Foo.appex"}},
        {"a line without \"/\"", "+    com.example.fx(1.0)\tUUID\t2024-01-01\n", {}},
        {"blanks and tabs around, blanks inside kept", " \t/a b/c.fxplug \t \n", {"/a b/c.fxplug"}},
        {"from the first \"/\" on", "x(1/2) /a/b", {"/2) /a/b"}},
        {"empty lines, no final line feed", "\n\n/a\n\n\n/b", {"/a", "/b"}},
        {"invalid UTF-8 replaced, the other lines intact",
         "/caf\xc3\n/ok\xff.fxplug\n/fine\n",
         {"/caf\ufffd", "/ok\ufffd.fxplug", "/fine"}},
        {"nothing at all", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FxPlugIndex::registryPlaces(c.listing), c.places);
    }

    // Megabytes of listing: every line, in order.
    QByteArray large;
    for (int i = 0; i < 60000; ++i)
        large += "     com.example.fx" + QByteArray::number(i) + "(1.0)\t2024-01-01\t/Plug-ins/Item " +
                 QByteArray::number(i) + ".fxplug\n";
    ASSERT_GT(large.size(), 3 * 1000 * 1000);
    const QStringList places = FxPlugIndex::registryPlaces(large);
    ASSERT_EQ(places.size(), 60000);
    EXPECT_EQ(places.first(), QStringLiteral("/Plug-ins/Item 0.fxplug"));
    EXPECT_EQ(places.last(), QStringLiteral("/Plug-ins/Item 59999.fxplug"));
}

TEST(FxPlugIndexTest, ARegistryThatCannotStartLeavesTheFoldersAndNeverMakesMissing) {
    PluginMachine machine;
    PluginMachine::writeBundle(machine.systemFxPlug() + "/Glow.fxplug", PluginMachine::infoList(kGlowUUID));
    EXPECT_EQ(PluginChecker::shared().fxplug(), QSet<QString>{kGlowUUID});
    EXPECT_EQ(machine.fxplugs->calls(), 1);
    EXPECT_EQ(PluginChecker::shared().compute(use("FxPlug:" + kGlowUUID)), PluginStatus::installed);
    EXPECT_EQ(PluginChecker::shared().compute(use("FxPlug:00000000-0000-4000-8000-000000000000")),
              PluginStatus::unverified);
}

// ---- Answers kept until a recheck ---------------------------------------------------------

TEST(PluginCheckerCache, AnswersStayUntilTheCatalogueRechecks) {
    PluginMachine machine;
    PluginChecker& checker = PluginChecker::shared();
    ASSERT_TRUE(checker.cache().isEmpty());
    ASSERT_FALSE(checker.fxplugIndex().has_value());

    const PluginUse title = use(kTitle);
    const PluginUse glow = use("FxPlug:" + kGlowUUID.toLower());
    const PluginUse other = use(QStringLiteral("FxPlug:00000000-0000-4000-8000-000000000000"));
    const PluginUse deRoom = use(kDeRoom);
    EXPECT_EQ(checker.status(title), PluginStatus::missing);
    EXPECT_EQ(checker.status(glow), PluginStatus::unverified);
    EXPECT_EQ(checker.status(other), PluginStatus::unverified);
    EXPECT_EQ(checker.status(deRoom), PluginStatus::missing);
    EXPECT_EQ(machine.fxplugs->calls(), 1) << "the registry is asked once between rechecks";
    EXPECT_EQ(machine.audioUnits->calls(), 1);
    EXPECT_EQ(checker.cache().size(), 4);

    // Everything installed meanwhile changes nothing: the disk and the registries are left alone.
    PluginMachine::installTemplate(machine.systemTemplates(), kTitleRest);
    PluginMachine::writeBundle(machine.systemFxPlug() + "/Glow.fxplug", PluginMachine::infoList(kGlowUUID));
    machine.audioUnits->install(QStringLiteral("aufx"), QStringLiteral("ADR2"), QStringLiteral("Actz"));
    const int rootCalls = machine.rootFolder->calls();
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(checker.status(title), PluginStatus::missing);
        EXPECT_EQ(checker.status(glow), PluginStatus::unverified);
        EXPECT_EQ(checker.status(deRoom), PluginStatus::missing);
    }
    EXPECT_EQ(machine.rootFolder->calls(), rootCalls);
    EXPECT_EQ(machine.fxplugs->calls(), 1);
    EXPECT_EQ(machine.audioUnits->calls(), 1);

    // The recheck empties both caches of the checker and the catalogue's counts before it
    // says the catalogue changed; then every question is asked again.
    LibraryInfo library;
    library.path = QStringLiteral("/Volumes/Studio/A.fcpbundle");
    (void)machine.catalog->pluginStats(library);
    ASSERT_FALSE(machine.catalog->pluginStatsCache().isEmpty());
    QList<bool> emptiedWhenSignalled;
    QObject::connect(machine.catalog.get(), &Catalog::changed, [&] {
        emptiedWhenSignalled.append(checker.cache().isEmpty() && !checker.fxplugIndex() &&
                                    machine.catalog->pluginStatsCache().isEmpty());
    });
    machine.catalog->recheckPlugins();
    EXPECT_EQ(emptiedWhenSignalled, QList<bool>{true});

    EXPECT_EQ(checker.status(title), PluginStatus::installed);
    EXPECT_EQ(checker.status(glow), PluginStatus::installed);
    EXPECT_EQ(checker.status(deRoom), PluginStatus::installed);
    EXPECT_GT(machine.rootFolder->calls(), rootCalls);
    EXPECT_EQ(machine.fxplugs->calls(), 2);
    EXPECT_EQ(machine.audioUnits->calls(), 2);
}
