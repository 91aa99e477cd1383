// The Plug-ins tab offscreen in the main window: the header's counts following "Only problems"
// and the search, "Recheck" after a template was installed, the stored column layout and the
// trailing last column, an offline library's row, the menu, the buttons and the double click,
// a library that leaves the listed set; and a library's plug-in section in the details.

#include "Plugins/Views/PluginsView.h"

#include "App/ColumnLayout.h"
#include "Plugins/PluginColumns.h"
#include "Plugins/Views/LibraryPlugins.h"
#include "Plugins/Views/PluginsDelegate.h"
#include "Plugins/Views/PluginsModel.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"
#include "Tests/Support/RecordingFileManager.h"
#include "Widgets/ButtonTreeView.h"
#include "Widgets/ColumnChooser.h"
#include "Widgets/ColumnPrefs.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace pellimor;
using test::CatalogTestEnv;
using test::MainWindowHarness;
using test::trailing;

namespace {

class PluginsTabTest : public ::testing::Test {
protected:
    // A template identifier, missing until installTemplate(item) puts it in the user's folder.
    static QString templ(const QString& item) {
        return QStringLiteral("~/Titles.localized/%1.moti").arg(item);
    }
    static void installTemplate(const QString& item) {
        const QString path = QString::fromLocal8Bit(qgetenv("HOME")) +
                             QStringLiteral("/Movies/Motion Templates.localized/Titles.localized/") + item +
                             QStringLiteral(".moti");
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<template/>\n");
    }
    // An identifier that names something on disk: installed.
    QString here() const {
        const QString path = QDir(window.volumes).filePath(QStringLiteral("Plug-ins/Here.bundle"));
        QDir().mkpath(path);
        return path;
    }
    static PluginUse use(const QString& kind, const QString& pack, const QString& name, const QString& id,
                         qint64 count = 1) {
        return PluginUse{kind, pack, name, id, count};
    }

    // A library record on `drive` whose one project uses `uses`, and its bundle folder.
    LibraryInfo library(const QString& drive, const QString& name, const QList<PluginUse>& uses) {
        const QString path = QDir(window.volumes).filePath(drive + QStringLiteral("/") + name + ".fcpbundle");
        QDir().mkpath(path);
        LibraryInfo record = test::libraryRecord(path, drive);
        record.events.first().plugins = QList<PluginUse>{};
        record.events.first().projects.first().plugins = uses;
        return record;
    }

    // Wedding on Studio: "Glow" (missing) and "Grain" (installed). Promo on Archive: "Glow",
    // and "Swipe" with one item here and one missing.
    QList<LibraryInfo> libraries() {
        return {
            library("Studio", "Wedding",
                    {use("Title", "Glow", "Glow", templ("Glow")), use("Effect", "Grain", "Grain", here())}),
            library("Archive", "Promo",
                    {use("Title", "Glow", "Glow", templ("Glow"), 2),
                     use("Transition", "Swipe", "Whip", templ("Whip")),
                     use("Transition", "Swipe", "Slide", here())})};
    }

    void start(const QList<LibraryInfo>& records) {
        window.startWith(records, {QStringLiteral("Studio"), QStringLiteral("Archive")}, Mode::plugins,
                         opened);
    }
    void showPlugins() { window.showMode(Mode::plugins); }
    void showOtherTab() { window.showMode(Mode::libraries); }

    PluginsView* view() const {
        PluginsView* found = window.content().findChild<PluginsView*>();
        EXPECT_NE(found, nullptr);
        return found;
    }
    QModelIndex row(const QString& id, int column = 0) const { return view()->model()->indexOf(id, column); }
    QStringList packs() const {
        QStringList names;
        for (const PNode& node : view()->nodes())
            names.append(node.name);
        return names;
    }
    QStringList header() const {
        return {view()->packsLabel()->text(), view()->missingLabel()->text(),
                view()->incompleteLabel()->text()};
    }
    QStringList headerOrder() const {
        return test::shownColumns(*view()->table()->header(), PluginColumns::declared());
    }
    void search(const QString& text) {
        window.content().setSearch(text);
        ASSERT_TRUE(
            CatalogTestEnv::waitUntil([&] { return window.content().state().appliedSearch == text; }));
        window.settle();
    }

    MainWindowHarness window{QStringLiteral("plugins")};
    const std::shared_ptr<test::RecordingFileManager> files = std::make_shared<test::RecordingFileManager>();
    platform::ScopedServices filesScope{test::RecordingFileManager::services(files)};
    QStringList opened;
};

} // namespace

