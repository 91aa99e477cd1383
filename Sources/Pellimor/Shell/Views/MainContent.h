#pragma once

#include "App/Mode.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Platform/Clock.h"
#include "Shell/SidebarItem.h"
#include "Shell/Views/SheetPresenter.h"
#include "Shell/WindowState.h"
#include "Widgets/RefreshScheduler.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <chrono>
#include <memory>
#include <optional>

class QLabel;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QTableView;
class QThreadPool;
class QTimer;

namespace pellimor {

class BrowserView;
class Catalog;
class ColumnAutoFit;
class MainTableDelegate;
class MainToolbar;
class TextMeasurer;
class DetailsPanel;
class Prompts;
class RowTableModel;
class SearchEngine;
class SearchField;
class SidebarView;
class StatusLine;

namespace SidebarFilter {
struct FavoriteOutcome;
}
namespace platform {
class MountEvents;
class SettingsStore;
} // namespace platform

// The main window's content: a split view of the sidebar, the detail column (the tab's content
// or the notice that replaces it, and the status bar) and the details column at the right; and
// the toolbar (view picker, date picker, working drives, Scan menu, scan controls and the search
// field), which the main window shows above it. It keeps the window's own state (WindowState) and
// reads everything else from the Catalog, redrawing when the catalogue or a stored setting
// changes (once per turn of the event loop).
//
// What it listens to, in this order: its tab, sidebar selection, selection, details column
// and search text (the couplings of WindowState); the search scope, which the search field
// edits (setScope); the menu notifications of the NotificationHub, except "fcp.FocusSearch",
// which the search field hears itself; changes of the searchable catalogue; the catalogue's scanning flag;
// its first appearance (the start-up sequence of StartupPlan: mounted set, "--resume", "--scan", "Refresh the
// scan?", refreshing an empty catalogue); the questions it asks; drives mounted and unmounted (the platform's
// MountWatcher); the program becoming active; and the catalogue's media list being replaced.
//
// Questions, the folder chooser and the tools' sheets are shown on the event loop's next turn
// after their request was set, one at a time: questions and the chooser through Prompts
// (dialogs unless a test gives its own), sheets through SheetPresenter, window-modal and
// without waiting. A sheet's request stays set until the sheet has closed, and the next
// request waits for that.
//
// A search never holds up typing: a request waits out a short pause after a keystroke (none
// for a changed scope or catalogue), runs the search engine on the work pool over
// the catalogue as it was when the request was made, and applies its result only while no
// newer request has been made. When the searchable catalogue changes (corpusKey) a shown
// search runs again at once; without one, the engine's index is built ahead on a pool of the
// window's own at low priority. The activity log gets a "begin" line for every request that
// outlived its pause and an "end" line for every applied result.
//
// Main thread only; the catalogue must outlive it.
class MainContent final : public QWidget {
    Q_OBJECT
public:
    // `arguments`: the program's arguments (its path first), for "--resume" and "--scan".
    // `timing`: the refresh scheduler's clock (tests give a manual one).
    MainContent(Catalog& catalog, QStringList arguments, QWidget* parent = nullptr,
                RefreshScheduler::Timing timing = RefreshScheduler::Timing::system());
    ~MainContent() override;

    const WindowState& state() const { return m_state; }

    // Replaces the dialogs (tests script the answers).
    void setPrompts(std::shared_ptr<Prompts> prompts);
    // The window's prompts in force: the dialogs, or what replaced them. Other parts of the
    // program that ask over this window (Final Cut Pro control) ask here.
    Prompts& prompts();
    // The search engine of the window's searches and index pre-builds (tests give their own;
    // work in flight keeps the one it started with alive); null, the default, is
    // SearchEngine::shared().
    void setSearchEngine(std::shared_ptr<SearchEngine> engine);

