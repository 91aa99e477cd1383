// The main window's four tables as shown offscreen: what the cells hold and tell on hover,
// sorting by a header, the Media Files placeholder, and columns fitted to the sample libraries
// without a horizontal scroll bar.

#include "App/AppAction.h"
#include "Shell/SortKey.h"
#include "Shell/TableRows.h"
#include "Shell/Views/MainTableDelegate.h"
#include "Tests/Fixtures/SampleSet.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"
#include "Widgets/TipRegions.h"
#include "Widgets/UiFont.h"

#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <cmath>
#include <gtest/gtest.h>

using namespace pellimor;
using test::MainWindowHarness;

namespace {

// The tips of the cell at `row`, `column` of the table of `mode`, laid out where the view shows it.
TipRegions tipsOf(MainContent& content, Mode mode, int row, int column) {
    QTableView* view = content.table(mode);
    auto* delegate = qobject_cast<MainTableDelegate*>(view->itemDelegate());
    EXPECT_NE(delegate, nullptr);
    QStyleOptionViewItem option;
    option.initFrom(view->viewport());
    const QModelIndex index = view->model()->index(row, column);
    option.rect = view->visualRect(index);
    return delegate ? delegate->tips(option, index) : TipRegions();
}

QStringList texts(const TipRegions& tips) {
    QStringList list;
    for (const TipRegions::Region& region : tips.regions())
        list.append(region.text);
    return list;
}

} // namespace

class MainTablesViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.create();
        media = window.plugDrive(QStringLiteral("Media"));
        alpha = test::libraryRecord(QDir(media).filePath(QStringLiteral("Alpha.fcpbundle")),
                                    QStringLiteral("Media"));
        alpha.events[0].originalSize = 5000;
        beta = test::libraryRecord(QDir(media).filePath(QStringLiteral("Beta.fcpbundle")),
                                   QStringLiteral("Media"));
        beta.events[0].originalSize = 9000;
        // On a drive that is not plugged in.
        away = test::libraryRecord(QStringLiteral("/Volumes/Away/Gone & Back.fcpbundle"),
                                   QStringLiteral("Away"));
        window.catalog().seed({.libraries = QList<LibraryInfo>{alpha, beta, away}});
        window.show();
    }

    MainWindowHarness window{QStringLiteral("main-tables")};
    QString media;
    LibraryInfo alpha;
    LibraryInfo beta;
    LibraryInfo away;
};

