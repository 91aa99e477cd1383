// What the missing-files sheet shows, decided without a window: its lists, counts, texts, enabled
// states, table cells and column widths.

#include "MissingFiles/MissingSheet.h"

#include "MissingFiles/MissingFiles.h"
#include "Support/PathText.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Support/QtPrinters.h"
#include "Tests/Support/RecordingMeasurer.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <gtest/gtest.h>

using namespace pellimor;
using test::RecordingMeasurer;
using test::TestEnv;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;
using MissingFiles::Match;
using MissingSheet::Cell;
using Kind = MissingFiles::Match::Kind;

namespace {

MissingFile link(const QString& library, const QString& drive, const QString& target,
                 const QString& event = QStringLiteral("Day 1")) {
    return MissingFile{library,
                       QStringLiteral("/Volumes/") + drive + u'/' + library + QStringLiteral(".fcpbundle"),
                       drive,
                       event,
                       PathText::lastComponent(target),
                       target};
}

MissingSheetState loaded(const QList<MissingFile>& all) {
    MissingSheetState state;
    state.all = all;
    state.loading = false;
    return state;
}

QString lead(const QString& path) {
    return MissingFiles::lead(path, QStringLiteral("Gone"));
}

const QString kSummaryEnd = QStringLiteral(
    ". The library only holds a link to each file, and the file is no longer where the link points.");

} // namespace

TEST(MissingSheetTexts, summary) {
    const MissingFile a1 = link("Film", "A", "/old/a.mov");
    const MissingFile a2 = link("Film", "A", "/old/b.mov");
    const MissingFile a3 = link("Film", "A", "/old/c.mov");
    const MissingFile b1 = link("Trip", "B", "/old/d.mov");
    struct Case {
        const char* name;
        QList<MissingFile> all;
        int skipped;
        QString drive;
        bool loading;
        QString summary;
    };
    const QList<Case> cases = {
        {"loading", {a1}, 1, {}, true, "Linked originals whose file can't be found."},
        {"three in one library",
         {a1, a2, a3},
         0,
         {},
         false,
         "3 linked originals can't be found, in 1 library" + kSummaryEnd},
        {"one in one library",
         {a1},
         0,
         {},
         false,
         "1 linked original can't be found, in 1 library" + kSummaryEnd},
        {"two libraries",
         {a1, b1},
         0,
         {},
         false,
         "2 linked originals can't be found, in 2 libraries" + kSummaryEnd},
        {"a drive filter",
         {a1, a2, b1},
         0,
         "A",
         false,
         "2 linked originals can't be found, in 1 library" + kSummaryEnd},
        {"two offline",
         {},
         2,
         {},
         false,
         "No missing files in the libraries listed. 2 libraries are on drives that aren't connected and "
         "could "
         "not be read."},
        {"one offline",
         {a1},
         1,
         {},
         false,
         "1 linked original can't be found, in 1 library" + kSummaryEnd +
             " 1 library is on drives that aren't connected and could not be read."},
    };
    for (const Case& c : cases) {
        MissingSheetState state = loaded(c.all);
        state.loading = c.loading;
        state.skipped = c.skipped;
        state.drive = c.drive;
        EXPECT_EQ(MissingSheet::summary(state), c.summary) << c.name;
    }
}

TEST(MissingSheetTexts, searchNote) {
    using Counts = MissingSheet::Counts;
    struct Case {
        Counts counts;
        qsizetype files;
        bool stopped;
        QString note;
    };
    const QString strongEnd = QStringLiteral(" of them are strong matches (green in the Match column). Click "
                                             "a row for the full paths and Quick Look.");
    const QString leadsEnd = QStringLiteral(" may be on a drive that isn't connected: click the row to see "
                                            "which drive, connect it and press Find "
                                            "Again.");
    const QList<Case> cases = {
        {{0, 0, 0}, 1, false, "None of the 1 missing file was found in the places searched."},
        {{0, 0, 0}, 3, false, "None of the 3 missing files were found in the places searched."},
        {{2, 1, 0}, 3, false, "2 of 3 found by name; 1" + strongEnd},
        {{0, 0, 2}, 2, false, "None of the 2 missing files were found in the places searched. 2" + leadsEnd},
        {{1, 0, 1}, 4, true, "Stopped early. 1 of 4 found by name; 0" + strongEnd + " 1" + leadsEnd},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MissingSheet::searchNote(c.counts, c.files, c.stopped), c.note);
}

