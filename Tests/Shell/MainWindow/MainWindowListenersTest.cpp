// The main window's reactions, offscreen: menu notifications, the selection and the details
// column, the content rules, the two questions and the folder chooser (answered by scripted
// prompts), sorting by a header, the sheets' stand-ins and the media list being replaced.

#include "App/AppAction.h"
#include "Browser/Views/BrowserView.h"
#include "Catalogue/Logs/UITrace.h"
#include "Catalogue/Scan/ScanHost.h"
#include "Shell/Views/DetailsPanel.h"
#include "Shell/Views/MainToolbar.h"
#include "Shell/Views/SidebarModel.h"
#include "Shell/Views/SidebarView.h"
#include "Shell/Views/StatusLine.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"
#include "Tests/Support/VirtualClock.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace pellimor;
using test::MainWindowHarness;
using test::ScriptedPrompts;
using test::TestEnv;

namespace {

// A window over three catalogued libraries that are not on disk: two on the drive Media (one
// of them twice over, as copies with one identifier) and one on Archive. The refresh question
// of the filled catalogue is dismissed.
class MainWindowListenersTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.create();
        media = window.plugDrive(QStringLiteral("Media"));
        archive = window.plugDrive(QStringLiteral("Archive"));
        alpha = test::libraryRecord(QDir(media).filePath(QStringLiteral("Alpha.fcpbundle")),
                                    QStringLiteral("Media"));
        beta = test::libraryRecord(QDir(media).filePath(QStringLiteral("Beta.fcpbundle")),
                                   QStringLiteral("Media"), QStringLiteral("Interviews"));
        old = test::libraryRecord(QDir(archive).filePath(QStringLiteral("Old.fcpbundle")),
                                  QStringLiteral("Archive"));
        window.catalog().seed({.libraries = QList<LibraryInfo>{alpha, beta, old}});
        window.show();
        window.prompts->questions.clear();
    }

    void selectRow(Mode mode, int row) {
        window.content().table(mode)->selectRow(row);
        window.settle();
    }

    MainWindowHarness window{QStringLiteral("listeners")};
    QString media;
    QString archive;
    LibraryInfo alpha;
    LibraryInfo beta;
    LibraryInfo old;
};

TEST_F(MainWindowListenersTest, setModeSwitchesTabsAndClearsTheSelection) {
    window.post(AppAction::setMode(), QStringLiteral("Events"));
    EXPECT_EQ(window.content().toolBar()->checkedMode(), Mode::events);
    EXPECT_TRUE(UITrace::shared().snapshot().contains(QStringLiteral("tab=Events")));

    selectRow(Mode::events, 0);
    ASSERT_TRUE(window.content().state().selection.has_value());
    EXPECT_TRUE(window.content().detailsPanel()->isVisible());

    window.post(AppAction::setMode(), QStringLiteral("Plug-ins"));
    EXPECT_EQ(window.content().state().mode, Mode::plugins);
    EXPECT_EQ(window.page(), QStringLiteral("pluginsPage"));
    EXPECT_FALSE(window.content().state().selection.has_value());
    EXPECT_FALSE(window.content().detailsPanel()->isVisible());

    // Not the raw value of a tab, or no text at all: nothing happens.
    window.post(AppAction::setMode(), QStringLiteral("Plugins"));
    window.post(AppAction::setMode());
    EXPECT_EQ(window.content().state().mode, Mode::plugins);

    // Picking a tab in the toolbar is the same as the menu.
    window.content().toolBar()->modeAction(Mode::compare)->trigger();
    window.settle();
    EXPECT_EQ(window.content().state().mode, Mode::compare);
    EXPECT_EQ(window.page(), QStringLiteral("comparePage"));
}

