#include "App/ColumnLayout.h"
#include "Browser/BrowserColumns.h"
#include "Browser/BrowserTree.h"
#include "Tests/Browser/BrowserTreeFixtures.h"
#include "Tests/Support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace pellimor;
using namespace pellimor::test::tree;

namespace {

BNode libraryNode(const QString& path, const QString& name, const QString& drive) {
    BNode node;
    node.id = path;
    node.name = name;
    node.drive = drive;
    return node;
}

QStringList drivesOf(const QList<BNode>& nodes) {
    QStringList drives;
    for (const BNode& node : nodes)
        drives.append(node.drive + QStringLiteral(": ") + node.name);
    return drives;
}

} // namespace

TEST(BrowserDrives, GroupingOrdersDrivesByNameAndLibrariesBySort) {
    const QList<BNode> nodes = {
        libraryNode("/v/1", "Zed", "Backup 10"), libraryNode("/v/2", "Cut 10", "backup 2"),
        libraryNode("/v/3", "Beta", "Archive"),  libraryNode("/v/4", "Cut 9", "backup 2"),
        libraryNode("/v/5", "alpha", "Archive"),
    };
    EXPECT_EQ(drivesOf(BrowserTree::groupedByDrive(nodes, TreeSort::byName())),
              QStringList({"Archive: alpha", "Archive: Beta", "backup 2: Cut 9", "backup 2: Cut 10",
                           "Backup 10: Zed"}));
    EXPECT_EQ(drivesOf(BrowserTree::groupedByDrive(nodes, TreeSort{{{"name", false}}})),
              QStringList({"Archive: Beta", "Archive: alpha", "backup 2: Cut 10", "backup 2: Cut 9",
                           "Backup 10: Zed"}));

    // The build groups its libraries when asked.
    TreeInputs in;
    in.libraries = {library("/v/a.fcpbundle", "A", "Zulu"), library("/v/b.fcpbundle", "B", "Alpha")};
    in.groupByDrive = true;
    FakeTreeQueries queries;
    EXPECT_EQ(drivesOf(BrowserTree::build(in, queries).nodes), QStringList({"Alpha: B", "Zulu: A"}));
}

TEST(BrowserDrives, EachDriveTakesAHueAndItsLibrariesAlternate) {
    TreeInputs in;
    for (int d = 1; d <= 7; ++d)
        in.libraries.append(library(QStringLiteral("/v/D%1/L.fcpbundle").arg(d), QStringLiteral("L%1").arg(d),
                                    QStringLiteral("Drive %1").arg(d)));
    in.libraries.append(library("/v/D1/M.fcpbundle", "M1", "Drive 1"));
    in.libraries.append(library("/v/D1/N.fcpbundle", "N1", "Drive 1"));
    in.groupByDrive = true;
    FakeTreeQueries queries;
    const QList<BNode> nodes = BrowserTree::build(in, queries).nodes;
    const BrowserTree::PaintMap paint = BrowserTree::paintMap(nodes);

    EXPECT_EQ(paint.value("/v/D1/L.fcpbundle"), (DrivePaint{0, 0}));
    EXPECT_EQ(paint.value("/v/D1/M.fcpbundle"), (DrivePaint{0, 1}));
    EXPECT_EQ(paint.value("/v/D1/N.fcpbundle"), (DrivePaint{0, 2}));
    EXPECT_EQ(paint.value("/v/D2/L.fcpbundle"), (DrivePaint{1, 0}));
    EXPECT_EQ(paint.value("/v/D7/L.fcpbundle"), (DrivePaint{6, 0}));

    const auto tintOf = [&](const QString& id) {
        return BrowserTree::rowTint(*find(nodes, id), paint, in, std::nullopt, false);
    };
    EXPECT_EQ(tintOf("/v/D1/L.fcpbundle"), (RowTint{RowTint::Hue::blue, 0.08}));
    EXPECT_EQ(tintOf("/v/D2/L.fcpbundle"), (RowTint{RowTint::Hue::teal, 0.08}));
    EXPECT_EQ(tintOf("/v/D6/L.fcpbundle"), (RowTint{RowTint::Hue::indigo, 0.08}));
    // The seventh drive takes the first hue again.
    EXPECT_EQ(tintOf("/v/D7/L.fcpbundle"), (RowTint{RowTint::Hue::blue, 0.08}));
}

