// The comparison of copies: which libraries group together, which copy wins each project and
// which are older or lack it, the order of the copies, the verdicts and the media report.

#include "Compare/Comparer.h"

#include "Catalogue/Records/RowDate.h"
#include "Tests/Compare/CompareFixtures.h"
#include "Tests/Support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace pellimor;
using namespace pellimor::test::compare;

namespace {

// A group as "name: path, path".
QStringList outline(const QList<CompareGroup>& groups) {
    QStringList lines;
    for (const CompareGroup& group : groups) {
        QStringList paths;
        for (const CompareGroup::Copy& copy : group.copies)
            paths.append(copy.lib.path);
        lines.append(group.name + QStringLiteral(": ") + paths.join(QStringLiteral(", ")));
    }
    return lines;
}

LibraryInfo emptyShell(const QString& drive, const QString& name, const QString& id, qint64 bytes) {
    LibraryInfo lib = library(drive, name, id);
    lib.events.clear();
    lib.extraSize = bytes;
    return lib;
}

const QString kId = QStringLiteral("5A3E9C2B");

} // namespace

TEST(ComparerGroups, groupsByIdentifierOrNameAndDropsLeftovers) {
    struct Case {
        const char* what;
        QList<LibraryInfo> libraries;
        QStringList groups;
    };
    const LibraryInfo studio = library("Studio", "Wedding", kId);
    const LibraryInfo archive = library("Archive", "Wedding", kId);
    const Case cases[] = {
        {"one identifier on two drives, and a third of that name with another identifier",
         {studio, library("Backup", "Wedding", QStringLiteral("OTHER")), archive},
         {"Wedding: /Volumes/Studio/Wedding.fcpbundle, /Volumes/Archive/Wedding.fcpbundle"}},
        {"two without identifier, names alike but for case",
         {library("Studio", "Day Out"), library("Archive", "day out")},
         {"Day Out: /Volumes/Studio/Day Out.fcpbundle, /Volumes/Archive/day out.fcpbundle"}},
        {"one without identifier and one with",
         {library("Studio", "Day Out"), library("Archive", "Day Out", kId)},
         {}},
        {"two with the empty identifier and different names",
         {library("Studio", "Alpha", QString()), library("Archive", "Beta", QString())},
         {}},
        {"the empty identifier is no identifier: grouped by name",
         {library("Studio", "Alpha", QString()), library("Archive", "Alpha")},
         {"Alpha: /Volumes/Studio/Alpha.fcpbundle, /Volumes/Archive/Alpha.fcpbundle"}},
        {"a path holding sAfEtYnEt is dropped",
         {studio, library("Archive/_CCC sAfEtYnEt/2025", "Wedding", kId)},
         {}},
        {"an empty library of 999,999 bytes is dropped",
         {studio, emptyShell("Archive", "Wedding", kId, 999'999)},
         {}},
        {"an empty library of 1,000,000 bytes is kept",
         {studio, emptyShell("Archive", "Wedding", kId, 1'000'000)},
         {"Wedding: /Volumes/Studio/Wedding.fcpbundle, /Volumes/Archive/Wedding.fcpbundle"}},
        {"groups sort with numbers by value",
         {library("A", "Day 10", "ten"), library("A", "Day 2", "two"), library("B", "Day 10", "ten"),
          library("B", "Day 2", "two")},
         {"Day 2: /Volumes/A/Day 2.fcpbundle, /Volumes/B/Day 2.fcpbundle",
          "Day 10: /Volumes/A/Day 10.fcpbundle, /Volumes/B/Day 10.fcpbundle"}},
        {"an empty list", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(outline(Comparer::groups(c.libraries, false)), c.groups);
    }
}

TEST(ComparerGroups, leftoversCountWhenAsked) {
    const QList<LibraryInfo> libraries = {library("Studio", "Wedding", kId),
                                          library("Archive/SafetyNet", "Wedding", kId),
                                          emptyShell("Backup", "Wedding", kId, 10)};
    ASSERT_EQ(Comparer::groups(libraries, true).size(), 1);
    EXPECT_EQ(Comparer::groups(libraries, true).first().copies.size(), 3);
    // A library with projects stays however small.
    LibraryInfo small = library("Backup", "Wedding", kId, {project("Edit", 0, "f")});
    small.events.first().originalSize = 0;
    EXPECT_FALSE(Comparer::isLeftover(small));
}

TEST(ComparerProjects, oneProjectInTwoCopies) {
    struct Case {
        const char* what;
        QList<Project> studio;
        QList<Project> archive;
        QStringList older;   // drives
        QStringList missing; // drives
        QString winner;      // drive
        bool resaved = false;
    };
    const std::optional<QString> none;
    const Case cases[] = {
        {"same fingerprint, 30 s apart",
         {project("Edit", 30, "f")},
         {project("Edit", 0, "f")},
         {},
         {},
         "Studio"},
        {"same fingerprint, 61 s apart",
         {project("Edit", 61, "f")},
         {project("Edit", 0, "f")},
         {},
         {},
         "Studio",
         true},
        {"different fingerprints, 1 s apart",
         {project("Edit", 0, "a")},
         {project("Edit", 1, "b")},
         {"Studio"},
         {},
         "Archive"},
        {"no fingerprint on one copy, 2.0 s earlier",
         {project("Edit", 10, "a")},
         {project("Edit", 8, none)},
         {},
         {},
         "Studio"},
        {"no fingerprint on one copy, 2.1 s earlier",
         {project("Edit", 10, "a")},
         {project("Edit", 7.9, none)},
         {"Archive"},
         {},
         "Studio"},
        {"one copy without a save date",
         {{"Day 1", "Edit", std::nullopt, none}},
         {project("Edit", -1e9, none)},
         {"Studio"},
         {},
         "Archive"},
        {"equal dates: the first copy wins",
         {project("Edit", 5, none)},
         {project("Edit", 5, none)},
         {},
         {},
         "Studio"},
        {"in one copy only", {project("Edit", 5, "a")}, {}, {}, {"Archive"}, "Studio"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CompareGroup group = Comparer::build(
            kId, {library("Studio", "W", kId, c.studio), library("Archive", "W", kId, c.archive)});
        ASSERT_EQ(group.diffs.size(), 1);
        const CompareGroup::Diff& diff = group.diffs.first();
        EXPECT_EQ(diff.key, QStringLiteral("Day 1 / Edit"));
        EXPECT_EQ(drivesOf(diff.older), c.older);
        EXPECT_EQ(drivesOf(diff.missing), c.missing);
        EXPECT_EQ(drivesOf({diff.winner}), QStringList{c.winner});
        EXPECT_EQ(diff.resaved, c.resaved);
        const QStringList behind = c.older + c.missing;
        EXPECT_EQ(group.isBehind.size(), behind.size());
        if (behind.isEmpty()) {
            const QString identical =
                QStringLiteral("Identical: all 2 copies have the same projects with the same content.");
            EXPECT_EQ(group.verdict,
                      c.resaved
                          ? identical + QStringLiteral(" Save dates differ only because Final Cut re-saves a "
                                                       "library when it is opened or updated.")
                          : identical);
        } else {
            // The copy behind on nothing comes first and holds the newest content.
            EXPECT_EQ(drives(group).first(), c.winner);
            EXPECT_FALSE(group.diverged);
        }
    }
}

TEST(ComparerProjects, eachCopyHoldingAProjectTheOtherLacksHasDiverged) {
    const CompareGroup group =
        Comparer::build(kId, {library("Studio", "W", kId, {project("Cut A", 0, "a")}),
                              library("Archive", "W", kId, {project("Cut B", 0, "b")})});
    EXPECT_TRUE(group.diverged);
    EXPECT_EQ(group.isBehind.size(), 2);
    EXPECT_EQ(
        group.verdict,
        QStringLiteral("Copies have diverged — each has changes the other lacks. See the project list."));
    ASSERT_EQ(group.diffs.size(), 2);
    EXPECT_EQ(drivesOf(group.diffs[0].missing), QStringList{"Archive"});
    EXPECT_EQ(drivesOf(group.diffs[1].missing), QStringList{"Studio"});
}

TEST(ComparerProjects, theLaterOfTwoProjectsWithOneKeyCountsAndKeysSortByCodePoint) {
    // "Day 1 / Edit" twice in Studio: the second (old fingerprint) replaces the first.
    const CompareGroup group = Comparer::build(
        kId, {library("Studio", "W", kId,
                      {project("Edit", 100, "new"),
                       project("Edit", 0, "old"),
                       {"Zeta", "b", at(0), "x"},
                       {"alpha", "a", at(0), "x"}}),
              library("Archive", "W", kId,
                      {project("Edit", 50, "old"), {"Zeta", "b", at(0), "x"}, {"alpha", "a", at(0), "x"}})});
    QStringList keys;
    for (const CompareGroup::Diff& diff : group.diffs)
        keys.append(diff.key);
    EXPECT_EQ(keys, (QStringList{"Day 1 / Edit", "Zeta / b", "alpha / a"}));
    EXPECT_TRUE(group.diffs.first().older.isEmpty());
    EXPECT_EQ(drivesOf({group.diffs.first().winner}), QStringList{"Archive"});
    EXPECT_TRUE(group.isBehind.isEmpty());
}

TEST(ComparerCopies, orderByHowFarBehindThenByLibraryModificationDate) {
    LibraryInfo early = library("Early", "W", kId, {project("Edit", 0, "f")});
    early.modified = at(0);
    LibraryInfo late = library("Late", "W", kId, {project("Edit", 0, "f")});
    late.modified = at(100);
    LibraryInfo undated = library("Undated", "W", kId, {project("Edit", 0, "f")});
    EXPECT_EQ(drives(Comparer::build(kId, {undated, early, late})),
              (QStringList{"Late", "Early", "Undated"}));

    // lastSaved: the latest project, else the library's date, else the distant past.
    EXPECT_EQ(Comparer::lastSaved(library("A", "W", kId, {project("a", 5, "f"), project("b", 9, "f")})),
              at(9));
    LibraryInfo noProjects = library("A", "W");
    EXPECT_EQ(Comparer::lastSaved(noProjects), RowDate::distantPast());
    noProjects.modified = at(3);
    EXPECT_EQ(Comparer::lastSaved(noProjects), at(3));
}

TEST(ComparerCopies, threeCopiesTwoBehindNameEachInCopyOrder) {
    const QList<Project> newest = {project("A", 10, "a2"), project("B", 10, "b2"), project("C", 10, "c")};
    const CompareGroup group = Comparer::build(
        kId, {library("Backup", "W", kId, {project("A", 0, "a1"), project("B", 0, "b1")}),
              library("Studio", "W", kId, newest),
              library("Archive", "W", kId,
                      {project("A", 0, "a1"), project("B", 10, "b2"), project("C", 10, "c")})});
    EXPECT_EQ(drives(group), (QStringList{"Studio", "Archive", "Backup"}));
    EXPECT_EQ(group.newestPath, group.copies.first().lib.path);
    EXPECT_EQ(group.name, QStringLiteral("W"));
    EXPECT_EQ(group.verdict,
              QStringLiteral("Newest content: Studio.  Archive is behind: 1 project edited earlier.  "
                             "Backup is behind: 2 projects edited earlier, missing 1 project."));
    EXPECT_EQ(group.copies[2].older, 2);
    EXPECT_EQ(group.copies[2].missing, 1);
}

TEST(ComparerCopies, librariesWithoutEventsOrProjectsAreIdentical) {
    LibraryInfo a = emptyShell("Studio", "W", kId, 2'000'000);
    LibraryInfo b = emptyShell("Archive", "W", kId, 2'000'000);
    const QList<CompareGroup> groups = Comparer::groups({a, b}, false);
    ASSERT_EQ(groups.size(), 1);
    EXPECT_TRUE(groups.first().diffs.isEmpty());
    EXPECT_TRUE(groups.first().isBehind.isEmpty());
    EXPECT_EQ(groups.first().verdict,
              QStringLiteral("Identical: all 2 copies have the same projects with the same content."));
    EXPECT_EQ(groups.first().copies.first().lastSaved, RowDate::distantPast());
}

TEST(ComparerMedia, reportsWhatEachCopyLacksAndAloneHas) {
    const CompareGroup group = Comparer::build(kId, {library("A", "W", kId, {project("E", 0, "f")}),
                                                     library("B", "W", kId, {project("E", 0, "f")})});
    const QString a = QStringLiteral("/Volumes/A/W.fcpbundle");
    const QString b = QStringLiteral("/Volumes/B/W.fcpbundle");
    const auto row = [](const QString& lib, const QString& name, qint64 size) {
        return Catalog::MediaEntry2{lib, MediaEntry{name, size, QStringLiteral("Day 1")}};
    };
    const Catalog::MediaEntry2 other = row(QStringLiteral("/elsewhere.fcpbundle"), "z.mov", 1);

    const Comparer::MediaReport differs =
        Comparer::media(group, {row(a, "x.mov", 10), row(a, "y.mov", 20), row(b, "x.mov", 10), other});
    EXPECT_FALSE(differs.identical);
    EXPECT_EQ(differs.total, 2);
    EXPECT_EQ(differs.missing, (QHash<QString, int>{{b, 1}}));
    EXPECT_EQ(differs.extra, (QHash<QString, int>{{a, 1}}));

    // One name with two sizes is two files.
    const Comparer::MediaReport sized = Comparer::media(group, {row(a, "x.mov", 10), row(b, "x.mov", 11)});
    EXPECT_EQ(sized.total, 2);
    EXPECT_EQ(sized.missing.size(), 2);

    const Comparer::MediaReport equal =
        Comparer::media(group, {row(a, "x.mov", 10), row(b, "x.mov", 10), row(a, "x.mov", 10)});
    EXPECT_EQ(equal, (Comparer::MediaReport{true, 1, {}, {}}));

    EXPECT_EQ(Comparer::media(group, {other}), (Comparer::MediaReport{true, 0, {}, {}}));
}
