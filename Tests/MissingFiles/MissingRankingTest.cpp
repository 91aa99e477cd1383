// Judging the candidates of a broken link: which are real files, their order, and the proposal.

#include "MissingFiles/MissingFiles.h"
#include "Support/PathText.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"

#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace pellimor;
using test::TestEnv;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;
using MissingFiles::Candidate;
using MissingFiles::Match;
using Kind = MissingFiles::Match::Kind;

namespace {

MissingFile linkTo(const QString& target,
                   const QString& libraryPath = QStringLiteral("/Volumes/A/Lib.fcpbundle")) {
    return MissingFile{
        QStringLiteral("Lib"),           libraryPath, QStringLiteral("A"), QStringLiteral("EvX"),
        PathText::lastComponent(target), target};
}

// Found places are resolved paths; the test folder may lie below a link.
QString real(const QString& folder) {
    return QFileInfo(folder).canonicalFilePath();
}

} // namespace

TEST(MissingMatch, LabelsAndStrength) {
    const QList<std::tuple<Match, QString, bool>> cases = {
        {Match::of(Kind::sameEventInLibrary), "Same event and name in library", true},
        {Match::of(Kind::sameFolderOtherAccount), "Same folder, other account", true},
        {Match::of(Kind::sameFoldersOtherDrive), "Same folders, other drive", true},
        {Match::of(Kind::nameOnly), "Same name only — check", false},
        {Match::of(Kind::chosenByUser), "Chosen by you", true},
        {Match::copies(3), "Same name, 3 copies agree", false},
        {Match::different(1200), "Unclear: 1200 different files", false},
    };
    for (const auto& [match, label, strong] : cases) {
        EXPECT_EQ(match.label(), label);
        EXPECT_EQ(match.isStrong(), strong) << label.toStdString();
    }
}

TEST(MissingRanking, FoldersAndRanksOnPathTexts) {
    const MissingFile photo = linkTo(
        "/Volumes/G-RAID 4TB/Pictures/ImageLibrary/2015/June 2015/Flinders - Simpson/iPhone/IMG_2204.JPG");
    EXPECT_EQ(MissingFiles::sharedFolders(photo, "/Volumes/Main HD 8TB/Pictures/ImageLibrary/2015/06 - June "
                                                 "2015/Flinders - Simpson/iPhone/IMG_2204.JPG"),
              6);
    EXPECT_EQ(MissingFiles::sharedFolders(photo, "/Volumes/Main HD 8TB/Pictures/ImageLibrary/2018/03 - March "
                                                 "2018/Tasmania 2018/iPhone/IMG_2204.JPG"),
              1);
    EXPECT_EQ(MissingFiles::sharedFolders(
                  photo, "/Volumes/Pegasus/FCP Archive/Touring/2013 Touring.fcpbundle/Outback "
                         "Holliday 2012/Original Media/IMG_2204.jpg"),
              0);
    // Short names must match whole; a file at the top has no folders.
    EXPECT_EQ(MissingFiles::sharedFolders(linkTo("/x/ab/c.mov"), "/y/abc/c.mov"), 0);
    EXPECT_EQ(MissingFiles::sharedFolders(linkTo("/x/Take/c.mov"), "/y/TAKE 2/c.mov"), 1);
    EXPECT_EQ(MissingFiles::sharedFolders(linkTo("/c.mov"), "/c.mov"), 0);

    EXPECT_EQ(MissingFiles::tailInLibrary("/Volumes/A/Old.fcpbundle/EvX/Original Media/C.MOV"),
              QStringLiteral("evx/original media/c.mov"));
    EXPECT_EQ(MissingFiles::tailInLibrary("/a/Outer.fcpbundle/x/Inner.FCPBUNDLE/Ev/c.mov"),
              QStringLiteral("ev/c.mov"));
    EXPECT_EQ(MissingFiles::tailInLibrary("/a/Lib.fcpbundle/"), std::nullopt);
    EXPECT_EQ(MissingFiles::tailInLibrary("/a/b/c.mov"), std::nullopt);

    const MissingFile home = linkTo("/Users/olduser/Movies/Trip/a.mov");
    const QList<std::pair<QString, int>> ranks = {
        {"/Users/me/Movies/trip/A.MOV", 1},           {"/Users/me/Movies/Trip/Other/a.mov", 3},
        {"/users/me/Movies/Trip/a.mov", 2}, // shares "trip" and "movies" only
        {"/Volumes/B/Users/me/Movies/Trip/a.mov", 2}, {"/Users/a.mov", 3},
        {"/Volumes/B/Copy.fcpbundle/Trip/a.mov", 3},
    };
    for (const auto& [place, expected] : ranks)
        EXPECT_EQ(MissingFiles::rank(home, place), expected) << place.toStdString();
    EXPECT_EQ(MissingFiles::rank(linkTo("/users/old/Movies/a.mov"), "/users/me/Movies/a.mov"), 3)
        << "an account folder is \"Users\" exactly";
    EXPECT_EQ(MissingFiles::rank(linkTo("/Volumes/A/Old.fcpbundle/EvX/Original Media/C.MOV"),
                                 "/Backup/Renamed.fcpbundle/evx/original media/c.mov"),
              0);
}