TEST(BrowserDrives, RowTintByStripeLookSelectionAndLibrary) {
    TreeInputs in;
    LibraryInfo a = library("/v/A.fcpbundle", "A", "Media");
    a.events = {eventWith("E", {"P"})};
    in.libraries = {a, library("/v/B.fcpbundle", "B", "Media")};
    in.groupByDrive = true;
    in.expansion.expandAll(in.libraries, in.query);
    FakeTreeQueries queries;
    const QList<BNode> nodes = BrowserTree::build(in, queries).nodes;
    const BrowserTree::PaintMap paint = BrowserTree::paintMap(nodes);
    const BNode& libraryA = *find(nodes, "/v/A.fcpbundle");
    const BNode& projectP = *find(nodes, "/v/A.fcpbundle|E|P");
    const BNode& libraryB = *find(nodes, "/v/B.fcpbundle");

    struct Case {
        const char* what;
        const BNode& node;
        bool grouped;
        std::optional<QString> selection;
        bool dark;
        std::optional<RowTint> tint;
    };
    const QList<Case> cases = {
        {"even stripe, light", libraryA, true, std::nullopt, false, RowTint{RowTint::Hue::blue, 0.08}},
        {"even stripe, dark", libraryA, true, std::nullopt, true, RowTint{RowTint::Hue::blue, 0.12}},
        {"odd stripe, light", libraryB, true, std::nullopt, false, RowTint{RowTint::Hue::blue, 0.15}},
        {"odd stripe, dark", libraryB, true, std::nullopt, true, RowTint{RowTint::Hue::blue, 0.22}},
        {"a project like its library", projectP, true, QString("/v/B.fcpbundle"), true,
         RowTint{RowTint::Hue::blue, 0.12}},
        {"not grouped", libraryA, false, std::nullopt, false, std::nullopt},
        {"not grouped, a project", projectP, false, std::nullopt, false, std::nullopt},
        {"selected", projectP, true, QString("/v/A.fcpbundle|E|P"), false, std::nullopt},
    };
    for (const Case& c : cases) {
        TreeInputs look = in;
        look.groupByDrive = c.grouped;
        EXPECT_EQ(BrowserTree::rowTint(c.node, paint, look, c.selection, c.dark), c.tint) << c.what;
    }

    // A row whose library is not in the map is clear.
    EXPECT_EQ(BrowserTree::rowTint(projectP, {}, in, std::nullopt, false), std::nullopt);
}

TEST(BrowserDrives, ALibraryWhosePathHoldsABarOwnsItsRows) {
    const QString barred = QStringLiteral("/v/Cuts|Final.fcpbundle");
    const QString plain = QStringLiteral("/v/Cuts");
    LibraryInfo withBar = library(barred, "Cuts|Final", "Media");
    withBar.events = {eventWith("Day 1", {"Edit"})};
    LibraryInfo without = library(plain, "Cuts", "Other");
    without.events = {eventWith("Day 2", {})};

    struct Case {
        std::optional<QString> id;
        std::optional<QString> library;
    };
    const QList<Case> cases = {
        {barred, barred},
        {barred + "|Day 1", barred},
        {barred + "|Day 1|Edit", barred},
        {barred + "|Day 1|#keywords|a|b", barred},
        {barred + "|Day 1|#more|keywords", barred},
        {plain, plain},
        {plain + "|Other event", plain},
        {QStringLiteral("/v/Elsewhere"), std::nullopt},
        {QStringLiteral("/v/Cuts|"), plain},
        {std::nullopt, std::nullopt},
    };
    const QList<LibraryInfo> libraries = {without, withBar};
    for (const Case& c : cases) {
        const std::optional<LibraryInfo> found = BrowserTree::library(libraries, c.id);
        EXPECT_EQ(found ? std::optional<QString>(found->path) : std::nullopt, c.library)
            << c.id.value_or("(none)").toStdString();
    }

    // Every row below it takes its tint, not the other drive's.
    TreeInputs in;
    in.libraries = libraries;
    in.groupByDrive = true;
    in.expansion.expandAll(in.libraries, in.query);
    FakeTreeQueries queries;
    const QList<BNode> nodes = BrowserTree::build(in, queries).nodes;
    const BrowserTree::PaintMap paint = BrowserTree::paintMap(nodes);
    const std::optional<RowTint> own =
        BrowserTree::rowTint(*find(nodes, barred), paint, in, std::nullopt, false);
    ASSERT_TRUE(own);
    EXPECT_EQ(own->hue, RowTint::Hue::blue); // "Media" before "Other"
    for (const QString& id : {barred + "|Day 1", barred + "|Day 1|Edit"}) {
        ASSERT_TRUE(find(nodes, id)) << id.toStdString();
        EXPECT_EQ(BrowserTree::rowTint(*find(nodes, id), paint, in, std::nullopt, false), own)
            << id.toStdString();
    }
}

TEST(BrowserColumns, FillAlignmentFollowsTheLastVisibleColumn) {
    const QStringList& declared = BrowserColumns::declared();
    // Everything after "modified" hidden.
    QSet<QString> hidden = BrowserColumns::hiddenByDefault();
    for (qsizetype i = declared.indexOf(QStringLiteral("modified")) + 1; i < declared.size(); ++i)
        hidden.insert(declared.at(i));
    const QJsonObject modifiedLast =
        ColumnLayout::arranged({}, declared, hidden, BrowserColumns::hiddenByDefault());

    using BrowserColumns::Alignment;
    struct Case {
        QJsonObject customization;
        QString column;
        Alignment alignment;
    };
    const QList<Case> cases = {
        {{}, "alerts", Alignment::trailing},
        {{}, "name", Alignment::leading},
        {{}, "modified", Alignment::leading},
        {{}, "size", Alignment::trailing},
        {{}, "optimized", Alignment::trailing},
        {{}, "reclaimable", Alignment::trailing},
        {modifiedLast, "modified", Alignment::trailing},
        {modifiedLast, "alerts", Alignment::leading},
        {modifiedLast, "size", Alignment::trailing},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BrowserColumns::fillAlignment(c.column, c.customization), c.alignment)
            << c.column.toStdString();
    EXPECT_EQ(declared.size(), 13);
}
