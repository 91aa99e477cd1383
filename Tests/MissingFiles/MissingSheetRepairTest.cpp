// Putting found files back from the missing-files sheet, decided without a window: which rows a
// repair takes, the question before it, the repair step's texts and buttons, the note after it,
// and the libraries read again.

#include "MissingFiles/MissingSheetRepair.h"

#include "MissingFiles/MissingFiles.h"
#include "MissingFiles/MissingSheet.h"
#include "Support/ByteCount.h"
#include "Support/PathText.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Support/QtPrinters.h"
#include "Tests/Support/TestEnv.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace pellimor;
using test::TestEnv;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;
using MissingFiles::RepairMode;
using MissingFiles::RepairResult;

namespace {

MissingFile link(const QString& library, const QString& target) {
    return MissingFile{library,
                       QStringLiteral("/Volumes/Studio/") + library + QStringLiteral(".fcpbundle"),
                       QStringLiteral("Studio"),
                       QStringLiteral("Day 1"),
                       PathText::lastComponent(target),
                       target};
}

const QString kCopyText = QStringLiteral(
    "Each broken link in the library's Original Media is replaced with a copy of the found file. The found "
    "file stays where it is, and no existing media is changed or deleted.");
const QString kLinkText = QStringLiteral(
    "Each broken link is pointed at the found file, which stays where it is. Nothing is copied. To bring the "
    "files into the library afterwards, use File ▸ Consolidate Library Media in Final Cut.");
const QString kEnd =
    QStringLiteral(" Final Cut Pro must be closed. Every change is written to repair-log.txt.");
const QString kAllStrong = QStringLiteral("All of them are strong matches.");

QString weakSentence(int count) {
    return QString::number(count) +
           QStringLiteral(" of them matched by name only (orange in the Match column) — look at those with "
                          "Quick Look first, because camera file names repeat.");
}

// Broken links of the libraries "Film" and "Trip" and what a search found for them in a fixture
// folder: a strong match, a name-only match, several different files, agreeing copies, a lead
// and nothing.
class MissingSheetRepairTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto put = [&](const MissingFile& file, const QList<std::pair<QString, qint64>>& places) {
            QStringList list;
            for (const auto& [path, size] : places) {
                FixtureFiles::writeRandom(root + path, size);
                list.append(root + path);
            }
            found.insert(file.wantedName(), list);
        };
        put(strong, {{"/Other/Shoot/Card 1/a.mov", 10}});
        put(nameOnly, {{"/x/b.mov", 10}});
        put(unclear, {{"/x/c.mov", 10}, {"/y/c.mov", 20}});
        put(agree, {{"/x/d.mov", 10}, {"/y/d.mov", 10}});
        put(otherLibrary, {{"/Other/Shoot/Card 1/e.mov", 10}});
        found.insert(lead.wantedName(), {MissingFiles::lead(QStringLiteral("/Volumes/Gone/f.mov"), "Gone")});
    }

    MissingSheetState state(const QList<MissingFile>& all, const QList<MissingFile>& selected = {}) const {
        MissingSheetState made;
        made.all = all;
        made.loading = false;
        made.found = found;
        made.searchedIn = QStringList{QStringLiteral("Tovlin's catalogue")};
        for (const MissingFile& file : selected)
            made.selection.insert(file.id());
        return made;
    }

    const QString root = QFileInfo(TestEnv::freshDir(QStringLiteral("sheet-repair"))).canonicalFilePath();
    const MissingFile strong = link("Film", "/Volumes/Old/Shoot/Card 1/a.mov");
    const MissingFile nameOnly = link("Film", "/Volumes/Old/b.mov");
    const MissingFile unclear = link("Film", "/Volumes/Old/c.mov");
    const MissingFile agree = link("Film", "/Volumes/Old/d.mov");
    const MissingFile otherLibrary = link("Trip", "/Volumes/Old/Shoot/Card 1/e.mov");
    const MissingFile lead = link("Film", "/Volumes/Old/f.mov");
    const MissingFile nothing = link("Film", "/Volumes/Old/g.mov");
    MissingFiles::Found found;
};

} // namespace

