// DeRoom's risk rules, its record, and parking and putting back its bundle in every state the
// disk can be in: the component installed system-wide (below a root folder of the test's own,
// moved by a scripted mover that needs administrator rights), in HOME, in both, parked, the
// mixed states outside changes leave, records written by hand to name other places, and
// moves killed part way (in a child process the system kills) and settled afterwards.

#include "FinalCut/DeRoomPark.h"

#include "Catalogue/Logs/ActivityLog.h"
#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Store/Catalog.h"
#include "Platform/Services.h"
#include "Tests/Fixtures/CollectionRow.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/FakeAudioUnitRegistry.h"
#include "Tests/Support/FakeFinalCutApp.h"
#include "Tests/Support/FakeRootFolder.h"
#include "Tests/Support/FakeScriptedMove.h"
#include "Tests/Support/ScopedMount.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"

#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace pellimor;
using fixtures::CollectionRow;
using Kind = DeRoomPark::ParkError::Kind;
using ParkKind = DeRoomPark::ParkKind;
using test::treeContents;

namespace {

PluginUse audio(const QString& name, const QString& id, qint64 count) {
    return PluginUse{QStringLiteral("Audio"), QString(), name, id, count};
}

const QString kDeRoomID = CollectionRow::audioUnitID("aufx", "ADR2", "Actz");

PluginUse deroom(qint64 count) {
    return audio(QStringLiteral("DeRoom2"), kDeRoomID, count);
}

// Everything parking touches, in folders of one test's own: HOME, Application Support (where
// the record goes), the system-wide root, and the platform's registry, mover and Final Cut Pro.
struct Places {
    const QString folder = test::TestEnv::freshDir(QStringLiteral("deroom"));
    test::ScopedEnvironment home{"HOME", folder + "/home"};
    test::ScopedEnvironment data{"XDG_DATA_HOME", folder + "/data"};
    const std::shared_ptr<test::FakeRootFolder> root =
        std::make_shared<test::FakeRootFolder>(folder + "/root");
    const std::shared_ptr<test::FakeAudioUnitRegistry> units =
        std::make_shared<test::FakeAudioUnitRegistry>();
    const std::shared_ptr<test::FakeScriptedMove> mover = std::make_shared<test::FakeScriptedMove>();
    const std::shared_ptr<test::FakeFinalCutApp> finalCut =
        test::FakeFinalCutApp::installed(folder + "/Final Cut Pro.app", QStringLiteral("11.1"));
    platform::ScopedServices scope{services()};

    Places() { QDir().mkpath(folder + "/home"); }

    platform::Services services() const {
        platform::Services s;
        s.rootFolder = root;
        s.audioUnits = units;
        s.scriptedMove = mover;
        s.finalCut = finalCut;
        return s;
    }

    QString system() const { return DeRoomPark::systemComponentPath(); }
    QString user() const { return DeRoomPark::userComponentPath(); }
    QString record() const { return DeRoomPark::recordFile(); }
    QString parked() const {
        return QFileInfo(record()).absolutePath() + QStringLiteral("/") + DeRoomPark::componentName;
    }

    static void install(const QString& at, const QByteArray& marker = "installed") {
        test::writeFile(at + "/Contents/Info.plist", marker);
        test::writeFile(at + "/Contents/MacOS/DeRoom2", QByteArray(5000, 'd'));
    }
    void writeRecord(const QString& original) const {
        test::writeFile(record(), DeRoomPark::encode({original, parked()}));
    }

    // Which of the four places hold something.
    QStringList where() const {
        QStringList found;
        const QList<std::pair<QString, QString>> places = {{QStringLiteral("system"), system()},
                                                           {QStringLiteral("user"), user()},
                                                           {QStringLiteral("parked"), parked()},
                                                           {QStringLiteral("record"), record()}};
        for (const auto& [name, path] : places) {
            if (QFileInfo::exists(path))
                found.append(name);
        }
        return found;
    }
};

QString kindName(const DeRoomPark::Failure& failure) {
    if (!failure)
        return QStringLiteral("ok");
    switch (failure->kind) {
    case Kind::destinationExists:
        return QStringLiteral("destinationExists ") + failure->detail;
    case Kind::moveFailed:
        return QStringLiteral("moveFailed");
    case Kind::cancelled:
        return QStringLiteral("cancelled");
    case Kind::finalCutRunning:
        return QStringLiteral("finalCutRunning");
    case Kind::missingParkedCopy:
        return QStringLiteral("missingParkedCopy");
    case Kind::notParked:
        return QStringLiteral("notParked");
    case Kind::system:
        return QStringLiteral("system");
    }
    return {};
}

QString parkResult(const DeRoomPark::Outcome<ParkKind>& outcome) {
    return outcome ? DeRoomPark::caseName(*outcome.value) : kindName(outcome.error);
}

} // namespace

TEST(DeRoomRisk, TheHeaviestUseOfAHundredClipsOrMore) {
    using Project = DeRoomPark::SampleProject;
    const auto one = [](QList<PluginUse> uses) {
        return QList<Project>{{QStringLiteral("Podcast"), QStringLiteral("Episode"), std::move(uses)}};
    };
    struct Case {
        const char* name;
        QList<Project> projects;
        std::optional<DeRoomRisk> expected;
    };
    const QList<Case> cases = {
        {"DeRoom 2 on 99 clips", one({deroom(99)}), std::nullopt},
        {"on 100 clips", one({deroom(100)}), DeRoomRisk{"Podcast", "Episode", 100}},
        {"another name with subtype ADR2 by Actz, of another type",
         one({audio("Room Fix", CollectionRow::audioUnitID("aumf", "ADR2", "Actz"), 120)}),
         DeRoomRisk{"Podcast", "Episode", 120}},
        {"another Audio Unit on 500 clips",
         one({audio("AudioDenoise", CollectionRow::audioUnitID("aufx", "dn2u", "CPop"), 500)}), std::nullopt},
        {"an identifier that does not parse", one({audio("DeRoom 2", "AudioUnit: 0x4144", 300)}),
         std::nullopt},
        {"two uses in one project are not added up", one({deroom(60), deroom(60)}), std::nullopt},
        {"two projects at 151: the first",
         {{"A Event", "First", QList<PluginUse>{deroom(151)}},
          {"B Event", "Second", QList<PluginUse>{deroom(151)}}},
         DeRoomRisk{"A Event", "First", 151}},
        {"the self-test's sample: the project at 243",
         {{"Interviews", "Rough Cut", QList<PluginUse>{deroom(73)}},
          {"Podcast", "Episode 1",
           QList<PluginUse>{deroom(151), audio("CrumplePop AudioDenoise 2",
                                               CollectionRow::audioUnitID("aufx", "dn2u", "CPop"), 144)}},
          {"Podcast", "Episode 2", QList<PluginUse>{audio("Something Else", kDeRoomID, 243)}},
          {"Trailers", "Teaser", std::nullopt}},
         DeRoomRisk{"Podcast", "Episode 2", 243}},
        {"projects without plug-in lists", {{"Podcast", "Episode", std::nullopt}}, std::nullopt},
        {"a library without events", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DeRoomPark::heaviest(DeRoomPark::sampleLibrary(c.projects)), c.expected);
    }
    EXPECT_EQ(DeRoomPark::testRisk(), QStringList());
}

