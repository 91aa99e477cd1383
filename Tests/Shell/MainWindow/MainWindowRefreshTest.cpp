// How the main window follows the catalogue, with its refresh scheduler on a manual clock:
// a turn's many changes drawn once, a scan drawn at the scheduler's pace and its end at once,
// each part redrawn only for changes it shows, and the browser and tables changing in place.

#include "Browser/Views/BrowserModel.h"
#include "Browser/Views/BrowserView.h"
#include "Shell/SortKey.h"
#include "Shell/Views/StatusLine.h"
#include "Support/ByteCount.h"
#include "Support/WorkPool.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"
#include "Tests/Support/ManualRefreshTiming.h"
#include "Tests/Support/VirtualClock.h"
#include "Widgets/CellPainter.h"

#include <QFontMetricsF>
#include <QHeaderView>
#include <QPersistentModelIndex>
#include <QSignalSpy>
#include <QTableView>
#include <QThreadPool>
#include <QTreeView>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

using namespace pellimor;
using namespace std::chrono_literals;
using test::MainWindowHarness;

namespace {

// How often each part of the window has been drawn.
struct Runs {
    qint64 sidebar = 0;
    qint64 content = 0;
    qint64 details = 0;
    qint64 status = 0;
    bool operator==(const Runs&) const = default;
    Runs operator-(const Runs& o) const {
        return {sidebar - o.sidebar, content - o.content, details - o.details, status - o.status};
    }
};

void PrintTo(const Runs& runs, std::ostream* out) {
    *out << "sidebar " << runs.sidebar << ", content " << runs.content << ", details " << runs.details
         << ", status " << runs.status;
}

// The window's content over a catalogue of its own, not shown (so no start-up runs), with the
// scheduler on a manual clock. The harness gives the data folder, settings and volumes root.
class MainWindowRefreshTest : public ::testing::Test {
protected:
    void SetUp() override {
        media = window.plugDrive(QStringLiteral("Media"));
        catalog = std::make_unique<Catalog>();
        content = std::make_unique<MainContent>(*catalog, QStringList{QStringLiteral("tovlin")}, nullptr,
                                                time.timing());
        content->resize(1000, 700);
        settle();
    }
    void TearDown() override {
        content.reset();
        workPool()->waitForDone();
        test::CatalogTestEnv::spin(10);
        catalog.reset();
    }

    // The catalogue's own background work lands, and what it changed is drawn.
    void settle() {
        workPool()->waitForDone();
        test::CatalogTestEnv::spin(10);
        time.turn();
    }

    Runs runs() const {
        const RefreshScheduler& scheduler = content->refreshScheduler();
        const MainContent::Parts& parts = content->parts();
        return {scheduler.runs(parts.sidebar), scheduler.runs(parts.content), scheduler.runs(parts.details),
                scheduler.runs(content->statusLine()->refreshPart())};
    }

    LibraryInfo library(const QString& name) const {
        return test::libraryRecord(QDir(media).filePath(name + QStringLiteral(".fcpbundle")),
                                   QStringLiteral("Media"));
    }

    BrowserView& browser() const { return *content->browserView(); }
    int browserRowCount() const { return browser().model()->rowCount(); }
    QStringList browserRows() const {
        QStringList names;
        for (int i = 0; i < browserRowCount(); ++i)
            names.append(browser().model()->index(i, 0).data().toString());
        return names;
    }