// A lead counts under "may be on a drive that isn't connected", never as found; a strong match
// needs a file that is there.
TEST(MissingSheetTexts, countsJudgeWhatWasFound) {
    const QString root = QFileInfo(TestEnv::freshDir(QStringLiteral("sheet-counts"))).canonicalFilePath();
    const QString sameFolders = root + "/Other/Shoot/Card 1/a.mov";
    const QString nameOnly = root + "/Elsewhere/b.mov";
    FixtureFiles::writeRandom(sameFolders, 10);
    FixtureFiles::writeRandom(nameOnly, 10);
    const MissingFile a = link("Film", "A", "/Volumes/Old/Shoot/Card 1/a.mov");
    const MissingFile b = link("Film", "A", "/Volumes/Old/Shoot/Card 2/b.mov");
    const MissingFile c = link("Film", "A", "/Volumes/Old/c.mov");
    const MissingFile d = link("Film", "A", "/Volumes/Old/d.mov");
    MissingSheetState state = loaded({a, b, c, d});
    state.found = {{"a.mov", {sameFolders}},
                   {"b.mov", {nameOnly}},
                   {"c.mov", {lead("/Volumes/Gone/c.mov")}},
                   {"d.mov", {root + "/vanished/d.mov"}}};
    EXPECT_EQ(MissingSheet::counts(state, state.all), (MissingSheet::Counts{3, 1, 1}));
    EXPECT_EQ(MissingSheet::counts(state, state.all, false), (MissingSheet::Counts{3, 0, 1}));

    // The user's pick of a found file makes it strong.
    state.picked.insert(b.id(), nameOnly);
    EXPECT_EQ(MissingSheet::counts(state, state.all).strong, 2);
}

TEST(MissingSheetTexts, progressLine) {
    const MissingFile a = link("Film", "A", "/old/a.mov");
    const MissingFile b = link("Film", "A", "/old/b.mov");
    struct Case {
        MissingFiles::Found found;
        QString progress;
        QString line;
    };
    const QList<Case> cases = {
        {{}, {}, "0 of 2 found so far"},
        {{{"a.mov", {"/x/a.mov"}}, {"b.mov", {lead("/Volumes/Gone/b.mov")}}}, {}, "1 of 2 found so far"},
        {{{"a.mov", {"/x/a.mov"}}, {"b.mov", {"/y/b.mov"}}}, {}, "2 of 2 found so far — you can press Stop"},
        {{{"a.mov", {"/x/a.mov"}}},
         "3000 files checked · /Volumes/B/Footage",
         "1 of 2 found so far  ·  3000 files checked · /Volumes/B/Footage"},
    };
    for (const Case& c : cases) {
        MissingSheetState state = loaded({a, b});
        state.searching = true;
        state.found = c.found;
        state.progress = c.progress;
        EXPECT_EQ(MissingSheet::progressLine(state), c.line);
    }
}

TEST(MissingSheetPlaces, homeICloudDrivesAndAddedFolders) {
    const QString home = TestEnv::freshDir(QStringLiteral("sheet-home"));
    const QString homeTitle = QStringLiteral("Home folder (Desktop, Documents, Downloads, Movies…)");
    const QStringList volumes = {"/Volumes/Archive", "/Volumes/B Drive"};
    EXPECT_EQ(MissingSheet::places(home, volumes, {"/data/shoot"}),
              (QList<MissingSheet::Place>{{homeTitle, home},
                                          {"Archive", "/Volumes/Archive"},
                                          {"B Drive", "/Volumes/B Drive"},
                                          {"/data/shoot", "/data/shoot"}}));

    // iCloud Drive only when its folder is there, right after the home folder.
    ASSERT_TRUE(QDir().mkpath(MissingSheet::iCloudPath(home)));
    EXPECT_EQ(MissingSheet::iCloudPath(home), home + "/Library/Mobile Documents/com~apple~CloudDocs");
    EXPECT_EQ(
        MissingSheet::places(home, {}, {}),
        (QList<MissingSheet::Place>{{homeTitle, home}, {"iCloud Drive", MissingSheet::iCloudPath(home)}}));
}