TEST(DeRoomRecord, CompactTwoMembersReadBackInAnyFormAndRefusedWhenBroken) {
    const DeRoomPark::Record record{
        QStringLiteral("/Library/Audio/Plug-Ins/Components/Accentize-DeRoom2.component"),
        QStringLiteral("/home/e/.local/share/Pellimor/Parked Audio Units/x")};
    EXPECT_EQ(
        DeRoomPark::encode(record),
        QByteArray(R"({"originalPath":"/Library/Audio/Plug-Ins/Components/Accentize-DeRoom2.component",)"
                   R"("parkedPath":"/home/e/.local/share/Pellimor/Parked Audio Units/x"})"));

    struct Case {
        const char* name;
        QByteArray json;
        bool readable;
    };
    const Case cases[] = {
        {"the other order, slashes escaped",
         R"({"parkedPath":"\/home\/e\/.local\/share\/Pellimor\/Parked Audio Units\/x",)"
         R"("originalPath":"\/Library\/Audio\/Plug-Ins\/Components\/Accentize-DeRoom2.component"})",
         true},
        {"a further member",
         R"({"version":2,"originalPath":"/Library/Audio/Plug-Ins/Components/Accentize-DeRoom2.component",)"
         R"("parkedPath":"/home/e/.local/share/Pellimor/Parked Audio Units/x"})",
         true},
        {"corrupt", R"({"originalPath":"/Library)", false},
        {"empty", "", false},
        {"a list", "[]", false},
        {"a member missing", R"({"originalPath":"/a"})", false},
        {"a member that is no text", R"({"originalPath":"/a","parkedPath":7})", false},
        {"a relative path", R"({"originalPath":"a/b","parkedPath":"/b"})", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DeRoomPark::Outcome<DeRoomPark::Record> read =
            DeRoomPark::decode(c.json, QStringLiteral("/r.json"));
        EXPECT_EQ(bool(read), c.readable);
        if (c.readable) {
            EXPECT_EQ(*read.value, record);
        } else {
            EXPECT_TRUE(read.error.description().startsWith("The record of the parked DeRoom (/r.json)"))
                << read.error.description().toStdString();
        }
    }
}

TEST(DeRoomPark, ParksAndPutsBackFromEveryState) {
    enum class Op { park, restore };
    struct Case {
        const char* name;
        std::function<void(Places&)> setup;
        Op op;
        QString result;    // the ParkKind, "ok", or the error
        QStringList after; // places that hold something afterwards
        int restarts;      // of the registrar, the setup's included
        int scriptedMoves; // with administrator rights, the setup's included
    };
    const QList<Case> cases = {
        {"installed under the system root",
         [](Places& p) { Places::install(p.system()); },
         Op::park,
         "moved",
         {"parked", "record"},
         1,
         1},
        {"installed under HOME",
         [](Places& p) { Places::install(p.user()); },
         Op::park,
         "moved",
         {"parked", "record"},
         1,
         0},
        {"installed in both: the system-wide one goes",
         [](Places& p) {
             Places::install(p.system(), "system");
             Places::install(p.user(), "user");
         },
         Op::park,
         "moved",
         {"user", "parked", "record"},
         1,
         1},
        {"installed in both and parked once: the second park finds the parked place taken",
         [](Places& p) {
             Places::install(p.system(), "system");
             Places::install(p.user(), "user");
             ASSERT_TRUE(DeRoomPark::parkInstalled());
         },
         Op::park,
         "destinationExists PARKED",
         {"user", "parked", "record"},
         1,
         1},
        {"nothing installed, no record", [](Places&) {}, Op::park, "notInstalled", {}, 0, 0},
        {"nothing installed, no record: restore", [](Places&) {}, Op::restore, "notParked", {}, 0, 0},
        {"parked: park again",
         [](Places& p) {
             Places::install(p.parked());
             p.writeRecord(p.user());
         },
         Op::park,
         "alreadyParked",
         {"parked", "record"},
         0,
         0},
        {"parked: restore to HOME",
         [](Places& p) {
             Places::install(p.parked());
             p.writeRecord(p.user());
         },
         Op::restore,
         "ok",
         {"user"},
         1,
         0},
        {"parked: restore to the system root",
         [](Places& p) {
             Places::install(p.parked());
             p.writeRecord(p.system());
         },
         Op::restore,
         "ok",
         {"system"},
         1,
         1},
        {"record with the bundle installed again, the parked copy still there: park",
         [](Places& p) {
             Places::install(p.parked());
             Places::install(p.user(), "again");
             p.writeRecord(p.user());
         },
         Op::park,
         "destinationExists PARKED",
         {"user", "parked", "record"},
         0,
         0},
        {"record with the bundle installed again, the parked copy still there: restore",
         [](Places& p) {
             Places::install(p.parked());
             Places::install(p.user(), "again");
             p.writeRecord(p.user());
         },
         Op::restore,
         "destinationExists USER",
         {"user", "parked", "record"},
         0,
         0},
        {"record with the bundle installed again, the parked copy gone: park replaces the record",
         [](Places& p) {
             Places::install(p.user(), "again");
             p.writeRecord(p.system());
         },
         Op::park,
         "moved",
         {"parked", "record"},
         1,
         0},
        {"record with the bundle back in place, the parked copy gone: restore settles the record",
         [](Places& p) {
             Places::install(p.user(), "again");
             p.writeRecord(p.user());
         },
         Op::restore,
         "ok",
         {"user"},
         1,
         0},
        {"record with the parked copy gone: restore keeps the record",
         [](Places& p) { p.writeRecord(p.user()); },
         Op::restore,
         "missingParkedCopy",
         {"record"},
         0,
         0},
        {"record with the parked copy gone: park counts it as parked",
         [](Places& p) { p.writeRecord(p.user()); },
         Op::park,
         "alreadyParked",
         {"record"},
         0,
         0},
        {"Final Cut Pro running: restore refuses",
         [](Places& p) {
             Places::install(p.parked());
             p.writeRecord(p.user());
             p.finalCut->setRunning({4101});
         },
         Op::restore,
         "finalCutRunning",
         {"parked", "record"},
         0,
         0},
        {"Final Cut Pro running, nothing parked: restore refuses before looking",
         [](Places& p) { p.finalCut->setRunning({4101}); },
         Op::restore,
         "finalCutRunning",
         {},
         0,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Places places;
        c.setup(places);
        const QStringList parkedBefore = treeContents(places.parked());
        const QString system = places.system();
        const QString user = places.user();
        const QString installed = QFileInfo::exists(system) ? system : user;
        const QStringList installedBefore = treeContents(installed);

        const QString result = c.op == Op::park ? parkResult(DeRoomPark::parkInstalled())
                                                : kindName(DeRoomPark::restoreInstalled());
        QString expected = c.result;
        expected.replace(QStringLiteral("PARKED"), places.parked()).replace(QStringLiteral("USER"), user);
        EXPECT_EQ(result, expected);
        EXPECT_EQ(places.where(), c.after);
        EXPECT_EQ(places.units->restarts(), c.restarts);
        EXPECT_EQ(int(places.mover->calls().size()), c.scriptedMoves);
        for (const test::FakeScriptedMove::Call& call : places.mover->calls())
            EXPECT_TRUE(call.admin); // only the system-wide places go through the scripted move
        if (result == QLatin1String("moved")) {
            // The bundle that went is the one parked, whole, and the record says where from.
            EXPECT_EQ(treeContents(places.parked()), installedBefore);
            const auto record = DeRoomPark::readRecord(places.record());
            ASSERT_TRUE(record);
            EXPECT_EQ(record.value->originalPath, installed);
            EXPECT_EQ(record.value->parkedPath, places.parked());
        } else if (c.op == Op::restore && result == QLatin1String("ok")) {
            // What was parked is back whole (or was back already).
            if (parkedBefore != QStringList{QStringLiteral("<nothing>")}) {
                EXPECT_EQ(treeContents(QFileInfo::exists(system) ? system : user), parkedBefore);
            }
        } else {
            // Nothing parked was touched.
            EXPECT_EQ(treeContents(places.parked()), parkedBefore);
        }
    }
}

TEST(DeRoomPark, NeverOverwritesAParkedBundleOrAnOccupiedDestination) {
    Places places;
    Places::install(places.user(), "installed");
    Places::install(places.parked(), "parked earlier");
    const QStringList installed = treeContents(places.user());
    const QStringList parked = treeContents(places.parked());

    const DeRoomPark::Outcome<DeRoomPark::Record> park =
        DeRoomPark::park(places.user(), places.record(), false);
    ASSERT_FALSE(park);
    EXPECT_EQ(park.error, (DeRoomPark::ParkError{Kind::destinationExists, places.parked()}));
    EXPECT_EQ(park.error.description(), QStringLiteral("DeRoom is already at ") + places.parked() +
                                            QStringLiteral(". Nothing was moved."));
    EXPECT_EQ(treeContents(places.user()), installed);
    EXPECT_EQ(treeContents(places.parked()), parked);
    EXPECT_FALSE(QFileInfo::exists(places.record()));

    // A plain move onto anything refuses before anything moves.
    const QString taken = places.folder + "/taken";
    test::writeFile(taken, "someone else's");
    EXPECT_EQ(kindName(DeRoomPark::move(places.user(), taken, false)), "destinationExists " + taken);
    EXPECT_EQ(treeContents(places.user()), installed);
    EXPECT_EQ(test::readAll(taken), QByteArray("someone else's"));
}

TEST(DeRoomPark, ARecordThatCannotBeWrittenMovesNothing) {
    for (const bool systemWide : {false, true}) {
        SCOPED_TRACE(systemWide ? "system-wide, by the scripted move" : "in HOME");
        Places places;
        const QString installed = systemWide ? places.system() : places.user();
        Places::install(installed);
        const QStringList before = treeContents(installed);
        // A folder stands where the record must go.
        QDir().mkpath(places.record());

        const DeRoomPark::Outcome<ParkKind> park = DeRoomPark::parkInstalled();
        ASSERT_FALSE(park);
        EXPECT_EQ(park.error.kind, Kind::moveFailed);
        EXPECT_TRUE(park.error.description().startsWith("DeRoom could not be moved. "));
        EXPECT_EQ(treeContents(installed), before);
        EXPECT_FALSE(QFileInfo::exists(places.parked()));
        EXPECT_EQ(places.units->restarts(), 0);
        // The record comes first: without it nothing moves, not even with rights.
        EXPECT_TRUE(places.mover->calls().isEmpty());
    }
}

TEST(DeRoomPark, RestoringKeepsTheRecordUntilTheBundleIsBack) {
    struct Case {
        const char* name;
        QByteArray record; // the record file's bytes; empty for a record naming the parked bundle
        bool running;
        QString result;
    };
    const Case cases[] = {
        {"a corrupt record", "{\"originalPath\":", false, "system"},
        {"an empty record", "", false, "system"},
        {"a record without its parked path", R"({"originalPath":"/tmp/x"})", false, "system"},
        {"a corrupt record while Final Cut Pro runs: refused before it is read", "{", true,
         "finalCutRunning"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Places places;
        Places::install(places.parked());
        test::writeFile(places.record(), c.record);
        places.finalCut->setRunning(c.running ? QList<qint64>{4101} : QList<qint64>{});
        const QStringList parked = treeContents(places.parked());

        EXPECT_EQ(kindName(DeRoomPark::restoreInstalled()), c.result);
        EXPECT_EQ(treeContents(places.parked()), parked);
        EXPECT_EQ(test::readAll(places.record(), "<missing>"), c.record);
        EXPECT_EQ(places.units->restarts(), 0);
    }

    // A move back that fails keeps the record and the parked bundle.
    Places places;
    Places::install(places.parked());
    places.writeRecord(places.system());
    places.mover->answer({true, {}, 1, "mv: cannot move: Permission denied"});
    const DeRoomPark::Failure failed = DeRoomPark::restoreInstalled();
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->description(),
              QStringLiteral("DeRoom could not be moved. mv: cannot move: Permission denied"));
    EXPECT_EQ(places.where(), (QStringList{"parked", "record"}));
}

TEST(DeRoomPark, WhatTheScriptedMoveSaysIsReadAsItsOutcome) {
    struct Case {
        const char* name;
        platform::ScriptedMove::Outcome outcome;
        QString expected; // the output, or the error's description
    };
    const Case cases[] = {
        {"the administrator prompt dismissed",
         {true, {}, 1, "execution error: User canceled. (-128)"},
         "DeRoom was left installed. The library was not opened."},
        {"cancelled, in other letters",
         {true, {}, 1, "USER CANCELLED"},
         "DeRoom was left installed. The library was not opened."},
        {"only the error number",
         {true, {}, 1, "error (-128)"},
         "DeRoom was left installed. The library was not opened."},
        {"no rights here",
         {true, {}, 1, "Administrator rights are not available on this system.\n"},
         "DeRoom could not be moved. Administrator rights are not available on this system."},
        {"a status without output", {true, {}, 3, " \n"}, "DeRoom could not be moved. osascript exited 3"},
        {"not started",
         {false, "No such file or directory", 0, {}},
         "DeRoom could not be moved. No such file or directory"},
        {"success, trimmed, bad bytes replaced", {true, {}, 0, "  moved \xff\n"}, "moved \uFFFD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DeRoomPark::Outcome<QString> read = DeRoomPark::scriptOutcome(c.outcome);
        EXPECT_EQ(read ? *read.value : read.error.description(), c.expected);
    }

    // A dismissed prompt while parking the system-wide bundle: nothing moved, nothing recorded.
    Places places;
    Places::install(places.system());
    places.mover->answer({true, {}, 1, "User canceled. (-128)"});
    EXPECT_EQ(parkResult(DeRoomPark::parkInstalled()), "cancelled");
    EXPECT_EQ(places.where(), QStringList{"system"});
    EXPECT_EQ(places.units->restarts(), 0);
    ASSERT_EQ(places.mover->calls().size(), 1);
    const test::FakeScriptedMove::Call call = places.mover->calls().first();
    EXPECT_EQ(call.source, places.system());
    EXPECT_EQ(call.destination, places.parked());
    EXPECT_EQ(call.parent, QFileInfo(places.parked()).absolutePath());
}

namespace {

// An Info.plist that lists one Audio Unit by its codes, as a real component's does.
QByteArray infoList(const char* subtype, const char* manufacturer) {
    return QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>CFBundleName</key><string>Component</string>
<key>AudioComponents</key><array><dict>
<key>name</key><string>Maker: Effect</string>
<key>type</key><string>aufx</string>
<key>subtype</key><string>)") +
           subtype + "</string>\n<key>manufacturer</key><string>" + manufacturer +
           "</string>\n</dict></array>\n</dict></plist>\n";
}

DeRoomPark::Record recordOf(const QString& original, const QString& parked) {
    return {original, parked};
}

void link(const QString& target, const QString& at) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(at).absolutePath()));
    ASSERT_TRUE(QFile::link(target, at)) << at.toStdString();
}

} // namespace

