// The Compare screen's rows without a window: which groups it shows, the rows' labels, ranks,
// details and order, and which group or copy a row id names.

#include "Compare/CompareRows.h"

#include "Compare/Comparer.h"
#include "Tests/Compare/CompareFixtures.h"
#include "Tests/Support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace pellimor;
using namespace pellimor::test::compare;

namespace {

const QString kId = QStringLiteral("ID-1");

// Two copies of "Wedding": equal, or with Archive lacking one project.
QList<LibraryInfo> wedding(bool archiveLacksOne) {
    const QList<Project> all = {project("Ceremony", 0, "c"), project("Party", 0, "p")};
    return {library("Studio", "Wedding", kId, all),
            library("Archive", "Wedding", kId, archiveLacksOne ? all.mid(0, 1) : all)};
}

// Each of two copies holds a project the other lacks.
QList<LibraryInfo> diverged(const QString& name, const QString& id) {
    return {library("Studio", name, id, {project("A", 0, "a")}),
            library("Archive", name, id, {project("B", 0, "b")})};
}

// Rows as "label rank name" lines, kids indented.
QStringList outline(const QList<CNode>& rows) {
    QStringList lines;
    for (const CNode& row : rows) {
        lines.append((row.isGroup ? QString() : QStringLiteral("  ")) + row.label + QLatin1Char(' ') +
                     QString::number(row.rank) + QLatin1Char(' ') + row.name);
        lines.append(outline(row.kids));
    }
    return lines;
}

QStringList names(const QList<CompareGroup>& groups) {
    QStringList list;
    for (const CompareGroup& group : groups)
        list.append(group.name);
    return list;
}

const CompareRows::Online allOnline = [](const LibraryInfo&) { return true; };

} // namespace

