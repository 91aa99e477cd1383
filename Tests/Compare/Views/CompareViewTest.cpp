// The Compare tab offscreen in the main window: the header count and the empty state, the
// detail panel of a selected row, the columns' alignment, stored layout and widths, an offline
// copy, the row menu, the buttons and the double click, and working things out only when an
// input changes.

#include "Compare/Views/CompareView.h"

#include "App/AppSettings.h"
#include "App/ColumnLayout.h"
#include "App/ColumnWidths.h"
#include "Catalogue/Scan/ScanHost.h"
#include "Compare/CompareColumns.h"
#include "Compare/Views/CompareDetailPanel.h"
#include "Compare/Views/CompareModel.h"
#include "Compare/Views/CompareTable.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"
#include "Tests/Support/RecordingFileManager.h"
#include "Widgets/ColumnChooser.h"
#include "Widgets/ColumnPrefs.h"
#include "Widgets/UiTextMeasurer.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace pellimor;
using test::CatalogTestEnv;
using test::MainWindowHarness;
using test::trailing;

namespace {

const QString kId = QStringLiteral("5A3E9C2B");

class CompareTabTest : public ::testing::Test {
protected:
    // A library record on `drive`, with the projects named (each saved at one time, with a
    // fingerprint of its name), and its bundle folder.
    LibraryInfo copy(const QString& drive, const QString& name, const std::optional<QString>& id,
                     const QStringList& projects) {
        const QString path = QDir(window.volumes).filePath(drive + QStringLiteral("/") + name + ".fcpbundle");
        QDir().mkpath(path);
        LibraryInfo library = test::libraryRecord(path, drive);
        library.libraryIdentifier = id;
        library.events.first().projects.clear();
        for (const QString& title : projects) {
            ProjectInfo project;
            project.name = title;
            project.modified = QDateTime(QDate(2025, 3, 1), QTime(10, 0), Qt::UTC);
            project.fingerprint = title;
            library.events.first().projects.append(project);
        }
        return library;
    }

    // Studio's "Wedding" is newest; Archive's lacks "Party"; "Promo" has no copy.
    QList<LibraryInfo> wedding() {
        return {copy("Studio", "Wedding", kId, {"Ceremony", "Party"}),
                copy("Archive", "Wedding", kId, {"Ceremony"}),
                copy("Studio", "Promo", QStringLiteral("P"), {"Cut"})};
    }

    void start(const QList<LibraryInfo>& libraries) {
        window.startWith(libraries, {QStringLiteral("Studio"), QStringLiteral("Archive")}, Mode::compare,
                         opened);
    }

    void showCompare() { window.showMode(Mode::compare); }
    void showOtherTab() { window.showMode(Mode::libraries); }

    CompareView* view() const {
        CompareView* found = window.content().findChild<CompareView*>();
        EXPECT_NE(found, nullptr);
        return found;
    }
    QModelIndex row(const QString& id, int column = 0) const { return view()->model()->indexOf(id, column); }
    QString copyId(const LibraryInfo& library) const { return "c|" + kId + "|" + library.path; }

    QStringList headerOrder() const {
        return test::shownColumns(*view()->table()->header(), CompareColumns::declared());
    }

    MainWindowHarness window{QStringLiteral("compare")};
    const std::shared_ptr<test::RecordingFileManager> files = std::make_shared<test::RecordingFileManager>();
    platform::ScopedServices filesScope{test::RecordingFileManager::services(files)};
    QStringList opened;
};

} // namespace

TEST_F(CompareTabTest, headerCountAndEmptyState) {
    // One library in two places, and one in sync with itself elsewhere.
    QList<LibraryInfo> libraries = wedding();
    libraries << copy("Archive", "Promo", QStringLiteral("P"), {"Cut"});
    start(libraries);
    EXPECT_EQ(window.page(), QStringLiteral("comparePage"));
    EXPECT_EQ(view()->countLabel()->text(), QStringLiteral("2 libraries exist in more than one place"));
    EXPECT_FALSE(view()->showsEmptyState());
    EXPECT_FALSE(view()->notice()->isVisible());

    view()->onlyOutOfSyncBox()->setChecked(true);
    EXPECT_EQ(view()->countLabel()->text(), QStringLiteral("1 libraries exist in more than one place"));
    EXPECT_EQ(view()->model()->rowCount(), 1);

    // Every group in sync: nothing left with "Only out-of-sync".
    libraries[1] = copy("Archive", "Wedding", kId, {"Ceremony", "Party"});
    window.catalog().seed({.libraries = libraries});
    window.settle();
    EXPECT_EQ(view()->countLabel()->text(), QStringLiteral("0 libraries exist in more than one place"));
    EXPECT_TRUE(view()->showsEmptyState());
    view()->onlyOutOfSyncBox()->setChecked(false);
    EXPECT_FALSE(view()->showsEmptyState());

    // No library in more than one place; a project without a fingerprint shows the notice.
    LibraryInfo loner = copy("Studio", "Alone", QStringLiteral("A"), {"Old"});
    loner.events.first().projects.first().fingerprint.reset();
    window.catalog().seed({.libraries = QList<LibraryInfo>{loner}});
    window.settle();
    EXPECT_EQ(view()->countLabel()->text(), QStringLiteral("0 libraries exist in more than one place"));
    EXPECT_TRUE(view()->showsEmptyState());
    EXPECT_TRUE(view()->notice()->isVisible());
    EXPECT_FALSE(view()->showsDetail());
}

