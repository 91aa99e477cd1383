// The library browser offscreen over a real catalogue: rows opening and closing as scripted
// sequences (with Qt's model tester watching), the columns' arrangement, the strips and the
// summary, the row menu and the double click, the path card, and the UI trace.

#include "Browser/Views/BrowserView.h"

#include "App/AppAction.h"
#include "App/NotificationHub.h"
#include "Browser/BrowserColumns.h"
#include "Browser/Views/BrowserDelegate.h"
#include "Browser/Views/BrowserModel.h"
#include "Browser/Views/PathHoverCard.h"
#include "Catalogue/Logs/UITrace.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/RecordingFileManager.h"
#include "Tests/Support/VirtualClock.h"
#include "Widgets/ColumnChooser.h"
#include "Widgets/ColumnPrefs.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QDir>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace pellimor;
using namespace std::chrono_literals;

namespace {

using Projects = QStringList;

class BrowserViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        catalog = env.makeCatalog();
        catalog->setOpener([this](const LibraryInfo& library) { opened.append(library.path); });
        makeView();
    }
    void TearDown() override {
        view.reset();
        catalog.reset();
    }

    void makeView() {
        view = std::make_unique<BrowserView>(*catalog);
        view->resize(1400, 500);
        view->show();
        QObject::connect(view.get(), &BrowserView::selectionEdited, view.get(),
                         [this](const std::optional<QString>& id) { selection = id; });
    }

    // A library in the test's folder with events of projects; online unless said otherwise
    // (its bundle folder exists).
    LibraryInfo library(const QString& name, const QList<std::pair<QString, Projects>>& events,
                        bool online = true) {
        LibraryInfo info;
        info.path = QDir(folder).filePath(name + QStringLiteral(".fcpbundle"));
        info.name = name;
        info.volumeName = QStringLiteral("Macintosh HD");
        info.scannedAt = QDateTime(QDate(2025, 3, 1), QTime(12, 0), Qt::UTC);
        for (const auto& [eventName, projects] : events) {
            EventInfo event;
            event.name = eventName;
            event.originalSize = 1000;
            for (const QString& projectName : projects) {
                ProjectInfo project;
                project.name = projectName;
                event.projects.append(project);
            }
            info.events.append(event);
        }
        if (online)
            QDir().mkpath(info.path);
        return info;
    }

    void catalogue(const QList<LibraryInfo>& libraries) {
        catalog->seed({.libraries = libraries});
        shown = libraries;
    }

    // The window's redraw: the browser gets what the window holds now.
    void present() {
        BrowserView::Inputs in;
        in.libraries = shown;
        in.query = SearchQuery(search);
        in.result = result;
        in.dateMode = dateMode;
        in.selection = selection;
        in.groupByDrive = groupByDrive;
        in.missingForList = missingForList;
        view->present(in);
    }

    QTreeView& table() const { return *view->table(); }
    BrowserModel& model() const { return *view->model(); }
    QModelIndex at(const QString& id, int column = 0) const { return model().indexOf(id, column); }
    QString id(const LibraryInfo& library, const QString& event = {}, const QString& project = {}) const {
        QString text = library.path;
        if (!event.isEmpty())
            text += u'|' + event;
        if (!project.isEmpty())
            text += u'|' + project;
        return text;
    }

    // The rows the table shows, depth first, each indented by two blanks per level.
    QStringList visibleRows() const {
        QStringList rows;
        const std::function<void(const QModelIndex&, int)> walk = [&](const QModelIndex& parent, int depth) {
            for (int row = 0; row < model().rowCount(parent); ++row) {
                const QModelIndex index = model().index(row, 0, parent);
                rows.append(QString(depth * 2, u' ') + index.data().toString());
                if (table().isExpanded(index))
                    walk(index, depth + 1);
            }
        };
        walk(QModelIndex(), 0);
        return rows;
    }

    // Every row that can open is open exactly when the expansion state says so, and the table
    // selects the window's selection.
    void expectInStep(const char* step) const {
        SCOPED_TRACE(step);
        const SearchQuery query(search);
        const std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
            for (int row = 0; row < model().rowCount(parent); ++row) {
                const QModelIndex index = model().index(row, 0, parent);
                const BNode* node = model().node(index);
                if (model().hasChildren(index)) {
                    EXPECT_EQ(table().isExpanded(index),
                              view->expansion().isShown(node->id, node->autoOpen, query))
                        << node->id.toStdString();
                }
                walk(index);
            }
        };
        walk(QModelIndex());
        const QModelIndexList selected = table().selectionModel()->selectedRows();
        if (selection && at(*selection).isValid()) {
            ASSERT_EQ(selected.size(), 1);
            EXPECT_EQ(selected.first().data(BrowserModel::kIdRole).toString(), *selection);
        } else {
            EXPECT_TRUE(selected.isEmpty());
        }
    }

    // A user's click on a row's name.
    void click(const QString& rowId) {
        const QRect rect = table().visualRect(at(rowId, model().columnOf(QStringLiteral("fcp"))));
        QTest::mouseClick(table().viewport(), Qt::LeftButton, {}, rect.center());
        present();
    }
    // A user's press on a row's disclosure triangle, as the keyboard does it.
    void disclose(const QString& rowId, bool open) {
        table().setExpanded(at(rowId), open);
        present();
    }

    test::CatalogTestEnv env{QStringLiteral("browser-view")};
    test::ScopedVirtualClock clock;
    std::shared_ptr<test::RecordingFileManager> files = std::make_shared<test::RecordingFileManager>();
    platform::ScopedServices shell{test::RecordingFileManager::services(files)};
    const QString folder = test::TestEnv::freshDir(QStringLiteral("browser-libraries"));
    std::unique_ptr<Catalog> catalog;
    std::unique_ptr<BrowserView> view;
    QStringList opened;

    // What the window holds.
    QList<LibraryInfo> shown;
    QString search;
    SearchResult result;
    QString dateMode = QStringLiteral("modified");
    std::optional<QString> selection;
    bool groupByDrive = false;
    bool missingForList = false;
};