TEST(MissingSheetPlaces, whatASearchWalksAndReports) {
    const QList<MissingSheet::Place> shown = {{"Home", "/home/u"}, {"A", "/Volumes/A"}, {"B", "/Volumes/B"}};
    // Only the catalogue ticked: nothing is walked.
    EXPECT_TRUE(MissingSheet::roots(shown, {}).isEmpty());
    EXPECT_EQ(MissingSheet::searched(true, {}), QStringList{"Tovlin's catalogue"});
    // In the order of the places; a drive ticked and unplugged since is not walked.
    const QStringList roots = MissingSheet::roots(shown, {"/Volumes/B", "/Volumes/Gone", "/home/u"});
    EXPECT_EQ(roots, (QStringList{"/home/u", "/Volumes/B"}));
    EXPECT_EQ(MissingSheet::searched(false, roots), roots);
    EXPECT_EQ(MissingSheet::searched(true, roots),
              (QStringList{"Tovlin's catalogue", "/home/u", "/Volumes/B"}));
}

TEST(MissingSheetPlaces, addingFolders) {
    MissingSheetState state = loaded({});
    MissingSheet::addFolders(state, {"/f/one", "/f/two"});
    EXPECT_EQ(state.extra, (QStringList{"/f/one", "/f/two"}));
    EXPECT_EQ(state.chosen, (QSet<QString>{"/f/one", "/f/two"}));

    // A folder added before changes nothing, not even a tick the user took off.
    state.chosen.remove("/f/one");
    MissingSheet::addFolders(state, {"/f/one", "/f/three", "/f/three"});
    EXPECT_EQ(state.extra, (QStringList{"/f/one", "/f/two", "/f/three"}));
    EXPECT_EQ(state.chosen, (QSet<QString>{"/f/two", "/f/three"}));
}

TEST(MissingSheetControls, findAndSaveAreEnabledOnlyWithSomethingToDo) {
    const MissingFile a = link("Film", "A", "/old/a.mov");
    struct Case {
        const char* name;
        QList<MissingFile> all;
        bool useCatalog;
        QSet<QString> chosen;
        bool searching;
        QString drive;
        bool find;
        bool save;
    };
    const QList<Case> cases = {
        {"the catalogue alone", {a}, true, {}, false, {}, true, true},
        {"the catalogue off and no place", {a}, false, {}, false, {}, false, true},
        {"the catalogue off and a place", {a}, false, {"/Volumes/B"}, false, {}, true, true},
        {"no file", {}, true, {"/Volumes/B"}, false, {}, false, false},
        {"no file on the drive shown", {a}, true, {}, false, "B", false, false},
        {"while searching", {a}, true, {}, true, {}, false, false},
    };
    for (const Case& c : cases) {
        MissingSheetState state = loaded(c.all);
        state.useCatalog = c.useCatalog;
        state.chosen = c.chosen;
        state.searching = c.searching;
        state.drive = c.drive;
        EXPECT_EQ(MissingSheet::canFind(state), c.find) << c.name;
        EXPECT_EQ(MissingSheet::canSave(state), c.save) << c.name;
    }
    MissingSheetState state = loaded({a});
    EXPECT_EQ(MissingSheet::findTitle(state), QStringLiteral("Find Files"));
    state.searchedIn = QStringList();
    EXPECT_EQ(MissingSheet::findTitle(state), QStringLiteral("Find Again"));
}

TEST(MissingSheetControls, drivePickerInFinderOrder) {
    EXPECT_TRUE(MissingSheet::driveChoices(loaded({link("Film", "A", "/o/a.mov")})).isEmpty());
    const MissingSheetState state =
        loaded({link("Film", "Drive 10", "/o/a.mov"), link("Trip", "Drive 2", "/o/b.mov"),
                link("Trip", "Drive 2", "/o/c.mov")});
    EXPECT_EQ(MissingSheet::drives(state), (QStringList{"Drive 2", "Drive 10"}));
    EXPECT_EQ(MissingSheet::driveChoices(state),
              (QList<MissingSheet::DriveChoice>{{"All drives (3)", ""},
                                                {"Drive 2 only (2)", "Drive 2"},
                                                {"Drive 10 only (1)", "Drive 10"}}));
}