TEST_F(CompareTabTest, aCopyRowAndItsGroupRowShowTheSamePanel) {
    const QList<LibraryInfo> libraries = wedding();
    start(libraries);
    EXPECT_FALSE(view()->showsDetail());

    view()->select(copyId(libraries[1]));
    ASSERT_TRUE(view()->showsDetail());
    const CompareDetail fromCopy = view()->detailPanel()->detail();
    EXPECT_EQ(fromCopy.name, QStringLiteral("Wedding"));
    EXPECT_EQ(fromCopy.verdict,
              QStringLiteral("Newest content: Studio.  Archive is behind: missing 1 project."));
    EXPECT_TRUE(view()->detailPanel()->shownTexts().contains(QStringLiteral("Projects that differ")));

    view()->select("g|" + kId);
    ASSERT_TRUE(view()->showsDetail());
    EXPECT_EQ(view()->detailPanel()->detail(), fromCopy);

    // Filtered out by the search, its panel goes; cleared, the table stands alone.
    window.content().setSearch(QStringLiteral("Promo"));
    EXPECT_TRUE(CatalogTestEnv::waitUntil([&] { return window.content().state().appliedSearch == "Promo"; }));
    window.settle();
    EXPECT_TRUE(view()->showsEmptyState());
    EXPECT_FALSE(view()->showsDetail());
    window.content().setSearch(QString());
    EXPECT_TRUE(CatalogTestEnv::waitUntil([&] { return window.content().state().appliedSearch.isEmpty(); }));
    window.settle();
    EXPECT_TRUE(view()->showsDetail());
    view()->select(std::nullopt);
    EXPECT_FALSE(view()->showsDetail());
}

TEST_F(CompareTabTest, theLastVisibleColumnIsTrailing) {
    start(wedding());
    CompareModel* model = view()->model();
    view()->table()->expandAll();
    const QModelIndex details = row(copyId(wedding()[1]), CompareColumns::details);
    EXPECT_FALSE(trailing(model->headerData(CompareColumns::details, Qt::Horizontal, Qt::TextAlignmentRole)));
    EXPECT_FALSE(trailing(details.data(Qt::TextAlignmentRole)));
    EXPECT_TRUE(trailing(model->headerData(CompareColumns::open, Qt::Horizontal, Qt::TextAlignmentRole)));
    EXPECT_TRUE(trailing(model->headerData(CompareColumns::size, Qt::Horizontal, Qt::TextAlignmentRole)));

    // Hidden through the header's menu of columns.
    auto* chooser = view()->table()->header()->findChild<ColumnChooser*>();
    ASSERT_NE(chooser, nullptr);
    const auto choose = [&](const QString& id) {
        QMenu menu;
        chooser->fillMenu(&menu);
        for (QAction* action : menu.actions()) {
            if (action->objectName() == id)
                action->trigger();
        }
    };
    choose(QStringLiteral("open"));
    window.settle();
    EXPECT_TRUE(view()->table()->isColumnHidden(CompareColumns::open));
    EXPECT_TRUE(trailing(model->headerData(CompareColumns::details, Qt::Horizontal, Qt::TextAlignmentRole)));
    EXPECT_TRUE(trailing(details.data(Qt::TextAlignmentRole)));
    EXPECT_EQ(ColumnLayout::hidden(ColumnPrefs::load(CompareColumns::tableName()), {}),
              QSet<QString>{"open"});

    choose(QStringLiteral("open"));
    window.settle();
    EXPECT_FALSE(trailing(model->headerData(CompareColumns::details, Qt::Horizontal, Qt::TextAlignmentRole)));
    EXPECT_FALSE(trailing(details.data(Qt::TextAlignmentRole)));
}

