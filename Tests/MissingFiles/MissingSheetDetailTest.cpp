// The missing-files sheet's detail panel, decided without a window: what each line says and which
// controls it has, on found files in a fixture folder.

#include "MissingFiles/MissingSheetDetail.h"

#include "Catalogue/Records/Fmt.h"
#include "MissingFiles/MissingFiles.h"
#include "Support/ByteCount.h"
#include "Support/PathText.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Support/QtPrinters.h"
#include "Tests/Support/TestEnv.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace pellimor;
using test::TestEnv;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;
using Mark = MissingSheet::PathLine::Mark;
using MissingSheet::PathLine;

namespace {

MissingFile link(const QString& target, const QString& event = QStringLiteral("Day 1")) {
    return MissingFile{QStringLiteral("Film"),          QStringLiteral("/Volumes/Studio/Film.fcpbundle"),
                       QStringLiteral("Studio"),        event,
                       PathText::lastComponent(target), target};
}

MissingSheetState searched(const QList<MissingFile>& all) {
    MissingSheetState state;
    state.all = all;
    state.loading = false;
    state.searchedIn = QStringList{QStringLiteral("Tovlin's catalogue")};
    return state;
}

MissingSheet::Detail detailOf(const MissingSheetState& state, const MissingFile& file) {
    return MissingSheet::detail(state, MissingSheet::row(state, file));
}

// The marks and controls of the found lines, in order: "will", "chosen+undo" or "use".
QStringList controls(const MissingSheet::Detail& detail) {
    QStringList list;
    for (const PathLine& line : detail.found) {
        EXPECT_TRUE(line.actions) << qPrintable(line.path);
        if (line.mark == Mark::willBeUsed && !line.undo && !line.useThisOne)
            list.append(QStringLiteral("will"));
        else if (line.mark == Mark::chosenByYou && line.undo && !line.useThisOne)
            list.append(QStringLiteral("chosen+undo"));
        else if (line.mark == Mark::none && !line.undo && line.useThisOne)
            list.append(QStringLiteral("use"));
        else
            list.append(QStringLiteral("?"));
    }
    return list;
}

class MissingSheetDetailTest : public ::testing::Test {
protected:
    const QString root = QFileInfo(TestEnv::freshDir(QStringLiteral("sheet-detail"))).canonicalFilePath();
};

} // namespace

TEST_F(MissingSheetDetailTest, theProposedFileWillBeUsedAndTheOthersCanBeChosen) {
    const QString sameFolders = root + "/Other/Shoot/Card 1/a.mov";
    const QString elsewhere = root + "/Elsewhere/a.mov";
    FixtureFiles::writeRandom(sameFolders, 10);
    FixtureFiles::writeRandom(elsewhere, 30);
    const MissingFile file = link("/Volumes/Old/Shoot/Card 1/a.mov");
    MissingSheetState state = searched({file});
    state.found.insert(file.wantedName(), {elsewhere, sameFolders});

    const MissingSheet::Detail shown = detailOf(state, file);
    EXPECT_EQ(shown.id, file.id());
    EXPECT_EQ(shown.heading, QStringLiteral("a.mov  ·  Day 1  ·  Film (Studio)"));
    // The old place: the path alone.
    EXPECT_EQ(
        shown.wasAt,
        (PathLine{
            "Was at", "/Volumes/Old/Shoot/Card 1/a.mov", std::nullopt, false, Mark::none, false, false, {}}));
    ASSERT_TRUE(shown.match);
    EXPECT_EQ(shown.match->symbol, QStringLiteral("checkmark.seal"));
    EXPECT_EQ(shown.match->tone, CellTone::green);
    EXPECT_EQ(shown.match->text,
              QStringLiteral("Same folders, other drive. Found with the same name inside the same folders as "
                             "before, on another drive: only the drive changed (the folder tree was moved or "
                             "copied). Very likely the right file."));
    // Best first, whatever the order they were found in.
    ASSERT_EQ(shown.found.size(), 2);
    EXPECT_EQ(shown.found.at(0).label, QStringLiteral("Found"));
    EXPECT_EQ(shown.found.at(0).path, sameFolders);
    EXPECT_EQ(shown.found.at(1).path, elsewhere);
    EXPECT_EQ(controls(shown), (QStringList{"will", "use"}));
    EXPECT_EQ(shown.found.at(1).useTip,
              QStringLiteral(
                  "Mark this as the right file. Copy Into Library in step 3 will then use it for a.mov."));
    EXPECT_TRUE(shown.leads.isEmpty());
    EXPECT_FALSE(shown.notFound);
}

TEST_F(MissingSheetDetailTest, usingOneOfSeveralDifferentFilesAndUndoingIt) {
    const QString x = root + "/x/u.mov";
    const QString y = root + "/y/u.mov";
    const QString z = root + "/z/u.mov";
    FixtureFiles::writeRandom(x, 10);
    FixtureFiles::writeRandom(y, 20);
    FixtureFiles::writeRandom(z, 30);
    const MissingFile file = link("/Volumes/Old/u.mov");
    MissingSheetState state = searched({file});
    state.found.insert(file.wantedName(), {x, y, z});

    struct Case {
        const char* name;
        std::optional<QString> pick;
        QString match;
        CellTone tone;
        QStringList controls;
    };
    const QList<Case> cases = {
        {"several sizes: nothing proposed",
         std::nullopt,
         "Unclear: 3 different files",
         CellTone::orange,
         {"use", "use", "use"}},
        {"the second used", y, "Chosen by you", CellTone::green, {"use", "chosen+undo", "use"}},
        {"undone", std::nullopt, "Unclear: 3 different files", CellTone::orange, {"use", "use", "use"}},
    };
    for (const Case& c : cases) {
        if (c.pick)
            state.picked.insert(file.id(), *c.pick);
        else
            state.picked.remove(file.id());
        const MissingSheet::Detail shown = detailOf(state, file);
        EXPECT_EQ(controls(shown), c.controls) << c.name;
        ASSERT_TRUE(shown.match) << c.name;
        EXPECT_TRUE(shown.match->text.startsWith(c.match + QStringLiteral(". "))) << c.name;
        EXPECT_EQ(shown.match->tone, c.tone) << c.name;
        EXPECT_EQ(shown.match->symbol, c.tone == CellTone::green ? QStringLiteral("checkmark.seal")
                                                                 : QStringLiteral("exclamationmark.triangle"))
            << c.name;
    }
}

