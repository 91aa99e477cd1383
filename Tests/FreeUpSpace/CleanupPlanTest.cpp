// The plan on fixture libraries: what would go, what stays and why, and that planning changes
// nothing on disk.

#include "FreeUpSpace/Cleanup.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/FreeUpSpace/CleanupPrinters.h"
#include "Tests/Support/FakeFinalCutApp.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace pellimor;
using fixtures::FixtureDatabase;
using fixtures::LibraryBuilder;
using test::TestEnv;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;

namespace {

const QSet<GeneratedKind> kAllKinds = {GeneratedKind::proxy, GeneratedKind::optimized, GeneratedKind::render};
const QString kNotALibrary = QStringLiteral("This isn't a Final Cut Pro library.");
const QString kQuitFirst =
    QStringLiteral("Quit Final Cut Pro first — it must not be running while files are deleted.");

// The target the plan should make of `url`, measured from the file system's blocks.
CleanupTarget expected(const QString& url, GeneratedKind kind, const QString& event) {
    return CleanupTarget{url, kind, event, FixtureFiles::allocatedSize(url)};
}

CleanupPlan blockedBy(const QString& blocker) {
    return CleanupPlan{{}, {blocker}};
}

// A file whose name is given as the file system's bytes, so it need not be UTF-8.
void writeNative(const QByteArray& path, const QByteArray& bytes) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path.toStdString();
    ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
    ::close(fd);
}

} // namespace

