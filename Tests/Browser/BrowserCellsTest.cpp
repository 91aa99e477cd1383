// What each cell of the browser's table holds, over the kinds of row, and the width estimate
// that sizes the columns, with a measurer that needs no fonts.

#include "Browser/BrowserCells.h"

#include "Browser/BrowserColumn.h"
#include "Browser/BrowserColumns.h"
#include "Browser/BrowserWidths.h"
#include "Catalogue/Records/Fmt.h"
#include "Support/ByteCount.h"
#include "Tests/Support/QtPrinters.h"
#include "Tests/Support/RecordingMeasurer.h"

#include <QDateTime>
#include <gtest/gtest.h>

using namespace pellimor;
using Kind = BNode::Kind;

namespace {

constexpr qint64 MB = 1'000'000;

BNode row(Kind kind, const QString& id, const QString& name) {
    BNode node;
    node.kind = kind;
    node.id = id;
    node.name = name;
    return node;
}

BNode libraryRow() {
    BNode node = row(Kind::library, QStringLiteral("/Volumes/Media/A.fcpbundle"), QStringLiteral("A"));
    node.details = QStringLiteral("Media/Clients");
    node.size = 900 * MB;
    node.optimized = 100 * MB;
    node.proxy = 50 * MB;
    node.render = 25 * MB;
    node.missingFiles = 3;
    node.missingPlugins = 2;
    node.partialPlugins = 1;
    node.isBackup = true;
    node.fcpVersion = QStringLiteral("10.4");
    node.fcpInstalled = QStringLiteral("10.8");
    node.update = Catalog::UpdateStatus::needsUpdate;
    node.reasons = {QStringLiteral("keyword: zoom")};
    node.hasDate = true;
    node.modified = QDateTime(QDate(2024, 5, 6), QTime(10, 0), Qt::UTC);
    return node;
}

} // namespace

TEST(BrowserColumnsTest, thirteenColumnsInDeclaredOrderAndTheDateTitleFollowsTheMode) {
    const QList<BrowserColumn> columns = BrowserColumn::all(QStringLiteral("modified"));
    QStringList ids;
    for (const BrowserColumn& column : columns)
        ids.append(column.id);
    EXPECT_EQ(ids, BrowserColumns::declared());
    EXPECT_EQ(columns.at(0).title, QStringLiteral("Name"));
    EXPECT_EQ(columns.at(0).minWidth, 180);
    EXPECT_EQ(columns.at(0).idealWidth, 320);
    EXPECT_EQ(columns.at(5).title, QStringLiteral("Space use"));
    EXPECT_EQ(columns.at(11).title, QStringLiteral("Plug-ins missing"));

    const std::pair<const char*, const char*> modes[] = {
        {"created", "Created"}, {"modified", "Modified"}, {"Created", "Modified"}, {"", "Modified"}};
    for (const auto& [mode, title] : modes) {
        EXPECT_EQ(BrowserColumn::all(QString::fromUtf8(mode)).at(3).title, QString::fromUtf8(title)) << mode;
        EXPECT_EQ(BrowserColumn::all(QString::fromUtf8(mode)).at(3).id, QStringLiteral("modified"));
    }
}

TEST(BrowserCellsTest, cellsByKindOfRow) {
    BNode event =
        row(Kind::event, QStringLiteral("/Volumes/Media/A.fcpbundle|Day 1"), QStringLiteral("Day 1"));
    event.size = 500 * MB;
    event.details = QStringLiteral("3 internal media, 0 external media");
    BNode project =
        row(Kind::project, QStringLiteral("/Volumes/Media/A.fcpbundle|Day 1|Cut"), QStringLiteral("Cut"));
    project.size = 7 * MB; // never shown on a project row
    project.hasDate = true;
    project.modified = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
    BNode hit = row(Kind::keyword, QStringLiteral("/Volumes/Media/A.fcpbundle|Day 1|#keywords|zoom"),
                    QStringLiteral("zoom"));
    hit.dim = true;
    BNode more = row(Kind::more, QStringLiteral("/Volumes/Media/A.fcpbundle|Day 1|#more|keywords"),
                     QStringLiteral("+ 1 more keywords"));
    const BNode library = libraryRow();

    struct Case {
        const char* name;
        BNode node;
        QString symbol;
        QString version;
        QString date;
        QString size;
        QString optimized;
        QString reclaim;
        QStringList missing;
        QStringList plugins;
        QStringList alerts;
        double opacity;
    };
    const QString dash = QStringLiteral("—");
    const Case cases[] = {
        {"library",
         library,
         "square.grid.2x2",
         "10.4 → 10.8",
         Fmt::date(library.modified),
         ByteCount::file(900 * MB),
         ByteCount::file(100 * MB),
         ByteCount::file(175 * MB),
         {"3"},
         {"2", "1 incomplete"},
         {"backup"},
         1.0},
        {"event with nothing to clear",
         event,
         "star.square",
         "",
         "",
         ByteCount::file(500 * MB),
         "",
         "0 MB",
         {},
         {},
         {},
         1.0},
        {"project", project, "film", "", dash, "", "", "", {}, {}, {}, 1.0},
        {"hit", hit, "tag", "", "", "", "", "", {}, {}, {}, 0.45},
        {"more", more, "ellipsis", "", "", "", "", "", {}, {}, {}, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BrowserCells::symbol(c.node), c.symbol);
        EXPECT_EQ(BrowserCells::version(c.node).text, c.version);
        EXPECT_EQ(BrowserCells::dateText(c.node), c.date);
        EXPECT_EQ(BrowserCells::sizeText(c.node), c.size);
        EXPECT_EQ(BrowserCells::bytesText(c.node, c.node.optimized), c.optimized);
        EXPECT_EQ(BrowserCells::reclaimText(c.node), c.reclaim);
        EXPECT_EQ(BrowserCells::labels(BrowserCells::missingFilesPills(c.node)), c.missing);
        EXPECT_EQ(BrowserCells::labels(BrowserCells::pluginPills(c.node)), c.plugins);
        EXPECT_EQ(BrowserCells::labels(BrowserCells::alertPills(c.node)), c.alerts);
        EXPECT_EQ(BrowserCells::opacity(c.node), c.opacity);
        // The bar shows on libraries and events only; the others keep its place empty.
        EXPECT_EQ(BrowserCells::accessibleText(c.node, QStringLiteral("bar")).isEmpty(),
                  !BrowserCells::isContainer(c.node));
    }

    EXPECT_EQ(BrowserCells::bar(event).subject, QStringLiteral("event"));
    EXPECT_EQ(BrowserCells::bar(library).subject, QStringLiteral("library"));
    EXPECT_EQ(BrowserCells::labels(BrowserCells::reasonPills(library)),
              QStringList{"matched: keyword: zoom"});
    const QList<BrowserCells::Pill> plugins = BrowserCells::pluginPills(library);
    EXPECT_EQ(plugins.at(0).tone, CellTone::red);
    EXPECT_EQ(plugins.at(1).tone, CellTone::orange);
    EXPECT_EQ(BrowserCells::missingFilesPills(library).at(0).tone, CellTone::pink);
    EXPECT_EQ(BrowserCells::alertPills(library).at(0).tip,
              QStringLiteral("This library is on a drive marked as backup"));
    // A damaged library only sorts higher; it has no pill of its own.
    BNode damaged = libraryRow();
    damaged.isBackup = false;
    damaged.damaged = true;
    EXPECT_TRUE(BrowserCells::alertPills(damaged).isEmpty());
}