TEST_F(MainWindowListenersTest, selectingARowOpensItsLibraryInTheDetailsAndClosingClearsIt) {
    window.post(AppAction::setMode(), QStringLiteral("Projects"));
    const int betaRow = static_cast<int>(window.column(Mode::projects, 2).indexOf(QStringLiteral("Beta")));
    ASSERT_GE(betaRow, 0);
    selectRow(Mode::projects, betaRow);

    EXPECT_EQ(window.content().state().selection, beta.path + QStringLiteral("|Interviews|Main Edit"));
    DetailsPanel* panel = window.content().detailsPanel();
    ASSERT_TRUE(panel->isVisible());
    const QString shown = panel->shownText();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Beta\n"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("\nMain Edit (focused)"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(beta.path));

    // A row whose library is no longer catalogued leaves the details column saying so.
    window.content().setSelection(QStringLiteral("/nowhere/Gone.fcpbundle|Day 1|Cut"));
    EXPECT_EQ(panel->shownText(), QStringLiteral("No Selection\nSelect a library to see details."));

    selectRow(Mode::projects, betaRow);
    auto* close = panel->findChild<QToolButton*>(QStringLiteral("detailsClose"));
    ASSERT_NE(close, nullptr);
    close->click();
    window.settle();
    EXPECT_FALSE(window.content().state().selection.has_value());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(window.content().table(Mode::projects)->selectionModel()->selectedRows().isEmpty());
}

TEST_F(MainWindowListenersTest, headerClickReplacesTheSortOrder) {
    window.post(AppAction::setMode(), QStringLiteral("Libraries"));
    QHeaderView* header = window.content().table(Mode::libraries)->horizontalHeader();
    // Largest first, then by name (column 0): ascending, and again: descending.
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    Q_EMIT header->sectionClicked(0);
    window.settle();
    EXPECT_EQ(window.column(Mode::libraries), (QStringList{"Alpha", "Beta", "Old"}));
    EXPECT_EQ(header->sortIndicatorSection(), 0);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    Q_EMIT header->sectionClicked(0);
    window.settle();
    EXPECT_EQ(window.column(Mode::libraries), (QStringList{"Old", "Beta", "Alpha"}));
    EXPECT_EQ(window.content().state().librarySort.size(), 1);
}

TEST_F(MainWindowListenersTest, sidebarSelectionFiltersAndFallsBackToTheRightState) {
    window.post(AppAction::setMode(), QStringLiteral("Libraries"));
    SidebarView* sidebar = window.content().sidebarView();
    const auto row = [sidebar](const SidebarItem& item) { return sidebar->sidebarModel().indexOf(item); };
    ASSERT_TRUE(row(SidebarItem::drive(QStringLiteral("Archive"))).isValid());

    // Picking a drive in the list filters by it and traces it.
    sidebar->clearSelection();
    sidebar->selectionModel()->select(row(SidebarItem::drive(QStringLiteral("Media"))),
                                      QItemSelectionModel::Select);
    window.settle();
    EXPECT_EQ(window.content().state().sidebar,
              SidebarSelection{SidebarItem::drive(QStringLiteral("Media"))});
    EXPECT_EQ(window.sortedColumn(Mode::libraries), (QStringList{"Alpha", "Beta"}));
    EXPECT_TRUE(UITrace::shared().snapshot().contains(QStringLiteral("sidebar=1 drives")));

    // A smart filter that leaves nothing: the filtered-empty state, and its way out.
    window.content().setSidebar({SidebarItem::Kind::duplicates});
    EXPECT_EQ(window.content().content(), MainContent::Content::filteredEmpty);
    EXPECT_EQ(window.content().contentTitle(), QStringLiteral("No duplicates"));
    window.content().findChild<QPushButton*>(QStringLiteral("showEverything"))->click();
    window.settle();
    EXPECT_EQ(window.content().state().sidebar, SidebarSelection{SidebarItem::Kind::all});
    EXPECT_EQ(window.content().content(), MainContent::Content::tab);
    EXPECT_TRUE(sidebar->selectionModel()->isSelected(row(SidebarItem(SidebarItem::Kind::all))));
}

