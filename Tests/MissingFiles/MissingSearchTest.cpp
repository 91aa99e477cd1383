// The found dictionary, the broken links of libraries and the search in the catalogue.

#include "MissingFiles/MissingFiles.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace pellimor;
using fixtures::LibraryBuilder;
using test::TestEnv;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;

namespace {

Catalog::MediaEntry2 row(const QString& library, const QString& event, const QString& name, qint64 size) {
    return Catalog::MediaEntry2{library, MediaEntry{name, size, event}};
}

MissingFile brokenLink(const QString& libraryPath, const QString& event, const QString& name,
                       const QString& target) {
    return MissingFile{QStringLiteral("Lib"), libraryPath, QStringLiteral("A"), event, name, target};
}

LibraryInfo libraryAt(const QString& path, const QString& name, const QString& volume) {
    LibraryInfo info;
    info.path = path;
    info.name = name;
    info.volumeName = volume;
    return info;
}

} // namespace

TEST(MissingFound, ListsKeepTwelveTextsOnceEachInOrderOfArrival) {
    MissingFiles::Found found;
    EXPECT_TRUE(MissingFiles::add(QStringLiteral("/a/x.mov"), QStringLiteral("x.mov"), found));
    EXPECT_FALSE(MissingFiles::add(QStringLiteral("/a/x.mov"), QStringLiteral("x.mov"), found)) << "a repeat";
    EXPECT_TRUE(MissingFiles::add(QStringLiteral("/A/x.mov"), QStringLiteral("x.mov"), found))
        << "texts compare exactly";
    for (int i = 0; i < 50; ++i)
        MissingFiles::add(QStringLiteral("/f%1/x.mov").arg(i), QStringLiteral("x.mov"), found);
    const QStringList& list = found.value(QStringLiteral("x.mov"));
    ASSERT_EQ(list.size(), MissingFiles::kMaxFound);
    EXPECT_EQ(list.first(), QStringLiteral("/a/x.mov"));
    EXPECT_EQ(list.at(1), QStringLiteral("/A/x.mov"));
    EXPECT_EQ(list.last(), QStringLiteral("/f9/x.mov"));
    EXPECT_FALSE(MissingFiles::add(QStringLiteral("/new/x.mov"), QStringLiteral("x.mov"), found));
    EXPECT_TRUE(MissingFiles::add(QStringLiteral("/new/y.mov"), QStringLiteral("y.mov"), found))
        << "each name has a list of its own";
}

TEST(MissingFound, LeadsAreNoFind) {
    const QString lead = MissingFiles::lead(
        QStringLiteral("/Volumes/B3/Other.fcpbundle/Trip/Original Media/clip.mp4"), QStringLiteral("B3"));
    EXPECT_EQ(lead,
              QStringLiteral("/Volumes/B3/Other.fcpbundle/Trip/Original Media/clip.mp4  (drive B3 is not "
                             "connected, so this was not checked)"));
    EXPECT_TRUE(MissingFiles::isLead(lead));
    EXPECT_FALSE(MissingFiles::isLead(QStringLiteral("/Volumes/B3/clip.mp4")));
    EXPECT_FALSE(MissingFiles::wasFound({}));
    EXPECT_FALSE(MissingFiles::wasFound({lead}));
    EXPECT_TRUE(MissingFiles::wasFound({lead, QStringLiteral("/Volumes/A/clip.mp4")}));
}

TEST(MissingFound, WantedNameIsTheTargetsNameComposedInLowerCase) {
    const MissingFile file =
        brokenLink(QStringLiteral("/L.fcpbundle"), QStringLiteral("Ev"), QStringLiteral("link.mov"),
                   QStringLiteral("/Volumes/Old/Cafe\u0301 CLIP.MOV"));
    EXPECT_EQ(file.wantedName(), QStringLiteral("caf\u00e9 clip.mov"))
        << "the link's own name is not searched";
    EXPECT_EQ(file.id(), QStringLiteral("/L.fcpbundle|Ev|link.mov"));
    MissingFile other = file;
    other.drive = QStringLiteral("B");
    EXPECT_NE(file, other) << "equality takes every field";
    EXPECT_NE(qHash(file), qHash(other));
}