TEST_F(MissingSheetDetailTest, leadsNothingFoundAndFilesThatHaveGone) {
    const QString gone = root + "/gone/c.mov";
    FixtureFiles::writeRandom(gone, 10);
    const QString leadA = MissingFiles::lead(QStringLiteral("/Volumes/Field/c.mov"), QStringLiteral("Field"));
    const QString leadB = MissingFiles::lead(QStringLiteral("/Volumes/Spare/c.mov"), QStringLiteral("Spare"));
    const MissingFile file = link("/Volumes/Old/c.mov");

    struct Case {
        const char* name;
        std::optional<QStringList> list;
        bool searchedYet;
        QStringList leads;
        bool notFound;
    };
    const QList<Case> cases = {
        {"before any search", std::nullopt, false, {}, false},
        {"nothing found", std::nullopt, true, {}, true},
        {"only leads, in list order", QStringList{leadB, leadA}, true, {leadB, leadA}, true},
        {"a found file and a lead", QStringList{gone, leadA}, true, {leadA}, false},
    };
    for (const Case& c : cases) {
        MissingSheetState state = searched({file});
        if (!c.searchedYet)
            state.searchedIn.reset();
        if (c.list)
            state.found.insert(file.wantedName(), *c.list);
        const MissingSheet::Detail shown = detailOf(state, file);
        EXPECT_EQ(shown.leads, c.leads) << c.name;
        EXPECT_EQ(shown.notFound, c.notFound) << c.name;
    }
    EXPECT_EQ(QString::fromUtf8(MissingSheet::kNotFoundInPlaces),
              QStringLiteral("Not found in the places searched."));

    // The found file deleted after the search: its line, its controls and its green go, and its
    // pick no longer counts.
    MissingSheetState state = searched({file});
    state.found.insert(file.wantedName(), {gone, leadA});
    state.picked.insert(file.id(), gone);
    ASSERT_EQ(detailOf(state, file).found.size(), 1);
    ASSERT_TRUE(QFile::remove(gone));
    const MissingSheet::Row row = MissingSheet::row(state, file);
    const MissingSheet::Detail shown = MissingSheet::detail(state, row);
    EXPECT_TRUE(shown.found.isEmpty());
    EXPECT_FALSE(shown.match);
    EXPECT_TRUE(shown.notFound);
    EXPECT_EQ(row.found.tone, CellTone::secondary);
    EXPECT_EQ(row.match.text, QStringLiteral("Drive not connected"));
}

TEST_F(MissingSheetDetailTest, sizeAndDateOfAFoundFile) {
    const QString recent = root + "/recent.mov";
    const QString old = root + "/old.mov";
    const QString before = root + "/before.mov";
    FixtureFiles::writeRandom(recent, 2500);
    FixtureFiles::writeRandom(old, 10);
    FixtureFiles::writeRandom(before, 0);
    const QDateTime day(QDate(2024, 5, 17), QTime(15, 30), Qt::UTC);
    FixtureFiles::setModified(recent, day);
    FixtureFiles::setModified(old, QDateTime::fromSecsSinceEpoch(0, Qt::UTC));
    FixtureFiles::setModified(before, QDateTime::fromSecsSinceEpoch(-86400, Qt::UTC));

    struct Case {
        QString path;
        std::optional<QString> facts;
    };
    const QList<Case> cases = {
        {recent, ByteCount::file(2500) + QStringLiteral("  ·  changed ") + Fmt::date(day)},
        {old, QStringLiteral("10 bytes  ·  changed —")},
        {before, QStringLiteral("Zero KB  ·  changed —")},
        {root + "/nothing here.mov", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MissingSheet::fileFacts(c.path), c.facts) << qPrintable(c.path);

    // A found line carries them; the old place never does, even where a file stands.
    const MissingSheetState state = searched({});
    EXPECT_EQ(MissingSheet::pathLine("Found", old, true, nullptr, state).facts,
              QStringLiteral("10 bytes  ·  changed —"));
    const PathLine wasAt = MissingSheet::pathLine("Was at", old, false, nullptr, state);
    EXPECT_FALSE(wasAt.facts);
    EXPECT_FALSE(wasAt.actions);
}

TEST_F(MissingSheetDetailTest, withSeveralRowsSelectedTheFirstInTableOrderIsShown) {
    const MissingFile a = link("/o/a.mov");
    const MissingFile b = link("/o/b.mov");
    const MissingFile c = link("/o/c.mov", QStringLiteral("Day 2"));
    MissingSheetState state = searched({a, b, c});
    EXPECT_EQ(MissingSheet::selected(state), std::nullopt);
    state.selection = {c.id(), b.id()};
    EXPECT_EQ(MissingSheet::selected(state), b);
    // Under a drive filter only the rows shown count.
    state.drive = QStringLiteral("Elsewhere");
    EXPECT_EQ(MissingSheet::selected(state), std::nullopt);
}
