#include "Catalogue/Reader/Plugins.h"

#include "Platform/Paths.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Support/FakeFinalCutApp.h"
#include "Tests/Support/FileGates.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

using namespace pellimor;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;
using test::FakeFinalCutApp;
using test::ScopedFinalCutApp;
using test::TestEnv;

namespace {

// Readable in a failure message, and one comparison covers every field.
std::string described(const std::optional<PluginUse>& use) {
    if (!use)
        return "nothing";
    return QStringLiteral("%1 | %2 | %3 | %4 | %5")
        .arg(use->kind, use->pack, use->name, use->id)
        .arg(use->count)
        .toStdString();
}

std::string described(const std::optional<Plugins::AudioUnitCodes>& codes) {
    if (!codes)
        return "nothing";
    return (codes->type + " " + codes->subtype + " " + codes->manufacturer).toStdString();
}

QString readText(const QString& path) {
    return QString::fromUtf8(test::readAll(path, "<missing>"));
}

QStringList cacheFiles(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("apple-fxplug-*")}, QDir::Files | QDir::Hidden, QDir::Name);
}

QString cachePath(const QString& version) {
    return Paths::programSupportFolder() + "/apple-fxplug-" + version + ".txt";
}

QSet<QString> setOf(const QStringList& items) {
    return QSet<QString>(items.begin(), items.end());
}

// Sets (or unsets, with nothing) an environment variable for the scope's length.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<QString> value) : m_name(name) {
        if (qEnvironmentVariableIsSet(name))
            m_old = qEnvironmentVariable(name);
        if (value)
            qputenv(name, value->toUtf8());
        else
            qunsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old)
            qputenv(m_name, m_old->toUtf8());
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<QString> m_old;
};

const QString appleID = QStringLiteral("0A1B2C3D-4E5F-4A6B-8C7D-8E9FA0B1C2D3");
const QString thirdPartyID = QStringLiteral("FEDCBA98-7654-4321-8FED-CBA987654321");

// Every test starts without a computed set and without cache files, and leaves none behind.
class PluginsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Plugins::resetAppleFxPlugIDs();
        removeCaches();
    }
    void TearDown() override {
        Plugins::resetAppleFxPlugIDs();
        removeCaches();
    }
    static void removeCaches() {
        for (const QString& name : cacheFiles(Paths::programSupportFolder()))
            QFile::remove(Paths::programSupportFolder() + "/" + name);
    }
    static QString makeApp(const QString& version, const QStringList& builtIn = {}) {
        const QString app = TestEnv::freshDir("apps") + "/Final Cut Pro.app";
        FixtureFiles::writeFinalCutApp(app, version, builtIn);
        return app;
    }
};

// ---------------------------------------------------------------------------------------------
// parseAudioUnit