TEST_F(MainTablesViewTest, NameCellsTellWhetherTheDriveIsConnected) {
    window.content().setMode(Mode::libraries);
    window.settle();
    const RowTableModel* model = window.content().tableModel(Mode::libraries);
    const int offline = model->rowOf(away.path).value_or(-1);
    ASSERT_GE(offline, 0);
    // Names are shown as written, "&" included.
    EXPECT_EQ(model->data(model->index(offline, 0), Qt::DisplayRole).toString(),
              QStringLiteral("Gone & Back"));
    EXPECT_EQ(texts(tipsOf(window.content(), Mode::libraries, offline, 0)),
              (QStringList{QStringLiteral("Add to Favorites"), QStringLiteral("Drive not connected")}));
    EXPECT_FALSE(model->rows().at(offline).online);
    // Each row's dot tells its own drive's state.
    for (int row = 0; row < model->rowCount(); ++row)
        EXPECT_TRUE(texts(tipsOf(window.content(), Mode::libraries, row, 0))
                        .contains(model->rows().at(row).online ? QStringLiteral("Drive connected")
                                                               : QStringLiteral("Drive not connected")));
    // Every table's first column has the dot, without the star.
    for (const Mode mode : {Mode::events, Mode::projects}) {
        window.content().setMode(mode);
        window.settle();
        const RowTableModel* rows = window.content().tableModel(mode);
        const QModelIndexList found = rows->match(rows->index(0, 2 - (mode == Mode::events ? 1 : 0)),
                                                  Qt::DisplayRole, away.name, 1, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << rawValue(mode).toStdString();
        EXPECT_EQ(texts(tipsOf(window.content(), mode, found.first().row(), 0)),
                  QStringList{QStringLiteral("Drive not connected")})
            << rawValue(mode).toStdString();
    }
}

TEST_F(MainTablesViewTest, AHeaderClickSortsASecondReversesAndTheOrderOutlivesATabSwitch) {
    window.content().setMode(Mode::libraries);
    window.settle();
    QTableView* table = window.content().table(Mode::libraries);
    const int size =
        window.content().tableModel(Mode::libraries)->columnOf(int(LibraryField::size)).value_or(-1);
    const int name =
        window.content().tableModel(Mode::libraries)->columnOf(int(LibraryField::name)).value_or(-1);
    ASSERT_EQ(size, 4);
    ASSERT_EQ(name, 0);
    // Largest first to begin with.
    EXPECT_EQ(window.column(Mode::libraries), (QStringList{"Beta", "Alpha", "Gone & Back"}));

    Q_EMIT table->horizontalHeader()->sectionClicked(name);
    window.settle();
    EXPECT_EQ(window.column(Mode::libraries), (QStringList{"Alpha", "Beta", "Gone & Back"}));
    EXPECT_EQ(table->horizontalHeader()->sortIndicatorSection(), name);
    EXPECT_EQ(table->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
    Q_EMIT table->horizontalHeader()->sectionClicked(name);
    window.settle();
    EXPECT_EQ(window.column(Mode::libraries), (QStringList{"Gone & Back", "Beta", "Alpha"}));
    EXPECT_EQ(table->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);

    window.content().setMode(Mode::events);
    window.settle();
    window.content().setMode(Mode::libraries);
    window.settle();
    EXPECT_EQ(window.column(Mode::libraries), (QStringList{"Gone & Back", "Beta", "Alpha"}));
}

TEST(MainTablesSorting, ThePlugInColumnPutsMissingPacksBeyondAnyNumberOfIncompleteOnes) {
    LibraryRow missing;
    missing.id = QStringLiteral("missing");
    missing.missingPlugins = 1;
    LibraryRow incomplete;
    incomplete.id = QStringLiteral("incomplete");
    incomplete.partialPlugins = 999;
    LibraryRow none;
    none.id = QStringLiteral("none");
    for (const bool ascending : {false, true}) {
        QList<LibraryRow> rows{none, incomplete, missing};
        TableRows::sortRows(rows, {{LibraryField::pluginProblems, ascending}});
        QStringList ids;
        for (const LibraryRow& row : rows)
            ids.append(row.id);
        const QStringList expected = ascending ? QStringList{"none", "incomplete", "missing"}
                                               : QStringList{"missing", "incomplete", "none"};
        EXPECT_EQ(ids, expected);
    }
}

TEST_F(MainTablesViewTest, MediaFilesShowThePlaceholderUntilTheSearchFieldHoldsAVisibleCharacter) {
    window.content().setMode(Mode::media);
    for (const QString& text : {QString(), QStringLiteral("   ")}) {
        window.content().setSearch(text);
        window.settle();
        EXPECT_EQ(window.page(), QStringLiteral("mediaPlaceholder")) << text.toStdString();
    }
    auto* count = window.content().findChild<QLabel*>(QStringLiteral("mediaPlaceholderCount"));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->text(), QStringLiteral("0 media files are indexed."));
    // One character shows the table at once, before the search is applied.
    window.content().setSearch(QStringLiteral("C"));
    window.settle();
    EXPECT_EQ(window.page(), QStringLiteral("mediaTable"));
    EXPECT_TRUE(window.content().state().appliedSearch.isEmpty());
}

TEST(MainTablesFitTest, TheSampleLibrariesFitTheDefaultWindowWithoutAHorizontalScrollBar) {
    MainWindowHarness window(QStringLiteral("main-tables-fit"));
    const fixtures::SampleSet::Result samples =
        fixtures::SampleSet::write(test::TestEnv::freshDir(QStringLiteral("samples")));
    window.env.finalCut->setLocation(samples.finalCutApp);
    window.env.finalCut->setVersion(QStringLiteral("10.8.1"));
    test::ScopedEnvironment volumes("TOVLIN_VOLUMES_ROOT", samples.volumesRoot);
    window.start(
        {QStringLiteral("--scan"), samples.volumesRoot, samples.homeFolder + QStringLiteral("/Movies")});
    ASSERT_TRUE(test::CatalogTestEnv::waitUntil(
        [&] { return window.catalog().libraries().size() >= 5 && !window.catalog().isScanning(); }, 120000));
    window.content().setMode(Mode::libraries);
    window.settle(400);
    QTableView* table = window.content().table(Mode::libraries);
    ASSERT_GE(table->model()->rowCount(), 5);
    EXPECT_FALSE(table->horizontalScrollBar()->isVisible());
    // The widths are points, as the fonts are: the name column keeps its 160 points.
    EXPECT_GE(table->columnWidth(0), std::floor(UiFont::pixels(160)));
    EXPECT_GT(UiFont::pixels(160), 160);
}