TEST(CleanupPlan, KeepsProxiesWhoseLinkedOriginalIsMissing) {
    const QString folder = TestEnv::freshDir(QStringLiteral("eventc"));
    LibraryBuilder builder(QStringLiteral("Lib"));
    builder.event(QStringLiteral("EventC"))
        .media(QStringLiteral("real.mov"), 50'000)
        .mediaLink(QStringLiteral("gone.mov"), QStringLiteral("/nowhere/gone.mov"))
        .proxy(QStringLiteral("real.mov"), 20'000)
        .proxy(QStringLiteral("gone.mov"), 20'000);
    const QString lib = builder.write(folder);

    const CleanupPlan plan = Cleanup::plan(lib, {"EventC"}, {GeneratedKind::proxy}, false);
    const CleanupPlan wanted{
        {expected(lib + "/EventC/Transcoded Media/Proxy Media/real.mov", GeneratedKind::proxy, "EventC")},
        {"“EventC”: 1 linked original file is missing (gone.mov). Proxy and optimized files made from it are "
         "kept; everything else can be removed.",
         "“EventC”: kept 1 proxy file with no original in this event, so Final Cut could not recreate it "
         "(gone.mov)."}};
    EXPECT_EQ(plan, wanted);
}

TEST(CleanupPlan, NamesTheFirstThreeKeptFilesAndCountsTheRest) {
    const QString folder = TestEnv::freshDir(QStringLiteral("kept"));
    LibraryBuilder builder(QStringLiteral("Lib"));
    auto& three = builder.event(QStringLiteral("Three")).media(QStringLiteral("x.mov"), 1000);
    for (const char* name : {"c.mov", "x.mov", "a.mov", "b.mov"})
        three.proxy(QString::fromLatin1(name), 1000);
    auto& five = builder.event(QStringLiteral("Five")).media(QStringLiteral("x.mov"), 1000);
    for (const char* name : {"e.mov", "d.mov", "c.mov", "b.mov", "a.mov"})
        five.optimized(QString::fromLatin1(name), 1000);
    const QString lib = builder.write(folder);

    const CleanupPlan plan = Cleanup::plan(lib, {"Three", "Five"}, kAllKinds, false);
    const CleanupPlan wanted{
        {expected(lib + "/Three/Transcoded Media/Proxy Media/x.mov", GeneratedKind::proxy, "Three")},
        {"“Three”: kept 3 proxy files with no original in this event, so Final Cut could not recreate them "
         "(a.mov, b.mov, c.mov).",
         "“Five”: kept 5 optimized files with no original in this event, so Final Cut could not recreate "
         "them "
         "(a.mov, b.mov, c.mov and 2 more)."}};
    EXPECT_EQ(plan, wanted);
}

TEST(CleanupPlan, OffersWholeFoldersAndRenderItemsMeasuredFromTheirBlocks) {
    const QString folder = TestEnv::freshDir(QStringLiteral("whole"));
    LibraryBuilder builder(QStringLiteral("Lib"));
    builder.event(QStringLiteral("Day 1"))
        .media(QStringLiteral("A001.mov"), 300'000)
        .media(QStringLiteral("Card/A002.mov"), 300'000)
        .proxy(QStringLiteral("A001.mov"), 40'000)
        .proxy(QStringLiteral("A002.mov"), 40'000)
        .proxy(QStringLiteral(".DS_Store"), 6000)
        .optimized(QStringLiteral("A001.mov"), 120'000)
        .render(QStringLiteral("High Quality Media/one/r1.mov"), 70'000)
        .render(QStringLiteral("High Quality Media/r2.mov"), 30'000)
        .render(QStringLiteral("Peaks Data"), 9000)
        .render(QStringLiteral(".hidden"), 9000)
        .analysis(QStringLiteral("a.bin"), 5000);
    builder.event(QStringLiteral("Day 2"))
        .media(QStringLiteral("B.mov"), 1000)
        .folder(QStringLiteral("Transcoded Media/Proxy Media"));
    const QString lib = builder.write(folder);
    const QString day1 = lib + "/Day 1";

    const CleanupPlan plan = Cleanup::plan(lib, {"Day 1", "Day 2"}, kAllKinds, false);
    const QList<CleanupTarget> targets = {
        expected(day1 + "/Transcoded Media/Proxy Media", GeneratedKind::proxy, "Day 1"),
        expected(day1 + "/Transcoded Media/High Quality Media", GeneratedKind::optimized, "Day 1"),
        expected(day1 + "/Render Files/High Quality Media", GeneratedKind::render, "Day 1"),
        expected(day1 + "/Render Files/Peaks Data", GeneratedKind::render, "Day 1"),
        // An empty proxy folder has no orphans: it goes whole.
        expected(lib + "/Day 2/Transcoded Media/Proxy Media", GeneratedKind::proxy, "Day 2"),
    };
    EXPECT_EQ(plan, (CleanupPlan{targets, {}}));

    qint64 blocks = 0;
    for (const CleanupTarget& target : targets)
        blocks += FixtureFiles::allocatedSize(target.url);
    EXPECT_EQ(plan.totalBytes(), blocks);
    EXPECT_GT(plan.totalBytes(), 40'000 + 40'000 + 6000 + 120'000 + 70'000 + 30'000 + 9000)
        << "the hidden file of the proxy folder goes with it and counts";
    EXPECT_EQ(CleanupPlan().totalBytes(), 0);

    // Only the kinds asked for, and always in the kinds' own order.
    const CleanupPlan renderOnly = Cleanup::plan(lib, {"Day 1"}, {GeneratedKind::render}, false);
    EXPECT_EQ(renderOnly.targets, targets.mid(2, 2));
    const CleanupPlan reversed = Cleanup::plan(
        lib, {"Day 1"}, {GeneratedKind::render, GeneratedKind::optimized, GeneratedKind::proxy}, false);
    EXPECT_EQ(reversed.targets, targets.mid(0, 4));
}

TEST(CleanupPlan, MatchesOptimizedFilesToOriginalsByBaseName) {
    const QString folder = TestEnv::freshDir(QStringLiteral("basename"));
    const QString composed = QStringLiteral("Caf\u00e9 #1 50%?.mov");
    const QString decomposed = QStringLiteral("Cafe\u0301 #1 50%?.MP4");
    LibraryBuilder builder(QStringLiteral("Lib"));
    builder.event(QStringLiteral("Ev"))
        .media(QStringLiteral("IMG_1.MP4"), 1000)
        .media(QStringLiteral("DJI_2 (fcp1).mp4"), 1000)
        .media(decomposed, 1000)
        .optimized(QStringLiteral("IMG_1 (fcp2).mov"), 2000)
        .optimized(QStringLiteral("DJI_2.mov"), 2000)
        .optimized(QStringLiteral("Music Track.mov"), 2000)
        .optimized(composed, 2000);
    const QString lib = builder.write(folder);
    const QString optimized = lib + "/Ev/Transcoded Media/High Quality Media/";

    const CleanupPlan plan = Cleanup::plan(lib, {"Ev"}, {GeneratedKind::optimized}, false);
    const CleanupPlan wanted{
        {expected(optimized + composed, GeneratedKind::optimized, "Ev"),
         expected(optimized + "DJI_2.mov", GeneratedKind::optimized, "Ev"),
         expected(optimized + "IMG_1 (fcp2).mov", GeneratedKind::optimized, "Ev")},
        {"“Ev”: kept 1 optimized file with no original in this event, so Final Cut could not recreate it "
         "(Music Track.mov)."}};
    EXPECT_EQ(plan, wanted);
}

TEST(CleanupPlan, RefusesWhatIsNotALibraryAndAcceptsEitherLibraryFile) {
    const QString folder = TestEnv::freshDir(QStringLiteral("notlib"));
    const auto write = [&](const QString& name, const QString& extension) {
        LibraryBuilder builder(name);
        builder.extension = extension;
        builder.event(QStringLiteral("Ev"))
            .media(QStringLiteral("a.mov"), 1000)
            .render(QStringLiteral("r"), 1000);
        return builder.write(folder);
    };
    const QString upper = write("Upper", "FCPBUNDLE");
    const QString plistOnly = write("PlistOnly", "fcpbundle");
    ASSERT_TRUE(QFile::remove(plistOnly + "/CurrentVersion.flexolibrary"));
    const QString databaseOnly = write("DatabaseOnly", "fcpbundle");
    ASSERT_TRUE(QFile::remove(databaseOnly + "/CurrentVersion.plist"));
    const QString neither = write("Neither", "fcpbundle");
    ASSERT_TRUE(QFile::remove(neither + "/CurrentVersion.plist"));
    ASSERT_TRUE(QFile::remove(neither + "/CurrentVersion.flexolibrary"));
    const QString noExtension = folder + "/NoExtension";
    ASSERT_TRUE(QDir().rename(write("NoExtension", "fcpbundle"), noExtension));
    const QString otherExtension = write("Other", "fcpproject");
    const QString plainFile = folder + "/File.fcpbundle";
    FixtureFiles::writeRandom(plainFile, 100);

    const auto app = test::FakeFinalCutApp::installed(folder + "/Final Cut Pro.app", "11.0");
    app->setRunning({77});
    test::ScopedFinalCutApp scope(app);
    for (const QString& refused :
         {folder + "/Missing.fcpbundle", plainFile, noExtension, otherExtension, neither, folder}) {
        SCOPED_TRACE(refused.toStdString());
        EXPECT_EQ(Cleanup::plan(refused, {"Ev"}, kAllKinds, false), blockedBy(kNotALibrary));
        EXPECT_EQ(Cleanup::plan(refused, {"Ev"}, kAllKinds, true), blockedBy(kNotALibrary))
            << "the library is judged first";
    }
    for (const QString& accepted : {upper, plistOnly, databaseOnly}) {
        SCOPED_TRACE(accepted.toStdString());
        const CleanupPlan plan = Cleanup::plan(accepted, {"Ev"}, kAllKinds, false);
        EXPECT_EQ(plan, (CleanupPlan{{expected(accepted + "/Ev/Render Files/r", GeneratedKind::render, "Ev")},
                                     {}}));
        EXPECT_EQ(Cleanup::plan(accepted, {}, kAllKinds, false), CleanupPlan())
            << "no events, nothing planned";
    }
}

TEST(CleanupPlan, RefusesEverythingWhileFinalCutProRunsOnlyWhenAskedToCheck) {
    const QString folder = TestEnv::freshDir(QStringLiteral("running"));
    LibraryBuilder builder(QStringLiteral("Lib"));
    builder.event(QStringLiteral("Ev"))
        .media(QStringLiteral("a.mov"), 1000)
        .render(QStringLiteral("r"), 1000);
    const QString lib = builder.write(folder);
    const CleanupPlan unchecked{{expected(lib + "/Ev/Render Files/r", GeneratedKind::render, "Ev")}, {}};

    const auto app = test::FakeFinalCutApp::installed(folder + "/Final Cut Pro.app", "11.0");
    test::ScopedFinalCutApp scope(app);
    EXPECT_EQ(Cleanup::plan(lib, {"Ev"}, kAllKinds, true), unchecked) << "installed, not running";
    app->setRunning({301, 302});
    EXPECT_EQ(Cleanup::plan(lib, {"Ev"}, kAllKinds, true), blockedBy(kQuitFirst));
    EXPECT_EQ(Cleanup::plan(lib, {}, kAllKinds, true), blockedBy(kQuitFirst));
    EXPECT_EQ(Cleanup::plan(lib, {"Ev"}, kAllKinds, false), unchecked);
}

TEST(CleanupPlan, RefusesBadEventNamesBeforeLookingAtTheDisk) {
    const QString folder = TestEnv::freshDir(QStringLiteral("names"));
    LibraryBuilder builder(QStringLiteral("Lib"));
    builder.event(QStringLiteral("Day 1")).render(QStringLiteral("r"), 1000);
    builder.event(QStringLiteral("Broken")).database.damage = FixtureDatabase::Damage::NotSQLite;
    builder.event(QStringLiteral("Broken")).render(QStringLiteral("r"), 1000);
    builder.item(LibraryBuilder::Item::folder(QStringLiteral("Plain/Render Files")));
    const QString lib = builder.write(folder);
    // An event beside the library, which "../EventA" would reach.
    LibraryBuilder outside(QStringLiteral("Outside"));
    outside.event(QStringLiteral("EventA")).render(QStringLiteral("r"), 1000);
    const QString outsideLib = outside.write(folder);
    ASSERT_TRUE(QDir().rename(outsideLib + "/EventA", folder + "/EventA"));

    const QStringList events = {
        "../EventA", "EventA/Render Files", "Day 1/Render Files", ".", "..", "", "Nope", "Plain", "Broken",
        "Day 1"};
    const CleanupPlan wanted{{expected(lib + "/Broken/Render Files/r", GeneratedKind::render, "Broken"),
                              expected(lib + "/Day 1/Render Files/r", GeneratedKind::render, "Day 1")},
                             {"Invalid event name “../EventA”.", "Invalid event name “EventA/Render Files”.",
                              "Invalid event name “Day 1/Render Files”.", "Invalid event name “.”.",
                              "Invalid event name “..”.", "Invalid event name “”.",
                              "“Nope” is not an event in this library.",
                              "“Plain” is not an event in this library."}};
    EXPECT_EQ(Cleanup::plan(lib, events, {GeneratedKind::render}, false), wanted)
        << "an event database that is not SQLite is still an event";
}

// A stored name that cannot be one file name: joined to the library's path, the system would
// read it as another place (cut at a NUL, the whole event "Day 1"; a "/" a folder below an
// event; ".." the library's parent). Each is refused by name and nothing of the disk is read
// for it, so the real "Day 1" beside it plans as ever.
TEST(CleanupPlan, RefusesEveryNameThatCannotBeOneFileName) {
    const QString folder = TestEnv::freshDir(QStringLiteral("impossible"));
    LibraryBuilder builder(QStringLiteral("Lib"));
    builder.event(QStringLiteral("Day 1"))
        .media(QStringLiteral("a.mov"), 1000)
        .proxy(QStringLiteral("a.mov"), 1000)
        .render(QStringLiteral("r"), 1000);
    const QString lib = builder.write(folder);
    const QChar nul(0);

    const QStringList names = {QStringLiteral("Day 1") + nul + QStringLiteral("x"),
                               QStringLiteral("Day 1") + nul,
                               QString(nul),
                               nul + QStringLiteral("Day 1"),
                               QStringLiteral("Day 1/") + nul,
                               QStringLiteral("/"),
                               QStringLiteral("Day 1/"),
                               QStringLiteral("/Day 1"),
                               QStringLiteral("."),
                               QStringLiteral(".."),
                               QString()};
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(Cleanup::plan(lib, {name}, kAllKinds, false),
                  blockedBy(QStringLiteral("Invalid event name “") + name + QStringLiteral("”.")));
    }
    const CleanupPlan day1{
        {expected(lib + "/Day 1/Transcoded Media/Proxy Media", GeneratedKind::proxy, "Day 1"),
         expected(lib + "/Day 1/Render Files/r", GeneratedKind::render, "Day 1")},
        {}};
    QStringList withDay1 = names;
    withDay1.append(QStringLiteral("Day 1"));
    const CleanupPlan all = Cleanup::plan(lib, withDay1, kAllKinds, false);
    EXPECT_EQ(all.targets, day1.targets);
    EXPECT_EQ(all.blockers.size(), names.size());
}

TEST(CleanupPlan, LeavesLinkedAndOriginlessMediaAlone) {
    const QString folder = TestEnv::freshDir(QStringLiteral("links"));
    FixtureFiles::writeRandom(folder + "/Elsewhere/Proxy Media/a.mov", 4000);
    FixtureFiles::writeRandom(folder + "/Data/big.mov", 4000);
    LibraryBuilder builder(QStringLiteral("Lib"));
    builder.event(QStringLiteral("ProxyLink"))
        .media(QStringLiteral("a.mov"), 1000)
        .proxy(QStringLiteral("a.mov"), 1000)
        .link(QStringLiteral("Transcoded Media/Proxy Media/Card/b.mov"), folder + "/Data/big.mov");
    builder.event(QStringLiteral("NoOriginals"))
        .proxy(QStringLiteral("b.mov"), 1000)
        .proxy(QStringLiteral("a.mov"), 1000)
        .optimized(QStringLiteral("a.mov"), 1000)
        .render(QStringLiteral("r"), 1000);
    builder.event(QStringLiteral("HiddenOnly"))
        .media(QStringLiteral(".DS_Store"), 100)
        .proxy(QStringLiteral("a.mov"), 1000);
    builder.event(QStringLiteral("Through"))
        .media(QStringLiteral("a.mov"), 1000)
        .link(QStringLiteral("Transcoded Media"), folder + "/Elsewhere");
    builder.event(QStringLiteral("Swapped"))
        .media(QStringLiteral("a.mov"), 1000)
        .link(QStringLiteral("Transcoded Media/Proxy Media"), QStringLiteral("../Original Media"));
    builder.event(QStringLiteral("Loops"))
        .media(QStringLiteral("a.mov"), 1000)
        .mediaLink(QStringLiteral("loop.mov"), QStringLiteral("loop.mov"))
        .link(QStringLiteral("Original Media/Card/up"), QStringLiteral(".."))
        .proxy(QStringLiteral("a.mov"), 1000)
        .link(QStringLiteral("Render Files/loop"), QStringLiteral("loop"))
        .link(QStringLiteral("Render Files/Sub/up"), QStringLiteral(".."))
        .link(QStringLiteral("Render Files/data"), folder + "/Data");
    const QString lib = builder.write(folder);

    const QStringList events = {"ProxyLink", "NoOriginals", "HiddenOnly", "Through", "Swapped", "Loops"};
    const QString noOriginals =
        QStringLiteral("no original media found in the event, so its proxy and optimized files are kept.");
    const CleanupPlan wanted{
        {expected(lib + "/NoOriginals/Render Files/r", GeneratedKind::render, "NoOriginals")},
        {"“ProxyLink”: Proxy Media contains links, so it was left alone.", "“NoOriginals”: " + noOriginals,
         "“NoOriginals”: kept 2 proxy files with no original in this event, so Final Cut could not recreate "
         "them (a.mov, b.mov).",
         "“NoOriginals”: kept 1 optimized file with no original in this event, so Final Cut could not "
         "recreate it (a.mov).",
         "“HiddenOnly”: " + noOriginals,
         "“HiddenOnly”: kept 1 proxy file with no original in this event, so Final Cut could not recreate it "
         "(a.mov).",
         "“Through”: path passes through a link", "“Swapped”: Proxy Media is a link",
         // The loop link in "Original Media" is a missing original; its proxy's original is there.
         "“Loops”: 1 linked original file is missing (loop.mov). Proxy and optimized files made from it are "
         "kept; everything else can be removed.",
         "“Loops”: data is a link", "“Loops”: loop is a link",
         "“Loops”: Sub contains links, so it was left alone."}};
    const CleanupPlan plan = Cleanup::plan(lib, events, kAllKinds, false);
    EXPECT_EQ(plan.blockers, wanted.blockers);
    // The proxy folder of "Loops" holds only files with originals: it goes whole.
    EXPECT_EQ(plan.targets, (QList<CleanupTarget>{wanted.targets.front(),
                                                  expected(lib + "/Loops/Transcoded Media/Proxy Media",
                                                           GeneratedKind::proxy, "Loops")}));
}

TEST(CleanupPlan, BuildsEveryTargetFromTheLibrarysResolvedPath) {
    const QString folder = TestEnv::freshDir(QStringLiteral("alias"));
    LibraryBuilder builder(QStringLiteral("Lib"));
    builder.event(QStringLiteral("Ev"))
        .media(QStringLiteral("a.mov"), 1000)
        .proxy(QStringLiteral("a.mov"), 1000)
        .render(QStringLiteral("r"), 1000);
    const QString lib = builder.write(folder);
    FixtureFiles::makeFolder(folder + "/Links");
    const QString alias = folder + "/Links/Alias.fcpbundle";
    FixtureFiles::makeLink(alias, QStringLiteral("../Lib.fcpbundle"));

    const CleanupPlan wanted{{expected(lib + "/Ev/Transcoded Media/Proxy Media", GeneratedKind::proxy, "Ev"),
                              expected(lib + "/Ev/Render Files/r", GeneratedKind::render, "Ev")},
                             {}};
    EXPECT_EQ(Cleanup::plan(alias, {"Ev"}, kAllKinds, false), wanted);
    EXPECT_EQ(Cleanup::plan(folder + "/Links/../Lib.fcpbundle/", {"Ev"}, kAllKinds, false), wanted);
}

TEST(CleanupPlan, NamesThatAreNotUtf8AreNeverOffered) {
    const QString folder = TestEnv::freshDir(QStringLiteral("bytes"));
    LibraryBuilder builder(QStringLiteral("Lib"));
    builder.event(QStringLiteral("Ev"))
        .media(QStringLiteral("a.mov"), 1000)
        .proxy(QStringLiteral("a.mov"), 1000)
        .render(QStringLiteral("r"), 1000);
    const QString lib = builder.write(folder);
    const QByteArray ev = QFile::encodeName(lib + "/Ev");
    writeNative(ev + "/Render Files/bad\xff", "render");
    writeNative(ev + "/Original Media/b\xfe.mov", "original");
    writeNative(ev + "/Transcoded Media/Proxy Media/b\xfe.mov", "proxy");

    const CleanupPlan plan = Cleanup::plan(lib, {"Ev"}, kAllKinds, false);
    // The render item cannot be found again by its text; the proxy file cannot be judged, so
    // it keeps its folder, and only the proxy whose name is text goes.
    const CleanupPlan wanted{
        {expected(lib + "/Ev/Transcoded Media/Proxy Media/a.mov", GeneratedKind::proxy, "Ev"),
         expected(lib + "/Ev/Render Files/r", GeneratedKind::render, "Ev")},
        {QStringLiteral("“Ev”: kept 1 proxy file with no original in this event, so Final Cut could not "
                        "recreate it (b\uFFFD.mov)."),
         QStringLiteral("“Ev”: not found")}};
    EXPECT_EQ(plan, wanted);
}

// Every target of every kind, on a library holding everything a plan must leave alone: only
// an event's own proxy or optimized folder, a file directly inside one, or a visible item
// directly inside its "Render Files", reached without any link; and nothing on disk changes.
TEST(CleanupPlan, OffersOnlyRebuildableMediaAndChangesNothingOnDisk) {
    const QString folder = TestEnv::freshDir(QStringLiteral("unchanged"));
    FixtureFiles::writeRandom(folder + "/Elsewhere/Proxy Media/a.mov", 4000);
    LibraryBuilder builder(QStringLiteral("Lib"));
    builder.stamp = QDateTime(QDate(2023, 4, 5), QTime(6, 7, 8, 9), Qt::UTC);
    auto& day1 = builder.event(QStringLiteral("Day 1"))
                     .media(QStringLiteral("A001.mov"), 30'000)
                     .mediaLink(QStringLiteral("gone.mov"), QStringLiteral("/nowhere/gone.mov"))
                     .mediaLink(QStringLiteral("loop.mov"), QStringLiteral("loop.mov"))
                     .proxy(QStringLiteral("A001.mov"), 4000)
                     .proxy(QStringLiteral("gone.mov"), 4000)
                     .optimized(QStringLiteral("A001 (fcp1).mov"), 4000)
                     .render(QStringLiteral("Peaks Data"), 2000)
                     .render(QStringLiteral("High Quality Media/x.mov"), 2000)
                     .render(QStringLiteral("Original Media/y.mov"), 2000)
                     .link(QStringLiteral("Render Files/loop"), QStringLiteral("loop"))
                     .analysis(QStringLiteral("a.bin"), 100)
                     .file(QStringLiteral("Transcoded Media/Analysis Files/b.bin"), 100)
                     .file(QStringLiteral("Shared Items/s.bin"), 100)
                     .file(QStringLiteral("Motion Templates.localized/m.moti"), 100);
    day1.project(QStringLiteral("Edit")).clips(2).file(QStringLiteral("Render Files/p.bin"), 100);
    builder.event(QStringLiteral("Day 2"))
        .media(QStringLiteral("B.mov"), 3000)
        .link(QStringLiteral("Transcoded Media"), folder + "/Elsewhere");
    builder.event(QStringLiteral("Day 3")).proxy(QStringLiteral("orphan.mov"), 3000);
    builder.item(LibraryBuilder::Item::file(QStringLiteral("Render Files/top.bin"), 100));
    const QString lib = builder.write(folder);
    const QByteArray day1Bytes = QFile::encodeName(lib + "/Day 1");
    writeNative(day1Bytes + "/Render Files/bad\xff", "render");
    writeNative(day1Bytes + "/Transcoded Media/Proxy Media/b\xfe.mov", "proxy");
    FixtureFiles::makeLink(folder + "/Alias.fcpbundle", lib);

    const QRegularExpression allowed(QStringLiteral(
        "^([^/]+)/(Transcoded Media/Proxy Media(/[^/]+)?|Transcoded Media/High Quality Media(/[^/]+)?|"
        "Render Files/[^./][^/]*)$"));
    const QStringList before = test::treeListing(folder);
    ASSERT_GT(before.size(), 40);
    const QStringList events = {"Day 1", "Day 2", "Day 3", "Edit", "Day 1/Edit", "Nope", "..", "."};
    for (const QString& library : {lib, folder + "/Alias.fcpbundle"}) {
        SCOPED_TRACE(library.toStdString());
        const CleanupPlan plan = Cleanup::plan(library, events, kAllKinds, false);
        ASSERT_EQ(plan.targets.size(), 4) << ::testing::PrintToString(plan);
        EXPECT_EQ(plan.blockers.size(), 13) << ::testing::PrintToString(plan);
        for (const CleanupTarget& target : plan.targets) {
            SCOPED_TRACE(target.url.toStdString());
            ASSERT_TRUE(target.url.startsWith(lib + u'/'));
            const QRegularExpressionMatch match = allowed.match(target.url.mid(lib.size() + 1));
            ASSERT_TRUE(match.hasMatch());
            EXPECT_EQ(match.captured(1), target.event);
            EXPECT_EQ(match.captured(2).startsWith(QStringLiteral("Render Files")),
                      target.kind == GeneratedKind::render);
            EXPECT_EQ(QFileInfo(target.url).canonicalFilePath(), target.url) << "reached without a link";
            EXPECT_EQ(target.bytes, FixtureFiles::allocatedSize(target.url));
            if (target.kind != GeneratedKind::render) {
                EXPECT_TRUE(Cleanup::originalsStillThere(target, library));
            }
        }
        EXPECT_TRUE(Cleanup::missingOriginalsReport(library, QStringLiteral("Lib")));
    }
    EXPECT_EQ(test::treeListing(folder), before);
}
