// The controls around the main window's content, offscreen: the toolbar by the window's width,
// its pickers, working-drives button and Scan menu; the tables' double click; the two empty
// states and their buttons; and the status bar's version, paused-scan buttons and summary.

#include "App/AppSettings.h"
#include "Browser/Views/SearchField.h"
#include "Catalogue/Scan/ScanHost.h"
#include "Shell/Views/MainToolbar.h"
#include "Shell/Views/MainWindow.h"
#include "Shell/Views/StatusLine.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"
#include "Tests/Support/CatalogSeeding.h"
#include "Tests/Support/FakeMainBundle.h"
#include "Widgets/BusySpinner.h"

#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace pellimor;
using test::MainWindowHarness;

namespace {

QStringList texts(const QList<QAction*>& actions) {
    QStringList out;
    for (const QAction* action : actions) {
        if (!action->isSeparator())
            out.append(action->text() + (action->isEnabled() ? QString() : QStringLiteral(" (off)")));
    }
    return out;
}

QAction* actionNamed(const QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

class MainWindowChromeTest : public ::testing::Test {
protected:
    // Libraries on the plugged drive Media and on Away, a drive that is not plugged in.
    void fill() {
        media = window.plugDrive(QStringLiteral("Media"));
        alpha = test::libraryRecord(QDir(media).filePath(QStringLiteral("Alpha.fcpbundle")),
                                    QStringLiteral("Media"));
        away = test::libraryRecord(QDir(window.volumes).filePath(QStringLiteral("Away/Gone.fcpbundle")),
                                   QStringLiteral("Away"));
        window.catalog().seed({.libraries = QList<LibraryInfo>{alpha, away}});
    }
    void start() {
        window.create();
        fill();
        window.show();
        window.prompts->questions.clear();
    }
    MainToolbar& toolbar() const { return *window.content().toolBar(); }
    StatusLine& status() const { return *window.content().statusLine(); }
    template <typename T> T* part(const QString& name) const { return window.content().findChild<T*>(name); }
    void resizeTo(int width) {
        window.app->mainWindow().resize(width, 900);
        window.settle();
    }

    MainWindowHarness window{QStringLiteral("chrome")};
    QString media;
    LibraryInfo alpha;
    LibraryInfo away;
};

TEST_F(MainWindowChromeTest, theToolbarSitsAtTheTopAndFollowsTheWindowsWidthAndTab) {
    start();
    MainWindow& main = window.app->mainWindow();
    ASSERT_EQ(toolbar().parentWidget(), &main);
    EXPECT_EQ(main.toolBarArea(&toolbar()), Qt::TopToolBarArea);
    EXPECT_TRUE(toolbar().isVisible());

    struct Case {
        int width;
        Qt::ToolButtonStyle labels;
        bool large;
        int pickerMinimum;
    };
    const Case cases[] = {
        {1100, Qt::ToolButtonIconOnly, false, 0}, // narrower than both thresholds
        {1300, Qt::ToolButtonIconOnly, true, 546},
        {1600, Qt::ToolButtonTextBesideIcon, true, 600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        resizeTo(c.width);
        ASSERT_EQ(window.content().state().winWidth, c.width);
        EXPECT_EQ(toolbar().shown().large, c.large);
        EXPECT_EQ(toolbar().viewPicker()->minimumWidth(), c.pickerMinimum);
        for (QToolButton* button : {toolbar().dateButton(), toolbar().scanButton()})
            EXPECT_EQ(button->toolButtonStyle(), c.labels) << button->objectName().toStdString();
    }

    // The view picker and the window's tab are one.
    toolbar().modeAction(Mode::media)->trigger();
    window.settle();
    EXPECT_EQ(window.content().state().mode, Mode::media);
    EXPECT_EQ(toolbar().checkedMode(), Mode::media);
    EXPECT_EQ(toolbar().searchField()->prompt(), QStringLiteral("File name, e.g. C0006"));
    window.content().setMode(Mode::events);
    window.settle();
    EXPECT_EQ(toolbar().checkedMode(), Mode::events);
    EXPECT_EQ(toolbar().searchField()->prompt(), QStringLiteral("Search"));
}

TEST_F(MainWindowChromeTest, theDatePickerAndWorkingDrivesButtonWriteTheirSettings) {
    start();
    QMenu* dates = toolbar().dateButton()->menu();
    ASSERT_NE(dates, nullptr);
    Q_EMIT dates->aboutToShow();
    EXPECT_EQ(texts(dates->actions()), (QStringList{"Date modified", "Date created"}));
    actionNamed(dates, QStringLiteral("Date created"))->trigger();
    window.settle();
    EXPECT_EQ(AppSettings::dateMode(), QStringLiteral("created"));
    EXPECT_EQ(toolbar().dateButton()->text(), QStringLiteral("Created"));

    QToolButton* working = toolbar().workingDrivesButton();
    EXPECT_EQ(working->accessibleName(), QStringLiteral("Working drives only"));
    EXPECT_EQ(working->toolTip(), QStringLiteral("Hide backup drives"));
    working->click();
    window.settle();
    EXPECT_TRUE(AppSettings::hideBackups());
    EXPECT_TRUE(toolbar().shown().workingFilled);
    EXPECT_EQ(working->toolTip(), QStringLiteral("Backup drives hidden. Click to show them"));
    working->click();
    window.settle();
    EXPECT_FALSE(AppSettings::hideBackups());
}

TEST_F(MainWindowChromeTest, theScanMenuFollowsTheCatalogueAndOffersTheDrivesMountedNow) {
    start();
    QMenu* scan = toolbar().scanMenu();
    // No watched folders: nothing to refresh, but a folder can be added.
    EXPECT_EQ(texts(scan->actions()), (QStringList{"Add Folder to Watch…", "Refresh Watched Folders (off)",
                                                   "Scan Entire Drive (slow)…"}));
    actionNamed(scan, QStringLiteral("Add Folder to Watch…"))->trigger();
    window.settle();
    EXPECT_EQ(window.prompts->folderChoices.size(), 1);

    // The drives as mounted when the submenu opens, titled as written.
    const QString tom = window.plugDrive(QStringLiteral("Tom & Jerry"));
    window.env.volumes->setMountedVolumes(QStringList{QStringLiteral("/"), media, tom});
    QMenu* drives = toolbar().entireDriveMenu();
    Q_EMIT drives->aboutToShow();
    ASSERT_EQ(drives->actions().size(), 2);
    EXPECT_EQ(drives->actions().at(0)->text(), QStringLiteral("Media"));
    EXPECT_EQ(drives->actions().at(1)->text(), QStringLiteral("Tom && Jerry"));
    // Choosing one asks the whole-drive question; dismissed, nothing runs.
    drives->actions().at(1)->trigger();
    window.settle();
    ASSERT_EQ(window.prompts->questions.size(), 1);
    EXPECT_TRUE(window.prompts->questions.first().title.contains(QStringLiteral("Tom & Jerry")));
    EXPECT_FALSE(window.catalog().isScanning());
    window.env.volumes->setMountedVolumes(QStringList{});
    Q_EMIT drives->aboutToShow();
    EXPECT_TRUE(drives->actions().isEmpty());

    // While a scan runs: the menu is off, and Pause and Stop are there until it ends.
    EXPECT_FALSE(toolbar().pauseButton()->isVisibleTo(&toolbar()));
    window.catalog().seed({.scanning = true});
    window.settle();
    EXPECT_FALSE(toolbar().scanButton()->isEnabled());
    EXPECT_TRUE(toolbar().pauseButton()->isVisibleTo(&toolbar()));
    EXPECT_TRUE(toolbar().stopButton()->isVisibleTo(&toolbar()));
    window.catalog().seed({.scanning = false});
    window.settle();
    EXPECT_TRUE(toolbar().scanButton()->isEnabled());
    EXPECT_FALSE(toolbar().stopButton()->isVisibleTo(&toolbar()));
}

TEST_F(MainWindowChromeTest, aDoubleClickHandsTheRowsLibraryToTheOpenerAlsoWhileItsDriveIsAway) {
    start();
    QStringList opened;
    window.catalog().setOpener([&](const LibraryInfo& library) { opened.append(library.path); });
    window.content().setMode(Mode::libraries);
    window.settle();
    QTableView* table = window.content().table(Mode::libraries);
    const int row = static_cast<int>(window.column(Mode::libraries).indexOf(QStringLiteral("Gone")));
    ASSERT_GE(row, 0);
    ASSERT_FALSE(window.catalog().isOnline(away));
    const QPoint at = table->visualRect(table->model()->index(row, 1)).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
    window.settle();
    EXPECT_EQ(opened, QStringList{away.path});
}

TEST_F(MainWindowChromeTest, anEmptyCatalogueOffersTheFolderChooser) {
    window.start();
    EXPECT_EQ(window.content().content(), MainContent::Content::empty);
    QWidget* page = part<QWidget>(QStringLiteral("emptyState"));
    bool symbol = false;
    for (const QLabel* label : page->findChildren<QLabel*>())
        symbol = symbol || label->accessibleName() == QStringLiteral("film.stack");
    EXPECT_TRUE(symbol);
    part<QPushButton>(QStringLiteral("addFolderToWatch"))->click();
    window.settle();
    ASSERT_EQ(window.prompts->folderChoices.size(), 1);
}

TEST_F(MainWindowChromeTest, theFilteredEmptyStateOffersOneWayOutBySearchOrFilter) {
    start();
    QPushButton* clear = part<QPushButton>(QStringLiteral("clearSearch"));
    QPushButton* everything = part<QPushButton>(QStringLiteral("showEverything"));

    // A search in effect where the filter leaves nothing: "Clear Search" alone, which leaves
    // the filters be.
    window.env.settings->setFlag(QStringLiteral("hideBackupDrives"), true);
    const SidebarSelection duplicates{SidebarItem::Kind::duplicates};
    window.content().setSidebar(duplicates);
    window.content().setMode(Mode::libraries);
    window.content().setSearch(QStringLiteral("nothingcalledthis"));
    ASSERT_TRUE(test::CatalogTestEnv::waitUntil(
        [&] { return window.content().state().appliedSearch == QStringLiteral("nothingcalledthis"); }));
    window.settle();
    ASSERT_EQ(window.content().content(), MainContent::Content::filteredEmpty);
    EXPECT_EQ(window.content().contentTitle(), QStringLiteral("No matches"));
    EXPECT_TRUE(clear->isVisibleTo(clear->parentWidget()));
    EXPECT_FALSE(everything->isVisibleTo(everything->parentWidget()));
    EXPECT_EQ(part<QLabel>(QStringLiteral("filteredExplanation"))->text(),
              QStringLiteral("Try fewer words, or open the magnifying glass and turn on All fields."));
    clear->click();
    ASSERT_TRUE(
        test::CatalogTestEnv::waitUntil([&] { return window.content().state().appliedSearch.isEmpty(); }));
    window.settle();
    EXPECT_EQ(toolbar().searchField()->text(), QString());
    EXPECT_EQ(window.content().state().sidebar, duplicates);
    EXPECT_TRUE(AppSettings::hideBackups());

    // Without a search: "Show Everything" alone, which clears the filter and shows backups.
    EXPECT_EQ(window.content().contentTitle(), QStringLiteral("No duplicates"));
    ASSERT_EQ(window.content().content(), MainContent::Content::filteredEmpty);
    EXPECT_FALSE(clear->isVisibleTo(clear->parentWidget()));
    EXPECT_TRUE(everything->isVisibleTo(everything->parentWidget()));
    everything->click();
    window.settle();
    EXPECT_EQ(window.content().state().sidebar, SidebarSelection{SidebarItem::Kind::all});
    EXPECT_FALSE(AppSettings::hideBackups());
}

TEST_F(MainWindowChromeTest, theStatusBarShowsTheVersionCountsAndThePausedScansButtons) {
    const platform::ScopedServices bundle(
        test::FakeMainBundle::services(std::make_shared<test::FakeMainBundle>(
            QVariantMap{{"CFBundleShortVersionString", "1.2"}, {"CFBundleVersion", "345"}})));
    // A scan paused in the second of two locations, from an earlier run.
    {
        const std::unique_ptr<Catalog> earlier = window.env.makeCatalog();
        ScanJob job;
        job.roots = {QStringLiteral("/Volumes/First"), QStringLiteral("/Volumes/Second")};
        job.rootIndex = 1;
        earlier->scanHost()->job() = job;
        CatalogSeeding::writeJob(*earlier);
    }
    start();
    const QLabel* version = part<QLabel>(QStringLiteral("statusVersion"));
    EXPECT_EQ(version->text(), QStringLiteral("v1.2 (345)"));
    EXPECT_TRUE(version->isVisibleTo(&status()));
    EXPECT_EQ(status().summary(), QStringLiteral("2 libraries · 2 projects · 2 KB"));
    // A status far longer than the bar is shortened in the middle; the summary stays whole.
    const QString longStatus = QStringLiteral("Searching ") + QString(400, u'x') + QStringLiteral(" end");
    resizeTo(1250);
    window.catalog().setStatus(longStatus);
    window.settle();
    const QLabel* summary = part<QLabel>(QStringLiteral("statusSummary"));
    EXPECT_GE(summary->width(), summary->sizeHint().width());
    const QLabel* statusText = part<QLabel>(QStringLiteral("statusText"));
    EXPECT_TRUE(statusText->text().startsWith(QStringLiteral("Searching ")));
    EXPECT_TRUE(statusText->text().endsWith(QStringLiteral(" end")));
    EXPECT_LT(statusText->text().size(), longStatus.size());

    QPushButton* resume = part<QPushButton>(QStringLiteral("statusResume"));
    QPushButton* discard = part<QPushButton>(QStringLiteral("statusDiscard"));
    ASSERT_TRUE(window.catalog().pausedJob().has_value());
    EXPECT_TRUE(resume->isVisibleTo(&status()));
    EXPECT_TRUE(discard->isVisibleTo(&status()));
    EXPECT_EQ(resume->toolTip(), QStringLiteral("Carry on the interrupted scan of /Volumes/Second"));
    EXPECT_EQ(texts(toolbar().scanMenu()->actions()).value(1),
              QStringLiteral("Resume Paused Scan (2 of 2 locations)"));

    // Another scan runs: neither button; its count once a total is known.
    window.catalog().seed({.scanning = true});
    window.catalog().seed({.progress = std::optional<Catalog::Progress>(Catalog::Progress{0, 0})});
    window.settle();
    EXPECT_FALSE(resume->isVisibleTo(&status()));
    EXPECT_FALSE(discard->isVisibleTo(&status()));
    EXPECT_TRUE(part<BusySpinner>(QStringLiteral("busySpinner"))->isVisibleTo(&status()));
    EXPECT_EQ(status().progressText(), QString());
    window.catalog().seed({.progress = std::optional<Catalog::Progress>(Catalog::Progress{3, 10})});
    // Drawn at the scheduler's pace while a scan runs.
    EXPECT_TRUE(test::CatalogTestEnv::waitUntil(
        [&] { return status().progressText() == QStringLiteral("3/10 libraries"); }, 5000));
    window.catalog().seed({.progress = std::optional<Catalog::Progress>(std::nullopt)});
    window.catalog().seed({.scanning = false});
    window.settle();
    EXPECT_FALSE(part<BusySpinner>(QStringLiteral("busySpinner"))->isVisibleTo(&status()));

    // "Discard" forgets the job and keeps the catalogue.
    const QString jobFile = QDir(window.env.dataDir).filePath(QStringLiteral("scanjob.json"));
    ASSERT_TRUE(QFile::exists(jobFile));
    discard->click();
    window.settle();
    EXPECT_FALSE(QFile::exists(jobFile));
    EXPECT_FALSE(window.catalog().pausedJob().has_value());
    EXPECT_EQ(window.catalog().libraries().size(), 2);
    EXPECT_FALSE(resume->isVisibleTo(&status()));
    EXPECT_EQ(texts(toolbar().scanMenu()->actions()).size(), 3);
}

TEST_F(MainWindowChromeTest, withoutABuildNumberThereIsNoVersionLabel) {
    const platform::ScopedServices bundle(test::FakeMainBundle::services(
        std::make_shared<test::FakeMainBundle>(QVariantMap{{"CFBundleShortVersionString", "1.2"}})));
    start();
    EXPECT_FALSE(part<QLabel>(QStringLiteral("statusVersion"))->isVisibleTo(&status()));
}

} // namespace