TEST_F(PluginsTabTest, theCountsFollowOnlyProblemsAndTheSearch) {
    start(libraries());
    EXPECT_EQ(window.page(), QStringLiteral("pluginsPage"));
    EXPECT_FALSE(view()->showsEmptyState());
    EXPECT_EQ(packs(), (QStringList{"Glow", "Swipe", "Grain"}));
    EXPECT_EQ(header(), (QStringList{"3 third-party plug-in packs used in your libraries",
                                     "\u00b7 1 not installed", "\u00b7 1 incomplete"}));
    EXPECT_EQ(view()->model()->rowCount(), 3);

    view()->onlyProblemsBox()->setChecked(true);
    EXPECT_EQ(packs(), (QStringList{"Glow", "Swipe"}));
    EXPECT_EQ(header()[0], "2 third-party plug-in packs used in your libraries");

    // A library's name keeps its packs with all their libraries; the counts follow.
    search(QStringLiteral("promo"));
    EXPECT_EQ(packs(), (QStringList{"Glow", "Swipe"}));
    EXPECT_EQ(view()->nodes().first().kids.size(), 2);
    search(QStringLiteral("slide"));
    EXPECT_EQ(packs(), (QStringList{"Swipe"}));
    EXPECT_EQ(header(), (QStringList{"1 third-party plug-in packs used in your libraries",
                                     "\u00b7 0 not installed", "\u00b7 1 incomplete"}));
    // The name is drawn with the term highlighted: the model hands the delegate the search.
    EXPECT_EQ(view()->model()->query(), SearchQuery(QStringLiteral("slide")));

    // Nothing left: the empty state for "Only problems", without the not-read line while every
    // project of the catalogue was read.
    search(QStringLiteral("grain"));
    EXPECT_TRUE(view()->showsEmptyState());
    EXPECT_EQ(view()->emptyTitle()->text(), "No problems found on this Mac");
    EXPECT_FALSE(view()->notReadLabel()->isVisibleTo(view()));
    view()->onlyProblemsBox()->setChecked(false);
    EXPECT_EQ(packs(), (QStringList{"Grain"}));
}

TEST_F(PluginsTabTest, theEmptyStateTellsOfLibrariesNotReadAnywhereInTheCatalogue) {
    QList<LibraryInfo> records = libraries();
    LibraryInfo unread = library("Studio", "Unread", {});
    unread.events.first().projects.first().plugins.reset();
    records.append(unread);
    start(records);
    search(QStringLiteral("nothing-uses-this"));
    EXPECT_TRUE(view()->showsEmptyState());
    EXPECT_EQ(view()->emptyTitle()->text(), "No third-party plug-ins found");
    EXPECT_TRUE(view()->notReadLabel()->isVisibleTo(view()));
    EXPECT_EQ(view()->notReadLabel()->text(),
              "Some libraries haven't been read for plug-ins yet. Use Scan \u25b8 Refresh Watched Folders.");
}

TEST_F(PluginsTabTest, recheckAsksAgainAfterATemplateWasInstalled) {
    const QList<LibraryInfo> records = {
        library("Studio", "Wedding", {use("Title", "Glow", "Glow", templ("Glow"))})};
    start(records);
    ASSERT_EQ(view()->nodes().size(), 1);
    EXPECT_EQ(view()->nodes().first().status, PluginStatus::missing);
    EXPECT_EQ(view()->recheckButton()->toolTip(),
              "Look again at what is installed, after adding or removing a plug-in");

    installTemplate(QStringLiteral("Glow"));
    // The answer is kept until the user asks again.
    view()->onlyProblemsBox()->setChecked(true);
    view()->onlyProblemsBox()->setChecked(false);
    EXPECT_EQ(view()->nodes().first().status, PluginStatus::missing);

    QTest::mouseClick(view()->recheckButton(), Qt::LeftButton);
    window.settle();
    ASSERT_EQ(view()->nodes().size(), 1);
    EXPECT_EQ(view()->nodes().first().status, PluginStatus::installed);
    EXPECT_EQ(row(view()->nodes().first().id, PluginColumns::status).data().toString(), "OK");
    EXPECT_EQ(header()[1], "\u00b7 0 not installed");
}