// A record is only the program's own note; written by hand it must not move anything the
// user did not park. Each case is a record that names something else, and each is refused
// as unreadable with nothing on disk changed.
TEST(DeRoomPark, PutsBackOnlyTheParkedDeRoomIntoAnAudioUnitsFolder) {
    struct Case {
        const char* name;
        std::function<DeRoomPark::Record(Places&)> setup; // the record's places
    };
    const auto documents = [](const Places& p) { return p.folder + "/home/Documents"; };
    const QList<Case> cases = {
        {"the home's Documents as the parked copy",
         [&](Places& p) { return recordOf(p.user(), documents(p)); }},
        {"a parked path that climbs out of the parked folder",
         [&](Places& p) {
             return recordOf(p.user(), QFileInfo(p.record()).absolutePath() + "/../../../home/Documents");
         }},
        {"a parked path with \"..\" that comes back to the parked bundle",
         [&](Places& p) {
             return recordOf(p.user(), QFileInfo(p.record()).absolutePath() + "/../Parked Audio Units/" +
                                           DeRoomPark::componentName);
         }},
        {"the parked bundle is a link to Documents",
         [&](Places& p) {
             QDir(p.parked()).removeRecursively();
             link(documents(p), p.parked());
             return recordOf(p.user(), p.parked());
         }},
        {"the parked folder is a link",
         [&](Places& p) {
             // The real folder, with a DeRoom and the record, lies elsewhere.
             const QString parkedFolder = QFileInfo(p.record()).absolutePath();
             const QString elsewhere = p.folder + "/elsewhere";
             EXPECT_TRUE(QDir().rename(parkedFolder, elsewhere));
             link(elsewhere, parkedFolder);
             return recordOf(p.user(), p.parked());
         }},
        {"a bundle of another name in the parked folder",
         [&](Places& p) {
             const QString other = QFileInfo(p.record()).absolutePath() + "/Other.component";
             Places::install(other);
             return recordOf(p.user(), other);
         }},
        {"a parked bundle whose Info.plist lists another Audio Unit",
         [&](Places& p) {
             test::writeFile(p.parked() + "/Contents/Info.plist", infoList("dn2u", "CPop"));
             return recordOf(p.user(), p.parked());
         }},
        {"a parked folder without Contents/Info.plist",
         [&](Places& p) {
             QDir(p.parked()).removeRecursively();
             test::writeFile(p.parked() + "/Letters/2024.txt", "dear");
             return recordOf(p.user(), p.parked());
         }},
        {"a file where the parked bundle should be",
         [&](Places& p) {
             QDir(p.parked()).removeRecursively();
             test::writeFile(p.parked(), "not a bundle");
             return recordOf(p.user(), p.parked());
         }},
        {"the original place in Documents",
         [&](Places& p) { return recordOf(documents(p) + "/" + DeRoomPark::componentName, p.parked()); }},
        {"the original place is Documents itself, moved away",
         [&](Places& p) {
             QDir(documents(p)).removeRecursively();
             return recordOf(documents(p), p.parked());
         }},
        {"the original place climbs out of the Components folder",
         [&](Places& p) {
             QDir().mkpath(QFileInfo(p.user()).absolutePath());
             return recordOf(QFileInfo(p.user()).absolutePath() + "/../../../../Documents/" +
                                 DeRoomPark::componentName,
                             p.parked());
         }},
        {"a link on the way to the user's Components folder",
         [&](Places& p) {
             QDir().mkpath(documents(p) + "/Audio/Plug-Ins/Components");
             link(documents(p) + "/Audio", p.folder + "/home/Library/Audio");
             return recordOf(p.user(), p.parked());
         }},
        {"the system-wide Components folder is a link",
         [&](Places& p) {
             link(documents(p), QFileInfo(p.system()).absolutePath());
             return recordOf(p.system(), p.parked());
         }},
    };
    using State = DeRoomPark::Record::State;
    for (const State state : {State::parked, State::parking, State::restoring}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            SCOPED_TRACE(state == State::parked    ? "parked"
                         : state == State::parking ? "parking"
                                                   : "restoring");
            Places places;
            Places::install(places.parked(), "parked");
            test::writeFile(places.folder + "/home/Documents/Taxes 2024.pdf", "receipts");
            DeRoomPark::Record record = c.setup(places);
            record.state = state;
            test::writeFile(places.record(), DeRoomPark::encode(record));
            const QStringList before = test::treeListing(places.folder);

            // Put back, and, for a move under way, settled as at start-up.
            QList<DeRoomPark::Failure> outcomes{DeRoomPark::restoreInstalled()};
            if (state != State::parked) {
                const auto recovered = DeRoomPark::recoverInstalled();
                outcomes.append(recovered ? DeRoomPark::Failure() : DeRoomPark::Failure(recovered.error));
            }
            for (const DeRoomPark::Failure& failed : outcomes) {
                EXPECT_EQ(kindName(failed), "system");
                const QString said = failed ? failed->description() : QStringLiteral("ok");
                EXPECT_TRUE(said.startsWith(QStringLiteral("The record of the parked DeRoom (") +
                                            places.record() + QStringLiteral(") could not be read: ")))
                    << said.toStdString();
            }
            EXPECT_EQ(test::treeListing(places.folder), before);
            EXPECT_EQ(places.units->restarts(), 0);
            EXPECT_TRUE(places.mover->calls().isEmpty());
        }
    }

    // The real thing, whose Info.plist lists DeRoom 2 by its codes, goes back.
    Places places;
    Places::install(places.parked());
    test::writeFile(places.parked() + "/Contents/Info.plist", infoList("ADR2", "Actz"));
    places.writeRecord(places.user());
    const QStringList parked = treeContents(places.parked());
    EXPECT_EQ(kindName(DeRoomPark::restoreInstalled()), "ok");
    EXPECT_EQ(treeContents(places.user()), parked);
}