TEST_F(CompareTabTest, theColumnLayoutIsReadBackAndSavedOnlyWhenTheUserChangesIt) {
    window.env.settings->setData(ColumnPrefs::key(CompareColumns::tableName()), "{not json");
    start(wedding());
    EXPECT_EQ(headerOrder(), CompareColumns::declared());
    EXPECT_EQ(view()->model()->lastVisible(), QStringLiteral("open"));
    // Opening the screen stored nothing over what was there.
    EXPECT_EQ(window.env.settings->data(ColumnPrefs::key(CompareColumns::tableName())),
              QByteArray("{not json"));

    // The user drags "Size" to the front.
    QHeaderView* header = view()->table()->header();
    header->moveSection(header->visualIndex(CompareColumns::size), 0);
    const QStringList moved = {"size", "status", "name", "copies", "saved", "projects", "details", "open"};
    EXPECT_EQ(headerOrder(), moved);
    EXPECT_EQ(
        ColumnLayout::order(ColumnPrefs::load(QStringLiteral("compare.v2")), CompareColumns::declared()),
        moved);

    // A new screen shows the same order, with its check boxes as they start.
    view()->onlyOutOfSyncBox()->setChecked(true);
    showOtherTab();
    showCompare();
    EXPECT_EQ(headerOrder(), moved);
    EXPECT_FALSE(view()->onlyOutOfSyncBox()->isChecked());
}

TEST_F(CompareTabTest, anOfflineCopyHasAGreyDotAndNothingToOpen) {
    const QList<LibraryInfo> libraries = wedding();
    start(libraries);
    // The drive "Archive" is unplugged.
    ASSERT_TRUE(QDir(QDir(window.volumes).filePath(QStringLiteral("Archive"))).removeRecursively());
    window.catalog().recordMounted();
    window.settle();
    CompareTable* table = view()->table();
    table->expandAll();
    window.settle();
    const QModelIndex online = row(copyId(libraries[0]));
    const QModelIndex offline = row(copyId(libraries[1]));
    ASSERT_TRUE(online.isValid() && offline.isValid());

    EXPECT_TRUE(online.siblingAtColumn(CompareColumns::name)
                    .data(Qt::AccessibleTextRole)
                    .toString()
                    .endsWith(QStringLiteral(", drive connected")));
    EXPECT_TRUE(offline.siblingAtColumn(CompareColumns::name)
                    .data(Qt::AccessibleTextRole)
                    .toString()
                    .endsWith(QStringLiteral(", drive not connected")));
    // The dot as painted: green for the copy that is there, grey for the one that is not.
    const QImage shot = table->viewport()->grab().toImage();
    const auto dot = [&](const QModelIndex& index) {
        const QRect cell = table->visualRect(index.siblingAtColumn(CompareColumns::name));
        return QColor(shot.pixel(cell.left() + 4 + 3, cell.center().y()));
    };
    EXPECT_GT(dot(online).green(), dot(online).red() + 60);
    EXPECT_LT(std::abs(dot(offline).green() - dot(offline).red()), 20);

    for (const CellButton& hit : table->hits(online))
        EXPECT_TRUE(hit.enabled);
    const QList<CellButton> hits = table->hits(offline);
    ASSERT_EQ(hits.size(), 2);
    for (const CellButton& hit : hits) {
        EXPECT_FALSE(hit.enabled);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, hit.rect.center().toPoint());
    }
    EXPECT_TRUE(files->opened.isEmpty());
    EXPECT_TRUE(opened.isEmpty());

    const std::unique_ptr<QMenu> menu = view()->rowMenu(copyId(libraries[1]));
    ASSERT_NE(menu, nullptr);
    QStringList items;
    for (QAction* action : menu->actions()) {
        items.append(action->text());
        EXPECT_FALSE(action->isEnabled());
    }
    EXPECT_EQ(items, (QStringList{"Open in Final Cut Pro", "Open Enclosing Folder"}));

    // The double click still hands it over; the opener tells about the drive.
    const QRect cell = table->visualRect(offline.siblingAtColumn(CompareColumns::details));
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(opened, QStringList{libraries[1].path});
}