    MainWindowHarness window{QStringLiteral("refresh")};
    test::ManualRefreshTiming time;
    QString media;
    std::unique_ptr<Catalog> catalog;
    std::unique_ptr<MainContent> content;
};

TEST_F(MainWindowRefreshTest, manyChangesInOneTurnAreDrawnOnce) {
    const Runs before = runs();
    QList<LibraryInfo> libraries;
    for (int i = 0; i < 40; ++i) {
        libraries.append(library(QStringLiteral("Library %1").arg(i)));
        catalog->seed({.libraries = libraries});
        catalog->setStatus(QStringLiteral("Scanned Library %1").arg(i));
    }
    EXPECT_EQ(runs(), before);
    EXPECT_EQ(content->content(), MainContent::Content::empty);

    time.turn();
    EXPECT_EQ(runs() - before, (Runs{1, 1, 1, 1}));
    EXPECT_EQ(content->content(), MainContent::Content::tab);
    EXPECT_EQ(browserRowCount(), 40);
    EXPECT_EQ(content->statusLine()->statusText(), QStringLiteral("Scanned Library 39"));

    time.advance(1s);
    time.turn();
    EXPECT_EQ(runs() - before, (Runs{1, 1, 1, 1}));
}

// A library applied every 10 ms, each in a turn of its own, as a scan's reads come back.
TEST_F(MainWindowRefreshTest, scanIsDrawnAtMostOncePerPeriodAndItsEndAtOnce) {
    catalog->seed({.scanning = true});
    time.turn();
    const Runs before = runs();
    const std::chrono::nanoseconds start = time.now();
    QList<LibraryInfo> libraries;
    // 95 of them: the scan ends halfway through a period.
    for (int i = 0; i < 95; ++i) {
        libraries.append(library(QStringLiteral("Library %1").arg(i)));
        catalog->seed({.libraries = libraries});
        catalog->seed({.progress = std::optional<Catalog::Progress>(Catalog::Progress{i + 1, 95})});
        catalog->setStatus(QStringLiteral("Scanned Library %1").arg(i));
        time.turn();
        time.advance(10ms);
    }
    const qint64 periods = (time.now() - start) / RefreshScheduler::kScanningPeriod;
    const Runs during = runs() - before;
    for (const qint64 drawn : {during.sidebar, during.content, during.details, during.status}) {
        EXPECT_LE(drawn, periods + 1);
        EXPECT_GE(drawn, periods / 2); // the scan shows as it goes
    }
    EXPECT_LT(browserRowCount(), 95);

    // The end of the scan is drawn on the next turn, without waiting out the period.
    catalog->setStatus(QStringLiteral("Done"));
    catalog->seed({.progress = std::optional<Catalog::Progress>(std::nullopt)});
    catalog->seed({.scanning = false});
    time.turn();
    EXPECT_EQ(browserRowCount(), 95);
    EXPECT_EQ(content->statusLine()->statusText(), QStringLiteral("Done"));
    EXPECT_EQ(content->statusLine()->progressText(), QString());
}

TEST_F(MainWindowRefreshTest, eachChangeRedrawsOnlyThePartsThatShowIt) {
    const LibraryInfo alpha = library(QStringLiteral("Alpha"));
    catalog->seed({.libraries = QList<LibraryInfo>{alpha}});
    time.turn();

    struct Case {
        const char* name;
        std::function<void()> change;
        bool shown;           // the sidebar, content and details show it
        bool status;          // the status line shows it
        bool sidebar = false; // the sidebar alone shows it
    };
    const Case cases[] = {
        {"status text", [&] { catalog->setStatus(QStringLiteral("Hello")); }, false, true},
        {"progress",
         [&] {
             catalog->seed({.progress = std::optional<Catalog::Progress>(Catalog::Progress{1, 2})});
         },
         false, true},
        {"watched folders",
         [&] {
             catalog->seed({.roots = QList<ScanRoot>{ScanRoot{media, std::nullopt}}});
         },
         false, false, true},
        {"free space",
         [&] {
             catalog->seed({.volumeSpace =
                                QMap<QString, Catalog::VolumeSpace>{{media, Catalog::VolumeSpace{100, 40}}}});
         },
         false, false, true},
        {"libraries",
         [&] {
             catalog->seed({.libraries = QList<LibraryInfo>{alpha, library(QStringLiteral("Beta"))}});
         },
         true, false},
        {"drive roles", [&] { catalog->setBackup(true, std::nullopt, QStringLiteral("Media")); }, true,
         false},
        {"favourites", [&] { catalog->toggleFavorite(alpha.path); }, true, false},
        {"plug-in statistics", [&] { catalog->recheckPlugins(); }, true, false},
        {"a stored setting", [&] { window.env.settings->setFlag(QStringLiteral("hideBackupDrives"), true); },
         true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Runs before = runs();
        c.change();
        time.turn();
        const qint64 shown = c.shown ? 1 : 0;
        EXPECT_EQ(runs() - before, (Runs{c.sidebar ? 1 : shown, shown, shown, c.status ? 1 : 0}));
    }
}

TEST_F(MainWindowRefreshTest, browserRebuildsOnlyTheLibrariesReadAgainAndKeepsWhatTheUserOpened) {
    const LibraryInfo alpha = library(QStringLiteral("Alpha"));
    LibraryInfo beta = library(QStringLiteral("Beta"));
    const LibraryInfo gamma = library(QStringLiteral("Gamma"));
    catalog->seed({.libraries = QList<LibraryInfo>{alpha, beta, gamma}});
    time.turn();
    ASSERT_EQ(browserRows(), (QStringList{"Alpha", "Beta", "Gamma"}));
    BrowserModel& model = *browser().model();
    QTreeView& table = *browser().table();
    table.setExpanded(model.indexOf(gamma.path), true);
    table.setExpanded(model.indexOf(beta.path), true);
    content->setSelection(beta.path + QStringLiteral("|Day 1"));
    // The row first built for Gamma's event, followed through every change.
    const QString gammaEvent = gamma.path + QStringLiteral("|Day 1");
    const QPersistentModelIndex gammaRow(model.indexOf(gammaEvent));
    ASSERT_TRUE(gammaRow.isValid());

    // Beta read again with a second event, Alpha gone, Delta new; then the catalogue's order
    // turned round, the date column switched and the rows sorted by name the other way: the
    // rows follow, and the expansion and selection stay.
    beta.scannedAt = beta.scannedAt.addSecs(3600);
    EventInfo second;
    second.name = QStringLiteral("Day 2");
    beta.events.append(second);
    const LibraryInfo delta = library(QStringLiteral("Delta"));
    const std::function<void()> steps[] = {
        [&] {
            catalog->seed({.libraries = QList<LibraryInfo>{beta, gamma, delta}});
        },
        [&] {
            catalog->seed({.libraries = QList<LibraryInfo>{delta, gamma, beta}});
        },
        [&] { window.env.settings->setText(QStringLiteral("dateMode"), QStringLiteral("created")); },
        [&] { Q_EMIT table.header()->sectionClicked(model.columnOf(QStringLiteral("name"))); },
    };
    const QStringList orders[] = {{"Beta", "Delta", "Gamma"},
                                  {"Beta", "Delta", "Gamma"},
                                  {"Beta", "Delta", "Gamma"},
                                  {"Gamma", "Delta", "Beta"}};
    for (int step = 0; step < 4; ++step) {
        SCOPED_TRACE(step);
        steps[step]();
        time.turn();
        EXPECT_EQ(browserRows(), orders[step]);
        EXPECT_EQ(model.rowCount(model.indexOf(beta.path)), 2);
        EXPECT_TRUE(table.isExpanded(model.indexOf(gamma.path)));
        EXPECT_TRUE(table.isExpanded(model.indexOf(beta.path)));
        const QModelIndexList selected = table.selectionModel()->selectedRows();
        ASSERT_EQ(selected.size(), 1);
        EXPECT_EQ(selected.first(), model.indexOf(beta.path + QStringLiteral("|Day 1")));
        EXPECT_FALSE(model.indexOf(alpha.path).isValid());
        // Gamma is never read again: its rows stay the ones first built.
        EXPECT_TRUE(gammaRow.isValid());
        EXPECT_EQ(QModelIndex(gammaRow), model.indexOf(gammaEvent));
    }
    EXPECT_EQ(model.headerData(model.columnOf(QStringLiteral("modified")), Qt::Horizontal).toString(),
              QStringLiteral("Created"));
}

TEST_F(MainWindowRefreshTest, tableRowsThatLineUpChangeInPlace) {
    LibraryInfo alpha = library(QStringLiteral("Alpha"));
    const LibraryInfo beta = library(QStringLiteral("Beta"));
    catalog->seed({.libraries = QList<LibraryInfo>{alpha, beta}});
    content->setMode(Mode::libraries);
    content->setSelection(beta.path);
    RowTableModel* model = content->tableModel(Mode::libraries);
    QTableView* table = content->table(Mode::libraries);
    const int betaRow = model->rowOf(beta.path).value_or(-1);
    ASSERT_GE(betaRow, 0);
    ASSERT_EQ(table->currentIndex().row(), betaRow);
    QSignalSpy resets(model, &QAbstractItemModel::modelReset);
    QSignalSpy changes(model, &QAbstractItemModel::dataChanged);

    // A text changes, the rows stay where they are: only that row is redrawn.
    alpha.fcpVersion = QStringLiteral("10.8");
    catalog->seed({.libraries = QList<LibraryInfo>{alpha, beta}});
    time.turn();
    EXPECT_EQ(resets.size(), 0);
    ASSERT_EQ(changes.size(), 1);
    const int alphaRow = model->rowOf(alpha.path).value_or(-1);
    EXPECT_EQ(changes.first().at(0).value<QModelIndex>().row(), alphaRow);
    EXPECT_EQ(changes.first().at(1).value<QModelIndex>().row(), alphaRow);
    EXPECT_EQ(table->currentIndex().row(), betaRow);
    EXPECT_EQ(model->data(model->index(alphaRow, model->columnOf(int(LibraryField::fcp)).value_or(-1)),
                          Qt::DisplayRole),
              QStringLiteral("10.8"));

    // Rows added: the table starts over and selects the same library again.
    catalog->seed({.libraries = QList<LibraryInfo>{alpha, beta, library(QStringLiteral("Gamma"))}});
    time.turn();
    EXPECT_EQ(resets.size(), 1);
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_EQ(table->currentIndex().row(), model->rowOf(beta.path).value_or(-1));
}

// A browser shown a few rows high over a long list whose widest size sits at the bottom, out
// of view: the columns are fitted to the whole list, not to the rows in view.
TEST(BrowserFitTest, columnsFitTheWholeListNotOnlyTheRowsInView) {
    MainWindowHarness window(QStringLiteral("browser-fit"));
    test::ScopedVirtualClock clock;
    QList<LibraryInfo> libraries;
    for (int i = 0; i < 60; ++i)
        libraries.append(
            test::libraryRecord(QStringLiteral("/Work/Library %1.fcpbundle").arg(i, 2, 10, QChar(u'0')),
                                QStringLiteral("Macintosh HD")));
    libraries.last().events.first().originalSize = 987'654'321'098'765;
    const std::unique_ptr<Catalog> catalog = window.env.makeCatalog();
    catalog->seed({.libraries = libraries});
    BrowserView browser(*catalog);
    browser.resize(2400, 160);
    browser.show();
    BrowserView::Inputs in;
    in.libraries = libraries;
    in.dateMode = QStringLiteral("modified");
    browser.present(in);
    clock->advance(std::chrono::milliseconds(200));

    const QModelIndex last = browser.model()->index(59, 0);
    ASSERT_EQ(last.data(BrowserModel::kIdRole).toString(), libraries.last().path);
    ASSERT_FALSE(browser.table()->viewport()->rect().intersects(browser.table()->visualRect(last)));
    const QString widest = ByteCount::file(libraries.last().totalSize());
    const int size = browser.model()->columnOf(QStringLiteral("size"));
    EXPECT_GE(browser.table()->header()->sectionSize(size),
              QFontMetricsF(CellPainter::digitFont(13, std::nullopt, 1.0)).horizontalAdvance(widest));
}

} // namespace