// Homes here lie in the folder that holds the home folder, not in "/Users": a place in another
// account's home, here or on the Mac the link was made on, is the same place.
TEST(MissingRanking, AccountsOfThisComputerAndOfAMac) {
    const QString root = real(TestEnv::freshDir(QStringLiteral("rank-accounts")));
    const QString homes = root + "/home";
    FixtureFiles::makeFolder(homes + "/editor");
    const test::ScopedEnvironment home{"HOME", homes + "/editor"};

    struct Case {
        QString target;
        QString place;
        int rank;
    };
    const QList<Case> cases = {
        {"/Users/anna/Movies/Trip/x.mov", homes + "/editor/Movies/trip/X.MOV", 1},
        {homes + "/other/Movies/Trip/x.mov", homes + "/editor/Movies/Trip/x.mov", 1},
        {homes + "/other/Movies/Trip/x.mov", "/Users/me/Movies/Trip/x.mov", 1},
        {homes + "/other/Movies/Trip/x.mov", homes + "/editor/Movies/Trip/Other/x.mov", 3},
        {"/Users/anna/Movies/Trip/x.mov", homes + "/x.mov", 3}, // an account's name, nothing in it
        {"/Users/anna/Movies/Trip/x.mov", root + "/Home/editor/Movies/Trip/x.mov", 2},
        {"/Users/anna/Movies/Trip/x.mov", root + "/elsewhere/editor/Movies/Trip/x.mov", 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MissingFiles::rank(linkTo(c.target), c.place), c.rank)
            << c.target.toStdString() << " / " << c.place.toStdString();

    // Found places are resolved: a home reached through a link still has its accounts folder.
    FixtureFiles::makeLink(root + "/linked", homes);
    const QString movie = homes + "/editor/Movies/x.mov";
    FixtureFiles::writeRandom(movie, 10);
    {
        const test::ScopedEnvironment linked{"HOME", root + "/linked/editor"};
        EXPECT_EQ(MissingFiles::candidate(linkTo("/Users/anna/Movies/x.mov"),
                                          {root + "/linked/editor/Movies/x.mov"}),
                  (Candidate{movie, Match::of(Kind::sameFolderOtherAccount)}));
        EXPECT_EQ(MissingFiles::rank(linkTo(root + "/linked/other/Movies/x.mov"), movie), 1);
    }

    // A home directly in "/" has no accounts folder: every path would be in an account.
    const test::ScopedEnvironment top{"HOME", QStringLiteral("/nonexistent-home")};
    EXPECT_EQ(MissingFiles::rank(linkTo("/srv/Movies/Trip/x.mov"), "/nonexistent-home/Movies/Trip/x.mov"), 2);
    EXPECT_EQ(MissingFiles::rank(linkTo("/Users/anna/Movies/Trip/x.mov"), "/Users/me/Movies/Trip/x.mov"), 1);
}

TEST(MissingRanking, CandidatesOfTheSameName) {
    const QString root = real(TestEnv::freshDir(QStringLiteral("rank")));
    const QString one = root + "/one/C.MOV";
    const QString two = root + "/two/C.MOV";
    FixtureFiles::writeRandom(one, 5);
    FixtureFiles::writeRandom(two, 15);
    const QString backup = root + "/Backup/Renamed.fcpbundle/EvX/Original Media/c.mov";
    FixtureFiles::writeRandom(backup, 99);
    const MissingFile file = linkTo("/nonexistent/Old.fcpbundle/EvX/Original Media/C.MOV");
    const QStringList before = test::treeListing(root);

    EXPECT_EQ(MissingFiles::candidate(file, {one, two}), (Candidate{std::nullopt, Match::different(2)}));
    EXPECT_EQ(MissingFiles::candidate(file, {one, two}).match->label(), "Unclear: 2 different files");

    // A copy in a renamed library wins whatever its size.
    EXPECT_EQ(MissingFiles::candidate(file, {one, two, backup}),
              (Candidate{backup, Match::of(Kind::sameEventInLibrary)}));

    // The user's pick, while it is there.
    EXPECT_EQ(MissingFiles::candidate(file, {one, two, backup}, two),
              (Candidate{two, Match::of(Kind::chosenByUser)}));
    EXPECT_EQ(MissingFiles::candidate(file, {one, two, backup}, root + "/gone/C.MOV"),
              (Candidate{backup, Match::of(Kind::sameEventInLibrary)}));
    EXPECT_EQ(MissingFiles::candidate(file, {one, two}, root + "/one/../one/C.MOV"),
              (Candidate{std::nullopt, Match::different(2)}))
        << "a pick is compared as the resolved path it must be";

    EXPECT_EQ(MissingFiles::candidate(file, {}), Candidate{});
    EXPECT_EQ(MissingFiles::candidate(file, {MissingFiles::lead(root + "/x/C.MOV", "B")}), Candidate{});
    EXPECT_EQ(test::treeListing(root), before);
}

TEST(MissingRanking, SameFoldersOnAnotherDriveAndTheOrderOfPlaces) {
    const QString root = real(TestEnv::freshDir(QStringLiteral("rank-folders")));
    const QString trip = root + "/New/06 - 2015/Trip/iPhone/X.JPG";
    const QString other = root + "/New/2018/Other/iPhone/X.JPG";
    const QString found = root + "/Found/X.JPG";
    FixtureFiles::writeRandom(trip, 10);
    FixtureFiles::writeRandom(other, 20);
    FixtureFiles::writeRandom(found, 30);
    const MissingFile file = linkTo("/Volumes/Old/Pictures/2015/Trip/iPhone/X.JPG");

    EXPECT_EQ(MissingFiles::sharedFolders(file, trip), 3);
    EXPECT_EQ(MissingFiles::rank(file, trip), 2);
    EXPECT_EQ(MissingFiles::rank(file, other), 3);
    EXPECT_EQ(MissingFiles::realPlaces(file, {found, other, trip}), (QStringList{trip, other, found}))
        << "among rank-3 places, more shared folders first";
    EXPECT_EQ(MissingFiles::candidate(file, {other, trip}),
              (Candidate{trip, Match::of(Kind::sameFoldersOtherDrive)}));

    // Rank-2 places of two sizes: the general rule over every place.
    const QString trip2 = root + "/Backup/2015/Trip/iPhone/X.JPG";
    FixtureFiles::writeRandom(trip2, 11);
    EXPECT_EQ(MissingFiles::candidate(file, {other, trip, trip2}),
              (Candidate{std::nullopt, Match::different(3)}));
    FixtureFiles::writeRandom(trip2, 10);
    EXPECT_EQ(MissingFiles::candidate(file, {other, trip, trip2}),
              (Candidate{trip, Match::of(Kind::sameFoldersOtherDrive)}))
        << "rank-2 sizes agree; the rank-3 place does not count";
}

TEST(MissingRanking, NameOnlyAndCopiesThatAgree) {
    const QString root = real(TestEnv::freshDir(QStringLiteral("rank-copies")));
    const QString library = root + "/Lib.fcpbundle";
    const QStringList copies = {root + "/a/z.mov", root + "/b/z.mov",
                                library + "/Other Ev/Original Media/z.mov"};
    for (const QString& copy : copies)
        FixtureFiles::writeRandom(copy, 64, 7);
    const MissingFile file = linkTo("/gone/z.mov", library);

    EXPECT_EQ(MissingFiles::candidate(file, {copies.at(1)}),
              (Candidate{copies.at(1), Match::of(Kind::nameOnly)}));
    // At equal rank and folders, a file in the link's own library comes first.
    EXPECT_EQ(MissingFiles::candidate(file, copies), (Candidate{copies.at(2), Match::copies(3)}));
    EXPECT_EQ(MissingFiles::realPlaces(file, copies),
              (QStringList{copies.at(2), copies.at(0), copies.at(1)}));
}

TEST(MissingRanking, LinksAreResolvedAndFoldersDropped) {
    const QString root = real(TestEnv::freshDir(QStringLiteral("rank-links")));
    const QString target = root + "/real/v.mov";
    FixtureFiles::writeRandom(target, 40);
    FixtureFiles::makeLink(root + "/link/v.mov", target);
    FixtureFiles::makeFolder(root + "/folder/v.mov");
    FixtureFiles::makeLink(root + "/dangling/v.mov", root + "/nowhere/v.mov");
    const MissingFile file = linkTo("/gone/v.mov");

    EXPECT_EQ(MissingFiles::realPlaces(file, {root + "/link/v.mov", root + "/folder/v.mov", target,
                                              root + "/dangling/v.mov", "real/v.mov"}),
              QStringList{target})
        << "a link counts as its file, once";
    EXPECT_EQ(MissingFiles::candidate(file, {root + "/link/v.mov"}),
              (Candidate{target, Match::of(Kind::nameOnly)}));

    // The size of the item itself: a link is not followed.
    struct stat facts {};
    ASSERT_EQ(::lstat(QFile::encodeName(root + "/link/v.mov").constData(), &facts), 0);
    EXPECT_EQ(MissingFiles::fileSize(root + "/link/v.mov"), qint64(facts.st_size));
    EXPECT_NE(MissingFiles::fileSize(root + "/link/v.mov"), MissingFiles::fileSize(target));
    EXPECT_EQ(MissingFiles::fileSize(root + "/nowhere/v.mov"), std::nullopt);
}
