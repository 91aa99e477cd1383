// Originals, missing linked originals and their report, on fixture libraries.

#include "Catalogue/Records/Fmt.h"
#include "FreeUpSpace/Cleanup.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/FreeUpSpace/CleanupPrinters.h"
#include "Tests/Support/TestEnv.h"

#include <QLocale>
#include <QScopeGuard>
#include <gtest/gtest.h>

using namespace pellimor;
using fixtures::LibraryBuilder;
using test::TestEnv;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;

TEST(CleanupOriginals, CountOnlyOriginalsThatAreReallyThere) {
    const QString folder = TestEnv::freshDir(QStringLiteral("originals"));
    FixtureFiles::writeRandom(folder + "/outside/linked.mov", 100);
    LibraryBuilder builder(QStringLiteral("Lib"));
    builder.event(QStringLiteral("Ev"))
        .media(QStringLiteral("IMG_1.MP4"), 100)
        .media(QStringLiteral("Card/Sub/deep.mov"), 100)
        .media(QStringLiteral(".hidden.mov"), 100)
        .media(QStringLiteral(".Trash/trashed.mov"), 100)
        .mediaLink(QStringLiteral("linked.mov"), folder + "/outside/linked.mov")
        .mediaLink(QStringLiteral("gone.mov"), folder + "/outside/gone.mov")
        .mediaLink(QStringLiteral("loop.mov"), QStringLiteral("loop.mov"))
        .link(QStringLiteral("Original Media/Card/up"), QStringLiteral(".."));
    const QString ev = builder.write(folder) + "/Ev";

    // Folders are walked into (never through a link), links count only while they lead
    // somewhere, hidden items never.
    EXPECT_EQ(Cleanup::originalNames(ev), (QSet<QString>{"img_1", "deep", "linked", "up"}));
    EXPECT_TRUE(Cleanup::originalNames(folder + "/nowhere").isEmpty());
}

TEST(CleanupOriginals, SortByOriginalSplitsAGeneratedFolderByItsOriginals) {
    const QString folder = TestEnv::freshDir(QStringLiteral("sort"));
    const QString decomposed = QStringLiteral("Cafe\u0301.mov");
    const QString composed = QStringLiteral("Caf\u00e9.mov");
    LibraryBuilder builder(QStringLiteral("Lib"));
    builder.event(QStringLiteral("Ev"))
        .media(QStringLiteral("IMG_1.MP4"), 100)
        .media(QStringLiteral("DJI_2 (fcp1).mp4"), 100)
        .media(decomposed, 100)
        .media(QStringLiteral("50% #1?.mov"), 100)
        .optimized(QStringLiteral("IMG_1 (fcp2).mov"), 100)
        .optimized(QStringLiteral("DJI_2.mov"), 100)
        .optimized(QStringLiteral("Music Track.mov"), 100)
        .optimized(composed, 100)
        .optimized(QStringLiteral("50% #1?.mov"), 100)
        .optimized(QStringLiteral(".hidden.mov"), 100)
        .folder(QStringLiteral("Transcoded Media/High Quality Media/IMG_1"))
        .link(QStringLiteral("Transcoded Media/High Quality Media/img_1.mov"),
              QStringLiteral("IMG_1 (fcp2).mov"));
    const QString ev = builder.write(folder) + "/Ev";
    const QString optimized = ev + "/Transcoded Media/High Quality Media/";

    const Cleanup::SortedFiles sorted = Cleanup::sortByOriginal(optimized, ev);
    // A composed name matches a decomposed original; only regular files can be matched.
    EXPECT_EQ(sorted.ok, (QStringList{optimized + "50% #1?.mov", optimized + composed,
                                      optimized + "DJI_2.mov", optimized + "IMG_1 (fcp2).mov"}));
    EXPECT_EQ(sorted.orphans,
              (QStringList{optimized + "IMG_1", optimized + "img_1.mov", optimized + "Music Track.mov"}));

    const auto target = [&](const QString& url) {
        return CleanupTarget{url, GeneratedKind::optimized, QStringLiteral("Ev"), 0};
    };
    const QString lib = folder + "/Lib.fcpbundle";
    EXPECT_TRUE(Cleanup::originalsStillThere(target(optimized + "DJI_2.mov"), lib));
    EXPECT_FALSE(Cleanup::originalsStillThere(target(optimized + "Music Track.mov"), lib));
    EXPECT_FALSE(Cleanup::originalsStillThere(target(optimized), lib)) << "a folder with orphans";
    EXPECT_TRUE(Cleanup::originalsStillThere(target(optimized + "IMG_1 (fcp3).mov"), lib))
        << "a file that is gone is judged by its name";
}

