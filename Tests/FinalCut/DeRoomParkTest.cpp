// DeRoom's risk rules, its record, and parking and putting back its bundle in every state the
// disk can be in: the component installed system-wide (below a root folder of the test's own,
// moved by a scripted mover that needs administrator rights), in HOME, in both, parked, and
// the mixed states outside changes leave.

#include "FinalCut/DeRoomPark.h"

#include "Platform/Services.h"
#include "Tests/Fixtures/CollectionRow.h"
#include "Tests/Support/FakeAudioUnitRegistry.h"
#include "Tests/Support/FakeFinalCutApp.h"
#include "Tests/Support/FakeRootFolder.h"
#include "Tests/Support/FakeScriptedMove.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"

#include <QDir>
#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>

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

TEST(DeRoomPark, ARecordThatCannotBeWrittenBringsTheBundleBack) {
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
        // There and back, both with the same rights.
        EXPECT_EQ(places.mover->calls().size(), systemWide ? 2 : 0);
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