// ---- Rows ---------------------------------------------------------------------------------------

TEST_F(BrowserViewTest, scriptedSequencesKeepTheOpenRowsAndTheSelectionInStep) {
    QAbstractItemModelTester tester(view->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    const LibraryInfo alpha =
        library(QStringLiteral("Alpha"), {{"E1", {"P1", "P2"}}, {"E2", {"P3"}}, {"E3", {}}});
    const LibraryInfo beta = library(QStringLiteral("Beta"), {{"F1", {"Q1"}}});
    const LibraryInfo gamma = library(QStringLiteral("Gamma"), {});
    catalogue({beta, gamma, alpha});
    present();
    EXPECT_EQ(visibleRows(), (QStringList{"Alpha", "Beta", "Gamma"}));
    // A closed library reports its events without having them; one without events cannot open.
    EXPECT_TRUE(model().hasChildren(at(alpha.path)));
    EXPECT_EQ(model().rowCount(at(alpha.path)), 0);
    EXPECT_FALSE(model().hasChildren(at(gamma.path)));
    expectInStep("first");

    click(alpha.path);
    ASSERT_EQ(selection, alpha.path);

    disclose(alpha.path, true);
    EXPECT_EQ(visibleRows(), (QStringList{"Alpha", "  E1", "  E2", "  E3", "Beta", "Gamma"}));
    EXPECT_FALSE(model().hasChildren(at(id(alpha, "E3"))));
    expectInStep("library opened");

    disclose(id(alpha, "E1"), true);
    EXPECT_EQ(visibleRows(),
              (QStringList{"Alpha", "  E1", "    P1", "    P2", "  E2", "  E3", "Beta", "Gamma"}));
    // No fourth level.
    EXPECT_FALSE(model().hasChildren(at(id(alpha, "E1", "P1"))));
    EXPECT_TRUE(model().flags(at(id(alpha, "E1", "P1"))) & Qt::ItemNeverHasChildren);
    expectInStep("event opened");

    disclose(id(alpha, "E1"), false);
    EXPECT_EQ(visibleRows(), (QStringList{"Alpha", "  E1", "  E2", "  E3", "Beta", "Gamma"}));
    expectInStep("event closed");

    // A search that found a keyword and a project in E1 opens Alpha and E1 by itself.
    search = QStringLiteral("zoom");
    result.id = 1;
    SearchResult::Event e1;
    e1.hits = {{SearchArea::keywords, QStringLiteral("zoom")}};
    e1.projects.insert(QStringLiteral("P1"), {{SearchArea::projectName, QStringLiteral("P1")}});
    result.libraries[alpha.path].events.insert(QStringLiteral("E1"), e1);
    present();
    EXPECT_EQ(visibleRows(), (QStringList{"Alpha", "  E1", "    P1", "    zoom"}));
    expectInStep("search");

    disclose(alpha.path, false);
    EXPECT_EQ(visibleRows(), QStringList{"Alpha"});
    expectInStep("search-opened library closed");

    view->expandAllButton()->click();
    EXPECT_EQ(visibleRows(),
              (QStringList{"Alpha", "  E1", "    P1", "    P2", "    zoom", "  E2", "    P3", "  E3"}));
    expectInStep("Expand All while searching");

    // Clearing the search forgets what was opened for it.
    search.clear();
    result = SearchResult::empty();
    present();
    EXPECT_EQ(visibleRows(), (QStringList{"Alpha", "Beta", "Gamma"}));
    expectInStep("search cleared");

    view->expandAllButton()->click();
    EXPECT_EQ(visibleRows(), (QStringList{"Alpha", "  E1", "    P1", "    P2", "  E2", "    P3", "  E3",
                                          "Beta", "  F1", "    Q1", "Gamma"}));
    expectInStep("Expand All");

    view->collapseAllButton()->click();
    EXPECT_EQ(visibleRows(), (QStringList{"Alpha", "Beta", "Gamma"}));
    expectInStep("Collapse All");
    EXPECT_EQ(selection, alpha.path);
}

TEST_F(BrowserViewTest, rebuildsChangeRowsInPlaceAndKeepTheRowAtTheTop) {
    QAbstractItemModelTester tester(view->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QList<LibraryInfo> many;
    for (int i = 0; i < 60; ++i)
        many.append(library(QStringLiteral("Lib %1").arg(i, 2, 10, QChar(u'0')), {{"Day", {"Cut"}}}));
    catalogue(many);
    present();
    disclose(many[30].path, true);
    selection = id(many[30], "Day");
    present();
    table().scrollTo(at(many[30].path), QAbstractItemView::PositionAtTop);
    const QString top = table().indexAt(QPoint(0, 0)).data(BrowserModel::kIdRole).toString();
    ASSERT_EQ(top, many[30].path);
    QSignalSpy resets(view->model(), &QAbstractItemModel::modelReset);

    // A library sorted in above the view, and one read again with a second event.
    LibraryInfo first = library(QStringLiteral("Aardvark"), {{"Day", {}}});
    many[30].events.append(many[30].events.first());
    many[30].events.last().name = QStringLiteral("Night");
    catalogue(QList<LibraryInfo>{first} + many);
    present();
    EXPECT_EQ(resets.size(), 0);
    EXPECT_EQ(table().indexAt(QPoint(0, 0)).data(BrowserModel::kIdRole).toString(), many[30].path);
    EXPECT_EQ(model().rowCount(at(many[30].path)), 2);
    expectInStep("after the catalogue changed");

    // The other way round by name: the rows move, with what is open and selected below them.
    Q_EMIT table().header()->sectionClicked(model().columnOf(QStringLiteral("name")));
    EXPECT_EQ(resets.size(), 0);
    EXPECT_EQ(model().index(0, 0).data(BrowserModel::kIdRole).toString(), many.last().path);
    EXPECT_EQ(model().index(model().rowCount() - 1, 0).data(BrowserModel::kIdRole).toString(), first.path);
    EXPECT_EQ(view->sort().keys, (QList<TreeSortKey>{{QStringLiteral("name"), false}}));
    expectInStep("sorted the other way");

    // A new search starts afresh, at the top.
    search = QStringLiteral("nothing");
    result.id = 2;
    present();
    EXPECT_EQ(resets.size(), 1);
    EXPECT_EQ(table().verticalScrollBar()->value(), 0);
}

TEST_F(BrowserViewTest, aSelectedEventIsClearedWhenASearchHidesItsLibrary) {
    const LibraryInfo alpha = library(QStringLiteral("Alpha"), {{"E1", {"P1"}}});
    const LibraryInfo beta = library(QStringLiteral("Beta"), {{"F1", {}}});
    catalogue({alpha, beta});
    present();
    disclose(beta.path, true);
    click(id(beta, "F1"));
    ASSERT_EQ(selection, id(beta, "F1"));

    search = QStringLiteral("alpha");
    result.id = 3;
    result.libraries[alpha.path].hits = {{SearchArea::libraryName, QStringLiteral("Alpha")}};
    present();
    EXPECT_EQ(selection, std::nullopt);
    EXPECT_TRUE(table().selectionModel()->selectedRows().isEmpty());
}

TEST_F(BrowserViewTest, aRevealScrollsOnlyToARowTheTreeShows) {
    QList<LibraryInfo> many;
    for (int i = 0; i < 60; ++i)
        many.append(library(QStringLiteral("Lib %1").arg(i, 2, 10, QChar(u'0')), {{"Day", {}}}));
    catalogue(many);
    present();
    table().scrollToTop();
    const auto reveal = [&](const QString& rowId) {
        NotificationHub::shared().post(AppAction::revealRow(), rowId);
        clock->advance(250ms);
        return table().verticalScrollBar()->value();
    };
    // An event of a closed library, and a row of no library: nothing moves.
    EXPECT_EQ(reveal(id(many[50], "Day")), 0);
    EXPECT_EQ(reveal(QStringLiteral("/nowhere.fcpbundle")), 0);
    EXPECT_GT(reveal(many[50].path), 0);
}

// ---- Columns and cells --------------------------------------------------------------------------

TEST_F(BrowserViewTest, theLastVisibleColumnAlignsTrailingAndTheArrangementOutlivesTheView) {
    catalogue({library(QStringLiteral("Alpha"), {})});
    present();
    const auto alignment = [&](const char* column) {
        return model()
                   .headerData(model().columnOf(QString::fromLatin1(column)), Qt::Horizontal,
                               Qt::TextAlignmentRole)
                   .value<Qt::Alignment>() &
               Qt::AlignHorizontal_Mask;
    };
    QHeaderView* header = table().header();
    for (const char* hidden : {"optimized", "proxy", "render"})
        EXPECT_TRUE(header->isSectionHidden(model().columnOf(QString::fromLatin1(hidden)))) << hidden;
    EXPECT_EQ(view->lastVisibleColumn(), QStringLiteral("alerts"));
    EXPECT_EQ(alignment("alerts"), Qt::AlignRight);
    EXPECT_EQ(alignment("missingPlugins"), Qt::AlignLeft);
    EXPECT_EQ(alignment("size"), Qt::AlignRight);

    // Hidden from the header's menu: the next one to the left takes the trailing edge.
    auto* chooser = header->findChild<ColumnChooser*>();
    ASSERT_NE(chooser, nullptr);
    {
        QMenu menu;
        chooser->fillMenu(&menu);
        menu.findChild<QAction*>(QStringLiteral("alerts"))->trigger();
    }
    EXPECT_EQ(view->lastVisibleColumn(), QStringLiteral("missingPlugins"));
    EXPECT_EQ(alignment("missingPlugins"), Qt::AlignRight);
    EXPECT_EQ(alignment("alerts"), Qt::AlignLeft);

    // A new view reads the stored arrangement.
    makeView();
    present();
    EXPECT_TRUE(table().header()->isSectionHidden(model().columnOf(QStringLiteral("alerts"))));
    EXPECT_EQ(view->lastVisibleColumn(), QStringLiteral("missingPlugins"));
}

TEST_F(BrowserViewTest, storedArrangementsThatCannotBeUsedAsTheyAreLeaveATableToSee) {
    const QString key = ColumnPrefs::key(BrowserView::tableName());
    struct Case {
        const char* name;
        QByteArray stored;
        QString lastVisible;
    };
    QJsonArray hideAll;
    for (const QString& column : BrowserColumns::declared()) {
        hideAll.append(QJsonObject{{"base", QJsonObject{{"explicit", QJsonObject{{"_0", column}}}}}});
        hideAll.append(QJsonObject{{"visibility", QJsonObject{{"hidden", QJsonObject{}}}}});
    }
    const Case cases[] = {
        {"not JSON", "{columnOrder: [", QStringLiteral("alerts")},
        {"unknown columns first",
         R"({"columnOrder":[{"base":{"explicit":{"_0":"colour"}}},{"base":{"explicit":{"_0":"alerts"}}},)"
         R"({"base":{"explicit":{"_0":"name"}}}]})",
         QStringLiteral("missingPlugins")},
        {"every column hidden", QJsonDocument(QJsonObject{{"perColumnState", hideAll}}).toJson(),
         QStringLiteral("alerts")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        env.settings->setData(key, c.stored);
        makeView();
        present();
        int shownColumns = 0;
        for (int logical = 0; logical < table().header()->count(); ++logical)
            shownColumns += table().header()->isSectionHidden(logical) ? 0 : 1;
        EXPECT_GE(shownColumns, 1);
        EXPECT_EQ(view->lastVisibleColumn(), c.lastVisible);
    }
}

TEST_F(BrowserViewTest, versionCellsWithAndWithoutAnInstalledFinalCutPro) {
    for (const bool installed : {true, false}) {
        SCOPED_TRACE(installed ? "installed" : "not installed");
        view.reset();
        catalog.reset();
        if (installed)
            env.finalCut->setLocation(QStringLiteral("/Applications/Final Cut Pro.app"));
        else
            env.finalCut->setLocation(std::nullopt);
        env.finalCut->setVersion(QStringLiteral("10.8"));
        catalog = env.makeCatalog();
        makeView();
        QList<LibraryInfo> libraries;
        for (const char* version : {"10.4", "11.1", "10.8.2", ""}) {
            LibraryInfo lib = library(QStringLiteral("V %1").arg(QString::fromLatin1(version)), {});
            if (*version)
                lib.fcpVersion = QString::fromLatin1(version);
            libraries.append(lib);
        }
        catalogue(libraries);
        present();
        const int fcp = model().columnOf(QStringLiteral("fcp"));
        QStringList texts;
        for (const LibraryInfo& lib : libraries)
            texts.append(at(lib.path, fcp).data().toString());
        if (installed)
            EXPECT_EQ(texts, (QStringList{"10.4 → 10.8", "11.1 (yours 10.8)", "10.8.2 ✓", "—"}));
        else
            EXPECT_EQ(texts, (QStringList{"10.4", "11.1", "10.8.2", "—"}));
    }
}

// ---- Strips and the summary -------------------------------------------------------------------

TEST_F(BrowserViewTest, theUpdateButtonFollowsTheLibrariesThatCanBeUpdatedNow) {
    view.reset();
    catalog.reset();
    env.finalCut->setLocation(QStringLiteral("/Applications/Final Cut Pro.app"));
    env.finalCut->setVersion(QStringLiteral("10.8"));
    catalog = env.makeCatalog();
    makeView();
    QList<QStringList> passed;
    view->setOnUpdate([&](const QList<LibraryInfo>& libraries) {
        QStringList paths;
        for (const LibraryInfo& lib : libraries)
            paths.append(lib.path);
        passed.append(paths);
    });
    LibraryInfo old = library(QStringLiteral("Old"), {});
    old.fcpVersion = QStringLiteral("10.4");
    LibraryInfo current = library(QStringLiteral("Current"), {});
    current.fcpVersion = QStringLiteral("10.8");
    catalogue({old, current});
    present();
    ASSERT_TRUE(view->updateButton()->isVisibleTo(view.get()));
    EXPECT_EQ(view->updateButton()->text(), QStringLiteral("Update 1 to Final Cut 10.8…"));
    view->updateButton()->click();
    EXPECT_EQ(passed, QList<QStringList>{{old.path}});

    old.problem = QStringLiteral("The library database could not be read.");
    catalogue({old, current});
    present();
    EXPECT_FALSE(view->updateButton()->isVisibleTo(view.get()));

    old.problem.reset();
    catalogue({old, current});
    QDir(old.path).removeRecursively(); // unplugged
    present();
    EXPECT_FALSE(view->updateButton()->isVisibleTo(view.get()));
}

TEST_F(BrowserViewTest, theMissingFilesButtonNamesHowManyLibrariesItPasses) {
    LibraryInfo one = library(QStringLiteral("One"), {{"Day", {}}});
    one.events[0].brokenLinkCount = 2;
    LibraryInfo two = library(QStringLiteral("Two"), {{"Day", {}}});
    two.events[0].brokenLinkCount = 1;
    const LibraryInfo fine = library(QStringLiteral("Fine"), {{"Day", {}}});
    catalogue({one, fine, two});
    missingForList = true;
    present();
    EXPECT_FALSE(view->missingButton()->isVisibleTo(view.get())) << "no sheet to open";

    QList<QList<LibraryInfo>> asked;
    view->setOnMissing([&](const QList<LibraryInfo>& libraries) { asked.append(libraries); });
    present();
    ASSERT_TRUE(view->missingButton()->isVisibleTo(view.get()));
    EXPECT_EQ(view->missingButton()->text(), QStringLiteral("Find Missing Files in These 2 Libraries…"));
    view->missingButton()->click();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].size(), 2);

    shown = {one, fine};
    present();
    EXPECT_EQ(view->missingButton()->text(), QStringLiteral("Find Missing Files in This Library…"));
    missingForList = false;
    present();
    EXPECT_FALSE(view->missingButton()->isVisibleTo(view.get()));
}

TEST_F(BrowserViewTest, theSummaryAndTheTraceSayWhatTheSearchFound) {
    const LibraryInfo alpha = library(QStringLiteral("Alpha"), {{"E1", {"P1", "P2", "P3"}}});
    const LibraryInfo beta = library(QStringLiteral("Beta"), {});
    catalogue({alpha, beta});
    present();
    EXPECT_FALSE(view->summaryStrip()->isVisibleTo(view.get()));
    EXPECT_EQ(UITrace::shared().searchCounts(), QStringLiteral("libraries=2 events=0 projects=0"));

    search = QStringLiteral("p");
    result.id = 4;
    SearchResult::Event e1;
    for (const char* project : {"P1", "P2", "P3"})
        e1.projects.insert(QString::fromLatin1(project),
                           {{SearchArea::projectName, QString::fromLatin1(project)}});
    e1.hits = {{SearchArea::keywords, QStringLiteral("pan")}, {SearchArea::keywords, QStringLiteral("pop")}};
    result.libraries[alpha.path].events.insert(QStringLiteral("E1"), e1);
    present();
    ASSERT_TRUE(view->summaryStrip()->isVisibleTo(view.get()));
    EXPECT_EQ(view->summaryText()->text(),
              QStringLiteral("Found 1 library · 3 projects · 1 event · 2 keywords"));
    EXPECT_EQ(view->summaryImage()->accessibleName(), QStringLiteral("text.magnifyingglass"));
    EXPECT_EQ(UITrace::shared().searchCounts(), QStringLiteral("libraries=1 events=1 projects=3"));

    search = QStringLiteral("nothing");
    result = SearchResult::empty();
    result.id = 5;
    present();
    EXPECT_EQ(view->summaryText()->text(),
              QStringLiteral(
                  "Nothing found. Turn on another choice next to the search field, or try fewer words."));
    EXPECT_EQ(view->summaryImage()->accessibleName(), QStringLiteral("questionmark.circle"));
    EXPECT_EQ(model().rowCount(), 0);
    EXPECT_EQ(UITrace::shared().searchCounts(), QStringLiteral("libraries=0 events=0 projects=0"));
}

// ---- The row menu and the double click --------------------------------------------------------

TEST_F(BrowserViewTest, theRowMenuActsOnTheRowsLibrary) {
    const auto enabled = [&](const QString& rowId) {
        QList<bool> flags;
        for (const RowMenu::Entry& entry : view->menuEntries(rowId))
            flags.append(entry.enabled);
        return flags;
    };
    LibraryInfo online = library(QStringLiteral("Online & Co"), {{"Day", {"Cut"}}});
    const LibraryInfo offline = library(QStringLiteral("Offline"), {{"Day", {}}}, false);
    catalogue({online, offline});
    view->setOnMissing([](const QList<LibraryInfo>&) {});
    present();

    EXPECT_EQ(enabled(offline.path), QList<bool>(6, false));
    EXPECT_EQ(enabled(online.path), (QList<bool>{true, true, true, true, true, false}));
    EXPECT_EQ(enabled(id(online, "Day")), enabled(online.path));
    EXPECT_TRUE(view->menuEntries(QStringLiteral("/nowhere/else.fcpbundle")).isEmpty());

    // Event and hit rows act on their library.
    view->choose(id(online, "Day"), RowMenu::Action::reveal);
    view->choose(id(online, "Day", "#keywords|zoom"), RowMenu::Action::openEnclosingFolder);
    EXPECT_EQ(files->revealed, QStringList{online.path});
    EXPECT_EQ(files->opened, QStringList{folder});

    QList<QString> cleaned;
    view->setOnCleanup([&](const LibraryInfo& library) { cleaned.append(library.path); });
    view->choose(online.path, RowMenu::Action::freeUpSpace);
    view->choose(offline.path, RowMenu::Action::freeUpSpace); // disabled: nothing
    EXPECT_EQ(cleaned, QList<QString>{online.path});

    // A library forgotten while the menu was open: nothing happens.
    catalog->seed({.libraries = QList<LibraryInfo>{offline}});
    view->choose(online.path, RowMenu::Action::reveal);
    view->open(online.path);
    EXPECT_EQ(files->revealed.size(), 1);
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(BrowserViewTest, aDoubleClickOnAHitRowOpensItsLibrary) {
    const LibraryInfo alpha = library(QStringLiteral("Alpha"), {{"E1", {}}});
    catalogue({alpha});
    search = QStringLiteral("zoom");
    result.id = 6;
    SearchResult::Event e1;
    e1.hits = {{SearchArea::keywords, QStringLiteral("zoom")}};
    result.libraries[alpha.path].events.insert(QStringLiteral("E1"), e1);
    present();
    const QString hit = id(alpha, "E1", "#keywords|zoom");
    ASSERT_TRUE(at(hit).isValid());
    const QRect rect = table().visualRect(at(hit, model().columnOf(QStringLiteral("details"))));
    // What the window system sends for a double click: the second press comes as the double click.
    QTest::mouseClick(table().viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(table().viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseRelease(table().viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(opened, QStringList{alpha.path});
}

// ---- The path card ----------------------------------------------------------------------------

TEST_F(BrowserViewTest, restingOnALibrarysPathOpensItsCardAndTheCardForgetsARowThatLeft) {
    const LibraryInfo alpha = library(QStringLiteral("Alpha"), {});
    catalogue({alpha});
    present();
    const QModelIndex path = at(alpha.path, model().columnOf(QStringLiteral("details")));
    QStyleOptionViewItem option;
    option.initFrom(&table());
    option.rect = table().visualRect(path);
    const QRectF text = view->delegate()->pathTextRect(option, path);
    ASSERT_FALSE(text.isEmpty());
    QMouseEvent move(QEvent::MouseMove, text.center(), table().viewport()->mapToGlobal(text.center()),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(table().viewport(), &move);
    clock->advance(1s);
    ASSERT_TRUE(view->hoverCard()->isVisible());
    EXPECT_EQ(view->hoverCard()->rowId(), alpha.path);
    EXPECT_TRUE(view->hoverCard()->openButton()->isVisibleTo(view->hoverCard()));

    // The library leaves the list: the card closes.
    shown.clear();
    present();
    EXPECT_FALSE(view->hoverCard()->isVisible());
    EXPECT_TRUE(view->hoverCard()->rowId().isEmpty());
}

} // namespace