TEST_F(CompareTabTest, menusButtonsAndTheDoubleClick) {
    const QList<LibraryInfo> libraries = wedding();
    start(libraries);
    CompareTable* table = view()->table();
    table->expandAll();
    window.settle();

    // A group row has no menu, and its double click opens nothing.
    EXPECT_EQ(view()->rowMenu("g|" + kId), nullptr);
    EXPECT_EQ(view()->rowMenu(std::nullopt), nullptr);
    const QModelIndex group = row("g|" + kId, CompareColumns::details);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(group).center());
    EXPECT_TRUE(opened.isEmpty());
    table->expandAll();

    const QModelIndex studio = row(copyId(libraries[0]), CompareColumns::details);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(studio).center());
    EXPECT_EQ(opened, QStringList{libraries[0].path});

    // The menu's items, enabled for a copy that is there.
    const std::unique_ptr<QMenu> menu = view()->rowMenu(copyId(libraries[0]));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_TRUE(menu->actions()[0]->isEnabled());
    menu->actions()[1]->trigger();
    EXPECT_EQ(files->opened, QStringList{QFileInfo(libraries[0].path).path()});

    // The buttons, each with its tip, clicked at the edge of their enlarged target; the row
    // under them stays unselected.
    view()->select(std::nullopt);
    const QList<CellButton> hits = table->hits(studio);
    ASSERT_EQ(hits.size(), 2);
    const int y = int(hits[0].rect.center().y());
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, QPoint(int(hits[0].rect.left()) - 4, y));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, QPoint(int(hits[1].rect.right()) + 3, y));
    EXPECT_EQ(files->opened,
              (QStringList{QFileInfo(libraries[0].path).path(), QFileInfo(libraries[0].path).path()}));
    EXPECT_EQ(opened, (QStringList{libraries[0].path, libraries[0].path}));
    EXPECT_FALSE(view()->selection().has_value());
    EXPECT_EQ(CompareDelegate::tip(CompareDelegate::Part::folder),
              QStringLiteral("Open the folder that contains this copy"));
}

TEST_F(CompareTabTest, widthsAtTheLargerTextScale) {
    start(wedding());
    EXPECT_DOUBLE_EQ(view()->columnWidths(view()->nodes()).value("Open"), 48);
    AppSettings::setComfortable(true);
    window.settle();
    const QHash<QString, double> widths = view()->columnWidths(view()->nodes());
    EXPECT_DOUBLE_EQ(widths.value("Open"), 62.4);
    const UiTextMeasurer measurer;
    EXPECT_EQ(widths.value("Copies"), ColumnWidths(1.3, measurer).measure({"2"}, 13) + 2);
    EXPECT_GT(widths.value("Copies"), ColumnWidths(1.0, measurer).measure({"2"}, 13) + 2);
}

TEST_F(CompareTabTest, workedOutOnlyWhenAnInputChanges) {
    start(wedding());
    const int first = view()->comparisons();
    view()->table()->viewport()->repaint();
    window.content().refresh();
    window.settle();
    EXPECT_EQ(view()->comparisons(), first);

    view()->includeLeftoversBox()->setChecked(true);
    EXPECT_EQ(view()->comparisons(), first + 1);

    // A header click sorts the rows again without comparing again; "Details" sorts nothing.
    QHeaderView* header = view()->table()->header();
    const auto click = [&](int logical) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(logical) + header->sectionSize(logical) / 2,
                                 header->height() / 2));
    };
    click(CompareColumns::name);
    EXPECT_EQ(view()->sort().keys.first(), (CompareSort::Key{CompareSort::Field::name, true}));
    click(CompareColumns::name);
    EXPECT_EQ(view()->sort().keys.first(), (CompareSort::Key{CompareSort::Field::name, false}));
    click(CompareColumns::details);
    EXPECT_EQ(view()->sort().keys.first(), (CompareSort::Key{CompareSort::Field::name, false}));
    EXPECT_EQ(header->sortIndicatorSection(), CompareColumns::name);
    EXPECT_EQ(view()->comparisons(), first + 1);

    // The media list replaced: compared again at the window's next redraw, and the selected
    // group's media compared with it.
    view()->select("g|" + kId);
    ASSERT_TRUE(view()->showsDetail());
    EXPECT_FALSE(view()->detailPanel()->detail().media.shown);
    window.catalog().scanHost()->saveMedia({MediaEntry{QStringLiteral("A001.mov"), 1000, "Day 1"}},
                                           wedding()[0].path);
    window.catalog().loadAllMedia();
    EXPECT_TRUE(CatalogTestEnv::waitUntil([&] { return view()->comparisons() == first + 2; }));
    const CompareDetail::Media media = view()->detailPanel()->detail().media;
    EXPECT_EQ(media.heading, QStringLiteral("Original media differs between copies"));
    EXPECT_EQ(media.lines, (QStringList{"Studio: has 1 file the others lack",
                                        "Archive: missing 1 file that exist in another copy"}));
}

TEST_F(CompareTabTest, theHelpOpensAndCloses) {
    start(wedding());
    QTest::mouseClick(view()->helpButton(), Qt::LeftButton);
    ASSERT_TRUE(view()->helpShown());
    ASSERT_NE(view()->helpPopup(), nullptr);
    EXPECT_TRUE(view()->helpPopup()->isVisible());
    QStringList lines;
    for (const QLabel* label : view()->helpPopup()->findChildren<QLabel*>())
        lines.append(label->text());
    EXPECT_EQ(lines.size(), 7);
    EXPECT_EQ(lines.first(), QStringLiteral("How copies are compared"));
    view()->helpPopup()->close();
    EXPECT_FALSE(view()->helpShown());
}