TEST(MissingCollect, ListsTheBrokenLinksOfEachLibraryInOrderAndChangesNothing) {
    const QString folder = TestEnv::freshDir(QStringLiteral("collect"));
    FixtureFiles::writeRandom(folder + "/outside/there.mov", 100);
    LibraryBuilder first(QStringLiteral("First"));
    first.event(QStringLiteral("Day 10")).mediaLink(QStringLiteral("c.mov"), QStringLiteral("/gone/C.MOV"));
    first.event(QStringLiteral("Day 2"))
        .mediaLink(QStringLiteral("b.mov"), QStringLiteral("/gone/b.mov"))
        .mediaLink(QStringLiteral("a.mov"), QStringLiteral("/gone/a.mov"))
        .mediaLink(QStringLiteral("there.mov"), folder + "/outside/there.mov")
        // Only the direct entries of "Original Media" are listed.
        .link(QStringLiteral("Original Media/Card/deep.mov"), QStringLiteral("/gone/deep.mov"));
    first.event(QStringLiteral("Fine")).media(QStringLiteral("copied.mov"), 100);
    LibraryBuilder second(QStringLiteral("Second"));
    second.event(QStringLiteral("Ev")).mediaLink(QStringLiteral("d.mov"), QStringLiteral("/gone/d.mov"));
    const QString firstPath = first.write(folder);
    const QString secondPath = second.write(folder);
    const QStringList before = test::treeListing(folder);

    const QList<MissingFile> files = MissingFiles::collect(
        {libraryAt(secondPath, "Second", "B"), libraryAt(folder + "/Gone.fcpbundle", "Gone", "A"),
         libraryAt(firstPath, "First", "A")});
    const QList<MissingFile> expected = {
        {"Second", secondPath, "B", "Ev", "d.mov", "/gone/d.mov"},
        {"First", firstPath, "A", "Day 2", "a.mov", "/gone/a.mov"},
        {"First", firstPath, "A", "Day 2", "b.mov", "/gone/b.mov"},
        {"First", firstPath, "A", "Day 10", "c.mov", "/gone/C.MOV"},
    };
    EXPECT_EQ(files, expected);
    EXPECT_EQ(test::treeListing(folder), before);

    // A catalogued path that cannot be one lists nothing, not the broken links of whatever
    // place the system would read it as.
    for (const QString& path : {firstPath + QChar(0) + QStringLiteral("/x"),
                                firstPath + QStringLiteral("/../") + QFileInfo(firstPath).fileName(),
                                QFileInfo(firstPath).fileName()}) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(MissingFiles::collect({libraryAt(path, "First", "A")}), QList<MissingFile>());
    }
}

TEST(MissingCatalogSearch, HomeFolderRetry) {
    const QString home = QDir::homePath();
    ASSERT_TRUE(home.startsWith(TestEnv::root())) << "never the real home";
    FixtureFiles::writeRandom(home + "/Movies/home.mov", 10);
    FixtureFiles::writeRandom(home + "/Movies/low.mov", 10);
    FixtureFiles::writeRandom(home + "/Movies/trail.mov", 10);
    FixtureFiles::writeRandom(home + "/two.mov", 10);
    const QString lib = QStringLiteral("/Volumes/A/Lib.fcpbundle");
    const QString elsewhere = TestEnv::freshDir(QStringLiteral("retry-online")) + "/Other.fcpbundle";
    FixtureFiles::writeRandom(elsewhere + "/Ev/Original Media/home.mov", 10);
    const QList<MissingFile> files = {
        brokenLink(lib, "Ev", "home.mov", "/Users/olduser/Movies/home.mov"),
        brokenLink(lib, "Ev", "two.mov", "/Users/two.mov"),
        brokenLink(lib, "Ev", "low.mov", "/users/olduser/Movies/low.mov"),
        brokenLink(lib, "Ev", "trail.mov", "/Users/olduser/Movies/trail.mov/"),
        brokenLink(lib, "Ev", "none.mov", "/Users/olduser/Movies/none.mov"),
        brokenLink(lib, "Ev", "one.mov", "/one.mov"),
        brokenLink(lib, "Ev", "empty.mov", ""),
    };
    const MissingFiles::LibraryTable libs = {{elsewhere, {"Other", "B", true}}};

    const MissingFiles::Found found =
        MissingFiles::searchCatalog(files, {row(elsewhere, "Ev", "home.mov", 10)}, libs);
    // The retry comes before what the catalogue knows.
    EXPECT_EQ(found.value("home.mov"),
              (QStringList{home + "/Movies/home.mov", elsewhere + "/Ev/Original Media/home.mov"}));
    EXPECT_EQ(found.value("trail.mov"), QStringList{home + "/Movies/trail.mov"});
    for (const char* name : {"two.mov", "low.mov", "none.mov", "one.mov", ""})
        EXPECT_TRUE(found.value(name).isEmpty()) << name;
}