TEST(CleanupOriginals, MissingOriginalsAreTheLinksThatLeadNowhere) {
    const QString folder = TestEnv::freshDir(QStringLiteral("missing"));
    FixtureFiles::writeRandom(folder + "/outside/there.mov", 100);
    FixtureFiles::writeRandom(folder + "/Lib.fcpbundle-sibling.mov", 100);
    LibraryBuilder builder(QStringLiteral("Lib"));
    builder.event(QStringLiteral("Ev"))
        .media(QStringLiteral("copied.mov"), 100)
        .mediaLink(QStringLiteral("clip 10.mov"), folder + "/outside/clip 10.mov")
        .mediaLink(QStringLiteral("clip 2.mov"), folder + "/outside/clip 2.mov")
        .mediaLink(QStringLiteral("there.mov"), folder + "/outside/there.mov")
        .mediaLink(QStringLiteral("relative.mov"), QStringLiteral("../x.mov"))
        .mediaLink(QStringLiteral("relative there.mov"), QStringLiteral("../../../Lib.fcpbundle-sibling.mov"))
        .mediaLink(QStringLiteral(".hidden.mov"), QStringLiteral("/nowhere/hidden.mov"))
        .mediaLink(QStringLiteral("Alpha.mov"), QStringLiteral("/nowhere/Alpha.mov"));
    const QString lib = builder.write(folder);
    const QString ev = lib + "/Ev";

    const QList<Cleanup::MissingOriginal> expected = {
        {"Ev", "Alpha.mov", "/nowhere/Alpha.mov"},
        {"Ev", "clip 2.mov", folder + "/outside/clip 2.mov"},
        {"Ev", "clip 10.mov", folder + "/outside/clip 10.mov"},
        {"Ev", "relative.mov", ev + "/Original Media/../x.mov"},
    };
    EXPECT_EQ(Cleanup::missingOriginals(ev), expected);
    EXPECT_TRUE(Cleanup::missingOriginals(lib + "/Nothing").isEmpty());
}

TEST(CleanupOriginals, OriginalsProblemInBothWordings) {
    const QString folder = TestEnv::freshDir(QStringLiteral("problem"));
    LibraryBuilder builder(QStringLiteral("Lib"));
    builder.event(QStringLiteral("Fine"))
        .media(QStringLiteral("a.mov"), 100)
        .mediaLink(QStringLiteral("b.mov"), QStringLiteral("a.mov"));
    builder.event(QStringLiteral("One"))
        .media(QStringLiteral("a.mov"), 100)
        .mediaLink(QStringLiteral("gone.mov"), QStringLiteral("/nowhere/gone.mov"));
    builder.event(QStringLiteral("Three"))
        .mediaLink(QStringLiteral("c.mov"), QStringLiteral("/nowhere/c.mov"))
        .mediaLink(QStringLiteral("a.mov"), QStringLiteral("/nowhere/a.mov"))
        .mediaLink(QStringLiteral("b.mov"), QStringLiteral("/nowhere/b.mov"));
    builder.event(QStringLiteral("Hidden only")).media(QStringLiteral(".DS_Store"), 10);
    builder.event(QStringLiteral("Empty")).folder(QStringLiteral("Original Media"));
    builder.event(QStringLiteral("Without")).proxy(QStringLiteral("a.mov"), 100);
    const QString lib = builder.write(folder);

    const QString noOriginals =
        QStringLiteral("no original media found in the event, so its proxy and optimized files are kept.");
    const QList<std::pair<QString, std::optional<QString>>> cases = {
        {"Fine", std::nullopt},
        {"One", QStringLiteral("1 linked original file is missing (gone.mov). Proxy and optimized files made "
                               "from it are kept; everything else can be removed.")},
        {"Three",
         QStringLiteral("3 linked original files are missing (a.mov and 2 more). Proxy and optimized "
                        "files made from them are kept; everything else can be removed.")},
        {"Hidden only", noOriginals},
        {"Empty", noOriginals},
        {"Without", noOriginals},
    };
    for (const auto& [event, problem] : cases)
        EXPECT_EQ(Cleanup::originalsProblem(lib + "/" + event), problem) << event.toStdString();
}