TEST_F(PluginsTabTest, theColumnLayoutIsSavedAndReadBackAndTheLastColumnIsTrailing) {
    window.env.settings->setData(ColumnPrefs::key(PluginColumns::tableName()), "{not json");
    start(libraries());
    EXPECT_EQ(headerOrder(), PluginColumns::declared());
    PluginsModel* model = view()->model();
    EXPECT_EQ(model->lastVisible(), "open");
    EXPECT_TRUE(trailing(model->headerData(PluginColumns::open, Qt::Horizontal, Qt::TextAlignmentRole)));
    EXPECT_TRUE(trailing(model->headerData(PluginColumns::uses, Qt::Horizontal, Qt::TextAlignmentRole)));
    EXPECT_FALSE(trailing(model->headerData(PluginColumns::details, Qt::Horizontal, Qt::TextAlignmentRole)));

    // "Open" hidden through the header's menu: "Details" is last and trailing.
    auto* chooser = view()->table()->header()->findChild<ColumnChooser*>();
    ASSERT_NE(chooser, nullptr);
    QMenu menu;
    chooser->fillMenu(&menu);
    for (QAction* action : menu.actions()) {
        if (action->objectName() == QStringLiteral("open"))
            action->trigger();
    }
    window.settle();
    EXPECT_TRUE(view()->table()->isColumnHidden(PluginColumns::open));
    EXPECT_EQ(model->lastVisible(), "details");
    const QModelIndex details = row(view()->nodes().first().id, PluginColumns::details);
    EXPECT_TRUE(trailing(details.data(Qt::TextAlignmentRole)));

    // "Uses" dragged to the front.
    QHeaderView* h = view()->table()->header();
    h->moveSection(h->visualIndex(PluginColumns::uses), 0);
    const QStringList moved = {"uses", "status", "name", "kind", "libraries", "projects", "details"};
    EXPECT_EQ(headerOrder(), moved);
    const QJsonObject saved = ColumnPrefs::load(QStringLiteral("plugins.v2"));
    EXPECT_EQ(ColumnLayout::hidden(saved, {}), QSet<QString>{"open"});
    EXPECT_TRUE(window.env.settings->data(QStringLiteral("columns.plugins.v2")).has_value());

    // A new view when the tab is shown again: the layout read back, "Only problems" and the
    // sort as they start.
    view()->onlyProblemsBox()->setChecked(true);
    view()->setSort(view()->sort().clicked(PluginSort::Field::name));
    showOtherTab();
    showPlugins();
    EXPECT_EQ(headerOrder(), moved);
    EXPECT_EQ(view()->model()->lastVisible(), "details");
    EXPECT_FALSE(view()->onlyProblemsBox()->isChecked());
    EXPECT_EQ(view()->sort(), PluginSort{});
}

TEST_F(PluginsTabTest, headingClicksSortWithTheirComparatorFirst) {
    start(libraries());
    QHeaderView* h = view()->table()->header();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(PluginColumns::name) + 10, h->height() / 2));
    EXPECT_EQ(view()->sort().keys.first(), (PluginSort::Key{PluginSort::Field::name, true}));
    EXPECT_EQ(packs(), (QStringList{"Glow", "Grain", "Swipe"}));
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(PluginColumns::name) + 10, h->height() / 2));
    EXPECT_EQ(packs(), (QStringList{"Swipe", "Grain", "Glow"}));
    // "Details" sorts nothing.
    const PluginSort before = view()->sort();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(PluginColumns::details) + 10, h->height() / 2));
    EXPECT_EQ(view()->sort(), before);
}

TEST_F(PluginsTabTest, anOfflineLibraryTheMenuTheButtonsAndTheDoubleClick) {
    const QList<LibraryInfo> records = libraries();
    start(records);
    ASSERT_TRUE(QDir(QDir(window.volumes).filePath(QStringLiteral("Archive"))).removeRecursively());
    window.catalog().recordMounted();
    window.settle();
    ButtonTreeView* table = view()->table();
    table->expandAll();
    window.settle();
    const QString glow = QStringLiteral("Title|Glow");
    const QString wedding = glow + "|" + records[0].path;
    const QString promo = glow + "|" + records[1].path;
    ASSERT_TRUE(row(wedding).isValid() && row(promo).isValid());
    EXPECT_TRUE(row(promo, PluginColumns::name)
                    .data(Qt::AccessibleTextRole)
                    .toString()
                    .endsWith(", drive not connected"));

    // The offline library: buttons disabled and deaf, menu items disabled, the double click
    // still hands it over (the opener tells about the drive).
    const QList<CellButton> away = table->hits(row(promo));
    ASSERT_EQ(away.size(), 2);
    for (const CellButton& button : away) {
        EXPECT_FALSE(button.enabled);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, button.rect.center().toPoint());
    }
    EXPECT_TRUE(files->opened.isEmpty());
    EXPECT_TRUE(opened.isEmpty());
    std::unique_ptr<QMenu> menu = view()->rowMenu(promo);
    QStringList items;
    for (QAction* action : menu->actions()) {
        items.append(action->text());
        EXPECT_FALSE(action->isEnabled());
    }
    EXPECT_EQ(items, (QStringList{"Open in Final Cut Pro", "Open Enclosing Folder"}));
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {},
                       table->visualRect(row(promo, PluginColumns::details)).center());
    EXPECT_EQ(opened, QStringList{records[1].path});

    // A pack row: no menu items, and its double click opens nothing.
    EXPECT_TRUE(view()->rowMenu(glow)->isEmpty());
    EXPECT_TRUE(view()->rowMenu(std::nullopt)->isEmpty());
    opened.clear();
    view()->openRow(glow);
    EXPECT_TRUE(opened.isEmpty());

    // The library that is there: "Open Enclosing Folder" and both buttons, clicked at the edge
    // of their enlarged targets, without selecting the row.
    menu = view()->rowMenu(wedding);
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_TRUE(menu->actions()[0]->isEnabled());
    menu->actions()[1]->trigger();
    const QString folder = QFileInfo(records[0].path).path();
    EXPECT_EQ(files->opened, QStringList{folder});
    view()->select(std::nullopt);
    const QList<CellButton> there = table->hits(row(wedding));
    ASSERT_EQ(there.size(), 2);
    const int y = int(there[0].rect.center().y());
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, QPoint(int(there[0].rect.left()) - 4, y));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, QPoint(int(there[1].rect.right()) + 3, y));
    EXPECT_EQ(files->opened, (QStringList{folder, folder}));
    EXPECT_EQ(opened, QStringList{records[0].path});
    EXPECT_FALSE(view()->selection().has_value());
}