TEST(PluginsAudioUnit, ReadsTwentyFourDigitsAfterTheFirstMarker) {
    struct Case {
        const char* id;
        const char* expected;
    };
    const Case cases[] = {
        {"AudioUnit:0x617566786463 6d706170706c", "aufx dcmp appl"},
        {"AudioUnit: 0x6175667864636D706170706C", "aufx dcmp appl"}, // upper-case digits
        // Blanks and other characters between the digits are passed over.
        {"AudioUnit:0x61-75-66-78 / 64:63:6d:70 , 61.70.70.6c", "aufx dcmp appl"},
        // Digits before the marker do not count; only the first marker starts the reading.
        {"AudioUnit:ff 0x617566786463 6d7041434d45", "aufx dcmp ACME"},
        // 25 digits: the unpaired last one is dropped; beyond twelve bytes nothing is read.
        {"AudioUnit:0x6175667864636d704143 4d45 7", "aufx dcmp ACME"},
        {"AudioUnit:0x6175667864636d7041434d45 00000000 zz", "aufx dcmp ACME"},
        // Exactly 23 digits is one too few.
        {"AudioUnit:0x6175667864636d704143 4d4", "nothing"},
        {"AudioUnit:6175667864636d7041434d45", "nothing"},   // no marker
        {"AudioUnit:0X6175667864636d7041434d45", "nothing"}, // the marker's case is exact
        {"AudioUnit:0x", "nothing"},
        {"", "nothing"},
        // Full-width digits are not hexadecimal digits here.
        {"AudioUnit:0x6175667864636d7041434d4\xef\xbc\x95", "nothing"},
        // Outside 32...126 a code is spelled in hexadecimal; the limits themselves are printable.
        {"AudioUnit:0x000001ff 2061627e 6162637f", "0x000001ff  ab~ 0x6162637f"},
        {"AudioUnit:0xe9616263 6162631f 80818283", "0xe9616263 0x6162631f 0x80818283"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(described(Plugins::parseAudioUnit(QString::fromUtf8(c.id))), c.expected) << c.id;
}

// ---------------------------------------------------------------------------------------------
// scanUUIDs

TEST(PluginsScanUUIDs, FindsEveryNonOverlappingOccurrence) {
    const QByteArray lowerGroup = "1a2b3c4d-0000-4000-8000-00000000000A";
    const QByteArray one = "11111111-2222-4333-8444-555555555555";
    const QByteArray two = "AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE";
    struct Case {
        const char* label;
        QByteArray bytes;
        QStringList expected;
    };
    QByteArray utf16;
    for (char c : one) {
        utf16.append(c);
        utf16.append('\0');
    }
    const Case cases[] = {
        {"a letter, then a UUID with a lower-case group",
         "x" + lowerGroup,
         {"1A2B3C4D-0000-4000-8000-00000000000A"}},
        {"35 bytes", one.left(35), {}},
        {"nothing", QByteArray(), {}},
        {"two back to back", one + two, {QString::fromLatin1(one), QString::fromLatin1(two)}},
        {"inside other text",
         "<string>" + two + "</string>\n{\"id\":\"" + one + "\"}",
         {QString::fromLatin1(two), QString::fromLatin1(one)}},
        {"a dash out of place", "1111111-12222-4333-8444-555555555555", {}},
        {"a letter that is not hexadecimal", "11111111-2222-4333-8444-55555555555G", {}},
        {"stored as two-byte characters", utf16, {}},
        {"at the very end, after a near miss",
         "11111111-2222-4333-8444-5555-" + one,
         {QString::fromLatin1(one)}},
    };
    for (const Case& c : cases) {
        QSet<QString> found{QStringLiteral("ALREADY-THERE")};
        Plugins::scanUUIDs(c.bytes, found);
        EXPECT_EQ(found, setOf(c.expected + QStringList{QStringLiteral("ALREADY-THERE")})) << c.label;
    }
}

// ---------------------------------------------------------------------------------------------
// classify

TEST_F(PluginsTest, ClassifiesEveryKindOfIdentifier) {
    const QString app = makeApp("11.0", {appleID});
    ScopedFinalCutApp scope(FakeFinalCutApp::installed(app, "11.0"));

    const QString uuidFolder = QStringLiteral("0A1B2C3D-1111-2222-3333-444455556666");
    const QString threeHyphens = QStringLiteral("0A1B2C3D-1111-2222-3333x444455556666");
    const QString motion = QStringLiteral("~/Movies/Motion Templates.localized/");
    struct Case {
        QString id;
        std::optional<QString> display;
        QString kind, pack, name; // empty kind: nothing
    };
    const QString none;
    const Case cases[] = {
        // FxPlug: Apple's own (whatever the case of the stored UUID) are left out.
        {"FxPlug:" + appleID.toLower(), std::nullopt, none, none, none},
        {"FxPlug:" + appleID, QStringLiteral("Gaussian Blur"), none, none, none},
        {"FxPlug:" + thirdPartyID.toLower(), std::nullopt, "Video plug-in", thirdPartyID, thirdPartyID},
        {"FxPlug:" + thirdPartyID, QStringLiteral("Film Grain"), "Video plug-in", "Film Grain", "Film Grain"},
        // A display name that is there but empty is used as it is.
        {"FxPlug:" + thirdPartyID, QString(""), "Video plug-in", "", ""},
        {"fxplug:" + thirdPartyID, std::nullopt, none, none, none},
        // Audio Units: Apple's and the system maker's are left out; the maker code is compared exactly.
        {"AudioUnit:0x617566786463 6d706170706c", std::nullopt, none, none, none},
        {"AudioUnit:0x61756678 64636d70 454d4147", QStringLiteral("Compressor"), none, none, none},
        {"AudioUnit:0x61756678 64636d70 4170706c", std::nullopt, "Audio",
         QStringLiteral("Audio Unit \u201CAppl\u201D"), "dcmp"},
        {"AudioUnit:0x61756678 52657673 46784e65", QStringLiteral("Reverb Pro"), "Audio",
         QStringLiteral("Audio Unit \u201CFxNe\u201D"), "Reverb Pro"},
        {"AudioUnit:0x61756678 00000001 000001ff", std::nullopt, "Audio",
         QStringLiteral("Audio Unit \u201C0x000001ff\u201D"), "0x00000001"},
        // Too few digits: nothing, even when the rest looks like a template path.
        {"AudioUnit:0x6175 /Titles.localized/Pack/My.moti", std::nullopt, none, none, none},
        {"audiounit:0x6175667864636d7041434d45", std::nullopt, none, none, none},
        // Templates.
        {motion + "Titles.localized/Pack.localized/Lower Thirds/My Title.moti", std::nullopt, "Title", "Pack",
         "My Title"},
        {motion + "Titles.localized/Pack.localized/Lower Thirds/My Title.moti", QStringLiteral("Shown"),
         "Title", "Pack", "Shown"},
        {motion + "Effects.localized/Glow.moef", std::nullopt, "Effect", "Glow", "Glow"},
        {motion + "Effects.localized/Glow.moef", QStringLiteral("Soft Glow"), "Effect", "Soft Glow",
         "Soft Glow"},
        {motion + "Generators.localized/Grads//Blend.v2.motn", std::nullopt, "Generator", "Grads",
         "Blend.v2"},
        {motion + "Transitions.localized/Wipes.localized/Wipe", std::nullopt, "Transition", "Wipes", "Wipe"},
        // The first category folder from the left decides; ".localized" must end the folder's name.
        {"/x/Titles/Effects.localized/Titles.localized/Pack/T.moti", std::nullopt, "Effect", "Titles", "T"},
        {motion + "titles.localized/Pack/T.moti", std::nullopt, none, none, none},
        {motion + "Templates.localized/Pack/T.moti", std::nullopt, none, none, none},
        {"/Volumes/Media/Motion Templates.localized/", std::nullopt, none, none, none},
        // A pack folder named after a UUID has no name worth showing; with three hyphens it is a name.
        {motion + "Titles.localized/" + uuidFolder + "/Sub/T.moti", std::nullopt, "Title",
         "(unnamed template folder)", "T"},
        {motion + "Titles.localized/" + uuidFolder + ".localized/Sub/T.moti", std::nullopt, "Title",
         "(unnamed template folder)", "T"},
        {motion + "Titles.localized/" + threeHyphens + "/Sub/T.moti", std::nullopt, "Title", threeHyphens,
         "T"},
        {motion + "Effects.localized/" + uuidFolder + ".moef", std::nullopt, "Effect",
         "(unnamed template folder)", uuidFolder},
        // ".../" marks a path Final Cut Pro could not resolve: nothing, template or not.
        {".../Titles.localized/Pack.localized/Sub/T.moti", std::nullopt, none, none, none},
        {".../FxPlug:" + thirdPartyID, std::nullopt, none, none, none},
        {"com.apple.filter.blur", std::nullopt, none, none, none},
        {"", std::nullopt, none, none, none},
    };
    for (const Case& c : cases) {
        const std::optional<PluginUse> expected =
            c.kind.isEmpty() ? std::nullopt : std::optional(PluginUse{c.kind, c.pack, c.name, c.id, 0});
        EXPECT_EQ(described(Plugins::classify(c.id, c.display)), described(expected)) << c.id.toStdString();
    }
}

TEST_F(PluginsTest, PackNamesCountCharactersAsTheyAreSeen) {
    ScopedFinalCutApp scope(FakeFinalCutApp::notInstalled());
    // "é" written as "e" and a combining accent is one character to the reader.
    const QString thirtySix = QStringLiteral("Cafe\u0301-1111-2222-3333-444455556666abcd");
    const QString thirtyFive = QStringLiteral("Cafe\u0301-1111-2222-3333-444455556666abc");
    ASSERT_EQ(thirtySix.size(), 37);
    ASSERT_EQ(thirtyFive.size(), 36);
    for (const auto& [pack, expected] : {std::pair{thirtySix, QStringLiteral("(unnamed template folder)")},
                                         std::pair{thirtyFive, thirtyFive}}) {
        const std::optional<PluginUse> use =
            Plugins::classify("/M/Titles.localized/" + pack + "/Sub/T.moti", std::nullopt);
        ASSERT_TRUE(use);
        EXPECT_EQ(use->pack, expected);
    }
}

// ---------------------------------------------------------------------------------------------
// The Apple set

TEST_F(PluginsTest, WithoutFinalCutProEveryFxPlugIsListedAndNoFileIsTouched) {
    auto app = FakeFinalCutApp::notInstalled();
    ScopedFinalCutApp scope(app);

    EXPECT_TRUE(Plugins::appleFxPlugIDs().isEmpty());
    EXPECT_EQ(described(Plugins::classify("FxPlug:" + appleID, std::nullopt)),
              described(PluginUse{"Video plug-in", appleID, appleID, "FxPlug:" + appleID, 0}));
    EXPECT_EQ(app->infoCalls(), 0);
    EXPECT_TRUE(cacheFiles(Paths::programSupportFolder()).isEmpty());
    EXPECT_TRUE(cacheFiles(TestEnv::dataDir()).isEmpty());
}

TEST_F(PluginsTest, SearchesTheApplicationsFoldersAndCachesWhatItFound) {
    const QString app = makeApp("11.0.1");
    const QString contents = app + "/Contents";
    auto uuid = [](int n) {
        return QStringLiteral("ABCDEF00-0000-4000-8000-%1").arg(n, 12, 10, QLatin1Char('0'));
    };
    const QString farBelow = contents + "/Frameworks/ProCore.framework/Versions/A/Resources/.hidden/";

    // Found: each searched folder, each extension whatever its case, hidden and deep items,
    // the contents of a package whose own name carries a searched extension.
    const QStringList expected{uuid(1), uuid(2),  uuid(3),  uuid(4),  uuid(5),  uuid(6),  uuid(7), uuid(8),
                               uuid(9), uuid(10), uuid(11), uuid(12), uuid(13), uuid(14), uuid(15)};
    FixtureFiles::writeBytes(contents + "/PlugIns/FxPlug/Blur.fxplug/Contents/Info.plist",
                             "<string>" + uuid(1).toLower().toLatin1() + "</string>" + uuid(2).toLatin1());
    FixtureFiles::writeBytes(contents + "/Resources/Templates/A.MOEF", uuid(3).toLatin1());
    FixtureFiles::writeBytes(contents + "/Resources/T.moti", uuid(4).toLatin1());
    FixtureFiles::writeBytes(contents + "/Resources/G.motn", uuid(5).toLatin1());
    FixtureFiles::writeBytes(contents + "/Resources/G.moge", uuid(6).toLatin1());
    FixtureFiles::writeBytes(contents + "/Resources/W.motr", uuid(7).toLatin1());
    FixtureFiles::writeBytes(contents + "/Frameworks/Flexo.framework/Resources/e.xml", uuid(8).toLatin1());
    FixtureFiles::writeBytes(contents + "/Frameworks/Flexo.framework/Resources/e.json", uuid(9).toLatin1());
    FixtureFiles::writeBytes(contents + "/Frameworks/Ozone.framework/en.lproj/L.strings",
                             uuid(10).toLatin1());
    FixtureFiles::writeBytes(contents + "/Frameworks/Ozone.framework/list.TXT", uuid(11).toLatin1());
    FixtureFiles::writeBytes(contents + "/PlugIns/Single.fxplug", uuid(12).toLatin1());
    FixtureFiles::writeBytes(farBelow + ".ids.plist", uuid(13).toLatin1());
    // The largest file searched, with its UUID in its last bytes.
    QByteArray largest(7'999'999 - 36, ' ');
    largest += uuid(14).toLatin1();
    FixtureFiles::writeBytes(contents + "/Resources/largest.json", largest);
    FixtureFiles::writeBytes(contents + "/Resources/shared.plist", uuid(15).toLatin1() + uuid(1).toLatin1());

    // Not found: one byte over the limit, other extensions, folders outside the five, links.
    QByteArray tooLarge(8'000'000 - 36, ' ');
    tooLarge += uuid(90).toLatin1();
    FixtureFiles::writeBytes(contents + "/Resources/too-large.json", tooLarge);
    FixtureFiles::writeBytes(contents + "/Resources/code.bin", uuid(91).toLatin1());
    FixtureFiles::writeBytes(contents + "/Resources/noextension", uuid(92).toLatin1());
    FixtureFiles::writeBytes(contents + "/Frameworks/Other.framework/Resources/x.plist", uuid(93).toLatin1());
    FixtureFiles::writeBytes(contents + "/MacOS/linked-target.plist", uuid(94).toLatin1());
    FixtureFiles::writeBytes(contents + "/Library/folder-target/inside.plist", uuid(95).toLatin1());
    FixtureFiles::makeLink(contents + "/Resources/linked.plist", contents + "/MacOS/linked-target.plist");
    FixtureFiles::makeLink(contents + "/Resources/linked-folder.xml", contents + "/Library/folder-target");
    FixtureFiles::makeLink(contents + "/Resources/loop", "..");
    FixtureFiles::makeLink(contents + "/Resources/broken.plist", contents + "/nowhere.plist");
    QByteArray utf16;
    for (QChar c : uuid(96))
        utf16.append(char(c.unicode())).append('\0');
    FixtureFiles::writeBytes(contents + "/Resources/wide.strings", utf16);
    // A pipe is not a regular file: opening it would wait for a writer that never comes.
    ASSERT_EQ(::mkfifo(QFile::encodeName(contents + "/Resources/pipe.plist").constData(), 0644), 0);

    ScopedFinalCutApp scope(FakeFinalCutApp::installed(app, "11.0.1"));
    const QSet<QString> ids = Plugins::appleFxPlugIDs();
    EXPECT_EQ(ids, setOf(expected));

    // Sorted, one per line, no line break after the last; always in the program's own
    // folder, whatever the data folder.
    QStringList sorted = expected;
    sorted.sort();
    EXPECT_EQ(readText(cachePath("11.0.1")), sorted.join('\n'));
    EXPECT_EQ(cacheFiles(Paths::programSupportFolder()), QStringList{"apple-fxplug-11.0.1.txt"});
    EXPECT_TRUE(cacheFiles(TestEnv::dataDir()).isEmpty());

    EXPECT_FALSE(Plugins::classify("FxPlug:" + uuid(13).toLower(), std::nullopt));
    EXPECT_TRUE(Plugins::classify("FxPlug:" + uuid(90), std::nullopt));
    EXPECT_TRUE(Plugins::classify("FxPlug:" + uuid(94), std::nullopt));
}

TEST_F(PluginsTest, ACacheFileIsUsedAsItStands) {
    const QString app = makeApp("11.0", {appleID});
    auto fake = FakeFinalCutApp::installed(app, "11.0");
    ScopedFinalCutApp scope(fake);

    struct Case {
        const char* label;
        QByteArray cache;
        QStringList expected;
        bool searched; // the application was searched and the cache rewritten
    };
    const Case cases[] = {
        {"pieces kept exactly, empty lines dropped",
         "\n 0a1b \nabc\n\nDEF \n",
         {" 0a1b ", "abc", "DEF "},
         false},
        {"only line breaks: an empty set without a search", "\n\n\n", {}, false},
        {"an empty file is searched again", "", {appleID}, true},
        {"a file that is not UTF-8 is searched again", "abc\n\xff\xfe\nDEF", {appleID}, true},
    };
    for (const Case& c : cases) {
        Plugins::resetAppleFxPlugIDs();
        FixtureFiles::writeBytes(cachePath("11.0"), c.cache);
        EXPECT_EQ(Plugins::appleFxPlugIDs(), setOf(c.expected)) << c.label;
        EXPECT_EQ(readText(cachePath("11.0")).toUtf8(), c.searched ? appleID.toUtf8() : c.cache) << c.label;
    }
    // With only line breaks cached, Apple's own plug-in is listed like any other.
    Plugins::resetAppleFxPlugIDs();
    FixtureFiles::writeBytes(cachePath("11.0"), "\n");
    EXPECT_TRUE(Plugins::classify("FxPlug:" + appleID, std::nullopt));
}

// A named pipe at the cache's name is no cache: the application is searched as when there is
// none, and the answer does not wait on the pipe.
TEST_F(PluginsTest, APipeInPlaceOfTheCacheIsNotRead) {
    const QString app = makeApp("11.0", {appleID});
    auto fake = FakeFinalCutApp::installed(app, "11.0");
    ScopedFinalCutApp scope(fake);
    QDir().mkpath(Paths::programSupportFolder());
    const test::NamedPipe pipe(cachePath("11.0"));
    QSet<QString> ids;
    EXPECT_TRUE(test::returnsUnaided({&pipe}, [&] { ids = Plugins::appleFxPlugIDs(); }));
    EXPECT_EQ(ids, setOf({appleID}));
}

TEST_F(PluginsTest, EachVersionHasACacheOfItsOwn) {
    const QString app = makeApp("11.0", {appleID});
    struct Case {
        const char* label;
        std::optional<QVariantMap> info;
        QString fileName;
    };
    const QVariantMap identifier{{"CFBundleIdentifier", "com.apple.FinalCut"}};
    QVariantMap numeric = identifier;
    numeric.insert("CFBundleShortVersionString", 11);
    const Case cases[] = {
        {"a version", FakeFinalCutApp::infoWithVersion("10.8.1"), "apple-fxplug-10.8.1.txt"},
        {"no version", identifier, "apple-fxplug-unknown.txt"},
        {"a version that is not text", numeric, "apple-fxplug-unknown.txt"},
        {"no information list", std::nullopt, "apple-fxplug-unknown.txt"},
        // A separator in the version must not lead the file out of the program's folder.
        {"a version with separators", FakeFinalCutApp::infoWithVersion("../../11/0"),
         "apple-fxplug-.._.._11_0.txt"},
    };
    for (const Case& c : cases) {
        removeCaches();
        Plugins::resetAppleFxPlugIDs();
        ScopedFinalCutApp scope(std::make_shared<FakeFinalCutApp>(app, c.info));
        EXPECT_EQ(Plugins::appleFxPlugIDs(), QSet<QString>{appleID}) << c.label;
        EXPECT_EQ(cacheFiles(Paths::programSupportFolder()), QStringList{c.fileName}) << c.label;
        EXPECT_EQ(readText(Paths::programSupportFolder() + "/" + c.fileName), appleID) << c.label;
    }
    EXPECT_TRUE(cacheFiles(TestEnv::dataHome()).isEmpty());

    // A newer Final Cut Pro gets a new file; the older one stays.
    removeCaches();
    for (const char* version : {"10.8", "11.0"}) {
        Plugins::resetAppleFxPlugIDs();
        ScopedFinalCutApp scope(FakeFinalCutApp::installed(app, version));
        Plugins::appleFxPlugIDs();
    }
    EXPECT_EQ(cacheFiles(Paths::programSupportFolder()),
              (QStringList{"apple-fxplug-10.8.txt", "apple-fxplug-11.0.txt"}));
}

TEST_F(PluginsTest, AnEmptySetIsCachedEmptyAndSearchedForAgain) {
    const QString app = makeApp("11.0");
    ScopedFinalCutApp scope(FakeFinalCutApp::installed(app, "11.0"));
    EXPECT_TRUE(Plugins::appleFxPlugIDs().isEmpty());
    ASSERT_TRUE(QFileInfo::exists(cachePath("11.0")));
    EXPECT_EQ(QFileInfo(cachePath("11.0")).size(), 0);

    FixtureFiles::writeBytes(app + "/Contents/PlugIns/late.plist", appleID.toLatin1());
    Plugins::resetAppleFxPlugIDs();
    EXPECT_EQ(Plugins::appleFxPlugIDs(), QSet<QString>{appleID});
    EXPECT_EQ(readText(cachePath("11.0")), appleID);
}

TEST_F(PluginsTest, ACacheThatCannotBeWrittenLeavesTheSearchToTheNextStart) {
    // The program's folder is taken by a file, so neither it nor the cache can be made.
    const QString dataHome = TestEnv::freshDir("blocked-support");
    FixtureFiles::writeBytes(dataHome + "/Pellimor", "not a folder");
    ScopedEnv env("XDG_DATA_HOME", dataHome);

    const QString app = makeApp("11.0", {appleID});
    ScopedFinalCutApp scope(FakeFinalCutApp::installed(app, "11.0"));
    EXPECT_EQ(Plugins::appleFxPlugIDs(), QSet<QString>{appleID});
    EXPECT_FALSE(Plugins::classify("FxPlug:" + appleID, std::nullopt));
    EXPECT_EQ(readText(dataHome + "/Pellimor"), "not a folder");

    FixtureFiles::writeBytes(app + "/Contents/PlugIns/late.plist", thirdPartyID.toLatin1());
    Plugins::resetAppleFxPlugIDs();
    EXPECT_EQ(Plugins::appleFxPlugIDs(), (QSet<QString>{appleID, thirdPartyID}));
}

TEST_F(PluginsTest, TheSetIsComputedOncePerProcess) {
    const QString app = makeApp("11.0", {appleID});
    auto fake = FakeFinalCutApp::installed(app, "11.0");
    ScopedFinalCutApp scope(fake);

    // Several library reads meet FxPlug identifiers at once: one computes, all see its set.
    std::vector<QSet<QString>> seen(8);
    std::vector<int> listed(8, -1);
    {
        std::vector<std::jthread> readers;
        for (size_t i = 0; i < seen.size(); ++i) {
            readers.emplace_back([&, i] {
                listed[i] = Plugins::classify("FxPlug:" + appleID.toLower(), std::nullopt).has_value();
                seen[i] = Plugins::appleFxPlugIDs();
            });
        }
    }
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i], QSet<QString>{appleID});
        EXPECT_EQ(listed[i], 0);
    }
    EXPECT_EQ(fake->locationCalls(), 1);

    // Neither a changed application nor its removal is noticed until the process starts again.
    FixtureFiles::writeBytes(app + "/Contents/PlugIns/late.plist", thirdPartyID.toLatin1());
    QFile::remove(cachePath("11.0"));
    fake->setLocation(std::nullopt);
    EXPECT_EQ(Plugins::appleFxPlugIDs(), QSet<QString>{appleID});
    EXPECT_FALSE(Plugins::classify("FxPlug:" + appleID, std::nullopt));
    EXPECT_EQ(fake->locationCalls(), 1);
    EXPECT_FALSE(QFileInfo::exists(cachePath("11.0")));

    // A fresh start asks again.
    fake->setLocation(app);
    Plugins::resetAppleFxPlugIDs();
    EXPECT_EQ(Plugins::appleFxPlugIDs(), (QSet<QString>{appleID, thirdPartyID}));
    EXPECT_EQ(fake->locationCalls(), 2);
}

TEST_F(PluginsTest, FindsTheApplicationThroughThePlatform) {
    // No fake: the system's own answer, steered by the environment.
    const QString app = makeApp("11.1", {appleID});
    {
        ScopedEnv env("TOVLIN_FCP_APP", app);
        EXPECT_EQ(Plugins::appleFxPlugIDs(), QSet<QString>{appleID});
        EXPECT_EQ(readText(cachePath("11.1")), appleID);
    }
    if (QFileInfo::exists("/Applications/Final Cut Pro.app"))
        GTEST_SKIP() << "this machine has an application at the usual place";
    removeCaches();
    Plugins::resetAppleFxPlugIDs();
    ScopedEnv env("TOVLIN_FCP_APP", std::nullopt);
    EXPECT_TRUE(Plugins::appleFxPlugIDs().isEmpty());
    EXPECT_TRUE(Plugins::classify("FxPlug:" + appleID, std::nullopt));
    EXPECT_TRUE(cacheFiles(Paths::programSupportFolder()).isEmpty());
}

} // namespace