TEST(CleanupOriginals, TheReportListsEveryEventWithMissingFilesLineByLine) {
    const QLocale previousLocale;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto restore = qScopeGuard([&] { QLocale::setDefault(previousLocale); });

    const QString folder = TestEnv::freshDir(QStringLiteral("report"));
    LibraryBuilder builder(QStringLiteral("Trip"));
    builder.event(QStringLiteral("Day 2"))
        .mediaLink(QStringLiteral("b.mov"), QStringLiteral("/Volumes/Card/b.mov"))
        .mediaLink(QStringLiteral("a.mov"), QStringLiteral("/Volumes/Card/a.mov"));
    builder.event(QStringLiteral("Day 1")).media(QStringLiteral("kept.mov"), 100);
    builder.event(QStringLiteral("Day 10")).mediaLink(QStringLiteral("c.mov"), QStringLiteral("../c.mov"));
    const QString lib = builder.write(folder);
    // A local time, so the day holds in every time zone the test may run in.
    const QDateTime now(QDate(2026, 3, 8), QTime(23, 59, 59), Qt::LocalTime);
    ASSERT_EQ(Fmt::date(now), QStringLiteral("Mar 8, 2026"));

    const std::optional<QString> report = Cleanup::missingOriginalsReport(lib, QStringLiteral("Trip"), now);
    ASSERT_TRUE(report);
    const QStringList expected = {
        "Missing original files in “Trip”",
        lib,
        "Checked Mar 8, 2026 · 3 files in 2 events",
        "",
        "These files are linked into the library, not copied. The file each link points to can't be found:",
        "the drive is not connected, or the file was moved, renamed or deleted.",
        "",
        "Event: Day 2 (2)",
        "  a.mov",
        "      was at: /Volumes/Card/a.mov",
        "  b.mov",
        "      was at: /Volumes/Card/b.mov",
        "",
        "Event: Day 10 (1)",
        "  c.mov",
        "      was at: " + lib + "/Day 10/Original Media/../c.mov",
        "",
    };
    EXPECT_EQ(report->split(u'\n'), expected) << "ends with one line break";

    LibraryBuilder single(QStringLiteral("Single"));
    single.event(QStringLiteral("Ev")).mediaLink(QStringLiteral("a.mov"), QStringLiteral("/nowhere/a.mov"));
    const QString singleLib = single.write(folder);
    const std::optional<QString> one =
        Cleanup::missingOriginalsReport(singleLib, QStringLiteral("Single"), now);
    ASSERT_TRUE(one);
    EXPECT_EQ(one->split(u'\n').at(2), QStringLiteral("Checked Mar 8, 2026 · 1 file in 1 event"));

    LibraryBuilder complete(QStringLiteral("Complete"));
    complete.event(QStringLiteral("Ev")).media(QStringLiteral("a.mov"), 100);
    EXPECT_EQ(Cleanup::missingOriginalsReport(complete.write(folder), QStringLiteral("Complete"), now),
              std::nullopt);
    EXPECT_EQ(Cleanup::missingOriginalsReport(folder + "/Missing.fcpbundle", QStringLiteral("Missing"), now),
              std::nullopt);
}