TEST_F(MainWindowListenersTest, hiddenBackupDriveNoticeReplacesEveryTabUntilBackupsAreShown) {
    window.catalog().setBackup(true, std::nullopt, QStringLiteral("Archive"));
    window.env.settings->setFlag(QStringLiteral("hideBackupDrives"), true);
    window.content().setSidebar({SidebarItem::drive(QStringLiteral("Archive"))});
    for (const Mode mode : allModes()) {
        window.content().setMode(mode);
        EXPECT_EQ(window.content().content(), MainContent::Content::hiddenBackup)
            << rawValue(mode).toStdString();
    }
    EXPECT_EQ(window.content().contentTitle(), QStringLiteral("“Archive” is a backup drive"));
    EXPECT_EQ(window.page(), QStringLiteral("hiddenBackupNotice"));

    window.content().setMode(Mode::libraries);
    window.content().findChild<QPushButton*>(QStringLiteral("showBackupDrives"))->click();
    window.settle();
    EXPECT_FALSE(window.env.settings->flag(QStringLiteral("hideBackupDrives"), true));
    EXPECT_EQ(window.content().content(), MainContent::Content::tab);
    EXPECT_EQ(window.column(Mode::libraries), QStringList{"Old"});
}

TEST_F(MainWindowListenersTest, emptyCatalogueShowsTheEmptyStateWhateverTheTab) {
    window.catalog().seed({.libraries = QList<LibraryInfo>{}});
    window.settle();
    for (const Mode mode : allModes()) {
        window.content().setMode(mode);
        EXPECT_EQ(window.content().content(), MainContent::Content::empty) << rawValue(mode).toStdString();
        EXPECT_EQ(window.page(), QStringLiteral("emptyState"));
    }
    EXPECT_EQ(window.content().contentTitle(), QStringLiteral("No libraries yet"));
}

// The whole-drive question by its answer: only "Scan Entire Drive" scans, and the drive does
// not become a watched folder.
TEST_F(MainWindowListenersTest, wholeDriveQuestionScansOnlyWhenConfirmed) {
    const QString drive = window.plugDrive(QStringLiteral("Footage"));
    const QString found =
        test::writeLibrary(QDir(drive).filePath(QStringLiteral("Deep/Down")), QStringLiteral("Found"));
    for (const std::optional<QString>& answer :
         {std::optional<QString>(), std::optional<QString>(QStringLiteral("Cancel")),
          std::optional<QString>(QStringLiteral("Scan Entire Drive"))}) {
        SCOPED_TRACE(answer.value_or(QStringLiteral("dismissed")).toStdString());
        window.prompts->questions.clear();
        window.prompts->answers = {answer};
        window.post(AppAction::scanEntireDrive(), drive);

        ASSERT_EQ(window.prompts->questions.size(), 1);
        const ScriptedPrompts::Question& question = window.prompts->questions.first();
        EXPECT_EQ(question.title, QStringLiteral("Scan all of Footage?"));
        EXPECT_EQ(question.message,
                  QStringLiteral(
                      "This looks through every folder, so a large drive can take hours (a NAS even "
                      "longer). Watching specific folders is much faster. You can stop it at any time."));
        EXPECT_EQ(ScriptedPrompts::titles(question), (QStringList{"Scan Entire Drive", "Cancel (cancel)"}));
        EXPECT_FALSE(window.content().state().pendingDrive.has_value());
        ASSERT_TRUE(window.scanned());

        bool catalogued = false;
        for (const LibraryInfo& library : window.catalog().libraries())
            catalogued = catalogued || library.path == found;
        EXPECT_EQ(catalogued, answer == QStringLiteral("Scan Entire Drive"));
        EXPECT_TRUE(window.catalog().roots().isEmpty());
    }
}