TEST(MissingSheetControls, suggestedNames) {
    const MissingFile film = link("Film", "A", "/o/a.mov");
    const MissingFile trip = link("Trip", "A", "/o/b.mov");
    const MissingFile other = link("Other", "B", "/o/c.mov");
    struct Case {
        QList<MissingFile> all;
        QString drive;
        QString name;
    };
    const QList<Case> cases = {
        {{film, film}, {}, "Film - missing files.txt"},
        {{film, trip, other}, "A", "A - missing files.txt"},
        {{film, other}, "B", "Other - missing files.txt"},
        {{film, trip, other}, {}, "missing files.txt"},
    };
    for (const Case& c : cases) {
        MissingSheetState state = loaded(c.all);
        state.drive = c.drive;
        EXPECT_EQ(MissingSheet::suggestedName(state), c.name);
    }
    EXPECT_EQ(MissingSheet::savedNote("Film - missing files.txt"),
              QStringLiteral("Saved the list to Film - missing files.txt."));
    EXPECT_EQ(MissingSheet::placesPaneMaximum(5), 201);
}

TEST(MissingSheetTable, foundAndMatchCells) {
    const QString root = QFileInfo(TestEnv::freshDir(QStringLiteral("sheet-cells"))).canonicalFilePath();
    const QString there = root + "/Card/c.mov";
    FixtureFiles::writeRandom(there, 10);
    const MissingFile file = link("Film", "A", "/Volumes/Old/Shoot/c.mov");
    const QString driveTip = QStringLiteral(
        "The catalogue lists a file with this name on a drive that isn't connected. Connect that "
        "drive and press Find Files again to check it.");
    const QString leadA = lead("/Volumes/Gone/A/c.mov");
    const QString leadB = lead("/Volumes/Gone/B/c.mov");
    struct Case {
        const char* name;
        std::optional<QStringList> list;
        bool searched;
        Cell found;
        Cell match;
    };
    const QList<Case> cases = {
        {"before a search", std::nullopt, false, {}, {}},
        {"nothing found", std::nullopt, true, {"Not found", CellTone::orange, {}}, {}},
        {"only leads",
         QStringList{leadA, leadB},
         true,
         {"Not found — may be on a drive that isn't connected", CellTone::orange, leadA + '\n' + leadB},
         {"Drive not connected", CellTone::secondary, driveTip}},
        {"three texts, one there",
         QStringList{leadA, root + "/gone/c.mov", there},
         true,
         {there + "  (+2 more)", CellTone::green, leadA + '\n' + root + "/gone/c.mov\n" + there},
         {"Same name only — check", CellTone::orange, MissingSheet::explanation(Match::of(Kind::nameOnly))}},
        {"only paths that have gone",
         QStringList{root + "/gone/c.mov"},
         false,
         {root + "/gone/c.mov", CellTone::secondary, root + "/gone/c.mov"},
         {"Drive not connected", CellTone::secondary, driveTip}},
    };
    for (const Case& c : cases) {
        MissingSheetState state = loaded({file});
        if (c.list)
            state.found.insert(file.wantedName(), *c.list);
        if (c.searched)
            state.searchedIn = QStringList{"Tovlin's catalogue"};
        const MissingSheet::Row row = MissingSheet::row(state, file);
        EXPECT_EQ(row.found, c.found) << c.name;
        EXPECT_EQ(row.match, c.match) << c.name;
        EXPECT_EQ(MissingSheet::cell(row, MissingSheet::Column::found), c.found) << c.name;
    }

    // The old folder in the secondary colour, the whole old target as its tip.
    const MissingSheet::Row row = MissingSheet::row(loaded({file}), file);
    EXPECT_EQ(MissingSheet::cell(row, MissingSheet::Column::wasAt),
              (Cell{"/Volumes/Old/Shoot", CellTone::secondary, "/Volumes/Old/Shoot/c.mov"}));
    EXPECT_EQ(MissingSheet::cell(row, MissingSheet::Column::file), (Cell{"c.mov", CellTone::primary, {}}));
}