// Links made here point into "<the folder of homes>/<account>/…", links made on a Mac into
// "/Users/<account>/…": either way the same place in this home is looked at first, and what is
// there is proposed as the same folder in another account.
TEST(MissingCatalogSearch, HomeFolderRetryFromAnAccountHereOrOnAMac) {
    const QString homes =
        QFileInfo(TestEnv::freshDir(QStringLiteral("retry-accounts"))).canonicalFilePath() + "/home";
    const QString home = homes + "/editor";
    const test::ScopedEnvironment scope{"HOME", home};
    FixtureFiles::writeRandom(home + "/Movies/Trip/here.mov", 10);
    FixtureFiles::writeRandom(home + "/Movies/Trip/mac.mov", 10);
    const QString lib = QStringLiteral("/Volumes/A/Lib.fcpbundle");
    const QList<MissingFile> files = {
        brokenLink(lib, "Ev", "here.mov", homes + "/olduser/Movies/Trip/here.mov"),
        brokenLink(lib, "Ev", "mac.mov", "/Users/anna/Movies/Trip/mac.mov"),
        brokenLink(lib, "Ev", "top.mov", homes + "/top.mov"),
    };

    const MissingFiles::Found found = MissingFiles::searchCatalog(files, {}, {});
    EXPECT_EQ(found.value("here.mov"), QStringList{home + "/Movies/Trip/here.mov"});
    EXPECT_EQ(found.value("mac.mov"), QStringList{home + "/Movies/Trip/mac.mov"});
    EXPECT_TRUE(found.value("top.mov").isEmpty());
    for (const MissingFile& file : files.mid(0, 2))
        EXPECT_EQ(MissingFiles::candidate(file, found.value(file.wantedName())).match,
                  MissingFiles::Match::of(MissingFiles::Match::Kind::sameFolderOtherAccount))
            << file.target.toStdString();
}