TEST_F(MainWindowListenersTest, folderChooserWatchesEveryChosenFolder) {
    const QString first = TestEnv::freshDir(QStringLiteral("chosen-one"));
    const QString second = TestEnv::freshDir(QStringLiteral("chosen-two"));
    const QString one = test::writeLibrary(first, QStringLiteral("One"));
    const QString two = test::writeLibrary(second, QStringLiteral("Two"));

    // Cancelled: nothing starts.
    window.post(AppAction::addWatchFolder());
    ASSERT_EQ(window.prompts->folderChoices.size(), 1);
    EXPECT_FALSE(window.catalog().isScanning());

    window.prompts->folders = {QStringList{first, second}};
    window.post(AppAction::addWatchFolder());
    ASSERT_EQ(window.prompts->folderChoices.size(), 2);
    const ScriptedPrompts::FolderChoice& choice = window.prompts->folderChoices.last();
    EXPECT_EQ(choice.start, VolumesRoot::root());
    EXPECT_EQ(choice.button, QStringLiteral("Watch"));
    EXPECT_EQ(choice.message,
              QStringLiteral("Choose the folder(s) where your Final Cut Pro libraries live. They "
                             "are re-checked automatically."));
    ASSERT_TRUE(window.scanned());

    QStringList roots;
    for (const ScanRoot& root : window.catalog().roots())
        roots.append(root.path);
    EXPECT_EQ(roots, (QStringList{first, second}));
    QStringList paths;
    for (const LibraryInfo& library : window.catalog().libraries())
        paths.append(library.path);
    EXPECT_TRUE(paths.contains(one));
    EXPECT_TRUE(paths.contains(two));
}

TEST_F(MainWindowListenersTest, sheetRequestsShowTheirSheetOnceAndAreCleared) {
    // The sheets (free up space, missing files, update) open over the main window
    // without waiting; the test closes each in turn with its "Close" button.
    const auto openSheets = [&] {
        QList<QDialog*> open;
        for (QDialog* dialog : window.content().window()->findChildren<QDialog*>())
            if (dialog->isVisible())
                open.append(dialog);
        return open;
    };
    const auto sheetTitle = [](QDialog* dialog) {
        const auto* title = dialog->findChild<QLabel*>(QStringLiteral("sheetTitle"));
        return title ? title->text() : QString();
    };
    const auto closeTheSheet = [&] {
        const QList<QDialog*> open = openSheets();
        ASSERT_EQ(open.size(), 1);
        for (QPushButton* button : open[0]->findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("Close")) {
                button->click();
                break;
            }
        window.settle();
    };

    window.content().requestCleanup(alpha);
    window.content().requestUpdate({alpha, beta});
    window.content().requestMissing({beta});
    EXPECT_TRUE(window.content().state().cleanupLib.has_value());
    window.settle();

    // One sheet at a time; its request stays set until it closes, and the others wait.
    QList<QDialog*> open = openSheets();
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(open[0]->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheetTitle(open[0]), QStringLiteral("Free up space in “Alpha”"));
    EXPECT_TRUE(window.content().state().cleanupLib.has_value());
    EXPECT_TRUE(window.content().state().missingRequest.has_value());
    EXPECT_TRUE(window.content().state().updateRequest.has_value());
    closeTheSheet();
    EXPECT_FALSE(window.content().state().cleanupLib.has_value());

    open = openSheets();
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(sheetTitle(open[0]), QStringLiteral("Missing files"));
    closeTheSheet();
    EXPECT_FALSE(window.content().state().missingRequest.has_value());

    open = openSheets();
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(open[0]->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheetTitle(open[0]), QStringLiteral("Update libraries for Final Cut Pro ?"));
    closeTheSheet();
    EXPECT_FALSE(window.content().state().updateRequest.has_value());
    EXPECT_TRUE(openSheets().isEmpty());

    // A request made while a sheet is open replaces the waiting one, and is shown after it.
    window.content().requestCleanup(alpha);
    window.settle();
    window.content().requestCleanup(beta);
    window.settle();
    ASSERT_EQ(openSheets().size(), 1);
    EXPECT_EQ(sheetTitle(openSheets()[0]), QStringLiteral("Free up space in “Alpha”"));
    EXPECT_EQ(window.content().state().cleanupLib, beta);
    closeTheSheet();
    ASSERT_EQ(openSheets().size(), 1);
    EXPECT_EQ(sheetTitle(openSheets()[0]), QStringLiteral("Free up space in “Beta”"));
    closeTheSheet();
    EXPECT_FALSE(window.content().state().cleanupLib.has_value());
    EXPECT_TRUE(openSheets().isEmpty());

    // A drive with nothing to update opens no sheet and says so on the status line.
    window.content().updateDrive(QStringLiteral("Media"));
    window.settle();
    EXPECT_TRUE(openSheets().isEmpty());
    EXPECT_EQ(window.content().statusLine()->statusText(),
              QStringLiteral("Nothing on Media needs updating."));
}

