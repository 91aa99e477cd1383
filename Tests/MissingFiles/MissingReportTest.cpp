// The saved list of missing files: its head, the search block with its counts, the order of
// libraries and events, and what each file's lines say about what was found.

#include "MissingFiles/MissingFiles.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Support/PinnedLocale.h"
#include "Tests/Support/TestEnv.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace pellimor;
using test::TestEnv;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;

namespace {

const QDateTime kNow(QDate(2024, 5, 1), QTime(10, 0, 0), Qt::UTC);
const QString kHead =
    QStringLiteral("These files are linked into the library, not copied, and the file each link "
                   "points to can't be found.");
const QString kCaution =
    QStringLiteral("A file is matched by its name only. Check it is the right one before "
                   "relinking in Final Cut (File ▸ Relink Files).");

MissingFile missing(const QString& libraryPath, const QString& event, const QString& target) {
    const QString library = QFileInfo(libraryPath).completeBaseName();
    return MissingFile{library, libraryPath, QStringLiteral("W"), event, QFileInfo(target).fileName(),
                       target};
}

QString real(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}

} // namespace

TEST(MissingReport, oneFileAndAStrongMatchWithOneTextShowsNoPath) {
    const test::PinnedLocale locale(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString root = real(TestEnv::freshDir(QStringLiteral("report-one")));
    const QString archive = root + "/Archive/Footage/Day 1/a.mov";
    FixtureFiles::writeRandom(archive, 10);
    const MissingFile file =
        missing("/Volumes/W/Trip.fcpbundle", "Day 1", "/Volumes/Old RAID/Footage/Day 1/a.mov");
    const MissingFiles::Found found = {{"a.mov", {archive}}};

    const QString expected = "Missing original files — Tovlin, May 1, 2024\n"
                             "1 file in 1 library\n" +
                             kHead +
                             "\n"
                             "\n"
                             "Library: Trip  (W)\n"
                             "/Volumes/W/Trip.fcpbundle\n"
                             "  Event: Day 1 (1)\n"
                             "    a.mov\n"
                             "        was at: /Volumes/Old RAID/Footage/Day 1/a.mov\n"
                             "        found:  " +
                             archive +
                             "\n"
                             "        match:  Same folders, other drive\n";
    EXPECT_EQ(MissingFiles::report({file}, found, std::nullopt, {}, kNow), expected);

    // The user's pick is as strong, and with one text it shows no path either.
    const QString picked = MissingFiles::report({file}, found, std::nullopt, {{file.id(), archive}}, kNow);
    EXPECT_TRUE(picked.endsWith("        match:  Chosen by you\n")) << picked.toStdString();
}

TEST(MissingReport, severalLibrariesAfterASearch) {
    const test::PinnedLocale locale(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString root = real(TestEnv::freshDir(QStringLiteral("report-several")));
    const QString backup = root + "/Backup/a/x.mov";
    const QString archive = root + "/Archive/Footage/Day 2/x.mov";
    FixtureFiles::writeRandom(backup, 10);
    FixtureFiles::writeRandom(archive, 20);
    const QStringList agreeing = {root + "/c1/z.mov", root + "/c2/z.mov"};
    for (const QString& copy : agreeing)
        FixtureFiles::writeRandom(copy, 64, 7);
    const QStringList differing = {root + "/u1/u.mov", root + "/u2/u.mov"};
    FixtureFiles::writeRandom(differing.at(0), 5);
    FixtureFiles::writeRandom(differing.at(1), 6);
    const QStringList pickable = {root + "/v1/v.mov", root + "/v2/v.mov"};
    FixtureFiles::writeRandom(pickable.at(0), 5);
    FixtureFiles::writeRandom(pickable.at(1), 6);
    const QString lead = MissingFiles::lead(root + "/x/l.mov", QStringLiteral("B1"));

    // Upper-case "B" sorts before "a", and "Day 10" before "Day 2": plain code-point order.
    const QString b = QStringLiteral("/Volumes/W/B.fcpbundle");
    const QString a = QStringLiteral("/Volumes/W/a.fcpbundle");
    const MissingFile none = missing(a, "Ev", "/Volumes/Old/s/n.mov");
    const MissingFile strong = missing(b, "Day 2", "/Volumes/Old RAID/Footage/Day 2/x.mov");
    const MissingFile agree = missing(a, "Ev", "/Volumes/Old/p/z.mov");
    const MissingFile leadOnly = missing(b, "Day 10", "/Volumes/Old/t/l.mov");
    const MissingFile unclear = missing(a, "Ev", "/Volumes/Old/q/u.mov");
    const MissingFile chosen = missing(a, "Ev", "/Volumes/Old/r/v.mov");
    const MissingFile empty = missing(a, "Ev", "/Volumes/Old/e/k.mov");
    const QList<MissingFile> files = {none, strong, agree, leadOnly, unclear, chosen, empty};
    const MissingFiles::Found found = {
        {"x.mov", {backup, archive}}, {"z.mov", agreeing}, {"l.mov", {lead}},
        {"u.mov", differing},         {"v.mov", pickable}, {"k.mov", {}},
    };
    const QHash<QString, QString> picked = {{chosen.id(), pickable.at(1)}};

    const QStringList libraries = {
        "",
        "Library: B  (W)",
        b,
        "  Event: Day 10 (1)",
        "    l.mov",
        "        was at: /Volumes/Old/t/l.mov",
        "        found:  " + lead,
        "  Event: Day 2 (1)",
        "    x.mov",
        "        was at: /Volumes/Old RAID/Footage/Day 2/x.mov",
        "        found:  " + backup,
        "        found:  " + archive,
        "        match:  Same folders, other drive — " + archive,
        "",
        "Library: a  (W)",
        a,
        "  Event: Ev (5)",
        "    n.mov",
        "        was at: /Volumes/Old/s/n.mov",
        "        not found",
        "    z.mov",
        "        was at: /Volumes/Old/p/z.mov",
        "        found:  " + agreeing.at(0),
        "        found:  " + agreeing.at(1),
        "        match:  Same name, 2 copies agree",
        "    u.mov",
        "        was at: /Volumes/Old/q/u.mov",
        "        found:  " + differing.at(0),
        "        found:  " + differing.at(1),
        "        match:  Unclear: 2 different files",
        "    v.mov",
        "        was at: /Volumes/Old/r/v.mov",
        "        found:  " + pickable.at(0),
        "        found:  " + pickable.at(1),
        "        match:  Chosen by you — " + pickable.at(1),
        "    k.mov",
        "        was at: /Volumes/Old/e/k.mov",
    };
    const QStringList head = {"Missing original files — Tovlin, May 1, 2024", "7 files in 2 libraries",
                              kHead};
    const QStringList searchBlock = {
        "Looked in: this Mac's user folder, /Volumes/Backup",
        "4 found by name, 3 not found (1 of those may be on a drive that is not connected)",
        kCaution,
    };
    const QStringList searched = {"this Mac's user folder", "/Volumes/Backup"};
    EXPECT_EQ(MissingFiles::report(files, found, searched, picked, kNow).split(u'\n'),
              head + searchBlock + libraries + QStringList{""});

    // Without a search: no search block and no "not found", the rest as it was.
    QStringList unsearched = libraries;
    unsearched.removeAll(QStringLiteral("        not found"));
    EXPECT_EQ(MissingFiles::report(files, found, std::nullopt, picked, kNow).split(u'\n'),
              head + unsearched + QStringList{""});

    // K only while some file holds leads alone; a search of no places still shows the block.
    const QString noLeads = MissingFiles::report({strong, none}, found, QStringList(), {}, kNow);
    EXPECT_TRUE(noLeads.contains("\nLooked in: \n1 found by name, 1 not found\n")) << noLeads.toStdString();
}

TEST(MissingReport, anEmptyListAndTheDateOfAClockThatIsNotSet) {
    const test::PinnedLocale locale(QLocale(QLocale::English, QLocale::UnitedStates));
    const QDateTime epoch = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
    const QString title = QStringLiteral("Missing original files — Tovlin, ");
    EXPECT_EQ(MissingFiles::report({}, {}, std::nullopt, {}, epoch),
              title + "—\n0 files in 0 libraries\n" + kHead + "\n");
    EXPECT_EQ(MissingFiles::report({}, {}, QStringList{"/x"}, {}, epoch.addDays(-400)),
              title + "—\n0 files in 0 libraries\n" + kHead +
                  "\nLooked in: /x\n0 found by name, 0 not found\n" + kCaution + "\n");
    EXPECT_TRUE(
        MissingFiles::report({}, {}, std::nullopt, {}, epoch.addDays(2)).startsWith(title + "Jan 3, 1970\n"));
}