TEST_F(PluginsTabTest, aSelectedLibraryThatLeavesTheListOpensNothing) {
    QList<LibraryInfo> records = libraries();
    start(records);
    const QString promo = QStringLiteral("Title|Glow|") + records[1].path;
    view()->select(promo);
    ASSERT_EQ(view()->selection(), promo);
    ASSERT_TRUE(view()->library(promo).has_value());

    // Promo's row goes with the library: nothing selected, nothing to open.
    window.catalog().seed({.libraries = QList<LibraryInfo>{records[0]}});
    window.settle();
    EXPECT_FALSE(view()->selection().has_value());
    EXPECT_FALSE(view()->library(promo).has_value());
    EXPECT_TRUE(view()->rowMenu(promo)->isEmpty());
    view()->openRow(promo);
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(PluginsTabTest, aLibrarysSectionInItsDetails) {
    // Nine packs: a missing one, a partial one, an unverified one, then installed ones by name
    // in the file manager's order; and "Pack 2" under two kinds.
    QList<PluginUse> uses{use("Title", "Gone", "Gone", templ("Gone")), use("Title", "Half", "A", here()),
                          use("Title", "Half", "B", templ("B")),
                          use("Effect", "Unsure", "U", "FxPlug:00000001-2222-4222-8222-222222222222")};
    for (const char* pack : {"Pack 10", "Pack 2", "Pack 3", "Pack 4", "Pack 5"})
        uses.append(use("Title", pack, "x", here()));
    uses.append(use("Effect", "Pack 2", "y", here()));
    const QList<LibraryInfo> records = {library("Studio", "Wedding", uses)};
    start(records);
    LibraryPlugins section(window.catalog(), records[0]);
    EXPECT_EQ(section.shownLines().mid(0, 2),
              (QStringList{"Third-party plug-ins used",
                           "2 of 9 packs have missing items on this Mac \u2014 projects "
                           "using them can show an error."}));
    EXPECT_EQ(section.packIds(),
              (QStringList{"Title|Gone", "Title|Half", "Effect|Unsure", "Effect|Pack 2", "Title|Pack 2",
                           "Title|Pack 3", "Title|Pack 4", "Title|Pack 5"}));
    ASSERT_NE(section.toggleButton(), nullptr);
    EXPECT_EQ(section.toggleButton()->text(), "Show all 9");
    section.toggleButton()->click();
    EXPECT_EQ(section.packIds().size(), 9);
    EXPECT_EQ(section.packIds().last(), "Title|Pack 10");
    EXPECT_EQ(section.toggleButton()->text(), "Show fewer");

    // Two kinds of one pack open apart, each with its details and tip.
    ASSERT_EQ(section.packButtons()[3]->toolTip(),
              "Show which items are used, which are missing, and in which projects");
    section.packButtons()[3]->click();
    EXPECT_EQ(section.expanded(), QSet<QString>{"Effect|Pack 2"});
    EXPECT_EQ(section.packButtons()[3]->toolTip(), "Hide the details");
    EXPECT_EQ(section.packButtons()[4]->toolTip(),
              "Show which items are used, which are missing, and in which projects");
    EXPECT_TRUE(section.shownLines().contains("Used: y \u00d71"));
    EXPECT_FALSE(section.shownLines().contains("Used: x \u00d71"));
    section.packButtons()[1]->click();
    EXPECT_TRUE(section.shownLines().contains("Missing 1 of 2: B"));
    section.packButtons()[3]->click();
    EXPECT_EQ(section.expanded(), QSet<QString>{"Title|Half"});

    // The section in the details panel, afresh for another library.
    window.content().setMode(Mode::libraries);
    window.content().setSelection(records[0].path);
    window.content().setShowInspector(true);
    window.settle();
    auto* shown = window.content().findChild<LibraryPlugins*>();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->expanded().isEmpty());
    EXPECT_EQ(shown->packIds().size(), 8);
}