TEST(MissingSheetTable, everyMatchHasItsColourAndExplanation) {
    const QList<std::tuple<Match, CellTone, QString>> cases = {
        {Match::of(Kind::sameEventInLibrary), CellTone::green, "The link pointed at a file inside a library"},
        {Match::of(Kind::sameFolderOtherAccount), CellTone::green,
         "Found in the same folders with the same name, under"},
        {Match::of(Kind::sameFoldersOtherDrive), CellTone::green,
         "Found with the same name inside the same folders"},
        {Match::of(Kind::chosenByUser), CellTone::green,
         "You looked at this file and marked it as the right one."},
        {Match::of(Kind::nameOnly), CellTone::orange, "Only the name matches. Camera names repeat"},
        {Match::copies(2), CellTone::orange,
         "Several files with this name were found and they are all exactly"},
        {Match::different(3), CellTone::orange,
         "Files with this name but different sizes were found, so Tovlin won't"},
    };
    for (const auto& [match, tone, start] : cases) {
        EXPECT_EQ(MissingSheet::tone(match), tone) << match.label().toStdString();
        EXPECT_TRUE(MissingSheet::explanation(match).startsWith(start)) << match.label().toStdString();
    }
}

TEST(MissingSheetTable, columnWidthsAtEitherScale) {
    const MissingFile a = link("Film", "Studio", "/Volumes/Old/Card/a.mov", "Ceremony");
    const MissingFile b = link("Trip", "A", "/Volumes/Old/b.mov");
    MissingSheetState state = loaded({a, b});
    const QString firstText = lead("/Volumes/Gone/a.mov");
    state.found.insert(a.wantedName(), {firstText, "/nowhere/a.mov"});
    state.searchedIn = QStringList();
    QList<MissingSheet::Row> rows;
    for (const MissingFile& file : state.all)
        rows.append(MissingSheet::row(state, file));

    for (const double scale : {1.0, 1.3}) {
        SCOPED_TRACE(scale);
        RecordingMeasurer measurer;
        const QHash<QString, double> widths =
            MissingSheet::columnWidths(rows, true, ColumnWidths(scale, measurer));
        const auto w = [&](const QString& text, double points) {
            return std::ceil(RecordingMeasurer::widthOf(text, points * scale));
        };
        EXPECT_EQ(widths.value("File"), w("a.mov", 13));
        EXPECT_EQ(widths.value("Event"), w("Ceremony", 13));
        EXPECT_EQ(widths.value("Library"), w("Film", 13));
        EXPECT_EQ(widths.value("Drive"), w("Studio", 13));
        EXPECT_EQ(widths.value("Was at"), w("/Volumes/Old/Card", 12));
        // The first text of the list, not the cell's first real place; "Not found" once searched.
        EXPECT_EQ(widths.value("Found"), w(firstText + "  (+1 more)", 12));
        EXPECT_EQ(widths.value("Match"), w("Drive not connected", 12));
        EXPECT_EQ(widths.size(), 7);
    }

    RecordingMeasurer measurer;
    EXPECT_TRUE(MissingSheet::columnWidths({}, true, ColumnWidths(1.0, measurer)).isEmpty());
    // Before a search the "Found" and "Match" columns hold nothing.
    const QHash<QString, double> before =
        MissingSheet::columnWidths({MissingSheet::row(loaded({b}), b)}, false, ColumnWidths(1.0, measurer));
    EXPECT_FALSE(before.contains("Found"));
    EXPECT_FALSE(before.contains("Match"));
    EXPECT_TRUE(before.contains("File"));
}

TEST(MissingSheetTable, theFirstRowOfASetAndTheFirstTextThatExists) {
    const QString root = TestEnv::freshDir(QStringLiteral("sheet-existing"));
    FixtureFiles::writeRandom(root + "/b.mov", 10);
    const MissingFile a = link("Film", "A", "/o/a.mov");
    const MissingFile b = link("Film", "A", "/o/b.mov");
    EXPECT_EQ(MissingSheet::firstOf({a, b}, {b.id(), a.id()}), a);
    EXPECT_EQ(MissingSheet::firstOf({a, b}, {"other"}), std::nullopt);
    EXPECT_EQ(MissingSheet::firstExisting({lead(root + "/b.mov"), root + "/a.mov", root + "/b.mov"}),
              root + "/b.mov");
    EXPECT_EQ(MissingSheet::firstExisting({lead(root + "/b.mov"), "b.mov"}), std::nullopt)
        << "leads never exist, and a relative text names nothing";
}