TEST(BrowserWidthsTest, estimatesFollowTheRowsWithTheMeasurersWidths) {
    test::RecordingMeasurer measurer;
    const auto w = [](const QString& text, double points) {
        return std::ceil(test::RecordingMeasurer::widthOf(text, points));
    };

    // No rows: no path, no date, the rest at their margins.
    const QHash<QString, double> empty =
        BrowserWidths::columnWidths({}, QStringLiteral("modified"), ColumnWidths(1.0, measurer));
    EXPECT_FALSE(empty.contains(QStringLiteral("Path")));
    EXPECT_FALSE(empty.contains(QStringLiteral("Modified")));
    EXPECT_EQ(empty.value(QStringLiteral("Name")), 56);
    EXPECT_EQ(empty.value(QStringLiteral("Space use")), 60);
    EXPECT_EQ(empty.value(QStringLiteral("Alerts")), 0);

    // One level at a time decides "Name": 56, 34 and 22 on top of the widest name.
    BNode library = row(Kind::library, QStringLiteral("/L.fcpbundle"), QStringLiteral("Lib"));
    BNode event = row(Kind::event, QStringLiteral("/L.fcpbundle|Event name"), QStringLiteral("Event name"));
    BNode project = row(Kind::project, QStringLiteral("/L.fcpbundle|Event name|A much longer project name"),
                        QStringLiteral("A much longer project name"));
    const auto nameWidth = [&](const QList<BNode>& nodes) {
        return BrowserWidths::columnWidths(nodes, QString(), ColumnWidths(1.0, measurer))
            .value(QStringLiteral("Name"));
    };
    EXPECT_EQ(nameWidth({library}), w(QStringLiteral("Lib"), 13) + 56);
    BNode withEvent = library;
    withEvent.children = {event};
    EXPECT_EQ(nameWidth({withEvent}), w(QStringLiteral("Event name"), 13) + 34);
    BNode withProject = withEvent;
    withProject.children[0].children = {project};
    EXPECT_EQ(nameWidth({withProject}), w(QStringLiteral("A much longer project name"), 13) + 22);

    // Two reasons: two pills and a gap on top.
    BNode matched = library;
    matched.reasons = {QStringLiteral("keyword: zoom"), QStringLiteral("project: Cut")};
    const ColumnWidths widths(1.0, measurer);
    EXPECT_EQ(nameWidth({matched}), w(QStringLiteral("Lib"), 13) + 56 +
                                        widths.pills({{QStringLiteral("matched: keyword: zoom"),
                                                       QStringLiteral("matched: project: Cut")}},
                                                     6));

    // Larger Text: every text at 1.3 times its size, the bar at 78.
    BNode dated = libraryRow();
    const QHash<QString, double> larger =
        BrowserWidths::columnWidths({dated}, QStringLiteral("created"), ColumnWidths(1.3, measurer));
    EXPECT_EQ(larger.value(QStringLiteral("Space use")), 78);
    EXPECT_EQ(larger.value(QStringLiteral("Path")), w(dated.details, 12 * 1.3));
    EXPECT_EQ(larger.value(QStringLiteral("Created")), w(Fmt::date(dated.modified), 13 * 1.3));
    EXPECT_FALSE(larger.contains(QStringLiteral("Modified")));
    EXPECT_EQ(larger.value(QStringLiteral("FCP version")), w(QStringLiteral("10.4 → 10.8"), 13 * 1.3) + 2);
    EXPECT_EQ(larger.value(QStringLiteral("Plug-ins missing")),
              ColumnWidths(1.3, measurer).pills({{QStringLiteral("2"), QStringLiteral("1 incomplete")}}, 4));
    EXPECT_EQ(larger.value(QStringLiteral("Alerts")),
              ColumnWidths(1.3, measurer).pills({{QStringLiteral("backup")}}, 4));
}