namespace {

using Step = DeRoomPark::Hooks::Step;
using Recovery = DeRoomPark::Recovery;

// A bundle with more in it than a marker — folders, files of some size, a link — so a copy or
// a removal cut short leaves something in between.
void installWhole(const QString& at) {
    Places::install(at, "whole");
    test::writeFile(at + "/Contents/Resources/model.bin", QByteArray(20000, 'm'));
    test::writeFile(at + "/Contents/Resources/de.lproj/Strings", "Raum");
    ASSERT_TRUE(QFile::link("MacOS/DeRoom2", at + "/Contents/Current"));
}

// What a removal cut short has taken of such a bundle already (a part of it, also the part a
// copy cut short has not reached yet).
void removeSome(const QString& bundle) {
    QDir(bundle + "/Contents/Resources").removeRecursively();
    QFile::remove(bundle + "/Contents/Info.plist");
}

// Where a kill stops a park or a restore.
struct KillPoint {
    const char* name = "";
    std::optional<Step> step = {}; // at this step of the move
    bool afterCopy = false;        // once the copy across drives is whole, before it is checked
    // What the copy still lacked when the kill came (done to it before the kill).
    std::function<void(const QString& copy)> cutCopy = {};
    // What of the source had gone already (done to it after the kill).
    std::function<void(const QString& source)> cutSource = {};
    bool acrossDrives = true;
    bool finished = false; // a recovery finishes the move; else it undoes it
    QStringList left = {}; // what stands after the kill: "source", "staged", "destination"
};

// Runs `move` in a child process that the system kills at `point`, as it would kill the
// program there. True when the child was killed there.
bool killedAt(const KillPoint& point, const std::function<void(const DeRoomPark::Hooks&)>& move) {
    DeRoomPark::Hooks hooks;
    hooks.tree.acrossFileSystems = point.acrossDrives;
    hooks.tree.afterCopy = [&point](const QString& copy) {
        if (!point.afterCopy)
            return;
        if (point.cutCopy)
            point.cutCopy(copy);
        ::raise(SIGKILL);
    };
    hooks.at = [&point](Step step) {
        if (point.step == step)
            ::raise(SIGKILL);
    };
    const pid_t child = ::fork();
    if (child == 0) {
        move(hooks);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

bool standsThere(const QString& path) {
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

QString recoveryName(const DeRoomPark::Outcome<Recovery>& outcome) {
    if (!outcome)
        return outcome.error.description();
    switch (*outcome.value) {
    case Recovery::none:
        return QStringLiteral("none");
    case Recovery::parkFinished:
        return QStringLiteral("parkFinished");
    case Recovery::parkUndone:
        return QStringLiteral("parkUndone");
    case Recovery::restoreFinished:
        return QStringLiteral("restoreFinished");
    case Recovery::restoreUndone:
        return QStringLiteral("restoreUndone");
    }
    return {};
}

} // namespace

// A park or a restore of a bundle across drives is killed at each point a kill can come:
// before anything moved, while the copy is made, with the copy made but not checked, while
// the source is removed, with the bundle at its temporary name, and in place with the record
// not yet settled. The next start — or "Put DeRoom Back" — leaves exactly one whole bundle,
// in the place the recovery says, and a record that says so (or none).
TEST(DeRoomPark, AMoveKilledAnywhereLeavesOneWholeCopyThatTheNextStartSettles) {
    const auto cutCopy = [](const QString& copy) {
        // The copy goes in name order: the resources not yet begun, the program half written.
        QDir(copy + "/Contents/Resources").removeRecursively();
        QFile::resize(copy + "/Contents/MacOS/DeRoom2", 100);
    };
    const QList<KillPoint> points = {
        {"once the record is written", Step::recorded, false, {}, {}, true, false, {"source"}},
        {"while the copy is made", {}, true, cutCopy, {}, true, false, {"source", "staged"}},
        {"with the copy made, before it is checked", {}, true, {}, {}, true, false, {"source", "staged"}},
        {"while the source is removed", {}, true, {}, removeSome, true, true, {"source", "staged"}},
        {"with the bundle at its temporary name", Step::staged, false, {}, {}, true, true, {"staged"}},
        {"in place, before the record is settled", Step::placed, false, {}, {}, true, true, {"destination"}},
        {"on one drive, once the record is written", Step::recorded, false, {}, {}, false, false, {"source"}},
        {"on one drive, at the temporary name", Step::staged, false, {}, {}, false, true, {"staged"}},
    };
    for (const bool parking : {true, false}) {
        for (const KillPoint& point : points) {
            for (const bool atStartUp : {true, false}) {
                SCOPED_TRACE(atStartUp ? "settled at start-up" : "settled by Put DeRoom Back");
                SCOPED_TRACE(point.name);
                SCOPED_TRACE(parking ? "park" : "restore");
                Places places;
                const QString from = parking ? places.user() : places.parked();
                installWhole(from);
                if (!parking)
                    places.writeRecord(places.user());
                const QStringList bundle = treeContents(from);

                ASSERT_TRUE(killedAt(point, [&](const DeRoomPark::Hooks& hooks) {
                    if (parking)
                        static_cast<void>(DeRoomPark::park(places.user(), places.record(), false, hooks));
                    else
                        static_cast<void>(DeRoomPark::restore(places.record(), false, false,
                                                              DeRoomPark::componentFolders(), hooks));
                }));
                if (point.cutSource)
                    point.cutSource(from);
                const QString to = parking ? places.parked() : places.user();
                QStringList left;
                for (const auto& [name, path] :
                     {std::pair{"source", from}, std::pair{"staged", DeRoomPark::movingPath(to)},
                      std::pair{"destination", to}}) {
                    if (standsThere(path))
                        left.append(QString::fromLatin1(name));
                }
                ASSERT_EQ(left, point.left);
                const auto record = DeRoomPark::readRecord(places.record());
                ASSERT_TRUE(record);
                EXPECT_EQ(record.value->state, parking ? DeRoomPark::Record::State::parking
                                                       : DeRoomPark::Record::State::restoring);

                bool parkedNow = false;
                if (atStartUp) {
                    const DeRoomPark::Outcome<Recovery> recovered = DeRoomPark::recoverInstalled();
                    const QString expected = parking ? (point.finished ? "parkFinished" : "parkUndone")
                                                     : (point.finished ? "restoreFinished" : "restoreUndone");
                    EXPECT_EQ(recoveryName(recovered), expected);
                    parkedNow = parking == point.finished;
                    EXPECT_EQ(places.units->restarts(), point.finished ? 1 : 0);
                } else {
                    EXPECT_EQ(kindName(DeRoomPark::restoreInstalled()), "ok");
                    EXPECT_EQ(places.units->restarts(), 1);
                }

                EXPECT_EQ(treeContents(parkedNow ? places.parked() : places.user()), bundle);
                EXPECT_EQ(places.where(),
                          (parkedNow ? QStringList{"parked", "record"} : QStringList{"user"}));
                EXPECT_FALSE(standsThere(DeRoomPark::movingPath(places.user())));
                EXPECT_FALSE(standsThere(DeRoomPark::movingPath(places.parked())));
                if (parkedNow) {
                    const auto settled = DeRoomPark::readRecord(places.record());
                    ASSERT_TRUE(settled) << settled.error.description().toStdString();
                    EXPECT_EQ(*settled.value, (DeRoomPark::Record{places.user(), places.parked()}));
                }
                // Nothing is left to settle.
                EXPECT_EQ(recoveryName(DeRoomPark::recoverInstalled()), "none");
            }
        }
    }
}

// The scripted move of the system-wide component goes straight to its destination, so a kill
// inside it leaves a part of the bundle under the destination's own name. What is left is
// settled the same way, but never by removing anything in the system-wide folder, which
// needs administrator rights: then nothing changes and the user is told what to remove.
TEST(DeRoomPark, AScriptedMoveCutShortIsSettledWithoutRightsItLacks) {
    using State = DeRoomPark::Record::State;
    // What a kill inside the scripted move leaves in each place: the whole bundle, a part of it
    // (a copy being made, or an original being removed), or nothing.
    enum class Holds { nothing, whole, part };
    struct Case {
        const char* name;
        State state;
        Holds system;
        Holds parked;
        QString result; // the recovery, or its error
        QStringList after;
    };
    const QString rights = "DeRoom could not be moved. What is left at SYSTEM needs administrator rights to "
                           "remove, so it stays; the whole copy is at PARKED. Remove SYSTEM, then choose "
                           "Final Cut ▸ Put DeRoom Back.";
    const QList<Case> cases = {
        {"park killed before the move",
         State::parking,
         Holds::whole,
         Holds::nothing,
         "parkUndone",
         {"system"}},
        {"park killed while copying", State::parking, Holds::whole, Holds::part, "parkUndone", {"system"}},
        {"park killed while removing the original",
         State::parking,
         Holds::part,
         Holds::whole,
         rights,
         {"system", "parked", "record"}},
        {"park killed in place",
         State::parking,
         Holds::nothing,
         Holds::whole,
         "parkFinished",
         {"parked", "record"}},
        {"restore killed before the move",
         State::restoring,
         Holds::nothing,
         Holds::whole,
         "restoreUndone",
         {"parked", "record"}},
        {"restore killed while copying",
         State::restoring,
         Holds::part,
         Holds::whole,
         rights,
         {"system", "parked", "record"}},
        {"restore killed while removing the parked copy",
         State::restoring,
         Holds::whole,
         Holds::part,
         "restoreFinished",
         {"system"}},
        {"restore killed in place",
         State::restoring,
         Holds::whole,
         Holds::nothing,
         "restoreFinished",
         {"system"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Places places;
        for (const auto& [holds, place] :
             {std::pair{c.system, places.system()}, std::pair{c.parked, places.parked()}}) {
            if (holds != Holds::nothing)
                installWhole(place);
            if (holds == Holds::part)
                removeSome(place);
        }
        test::writeFile(places.record(), DeRoomPark::encode({places.system(), places.parked(), c.state}));
        const QStringList before = test::treeListing(places.folder);

        QString expected = c.result;
        expected.replace("SYSTEM", places.system()).replace("PARKED", places.parked());
        EXPECT_EQ(recoveryName(DeRoomPark::recoverInstalled()), expected);
        EXPECT_EQ(places.where(), c.after);
        if (c.result != rights) {
            const QString whole = c.after.contains("parked") ? places.parked() : places.system();
            const QString reference = places.folder + "/reference";
            installWhole(reference);
            EXPECT_EQ(treeContents(whole), treeContents(reference));
        } else {
            EXPECT_EQ(test::treeListing(places.folder), before);
        }
        EXPECT_TRUE(places.mover->calls().isEmpty());
    }
}

// While one move runs, another one — a restore, a recovery, a park — is refused before it
// reads or moves anything, and the first one ends as if alone.
TEST(DeRoomPark, ASecondMoveWhileOneIsUnderWayIsRefused) {
    Places places;
    installWhole(places.user());
    const QStringList bundle = treeContents(places.user());
    QStringList refused;
    DeRoomPark::Hooks hooks;
    hooks.tree.acrossFileSystems = true;
    hooks.at = [&](Step step) {
        if (step != Step::staged)
            return;
        refused.append(kindName(DeRoomPark::restoreInstalled()) + ": " +
                       DeRoomPark::restoreInstalled().value_or(DeRoomPark::ParkError{}).description());
        refused.append(recoveryName(DeRoomPark::recoverInstalled()));
        refused.append(parkResult(DeRoomPark::parkInstalled()));
    };
    const auto parked = DeRoomPark::park(places.user(), places.record(), false, hooks);
    ASSERT_TRUE(parked) << parked.error.description().toStdString();
    const QString busy = QStringLiteral("DeRoom could not be moved. Another move of DeRoom is under way, so "
                                        "nothing was moved. Try again once it has finished.");
    EXPECT_EQ(refused, (QStringList{"moveFailed: " + busy, busy, "moveFailed"}));
    EXPECT_EQ(places.where(), (QStringList{"parked", "record"}));
    EXPECT_EQ(treeContents(places.parked()), bundle);
    EXPECT_EQ(places.units->restarts(), 0);
}

TEST(DeRoomRecord, AMoveUnderWayIsNamedAndAnythingElseIsRefused) {
    using State = DeRoomPark::Record::State;
    const QString original =
        QStringLiteral("/h/Library/Audio/Plug-Ins/Components/Accentize-DeRoom2.component");
    const QString parked =
        QStringLiteral("/h/.local/share/Pellimor/Parked Audio Units/Accentize-DeRoom2.component");
    EXPECT_EQ(DeRoomPark::encode({original, parked, State::parking}),
              QByteArray(
                  R"({"originalPath":"/h/Library/Audio/Plug-Ins/Components/Accentize-DeRoom2.component",)"
                  R"("parkedPath":"/h/.local/share/Pellimor/Parked Audio Units/Accentize-DeRoom2.component",)"
                  R"("state":"parking"})"));
    for (const State state : {State::parked, State::parking, State::restoring}) {
        const auto read = DeRoomPark::decode(DeRoomPark::encode({original, parked, state}), "/r.json");
        ASSERT_TRUE(read);
        EXPECT_EQ(*read.value, (DeRoomPark::Record{original, parked, state}));
    }
    for (const QByteArray& state :
         {QByteArray(R"("parked")"), QByteArray(R"("")"), QByteArray("1"), QByteArray("null")}) {
        SCOPED_TRACE(state.constData());
        const auto read =
            DeRoomPark::decode(R"({"originalPath":"/a","parkedPath":"/b","state":)" + state + "}", "/r.json");
        ASSERT_FALSE(read);
        EXPECT_EQ(read.error.description(),
                  QStringLiteral("The record of the parked DeRoom (/r.json) could not "
                                 "be read: “state” is neither “parking” nor “restoring”."));
    }
}

namespace {

// "tag message" for each line of the activity log, without its time.
QStringList activity() {
    QStringList lines;
    for (const QString& line : test::lines(ActivityLog::url()))
        lines.append(line.split(QStringLiteral("  ")).mid(1).join(QStringLiteral(" ")));
    return lines;
}

} // namespace

// At start-up a cut-short move is settled and the user told which way, in the status line and
// the activity log; one that cannot be settled goes to the error log too. A start with nothing
// to settle, or while another run moves DeRoom, says nothing.
TEST(DeRoomPark, AtStartUpTheUserIsToldHowACutShortMoveWasSettled) {
    test::CatalogTestEnv env{QStringLiteral("deroom-startup")};
    Places places;
    platform::Services merged = platform::services();
    merged.settings = env.settings;
    merged.volumes = env.volumes;
    const platform::ScopedServices scope(merged);
    const bool wasHeadless = ErrorLog::headless();
    ErrorLog::setHeadless(false);
    const std::unique_ptr<Catalog> catalog = env.makeCatalog();

    // Nothing to settle: a parked DeRoom, and no DeRoom at all.
    DeRoomPark::recoverAtStartUp(*catalog);
    installWhole(places.parked());
    places.writeRecord(places.user());
    DeRoomPark::recoverAtStartUp(*catalog);
    EXPECT_EQ(catalog->status(), QString());

    // A put-back killed with the bundle at its temporary name is finished.
    const KillPoint staged{.name = "staged", .step = Step::staged};
    ASSERT_TRUE(killedAt(staged, [&](const DeRoomPark::Hooks& hooks) {
        static_cast<void>(
            DeRoomPark::restore(places.record(), false, false, DeRoomPark::componentFolders(), hooks));
    }));
    DeRoomPark::recoverAtStartUp(*catalog);
    EXPECT_EQ(catalog->status(), QStringLiteral("Putting DeRoom back was cut short last time. It has been "
                                                "finished: DeRoom is back in Audio Units."));
    EXPECT_EQ(places.where(), QStringList{"user"});

    // A park killed before anything moved is undone.
    const KillPoint recorded{.name = "recorded", .step = Step::recorded};
    ASSERT_TRUE(killedAt(recorded, [&](const DeRoomPark::Hooks& hooks) {
        static_cast<void>(DeRoomPark::park(places.user(), places.record(), false, hooks));
    }));
    DeRoomPark::recoverAtStartUp(*catalog);
    EXPECT_EQ(catalog->status(), QStringLiteral("Parking DeRoom was cut short last time. It has been undone: "
                                                "DeRoom is in Audio Units as before."));
    EXPECT_EQ(places.where(), QStringList{"user"});
    EXPECT_EQ(activity(), (QStringList{"deroom-restore recovered finished", "deroom-park recovered undone"}));
    EXPECT_FALSE(QFileInfo::exists(ErrorLog::url()));

    // While another run holds the parked folder, nothing is touched or said.
    test::writeFile(places.record(),
                    DeRoomPark::encode({places.user(), places.parked(), DeRoomPark::Record::State::parking}));
    catalog->setStatus(QString());
    DeRoomPark::Hooks holding;
    holding.at = [&](Step step) {
        if (step == Step::recorded)
            DeRoomPark::recoverAtStartUp(*catalog);
    };
    QDir(places.user()).removeRecursively();
    installWhole(places.system());
    places.mover->answer({true, {}, 1, "User canceled. (-128)"});
    static_cast<void>(DeRoomPark::park(places.system(), places.record(), true, holding));
    EXPECT_EQ(catalog->status(), QString());
    EXPECT_EQ(activity().size(), 2);

    // A record of a move that names another place is refused, and said so.
    test::writeFile(places.record(), DeRoomPark::encode({places.folder + "/home/Documents", places.parked(),
                                                         DeRoomPark::Record::State::restoring}));
    DeRoomPark::recoverAtStartUp(*catalog);
    const QString unreadable =
        QStringLiteral("The record of the parked DeRoom (") + places.record() +
        QStringLiteral(") could not be read: “originalPath” is not the place of DeRoom in "
                       "an Audio Units folder.");
    EXPECT_EQ(catalog->status(), unreadable);
    EXPECT_EQ(activity().last(), "deroom-restore recover-failed " + unreadable);
    const QStringList errors = test::lines(ErrorLog::url());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().endsWith(
        "ERROR deroom: A move of DeRoom that was cut short could not be settled: " + unreadable))
        << errors.first().toStdString();
    ErrorLog::setHeadless(wasHeadless);
}

// The same with the program's folder on a drive of its own, so the move crosses file systems
// for real rather than because a test asked it to.
TEST(DeRoomPark, AcrossRealDrivesAKilledMoveIsSettledToo) {
    struct Case {
        KillPoint point;
        QString recovery;
        bool parked; // afterwards
    };
    const QList<Case> cases = {
        {{.name = "while the copy is made",
          .afterCopy = true,
          .cutCopy = [](const QString& copy) { QFile::resize(copy + "/Contents/MacOS/DeRoom2", 10); },
          .acrossDrives = false},
         "parkUndone",
         false},
        {{.name = "at the temporary name", .step = Step::staged, .acrossDrives = false},
         "parkFinished",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.point.name);
        Places places;
        const test::ScopedMount drive = test::ScopedMount::tmpfs(places.folder + "/data");
        if (!drive)
            GTEST_SKIP() << drive.reason().toStdString();
        installWhole(places.user());
        struct stat home {
        }, data{};
        ASSERT_EQ(::stat(QFile::encodeName(places.user()).constData(), &home), 0);
        ASSERT_EQ(::stat(QFile::encodeName(places.folder + "/data").constData(), &data), 0);
        ASSERT_NE(home.st_dev, data.st_dev);
        const QStringList bundle = treeContents(places.user());
        ASSERT_TRUE(killedAt(c.point, [&](const DeRoomPark::Hooks& hooks) {
            static_cast<void>(DeRoomPark::park(places.user(), places.record(), false, hooks));
        }));
        EXPECT_EQ(recoveryName(DeRoomPark::recoverInstalled()), c.recovery);
        EXPECT_EQ(treeContents(c.parked ? places.parked() : places.user()), bundle);
        EXPECT_EQ(places.where(), (c.parked ? QStringList{"parked", "record"} : QStringList{"user"}));
        EXPECT_FALSE(standsThere(DeRoomPark::movingPath(places.parked())));
        // The next park and put-back cross the drives whole.
        if (!c.parked) {
            EXPECT_EQ(parkResult(DeRoomPark::parkInstalled()), "moved");
        }
        EXPECT_EQ(treeContents(places.parked()), bundle);
        EXPECT_EQ(kindName(DeRoomPark::restoreInstalled()), "ok");
        EXPECT_EQ(treeContents(places.user()), bundle);
        EXPECT_EQ(places.where(), QStringList{"user"});
    }
}