TEST(CompareRowsLabels, labelsAndRanksOfGroupAndCopyRows) {
    struct Case {
        const char* what;
        QList<LibraryInfo> libraries;
        QStringList rows;
    };
    const Case cases[] = {
        {"two equal copies", wedding(false), {"In sync 2 Wedding", "  Same 2 Archive", "  Same 2 Studio"}},
        {"the second lacks a project",
         wedding(true),
         {"Behind 0 Wedding", "  Behind 0 Archive", "  Newest 1 Studio"}},
        {"diverged", diverged("W", kId), {"Diverged 0 W", "  Behind 0 Archive", "  Mixed 0 Studio"}},
        {"three copies, one behind",
         wedding(true) << library("Backup", "Wedding", kId,
                                  {project("Ceremony", 0, "c"), project("Party", 0, "p")}),
         {"Behind 0 Wedding", "  Behind 0 Archive", "  Newest 1 Studio", "  Same 2 Backup"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QList<CNode> rows =
            CompareRows::nodes(Comparer::groups(c.libraries, false), CompareSort(), allOnline);
        EXPECT_EQ(outline(rows), c.rows);
    }
}

TEST(CompareRowsLabels, rowFieldsAndIds) {
    QList<LibraryInfo> libraries = wedding(true);
    libraries[1].path = QStringLiteral("/Volumes/Archive/A|B/Wedding.fcpbundle");
    const QList<CNode> rows =
        CompareRows::nodes(Comparer::groups(libraries, false), CompareSort(),
                           [](const LibraryInfo& l) { return l.volumeName == "Studio"; });
    ASSERT_EQ(rows.size(), 1);
    const CNode& group = rows.first();
    EXPECT_EQ(group.id, QStringLiteral("g|ID-1"));
    EXPECT_EQ(group.copies, 2);
    EXPECT_EQ(group.details,
              QStringLiteral("Newest content: Studio.  Archive is behind: missing 1 project."));
    EXPECT_EQ(group.projects, 2);
    EXPECT_EQ(group.size, libraries[0].totalSize());
    EXPECT_EQ(group.lastSaved, at(0));
    EXPECT_FALSE(group.libPath.has_value());
    EXPECT_TRUE(group.online);

    const CNode& behind = group.kids[0];
    EXPECT_EQ(behind.id, QStringLiteral("c|ID-1|/Volumes/Archive/A|B/Wedding.fcpbundle"));
    EXPECT_EQ(behind.details, QStringLiteral("/Volumes/Archive/A|B/Wedding.fcpbundle — 0 older, 1 missing"));
    EXPECT_EQ(behind.copies, 1);
    EXPECT_EQ(behind.projects, 1);
    EXPECT_EQ(behind.libPath, libraries[1].path);
    EXPECT_FALSE(behind.online);
    EXPECT_EQ(group.kids[1].details, libraries[0].path);
    EXPECT_TRUE(group.kids[1].online);
}

TEST(CompareRowsSort, bothLevelsFollowTheSort) {
    const QList<LibraryInfo> libraries =
        wedding(false) + diverged("Alpha", "ID-2") +
        QList<LibraryInfo>{library("Studio", "Zulu", "ID-3", {project("A", 0, "a")}),
                           library("Backup", "Zulu", "ID-3", {project("A", 9, "b")})};
    const QList<CompareGroup> groups = Comparer::groups(libraries, false);
    // By default: rows needing attention first, then by name.
    EXPECT_EQ(outline(CompareRows::nodes(groups, CompareSort(), allOnline)),
              (QStringList{"Diverged 0 Alpha", "  Behind 0 Archive", "  Mixed 0 Studio", "Behind 0 Zulu",
                           "  Behind 0 Studio", "  Newest 1 Backup", "In sync 2 Wedding", "  Same 2 Archive",
                           "  Same 2 Studio"}));
    // By name, descending, ties broken by the earlier keys.
    const CompareSort byName = CompareSort().by(CompareSort::Field::name, false);
    EXPECT_EQ(byName.keys,
              (QList<CompareSort::Key>{{CompareSort::Field::name, false}, {CompareSort::Field::rank, true}}));
    QStringList order;
    for (const CNode& row : CompareRows::nodes(groups, byName, allOnline)) {
        order.append(row.name);
        for (const CNode& kid : row.kids)
            order.append(QStringLiteral("  ") + kid.name);
    }
    EXPECT_EQ(order, (QStringList{"Zulu", "  Studio", "  Backup", "Wedding", "  Studio", "  Archive", "Alpha",
                                  "  Studio", "  Archive"}));
}

TEST(CompareRowsGroups, filtersBySyncAndSearch) {
    const QList<LibraryInfo> libraries =
        wedding(false) + diverged("Café Night", "ID-2") +
        QList<LibraryInfo>{library("Studio", "Promo", "ID-3", {project("A", 0, "a")}),
                           library("Backup", "Promo", "ID-3"), library("Studio/SafetyNet", "Spare", "ID-4"),
                           library("Backup/SafetyNet", "Spare", "ID-4")};
    struct Case {
        const char* what;
        CompareRows::Filter filter;
        QStringList groups;
    };
    const Case cases[] = {
        {"everything", {}, {"Café Night", "Promo", "Wedding"}},
        {"only out of sync keeps behind and diverged groups", {QString(), true}, {"Café Night", "Promo"}},
        {"two words, any case and accents, over name and drives",
         {QStringLiteral("CAFE archive")},
         {"Café Night"}},
        {"a word of a path", {QStringLiteral("wedding.FCPBUNDLE")}, {"Wedding"}},
        {"both words must occur", {QStringLiteral("cafe backup")}, {}},
        {"blank search keeps all", {QStringLiteral("  ")}, {"Café Night", "Promo", "Wedding"}},
        {"SafetyNet copies when asked",
         {QString(), false, true},
         {"Café Night", "Promo", "Spare", "Wedding"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(names(CompareRows::groups(libraries, c.filter)), c.groups);
    }
}

TEST(CompareRowsGroups, missingFingerprintsLooksAtEveryLibrary) {
    EXPECT_FALSE(CompareRows::missingFingerprints({}));
    EXPECT_FALSE(CompareRows::missingFingerprints(wedding(false)));
    // A library in no group, with one project scanned before fingerprints.
    const QList<LibraryInfo> withLoner =
        wedding(false) << library("Home", "Loner", "ID-9", {project("Old", 0, std::nullopt)});
    EXPECT_TRUE(CompareRows::groups(withLoner, {}).size() == 1);
    EXPECT_TRUE(CompareRows::missingFingerprints(withLoner));
}

TEST(CompareRowsIds, groupIdOfRowIds) {
    QList<LibraryInfo> libraries = diverged("Odd", QStringLiteral("A|B"));
    const QList<CompareGroup> shown = Comparer::groups(libraries + wedding(false), false);
    struct Case {
        const char* what;
        std::optional<QString> id;
        std::optional<QString> group;
    };
    const Case cases[] = {
        {"a copy row", QStringLiteral("c|ID-1|/Volumes/Studio/Wedding.fcpbundle"), QStringLiteral("ID-1")},
        {"a group row", QStringLiteral("g|ID-1"), QStringLiteral("ID-1")},
        {"a group id holding |", QStringLiteral("g|A|B"), QStringLiteral("A|B")},
        {"a copy of a group id holding |", QStringLiteral("c|A|B|/Volumes/Studio/Odd.fcpbundle"),
         QStringLiteral("A|B")},
        {"a group not shown", QStringLiteral("c|gone|/x.fcpbundle"), QStringLiteral("gone")},
        {"an id without |", QStringLiteral("ID-1"), std::nullopt},
        {"none", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CompareRows::groupID(c.id, shown), c.group);
    }
    // Copy and group rows lead to the one group whose details are shown.
    const CompareGroup* byGroup = CompareRows::selectedGroup(QStringLiteral("g|A|B"), shown);
    ASSERT_NE(byGroup, nullptr);
    EXPECT_EQ(byGroup,
              CompareRows::selectedGroup(QStringLiteral("c|A|B|/Volumes/Archive/Odd.fcpbundle"), shown));
    EXPECT_EQ(CompareRows::selectedGroup(QStringLiteral("c|gone|/x.fcpbundle"), shown), nullptr);
    EXPECT_EQ(CompareRows::selectedGroup(std::nullopt, shown), nullptr);
}

TEST(CompareRowsIds, copyLibraryFindsAPathHoldingABarWhole) {
    QList<LibraryInfo> libraries = wedding(false);
    libraries[1].path = QStringLiteral("/Volumes/Archive/x|y/Wedding.fcpbundle");
    const QList<CNode> rows =
        CompareRows::nodes(Comparer::groups(libraries, false), CompareSort(), allOnline);
    const auto path = [&](const std::optional<QString>& id) {
        const std::optional<LibraryInfo> found = CompareRows::copyLibrary(id, rows, libraries);
        return found ? std::optional<QString>(found->path) : std::nullopt;
    };
    EXPECT_EQ(path(QStringLiteral("c|ID-1|/Volumes/Archive/x|y/Wedding.fcpbundle")), libraries[1].path);
    // Not among the rows: read from the id itself.
    EXPECT_EQ(path(QStringLiteral("c|other|/Volumes/Archive/x|y/Wedding.fcpbundle")), libraries[1].path);
    EXPECT_EQ(path(QStringLiteral("g|ID-1")), std::nullopt);
    EXPECT_EQ(path(QStringLiteral("c|ID-1|/Volumes/Gone/Wedding.fcpbundle")), std::nullopt);
    EXPECT_EQ(path(QStringLiteral("c|no-path")), std::nullopt);
    EXPECT_EQ(path(std::nullopt), std::nullopt);
}