    // What the window's controls do; each change runs its listeners and redraws.
    void setMode(Mode mode);
    void setSidebar(const SidebarSelection& sidebar);
    void setSelection(const std::optional<QString>& selection);
    void setShowInspector(bool show);
    void setSearch(const QString& text);
    // Saves the scope and searches the current text again at once, without the typing pause.
    void setScope(const SearchScope& scope);
    // The folder chooser ("Add Folder to Watch…"), shown on the next turn.
    void chooseFolder();
    // The tools' sheets, shown on the next turn.
    void requestCleanup(const LibraryInfo& library);
    void requestMissing(const QList<LibraryInfo>& libraries);
    void requestUpdate(const QList<LibraryInfo>& libraries);
    // The sidebar's "Update Libraries on …" for a drive.
    void updateDrive(const QString& volumeName);

    // What the detail column shows in place of, or as, the tab's content.
    enum class Content { empty, hiddenBackup, filteredEmpty, tab };
    Content content() const { return m_shown; }
    // The title of the notice or empty state shown ("No libraries yet", "“Archive” is a backup
    // drive", "Nothing to show", ...); empty while a tab's content is shown.
    QString contentTitle() const;

    // The parts, for tests.
    QTableView* table(Mode mode) const;         // Libraries, Events, Projects, Media Files; else null
    RowTableModel* tableModel(Mode mode) const; // likewise
    // The content widths the table of `mode` was last fitted to, by column title.
    const QHash<QString, double>& tableWidths(Mode mode) const { return m_tableWidths[mode]; }
    QWidget* mediaPlaceholder() const { return m_mediaPlaceholder; }
    SidebarView* sidebarView() const { return m_sidebar; }
    BrowserView* browserView() const { return m_browser; }
    DetailsPanel* detailsPanel() const { return m_detailsPanel; }
    StatusLine* statusLine() const { return m_status; }
    SearchField* searchField() const { return m_searchField; }
    // The window's toolbar, made here and shown by the main window (QMainWindow::addToolBar).
    MainToolbar* toolBar() const;

    // Redraws the sidebar, the content and the details now instead of on a later turn.
    void refresh();

    // The scheduler every part of the window redraws through (the menus add theirs).
    RefreshScheduler& refreshScheduler() const { return *m_refresh; }
    // The window's own parts of it, for tests.
    struct Parts {
        RefreshScheduler::Part sidebar = -1;
        RefreshScheduler::Part content = -1; // the search field and the tab's content
        RefreshScheduler::Part details = -1;
        RefreshScheduler::Part toolbar = -1;
    };
    const Parts& parts() const { return m_parts; }

    // The first appearance has run and no question, chooser or sheet waits to be shown; an
    // open sheet is not waiting (tests wait for this instead of guessing how many turns of
    // the event loop it takes).
    bool isIdle() const { return m_startedUp && !m_presentPending && !m_presenting; }
    // The first appearance's start-up has run (startedUp() announces it once).
    bool hasStartedUp() const { return m_startedUp; }

    // How many index pre-builds the window has handed to its pool (for tests).
    qint64 prebuilds() const { return m_prebuilds; }

Q_SIGNALS:
    // Once, when the first appearance's start-up (the mounted set, "--resume", "--scan") has run.
    void startedUp();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct TablePage {
        QTableView* view = nullptr;
        RowTableModel* model = nullptr;
        MainTableDelegate* delegate = nullptr;
        ColumnAutoFit* fitter = nullptr;
    };

    void build();
    void buildToolbar();
    QWidget* buildEmptyState();
    QWidget* buildHiddenBackupNotice();
    QWidget* buildFilteredEmpty();
    TablePage buildTable(Mode mode);
    QWidget* buildMediaPlaceholder();

    void addParts();
    void requestShown();
    void refreshSidebar();
    void refreshContent();
    void refreshDetails();
    void refreshToolbar();
    void refreshTable(Mode mode, const QList<LibraryInfo>& visible);
    void selectInTable(const TablePage& page);
    void sortBy(Mode mode, int column);
    void tableMenu(Mode mode, const QPoint& at);
    void tableOpened(Mode mode, const QModelIndex& index);