TEST_F(MainWindowListenersTest, revealRowScrollsTheLibrariesTableAndTheBrowserAfterTheDelay) {
    QList<LibraryInfo> many;
    for (int i = 0; i < 80; ++i)
        many.append(test::libraryRecord(
            QDir(media).filePath(QStringLiteral("Lib %1.fcpbundle").arg(i, 2, 10, QChar(u'0'))),
            QStringLiteral("Media")));
    window.catalog().seed({.libraries = many});
    window.settle();
    test::ScopedVirtualClock clock;

    // The row is brought to the middle of the view, a quarter second after the request.
    for (const Mode mode : {Mode::libraries, Mode::browser}) {
        window.content().setMode(mode);
        window.settle();
        QAbstractItemView* view = mode == Mode::libraries
                                      ? static_cast<QAbstractItemView*>(window.content().table(mode))
                                      : window.content().browserView()->table();
        view->scrollToTop();
        ASSERT_EQ(view->verticalScrollBar()->value(), 0) << rawValue(mode).toStdString();

        window.post(AppAction::revealRow(), many[40].path);
        EXPECT_EQ(view->verticalScrollBar()->value(), 0) << rawValue(mode).toStdString();
        clock->advance(std::chrono::milliseconds(250));
        const QModelIndexList rows = view->model()->match(view->model()->index(0, 0), Qt::DisplayRole,
                                                          QStringLiteral("Lib 40"), 1, Qt::MatchExactly);
        ASSERT_EQ(rows.size(), 1) << rawValue(mode).toStdString();
        const QRect shown = view->visualRect(rows.first());
        // A table scrolls by whole rows, so "the middle" is within a row or two of it; a row
        // merely scrolled into view would sit at an edge, half the view away.
        EXPECT_LE(std::abs(shown.center().y() - view->viewport()->height() / 2), 2 * shown.height())
            << rawValue(mode).toStdString();
    }
}

TEST_F(MainWindowListenersTest, replacedMediaListClearsAMediaRowSelectionOnly) {
    const auto publish = [&](int files) {
        QList<MediaEntry> entries;
        for (int i = 0; i < files; ++i)
            entries.append(MediaEntry{QStringLiteral("C%1.mp4").arg(i), 10, QStringLiteral("Day 1")});
        window.catalog().scanHost()->saveMedia(entries, alpha.path);
        window.catalog().loadAllMedia();
        ASSERT_TRUE(
            test::CatalogTestEnv::waitUntil([&] { return window.catalog().media().size() == files; }));
        window.settle();
    };

    // A library row names a path: a new media list leaves it alone.
    window.content().setMode(Mode::libraries);
    window.content().setSelection(alpha.path);
    publish(1);
    EXPECT_EQ(window.content().state().selection, alpha.path);

    // A media row names a position in the list: after a new list it would name another file.
    window.content().setMode(Mode::media);
    window.content().setSelection(QStringLiteral("0"));
    ASSERT_TRUE(window.content().detailsPanel()->isVisible());
    publish(2);
    EXPECT_FALSE(window.content().state().selection.has_value());
    EXPECT_FALSE(window.content().detailsPanel()->isVisible());
}

} // namespace