TEST_F(MissingSheetRepairTest, whatARepairTakesAndTheQuestionBeforeIt) {
    struct Case {
        const char* name;
        QList<MissingFile> all;
        QList<MissingFile> selected;
        QList<std::pair<MissingFile, QString>> picks;
        QStringList names; // of the entries, in order
        QString copyTitle;
        QString linkTitle;
        QString subject;
        QString sentence;
    };
    const QList<Case> cases = {
        {"three selected rows, one unclear",
         {strong, nameOnly, unclear, agree},
         {unclear, nameOnly, strong},
         {},
         {"a.mov", "b.mov"},
         "Copy 2 found files into the library?",
         "Repair 2 links?",
         "The selected files",
         weakSentence(1)},
        {"two files in two libraries",
         {strong, otherLibrary},
         {},
         {},
         {"a.mov", "e.mov"},
         "Copy 2 found files into the libraries?",
         "Repair 2 links?",
         "All found files in the list",
         kAllStrong},
        {"one file",
         {strong, lead},
         {},
         {},
         {"a.mov"},
         "Copy 1 found file into the library?",
         "Repair 1 link?",
         "All found files in the list",
         kAllStrong},
        {"one name-only entry",
         {nameOnly},
         {},
         {},
         {"b.mov"},
         "Copy 1 found file into the library?",
         "Repair 1 link?",
         "All found files in the list",
         weakSentence(1)},
        {"agreeing copies are not strong; a pick is",
         {unclear, agree},
         {},
         {{unclear, "/y/c.mov"}},
         {"c.mov", "d.mov"},
         "Copy 2 found files into the library?",
         "Repair 2 links?",
         "All found files in the list",
         weakSentence(1)},
    };
    for (const Case& c : cases) {
        MissingSheetState shown = state(c.all, c.selected);
        for (const auto& [file, path] : c.picks)
            shown.picked.insert(file.id(), root + path);
        const QList<MissingSheet::RepairEntry> entries = MissingSheet::repairable(shown);
        QStringList names;
        for (const MissingSheet::RepairEntry& entry : entries) {
            names.append(entry.item.file.name);
            EXPECT_EQ(entry.item.source, MissingSheet::choice(shown, entry.item.file).path) << c.name;
        }
        EXPECT_EQ(names, c.names) << c.name;

        shown.pendingRepair = RepairMode::copy;
        EXPECT_EQ(MissingSheet::repairTitle(shown, entries), c.copyTitle) << c.name;
        EXPECT_EQ(MissingSheet::repairMessage(shown, entries),
                  c.subject + " will be used. " + kCopyText + "\n\n" + c.sentence + kEnd)
            << c.name;
        shown.pendingRepair = RepairMode::link;
        EXPECT_EQ(MissingSheet::repairTitle(shown, entries), c.linkTitle) << c.name;
        EXPECT_EQ(MissingSheet::repairMessage(shown, entries),
                  c.subject + " will be used. " + kLinkText + "\n\n" + c.sentence + kEnd)
            << c.name;
        EXPECT_EQ(MissingSheet::question(shown, entries),
                  (MissingSheet::RepairQuestion{c.linkTitle, MissingSheet::repairMessage(shown, entries),
                                                "Repair Links"}))
            << c.name;
    }
}

TEST_F(MissingSheetRepairTest, rowsWithoutAProposedFileAreNeverTaken) {
    MissingSheetState shown = state({unclear, lead, nothing});
    EXPECT_TRUE(MissingSheet::repairable(shown).isEmpty());
    shown.pendingRepair = RepairMode::copy;
    EXPECT_EQ(MissingSheet::question(shown, {}), std::nullopt) << "nothing to ask about";
    // A selection of rows none of which can be repaired takes nothing, whatever else is listed.
    EXPECT_TRUE(MissingSheet::repairable(state({strong, unclear}, {unclear})).isEmpty());
    // A pick of a file that is not among the row's found files proposes nothing.
    shown.picked.insert(unclear.id(), root + "/z/c.mov");
    EXPECT_TRUE(MissingSheet::repairable(shown).isEmpty());
    EXPECT_EQ(MissingSheet::question(state({strong}), MissingSheet::repairable(state({strong}))),
              std::nullopt)
        << "no repair waits";
}

