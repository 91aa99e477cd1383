// The words and colours of the Compare screen's detail panel: the media line, the project rows
// with their colours, the note when nothing differs, and the help and notice texts.

#include "Compare/CompareTexts.h"

#include "Catalogue/Records/Fmt.h"
#include "Catalogue/Records/RowDate.h"
#include "Compare/Comparer.h"
#include "Tests/Compare/CompareFixtures.h"
#include "Tests/Support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace pellimor;
using namespace pellimor::test::compare;

namespace {

const QString kId = QStringLiteral("ID-1");
const QString kStudio = QStringLiteral("/Volumes/Studio/W.fcpbundle");
const QString kArchive = QStringLiteral("/Volumes/Archive/W.fcpbundle");
const QString kBackup = QStringLiteral("/Volumes/Backup/W.fcpbundle");

// Studio newest; Archive with "Edit" re-edited earlier; Backup lacking "Edit"; "Same" everywhere
// and re-saved over two minutes.
CompareGroup threeCopies() {
    return Comparer::build(
        kId, {library("Studio", "W", kId, {project("Edit", 100, "new"), project("Same", 200, "s")}),
              library("Archive", "W", kId, {project("Edit", 0, "old"), project("Same", 0, "s")}),
              library("Backup", "W", kId, {project("Same", 70, "s")})});
}

} // namespace

TEST(CompareTextsDiffRow, partsAndColours) {
    const CompareGroup group = threeCopies();
    ASSERT_EQ(group.diffs.size(), 2);
    const CompareDetail::DiffRow edit = CompareTexts::diffRow(group.diffs[0], group);
    EXPECT_EQ(edit.key, QStringLiteral("Day 1 / Edit"));
    EXPECT_EQ(edit.parts, QStringLiteral("newest on Studio (") + Fmt::date(at(100)) +
                              QStringLiteral("); older on Archive · missing on Backup"));
    EXPECT_EQ(edit.tone, CompareTone::red);

    struct Case {
        const char* what;
        CompareGroup::Diff diff;
        QString parts;
        CompareTone tone;
    };
    const Case cases[] = {
        {"older only",
         {"K", {{kStudio, at(5)}, {kArchive, at(0)}}, {}, {kArchive}, kStudio, false},
         "newest on Studio (" + Fmt::date(at(5)) + "); older on Archive",
         CompareTone::orange},
        {"the winner's date unknown",
         {"K", {{kStudio, RowDate::distantPast()}}, {}, {kArchive}, kStudio, false},
         "newest on Studio (—); older on Archive",
         CompareTone::orange},
        {"a path no copy has",
         {"K", {}, {QStringLiteral("/gone")}, {}, kStudio, false},
         "missing on ?",
         CompareTone::red},
        {"re-saved",
         {"K", {}, {}, {}, kStudio, true},
         "same content (re-saved by Final Cut on some copies)",
         CompareTone::secondary},
        {"same", {"K", {}, {}, {}, kStudio, false}, "same in every copy", CompareTone::secondary},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CompareDetail::DiffRow row = CompareTexts::diffRow(c.diff, group);
        EXPECT_EQ(row.parts, c.parts);
        EXPECT_EQ(row.tone, c.tone);
    }
}

TEST(CompareTextsMedia, theMediaLine) {
    const CompareGroup group = threeCopies();
    struct Case {
        const char* what;
        Comparer::MediaReport report;
        CompareDetail::Media line;
    };
    const Case cases[] = {
        {"no media rows", {true, 0, {}, {}}, {}},
        {"identical, one file",
         {true, 1, {}, {}},
         {true,
          "checkmark.seal",
          "Original media: identical in all copies (1 files, compared by name and size)",
          CompareTone::green,
          false,
          {}}},
        {"one extra file; two missing and one extra",
         {false, 4, {{kArchive, 1}, {kBackup, 2}}, {{kStudio, 1}, {kBackup, 1}}},
         {true,
          "exclamationmark.triangle",
          "Original media differs between copies",
          CompareTone::orange,
          true,
          {"Studio: has 1 file the others lack", "Archive: missing 1 file that exist in another copy",
           "Backup: missing 2 files that exist in another copy; has 1 file the others lack"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CompareTexts::mediaLine(group, c.report), c.line);
    }
}

TEST(CompareTextsDetail, thePanelOfAGroup) {
    const CompareGroup behind = threeCopies();
    const CompareDetail panel = CompareTexts::detail(behind, {true, 0, {}, {}}, false);
    EXPECT_EQ(panel.symbol, QStringLiteral("exclamationmark.triangle.fill"));
    EXPECT_EQ(panel.symbolTone, CompareTone::orange);
    EXPECT_EQ(panel.name, QStringLiteral("W"));
    EXPECT_EQ(panel.verdict, behind.verdict);
    EXPECT_FALSE(panel.media.shown);
    EXPECT_TRUE(panel.listsProjects);
    ASSERT_EQ(panel.rows.size(), 1);
    EXPECT_EQ(panel.rows.first().key, QStringLiteral("Day 1 / Edit"));
    EXPECT_TRUE(panel.note.isEmpty());
    // Every project when asked, in key order.
    const CompareDetail all = CompareTexts::detail(behind, {true, 0, {}, {}}, true);
    ASSERT_EQ(all.rows.size(), 2);
    EXPECT_EQ(all.rows[1].parts, QStringLiteral("same content (re-saved by Final Cut on some copies)"));

    const CompareGroup inSync =
        Comparer::build(kId, {library("Studio", "W", kId, {project("Edit", 0, "f")}),
                              library("Archive", "W", kId, {project("Edit", 0, "f")})});
    const CompareDetail quiet = CompareTexts::detail(inSync, {true, 3, {}, {}}, false);
    EXPECT_EQ(quiet.symbol, QStringLiteral("checkmark.circle.fill"));
    EXPECT_EQ(quiet.symbolTone, CompareTone::green);
    EXPECT_TRUE(quiet.media.shown);
    EXPECT_FALSE(quiet.listsProjects);
    EXPECT_EQ(quiet.note,
              QStringLiteral("No projects differ. Tick “Show unchanged projects” to list them all."));

    // Nothing at all to list, even when asked.
    const CompareGroup empty =
        Comparer::build(kId, {library("Studio", "W", kId), library("Archive", "W", kId)});
    const CompareDetail bare = CompareTexts::detail(empty, {true, 0, {}, {}}, true);
    EXPECT_FALSE(bare.listsProjects);
    EXPECT_TRUE(bare.rows.isEmpty());
    EXPECT_TRUE(bare.note.isEmpty());
}

TEST(CompareTextsDetail, helpAndNotice) {
    const QStringList help = CompareTexts::help();
    ASSERT_EQ(help.size(), 7);
    EXPECT_EQ(help.first(), QStringLiteral("How copies are compared"));
    EXPECT_EQ(help.last(), QStringLiteral("• Select a library to see the details underneath."));
    EXPECT_TRUE(CompareTexts::notice().startsWith(QStringLiteral("Some libraries were scanned before content "
                                                                 "comparison existed. Use Scan ▸ Refresh")));
}