TEST(MissingCatalogSearch, WhatEachMediaEntryGives) {
    const QString folder = TestEnv::freshDir(QStringLiteral("catalog"));
    const QString online = folder + "/Online.fcpbundle";
    const QString tech = QStringLiteral("/Volumes/A/Tech.fcpbundle");
    const QString techCopy = QStringLiteral("/Volumes/B3/Backup/Tech.fcpbundle");
    const QString other = QStringLiteral("/Volumes/B3/Other.fcpbundle");
    const QString unlisted = QStringLiteral("/Volumes/B3/Unlisted.fcpbundle");
    FixtureFiles::writeRandom(online + "/Ev/Original Media/there.mov", 10);
    // Something answers at the broken link's own place (the drive was plugged in again), yet it
    // is the link that was reported, not a find.
    FixtureFiles::writeRandom(online + "/Ev/Original Media/self.mov", 10);

    const QList<MissingFile> files = {
        brokenLink(online, "Ev", "self.mov", "/gone/self.mov"),
        brokenLink(tech, "Trip", "clip.mp4", "/Volumes/Card/DCIM/CLIP.MP4"),
        brokenLink(tech, "Trip", "there.mov", "/gone/there.mov"),
        brokenLink(tech, "Trip", "gone.mov", "/gone/gone.mov"),
        brokenLink(tech, "Trip", "zero.mov", "/gone/zero.mov"),
        brokenLink(tech, "Trip", "caf\u00e9.mov", "/gone/Caf\u00e9.mov"),
    };
    const MissingFiles::LibraryTable libs = {
        {online, {"Online", "Macintosh HD", true}},
        {techCopy, {"Tech", "B3", false}},
        {other, {"Other", "B3", false}},
    };
    struct Case {
        const char* what;
        Catalog::MediaEntry2 entry;
        QStringList expected; // under the entry's lower-cased name
    };
    const QString leadEnd = QStringLiteral("  (drive B3 is not connected, so this was not checked)");
    const QList<Case> cases = {
        {"the broken link itself, drive connected", row(online, "Ev", "self.mov", 12'000'000), {}},
        {"the broken link itself, drive not connected", row(online, "Ev", "self.mov", 12'000'000), {}},
        {"drive connected, the file there",
         row(online, "Ev", "there.mov", 10),
         {online + "/Ev/Original Media/there.mov"}},
        {"drive connected, the file gone", row(online, "Ev", "gone.mov", 10), {}},
        {"not connected, 0 bytes", row(other, "Trip", "zero.mov", 0), {}},
        {"a copy of the library, 65,536 bytes", row(techCopy, "Trip", "clip.mp4", 65'536), {}},
        {"a copy of the library, 999,999 bytes", row(techCopy, "Trip", "Clip.MP4", 999'999), {}},
        {"a copy of the library, 1,000,000 bytes",
         row(techCopy, "Trip", "clip.mp4", 1'000'000),
         {techCopy + "/Trip/Original Media/clip.mp4" + leadEnd}},
        {"a copy of the library, another event",
         row(techCopy, "Other Trip", "clip.mp4", 65'536),
         {techCopy + "/Other Trip/Original Media/clip.mp4" + leadEnd}},
        {"another library, 12,000,000 bytes",
         row(other, "Trip", "clip.mp4", 12'000'000),
         {other + "/Trip/Original Media/clip.mp4" + leadEnd}},
        {"a library missing from the table", row(unlisted, "Trip", "clip.mp4", 12'000'000), {}},
        {"a name nobody wants", row(other, "Trip", "else.mp4", 12'000'000), {}},
        {"a decomposed name",
         row(other, "Trip", "Cafe\u0301.mov", 12'000'000),
         {other + "/Trip/Original Media/Cafe\u0301.mov" + leadEnd}},
        // Catalogued event names that cannot be one folder's name name no place, even where
        // the path made of them would reach a file.
        {"an event named as the parent, a file there", row(online, "..", "there.mov", 10), {}},
        {"an event holding a slash, a file there", row(online, "Ev/../..", "there.mov", 10), {}},
        {"an event named as the folder itself", row(other, ".", "clip.mp4", 12'000'000), {}},
        {"an empty event name", row(other, "", "clip.mp4", 12'000'000), {}},
        {"an event name holding a NUL",
         row(other, QStringLiteral("Trip") + QChar(0) + QStringLiteral("/x"), "clip.mp4", 12'000'000),
         {}},
    };
    FixtureFiles::writeRandom(folder + "/Original Media/there.mov", 10);
    const QStringList before = test::treeListing(folder);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MissingFiles::LibraryTable table = libs;
        if (QByteArray(c.what).contains("itself, drive not"))
            table[online].online = false;
        const MissingFiles::Found found = MissingFiles::searchCatalog(files, {c.entry}, table);
        const QString name = MissingFiles::nameKey(c.entry.entry.name);
        EXPECT_EQ(found.value(name), c.expected);
        qsizetype texts = 0;
        for (const QStringList& list : found)
            texts += list.size();
        EXPECT_EQ(texts, c.expected.size()) << "nothing under other names";
        if (!c.expected.isEmpty()) {
            EXPECT_EQ(MissingFiles::wasFound(found.value(name)), !MissingFiles::isLead(c.expected.first()));
        }
    }

    // Entries keep the media list's order, and one limit of twelve covers them all.
    QList<Catalog::MediaEntry2> many;
    for (int i = 0; i < 50; ++i)
        many.append(row(other, QStringLiteral("Ev %1").arg(i), "CLIP.mp4", 12'000'000));
    const QStringList list = MissingFiles::searchCatalog(files, many, libs).value("clip.mp4");
    ASSERT_EQ(list.size(), 12);
    EXPECT_TRUE(list.first().startsWith(other + "/Ev 0/"));
    EXPECT_TRUE(list.last().startsWith(other + "/Ev 11/"));
    EXPECT_EQ(test::treeListing(folder), before);
}