TEST_F(MissingSheetRepairTest, theRepairStepsTextsAndButtons) {
    MissingSheetState shown = state({strong, nameOnly});
    shown.searchedIn.reset();
    EXPECT_FALSE(MissingSheet::showsRepairStep(shown));
    EXPECT_FALSE(MissingSheet::canRepair(shown)) << "no search has completed";
    shown.searchedIn = QStringList();
    EXPECT_TRUE(MissingSheet::showsRepairStep(shown));
    EXPECT_TRUE(MissingSheet::canRepair(shown));
    // The next search starts from no places searched; the step stays.
    shown.searchedOnce = true;
    shown.searchedIn.reset();
    shown.searching = true;
    EXPECT_TRUE(MissingSheet::showsRepairStep(shown));
    EXPECT_FALSE(MissingSheet::canRepair(shown));
    shown.searchedIn = QStringList();
    shown.searching = false;
    shown.working = true;
    EXPECT_FALSE(MissingSheet::canRepair(shown));

    EXPECT_EQ(MissingSheet::repairCount(shown, 1),
              QStringLiteral("1 found file can be put back (all rows; select rows to do only some)."));
    EXPECT_EQ(
        MissingSheet::nothingToRepair(shown),
        QStringLiteral("Nothing can be put back yet. Click a row: if several different files were found, "
                       "Quick Look them and press Use This One. Otherwise tick more places in step 2, or "
                       "connect the drive a file is listed on."));
    shown.selection = {strong.id()};
    EXPECT_EQ(MissingSheet::repairCount(shown, 2),
              QStringLiteral("2 found files can be put back (the selected rows)."));
    EXPECT_EQ(
        MissingSheet::nothingToRepair(shown),
        QStringLiteral("Tovlin can't tell which found file is right. In the details above, look at each with "
                       "Quick Look and press Use This One on the right file."));
    EXPECT_EQ(MissingSheet::repairButton(RepairMode::copy), QStringLiteral("Copy Into Library"));
    EXPECT_EQ(MissingSheet::repairButton(RepairMode::link), QStringLiteral("Repair Links"));
}

TEST(MissingSheetRepairNote, whatWasDoneAndWhatWasSkipped) {
    const QString copyAdvice =
        QStringLiteral(" Open the library in Final Cut to check the clips. If one still "
                       "shows as missing, select it and use File ▸ Relink Files.");
    const QString linkAdvice =
        QStringLiteral(" Open the library in Final Cut to check the clips, then File ▸ "
                       "Consolidate Library Media to copy them into the library.");
    const QStringList five = {"a.mov: the found file is gone", "b.mov: not enough free space on Studio",
                              "c.mov: is no longer a broken link, left alone",
                              "d.mov: the found file is a different type (.mp4)", "e.mov: unexpected name"};
    struct Case {
        const char* name;
        RepairMode mode;
        RepairResult result;
        QString note;
    };
    const QList<Case> cases = {
        {"a copy of two files with one skip",
         RepairMode::copy,
         {2, 1'500'000, {five.at(0)}, {"/L.fcpbundle"}},
         "Copied 2 files into the library (" + ByteCount::file(1'500'000) + ")." + copyAdvice +
             "\nSkipped: a.mov: the found file is gone"},
        {"six files, five skipped",
         RepairMode::copy,
         {1, 10, five, {"/L.fcpbundle"}},
         "Copied 1 file into the library (" + ByteCount::file(10) + ")." + copyAdvice +
             "\nSkipped: " + five.mid(0, 4).join("; ") + "; and 1 more"},
        {"four skipped: all spelled out",
         RepairMode::link,
         {0, 0, five.mid(0, 4), {}},
         "Repaired 0 links.\nSkipped: " + five.mid(0, 4).join("; ")},
        {"nothing done, nothing skipped", RepairMode::copy, {}, "Copied 0 files into the library (Zero KB)."},
        {"Final Cut Pro running",
         RepairMode::copy,
         {0, 0, {"Final Cut Pro is running. Quit it first."}, {}},
         "Copied 0 files into the library (Zero KB).\nSkipped: Final Cut Pro is running. Quit it first."},
        {"two links", RepairMode::link, {2, 0, {}, {"/L.fcpbundle"}}, "Repaired 2 links." + linkAdvice},
        {"one link", RepairMode::link, {1, 0, {}, {"/L.fcpbundle"}}, "Repaired 1 link." + linkAdvice},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MissingSheet::repairNote(c.mode, c.result), c.note) << c.name;
}

TEST(MissingSheetRepairNote, theLogAndTheLibrariesReadAgain) {
    EXPECT_EQ(MissingSheet::repairLogPath("/data/Pellimor"), QStringLiteral("/data/Pellimor/repair-log.txt"));

    LibraryInfo film;
    film.path = QStringLiteral("/Volumes/A/Film.fcpbundle");
    film.name = QStringLiteral("Film");
    LibraryInfo again = film;
    again.name = QStringLiteral("Film (listed twice)");
    LibraryInfo trip;
    trip.path = QStringLiteral("/Volumes/A/Trip.fcpbundle");
    // Each changed library once, as the catalogue first lists it; one it has forgotten is left out.
    const QList<LibraryInfo> reread = MissingSheet::toReread(
        {film.path, QStringLiteral("/Volumes/A/Forgotten.fcpbundle")}, {trip, film, again});
    ASSERT_EQ(reread.size(), 1);
    EXPECT_EQ(reread.first().name, QStringLiteral("Film"));
    EXPECT_TRUE(MissingSheet::toReread({}, {film}).isEmpty());
}