    void sidebarChanged(const SidebarSelection& old, int depth = 0);
    void favoriteOpened(const SidebarFilter::FavoriteOutcome& outcome);
    void receive(const QString& name, const std::optional<QString>& object);
    void exportCSV();
    // "Save Final Cut Settings" and "Put Final Cut Settings Back".
    void saveFCPSettings();
    void restoreFCPSettings();
    // Search scheduling. A request is the catalogue, scope and text taken when it was made.
    struct SearchRequest;
    // An applied result whose "end" line waits for the redraw.
    struct SearchEnd {
        qint64 length = 0;
        double matchSeconds = 0;
        QElapsedTimer started;
    };
    void scheduleSearch(const QString& text, bool wait);
    void beginSearch();
    void applySearch(qint64 generation, const QString& text, SearchResult result,
                     const QElapsedTimer& started);
    void logSearchEnds();
    void corpusChanged();
    void firstAppearance();
    void traceUI();

    void schedulePresent();
    void presentPending();
    void sheetClosed();

    Catalog& m_catalog;
    const QStringList m_arguments;
    WindowState m_state;
    std::shared_ptr<Prompts> m_prompts;
    std::shared_ptr<platform::SettingsStore> m_store; // whose changes the lists follow
    std::unique_ptr<platform::MountEvents> m_mountEvents;
    RefreshScheduler* m_refresh = nullptr; // a child
    Parts m_parts;

    QSplitter* m_split = nullptr;
    SidebarView* m_sidebar = nullptr;
    QPointer<MainToolbar> m_toolbar; // the main window's child once it holds it
    SearchField* m_searchField = nullptr;
    QStackedWidget* m_pages = nullptr;
    QWidget* m_emptyPage = nullptr;
    QWidget* m_noticePage = nullptr;
    QLabel* m_noticeTitle = nullptr;
    QLabel* m_noticeText = nullptr;
    QWidget* m_filteredPage = nullptr;
    QLabel* m_filteredTitle = nullptr;
    QLabel* m_searchSymbol = nullptr; // "magnifyingglass", while a search is in effect
    QLabel* m_filterSymbol = nullptr; // "line.3.horizontal.decrease.circle", otherwise
    QLabel* m_filteredText = nullptr;
    QPushButton* m_clearSearch = nullptr;
    QPushButton* m_showEverything = nullptr;
    BrowserView* m_browser = nullptr;
    QHash<Mode, TablePage> m_tables;
    std::unique_ptr<TextMeasurer> m_measurer; // the tables' width estimates
    QWidget* m_mediaPlaceholder = nullptr;
    mutable QHash<Mode, QHash<QString, double>> m_tableWidths;
    QLabel* m_mediaPrompt = nullptr;
    QLabel* m_mediaCount = nullptr;
    QLabel* m_mediaSymbol = nullptr;
    QWidget* m_pluginsPage = nullptr;
    SheetPresenter::PluginsPage m_plugins;
    QWidget* m_comparePage = nullptr;
    SheetPresenter::ComparePage m_compare;
    StatusLine* m_status = nullptr;
    DetailsPanel* m_detailsPanel = nullptr;

    Content m_shown = Content::tab;
    bool m_appeared = false;
    bool m_startedUp = false;
    bool m_changeNamed = false; // the catalogue's last change came with a signal of its own
    bool m_updating = false;    // the window is writing its own widgets: their signals are not the user's
    bool m_presentPending = false;
    bool m_presenting = false;
    bool m_sheetOpen = false; // a tool's sheet is open: the next request waits for it
    bool m_chooseFolderPending = false;

    std::shared_ptr<SearchEngine> m_engine;
    QTimer* m_searchPause = nullptr;                // a child: the typing pause
    std::unique_ptr<SearchRequest> m_pendingSearch; // the newest request, until it begins
    QList<SearchEnd> m_searchEnds;
    RefreshScheduler::Part m_searchEndPart = -1; // after the window's parts: logs the "end" lines
    std::optional<qint64> m_corpusKey;           // the key the window last acted on
    // While a scan runs the index follows the catalogue at most once a second: when it last
    // did (the program's clock), and the call that takes in the latest change after the wait.
    std::optional<std::chrono::nanoseconds> m_lastCorpusWork;
    platform::Clock::Call m_corpusLater;
    QThreadPool* m_prebuildPool = nullptr; // not a child: it outlives the window while it works
    qint64 m_prebuilds = 0;
};

} // namespace pellimor
