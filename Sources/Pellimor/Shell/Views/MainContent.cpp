#include "Shell/Views/MainContent.h"

#include "App/AppAction.h"
#include "App/AppSettings.h"
#include "App/NotificationHub.h"
#include "Browser/CorpusKey.h"
#include "Browser/SearchEngine.h"
#include "Browser/SearchQuery.h"
#include "Browser/Views/BrowserView.h"
#include "Browser/Views/LibraryDetail.h"
#include "Browser/Views/RowMenuPopup.h"
#include "Browser/Views/SearchField.h"
#include "Catalogue/Logs/ActivityLog.h"
#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Logs/UITrace.h"
#include "Catalogue/Store/Catalog.h"
#include "Platform/MountWatcher.h"
#include "Platform/Services.h"
#include "Platform/SettingsStore.h"
#include "Platform/VolumesRoot.h"
#include "Shell/CSVExport.h"
#include "Shell/FinalCutSettings.h"
#include "Shell/MainTableWidths.h"
#include "Shell/MainTables.h"
#include "Shell/SidebarFilter.h"
#include "Shell/StartupPlan.h"
#include "Shell/StatusTexts.h"
#include "Shell/TableRowMenu.h"
#include "Shell/TableRows.h"
#include "Shell/ToolbarModel.h"
#include "Shell/Views/CentredPage.h"
#include "Shell/Views/DetailsPanel.h"
#include "Shell/Views/MainTableDelegate.h"
#include "Shell/Views/MainToolbar.h"
#include "Shell/Views/RowTableModel.h"
#include "Shell/Views/SheetPresenter.h"
#include "Shell/Views/SidebarView.h"
#include "Shell/Views/StatusLine.h"
#include "Shell/WindowSettings.h"
#include "Support/AtomicFile.h"
#include "Support/WorkPool.h"
#include "Widgets/ColumnAutoFit.h"
#include "Widgets/DarkLook.h"
#include "Widgets/DialogPrompts.h"
#include "Widgets/FavoriteStar.h"
#include "Widgets/Icons.h"
#include "Widgets/NamedColor.h"
#include "Widgets/Prompts.h"
#include "Widgets/RevealsRow.h"
#include "Widgets/UiFont.h"
#include "Widgets/UiTextMeasurer.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <utility>

namespace pellimor {

namespace {

// Column widths of the split view, in points at the window's own font size.
constexpr int kSidebarMin = 270, kSidebarIdeal = 290, kSidebarMax = 420;
constexpr int kDetailMin = 560;
// The widest leaves room for the details' action row with its titles at the window's font.
constexpr int kInspectorMin = 340, kInspectorIdeal = 400, kInspectorMax = 680;
constexpr int kSearchPauseMs = 200; // typing pause before a search runs
const QString kSearchTag = QStringLiteral("search");

const QList<Mode>& tableModes() {
    static const QList<Mode> modes{Mode::libraries, Mode::events, Mode::projects, Mode::media};
    return modes;
}

template <typename Field> SortOrder<Field> clicked(const SortOrder<Field>& current, int key) {
    const auto field = static_cast<Field>(key);
    // The same column again turns its direction round; another column starts ascending.
    const bool ascending =
        !current.isEmpty() && current.first().field == field ? !current.first().ascending : true;
    return SortOrder<Field>{SortKey<Field>{field, ascending}};
}

template <typename Field> std::pair<int, bool> firstKey(const SortOrder<Field>& order) {
    if (order.isEmpty())
        return {-1, true};
    return {static_cast<int>(order.first().field), order.first().ascending};
}

// The engine every window uses unless a test gives its own; never deleted.
std::shared_ptr<SearchEngine> sharedEngine() {
    return std::shared_ptr<SearchEngine>(std::shared_ptr<SearchEngine>(), &SearchEngine::shared());
}

// Lets go of a result on a worker thread: freeing the hits of a large search takes tens of
// milliseconds, which the main thread has better uses for.
void releaseAside(SearchResult result) {
    if (result.libraries.isEmpty())
        return;
    workPool()->start([held = std::move(result)]() mutable { held = SearchResult(); });
}

} // namespace

struct MainContent::SearchRequest {
    QString text;
    SearchScope scope;
    qint64 generation = 0;
    qint64 key = 0;
    QList<LibraryInfo> libraries; // implicitly shared: the copy is O(1) and never changes
    QList<Catalog::MediaEntry2> media;
};

MainContent::MainContent(Catalog& catalog, QStringList arguments, QWidget* parent,
                         RefreshScheduler::Timing timing)
    : QWidget(parent), m_catalog(catalog), m_arguments(std::move(arguments)), m_state(WindowState::initial()),
      m_store(platform::services().settings), m_refresh(new RefreshScheduler(this, std::move(timing))),
      m_measurer(std::make_unique<UiTextMeasurer>()) {
    setObjectName(QStringLiteral("mainContent"));
    build();
    addParts();

    // Listeners, in the order the window attaches them. 1 to 5 (tab, sidebar, selection,
    // details column, search text) run inside the setters above, through WindowState's
    // reactions; 6, the search scope, inside setScope.

    // 7 to 13: the menu notifications.
    connect(&NotificationHub::shared(), &NotificationHub::posted, this, &MainContent::receive);
    // 14: the searchable catalogue changed.
    m_engine = sharedEngine();
    m_searchPause = new QTimer(this);
    m_searchPause->setSingleShot(true);
    connect(m_searchPause, &QTimer::timeout, this, &MainContent::beginSearch);
    // Runs after the window's parts, in the same pass: the "end" line follows the redraw.
    m_searchEndPart = m_refresh->addPart(this, [this] { logSearchEnds(); });
    m_prebuildPool = new QThreadPool();
    m_prebuildPool->setObjectName(QStringLiteral("searchPrebuild"));
    // One at a time: a newer catalogue makes a waiting pre-build pointless (corpusChanged).
    m_prebuildPool->setMaxThreadCount(1);
    m_prebuildPool->setThreadPriority(QThread::LowPriority);
    connect(&m_catalog, &Catalog::librariesChanged, this, &MainContent::corpusChanged);
    connect(&m_catalog, &Catalog::mediaChanged, this, &MainContent::corpusChanged);
    // 15: the scanning flag goes into the UI trace.
    connect(&m_catalog, &Catalog::isScanningChanged, this, &MainContent::traceUI);
    // 16 and 17: the first appearance (showEvent) and its question (presentPending).
    // 18 and 19: drives mounted and unmounted.
    if (const std::shared_ptr<platform::MountWatcher> watcher = platform::services().mountWatcher) {
        m_mountEvents = watcher->watch();
        connect(m_mountEvents.get(), &platform::MountEvents::mounted, this,
                [this](const QString& path) { StartupPlan::volumeMounted(m_catalog, path); });
        connect(m_mountEvents.get(), &platform::MountEvents::unmounted, this,
                [this] { StartupPlan::volumeUnmounted(m_catalog); });
    }
    // 20: the program became active.
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(gui, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                StartupPlan::activated(m_catalog);
        });
    }
    // A Media Files row is a position in the media list: a new list makes its selection stale.
    connect(&m_catalog, &Catalog::mediaChanged, this, [this] { m_state.mediaReplaced(); });

    // Everything shown follows the catalogue and the stored settings, through the scheduler.
    // The status line asks for its own part; the scanning flag sets the scheduler's pace.
    const auto followScanning = [this] { m_refresh->setScanning(m_catalog.isScanning()); };
    followScanning();
    connect(&m_catalog, &Catalog::isScanningChanged, this, followScanning);
    for (const auto shown : {&Catalog::librariesChanged, &Catalog::mountedChanged, &Catalog::mediaChanged,
                             &Catalog::driveRolesChanged, &Catalog::favoritesChanged}) {
        connect(&m_catalog, shown, this, [this] {
            m_changeNamed = true;
            requestShown();
        });
    }
    // The watched folders, free space and the scanning flag are the sidebar's alone.
    for (const auto sidebarOnly :
         {&Catalog::rootsChanged, &Catalog::volumeSpaceChanged, &Catalog::isScanningChanged})
        connect(&m_catalog, sidebarOnly, this, [this] { m_refresh->request({m_parts.sidebar}); });
    // Progress, status and the like change many times a second during a scan; the sidebar,
    // content and details show none of them.
    for (const auto unshown :
         {&Catalog::rootsChanged, &Catalog::volumeSpaceChanged, &Catalog::statusChanged,
          &Catalog::isScanningChanged, &Catalog::progressChanged, &Catalog::pausedJobChanged}) {
        connect(&m_catalog, unshown, this, [this] { m_changeNamed = true; });
    }
    // The toolbar's Scan menu and scan controls follow the scan, the paused job and the
    // watched folders.
    for (const auto toolbar :
         {&Catalog::rootsChanged, &Catalog::isScanningChanged, &Catalog::pausedJobChanged})
        connect(&m_catalog, toolbar, this, [this] { m_refresh->request(m_parts.toolbar); });
    // Every published change signals itself and then `changed()`; a `changed()` alone (the
    // plug-in statistics) may touch anything shown.
    connect(&m_catalog, &Catalog::changed, this, [this] {
        if (!std::exchange(m_changeNamed, false))
            requestShown();
    });
    if (m_store)
        connect(m_store.get(), &platform::SettingsStore::changed, this, &MainContent::requestShown);

    refresh();
}

MainContent::~MainContent() {
    // A search in flight finds the window gone when its result comes back. A pre-build still
    // waiting never starts; one that runs holds all it needs and is left to finish, and its
    // pool is deleted after it, so closing the window never waits for it.
    m_prebuildPool->clear();
    if (m_prebuildPool->activeThreadCount() == 0) {
        delete m_prebuildPool;
        return;
    }
    QThreadPool* pool = m_prebuildPool;
    pool->start([pool] {
        // A pool cannot be deleted from its own thread; the main thread does it.
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app, [pool] { delete pool; }, Qt::QueuedConnection);
    });
}

void MainContent::setPrompts(std::shared_ptr<Prompts> prompts) {
    m_prompts = std::move(prompts);
}

void MainContent::setSearchEngine(std::shared_ptr<SearchEngine> engine) {
    m_engine = engine ? std::move(engine) : sharedEngine();
}

Prompts& MainContent::prompts() {
    if (!m_prompts)
        m_prompts = std::make_shared<DialogPrompts>(window());
    return *m_prompts;
}

// ---- Building -------------------------------------------------------------------------------

void MainContent::build() {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    buildToolbar();
    m_split = new QSplitter(Qt::Horizontal, this);
    m_split->setObjectName(QStringLiteral("mainSplit"));
    m_split->setChildrenCollapsible(false);
    layout->addWidget(m_split);

    m_sidebar = new SidebarView(m_catalog, m_split);
    m_sidebar->setMinimumWidth(kSidebarMin);
    m_sidebar->setMaximumWidth(kSidebarMax);
    m_sidebar->setPrompts([this]() -> Prompts& { return prompts(); });
    connect(m_sidebar, &SidebarView::selectionEdited, this, &MainContent::setSidebar);
    connect(m_sidebar, &SidebarView::favoriteClicked, this, [this](const QString& path) {
        const SidebarSelection before = m_state.sidebar;
        favoriteOpened(SidebarFilter::openFavorite(m_state, m_catalog, path));
        if (m_state.sidebar != before)
            sidebarChanged(before);
        refresh();
    });
    connect(m_sidebar, &SidebarView::updateDriveRequested, this, &MainContent::updateDrive);

    auto* detail = new QWidget(m_split);
    detail->setObjectName(QStringLiteral("detailColumn"));
    detail->setMinimumWidth(kDetailMin);
    auto* detailLayout = new QVBoxLayout(detail);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->setSpacing(0);

    m_pages = new QStackedWidget(detail);
    m_pages->setObjectName(QStringLiteral("contentPages"));
    m_emptyPage = buildEmptyState();
    m_noticePage = buildHiddenBackupNotice();
    m_filteredPage = buildFilteredEmpty();
    m_browser = new BrowserView(m_catalog, m_pages);
    connect(m_browser, &BrowserView::selectionEdited, this, &MainContent::setSelection);
    m_browser->setOnMissing([this](const QList<LibraryInfo>& libraries) { requestMissing(libraries); });
    m_browser->setOnUpdate([this](const QList<LibraryInfo>& libraries) { requestUpdate(libraries); });
    m_browser->setOnCleanup([this](const LibraryInfo& library) { requestCleanup(library); });
    for (QWidget* page : {m_emptyPage, m_noticePage, m_filteredPage, static_cast<QWidget*>(m_browser)})
        m_pages->addWidget(page);
    for (const Mode mode : tableModes()) {
        const TablePage page = buildTable(mode);
        m_tables.insert(mode, page);
        m_pages->addWidget(page.view);
    }
    m_mediaPlaceholder = buildMediaPlaceholder();
    m_pages->addWidget(m_mediaPlaceholder);
    // The Libraries table scrolls to the row "TovlinRevealRow" names (the browser does too).
    const TablePage libraries = m_tables.value(Mode::libraries);
    revealsRow(libraries.view, [model = libraries.model](const QString& id) {
        const std::optional<int> row = model->rowOf(id);
        return row ? model->index(*row, 0) : QModelIndex();
    });
    m_plugins = SheetPresenter::pluginsPage(m_catalog, this);
    m_pluginsPage = m_plugins.widget;
    m_compare = SheetPresenter::comparePage(m_catalog, this);
    m_comparePage = m_compare.widget;
    m_pages->addWidget(m_pluginsPage);
    m_pages->addWidget(m_comparePage);
    detailLayout->addWidget(m_pages, 1);

    m_status = new StatusLine(m_catalog, *m_refresh, detail);
    detailLayout->addWidget(m_status);

    m_detailsPanel = new DetailsPanel(m_catalog, m_split);
    m_detailsPanel->setMinimumWidth(kInspectorMin);
    m_detailsPanel->setMaximumWidth(kInspectorMax);
    m_detailsPanel->setVisible(false);
    connect(m_detailsPanel, &DetailsPanel::closeRequested, this, [this] { setShowInspector(false); });
    // The details ask their questions and open their sheets through the window.
    m_detailsPanel->detail()->setHooks(
        {[this]() -> Prompts& { return prompts(); },
         [this](const LibraryInfo& library) { requestCleanup(library); },
         [this](const QList<LibraryInfo>& libraries) { requestMissing(libraries); }});
    // The place after the details' divider belongs to the library's plug-ins.
    m_detailsPanel->detail()->setSectionMaker([this](const LibraryInfo& library, QWidget* parent) {
        return SheetPresenter::libraryPlugins(m_catalog, library, parent);
    });

    m_split->setStretchFactor(0, 0);
    m_split->setStretchFactor(1, 1);
    m_split->setStretchFactor(2, 0);
    m_split->setSizes({kSidebarIdeal, 1000, kInspectorIdeal});
}

void MainContent::buildToolbar() {
    // Hidden until the main window takes it in (addToolBar); a content shown on its own, as in
    // tests, keeps it out of sight.
    m_toolbar = new MainToolbar(m_catalog, this);
    m_toolbar->hide();
    connect(m_toolbar, &MainToolbar::modeChosen, this, [this](Mode mode) {
        if (!m_updating)
            setMode(mode);
    });
    connect(m_toolbar, &MainToolbar::addFolderChosen, this, &MainContent::chooseFolder);

    m_searchField = m_toolbar->searchField();
    m_searchField->setScope(m_state.scope);
    // The field reports only the user's edits, so the window's own updates never come back.
    connect(m_searchField, &SearchField::textEdited, this, &MainContent::setSearch);
    connect(m_searchField, &SearchField::scopeEdited, this, &MainContent::setScope);
}

QWidget* MainContent::buildEmptyState() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("emptyState"));
    QVBoxLayout* layout = CentredPage::layout(page, 14);
    CentredPage::add(layout, CentredPage::symbol(QStringLiteral("film.stack"), 54, page));
    CentredPage::add(layout, CentredPage::label(QStringLiteral("No libraries yet"), page, 17, QFont::Bold));
    QLabel* explanation = CentredPage::secondaryLabel(StatusTexts::emptyExplanation(), page);
    // Two lines as written, not squeezed into the explanations' usual width.
    explanation->setWordWrap(false);
    explanation->setMaximumWidth(QWIDGETSIZE_MAX);
    CentredPage::add(layout, explanation);
    auto* add = new QPushButton(QStringLiteral("Add a Folder to Watch…"), page);
    add->setObjectName(QStringLiteral("addFolderToWatch"));
    add->setToolTip(QStringLiteral("Choose a drive or folder to search"));
    add->setDefault(true);
    add->setAutoDefault(true);
    CentredPage::large(add);
    connect(add, &QPushButton::clicked, this, &MainContent::chooseFolder);
    CentredPage::add(layout, add);
    layout->addStretch();
    return page;
}

QWidget* MainContent::buildHiddenBackupNotice() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("hiddenBackupNotice"));
    QVBoxLayout* layout = CentredPage::layout(page, 10);
    CentredPage::add(layout, CentredPage::symbol(QStringLiteral("externaldrive.badge.checkmark"), 44, page));
    m_noticeTitle = CentredPage::label(QString(), page, 15, QFont::DemiBold);
    CentredPage::add(layout, m_noticeTitle);
    m_noticeText = CentredPage::secondaryLabel(
        QStringLiteral("Working drives only is on, so nothing from a backup drive is "
                       "shown. This keeps you from working in a backup by accident."),
        page);
    CentredPage::add(layout, m_noticeText);
    auto* show = new QPushButton(QStringLiteral("Show backup drives"), page);
    show->setObjectName(QStringLiteral("showBackupDrives"));
    CentredPage::large(show);
    connect(show, &QPushButton::clicked, this, [] { AppSettings::setHideBackups(false); });
    CentredPage::add(layout, show);
    layout->addStretch();
    return page;
}

QWidget* MainContent::buildFilteredEmpty() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("filteredEmptyState"));
    QVBoxLayout* layout = CentredPage::layout(page, 12);
    // Both symbols are made once; the page shows the one that fits.
    for (const bool searching : {true, false}) {
        QLabel* symbol = CentredPage::symbol(StatusTexts::filteredSymbol(searching), 44, page);
        CentredPage::add(layout, symbol);
        (searching ? m_searchSymbol : m_filterSymbol) = symbol;
    }
    m_filteredTitle = CentredPage::label(QString(), page, 15, QFont::DemiBold);
    CentredPage::add(layout, m_filteredTitle);
    m_filteredText = CentredPage::secondaryLabel(QString(), page);
    m_filteredText->setObjectName(QStringLiteral("filteredExplanation"));
    CentredPage::add(layout, m_filteredText);
    m_clearSearch = new QPushButton(QStringLiteral("Clear Search"), page);
    m_clearSearch->setObjectName(QStringLiteral("clearSearch"));
    CentredPage::large(m_clearSearch);
    connect(m_clearSearch, &QPushButton::clicked, this, [this] { setSearch(QString()); });
    CentredPage::add(layout, m_clearSearch);
    m_showEverything = new QPushButton(QStringLiteral("Show Everything"), page);
    m_showEverything->setObjectName(QStringLiteral("showEverything"));
    m_showEverything->setDefault(true);
    CentredPage::large(m_showEverything);
    connect(m_showEverything, &QPushButton::clicked, this, [this] {
        setSidebar(SidebarSelection{SidebarItem::Kind::all});
        AppSettings::setHideBackups(false);
    });
    CentredPage::add(layout, m_showEverything);
    layout->addStretch();
    return page;
}

MainContent::TablePage MainContent::buildTable(Mode mode) {
    TablePage page;
    page.view = new QTableView(this);
    // "librariesTable", "eventsTable", "projectsTable", "mediaTable".
    const QString name = mode == Mode::media ? QStringLiteral("media") : rawValue(mode).toLower();
    page.view->setObjectName(name + QStringLiteral("Table"));
    page.model = new RowTableModel(page.view);
    page.view->setModel(page.model);
    page.delegate = new MainTableDelegate(m_catalog, *page.model, page.view);
    page.view->setItemDelegate(page.delegate);
    page.view->setMouseTracking(true);
    page.view->setSelectionBehavior(QAbstractItemView::SelectRows);
    page.view->setSelectionMode(QAbstractItemView::SingleSelection);
    page.view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    page.view->setAlternatingRowColors(true);
    page.view->setWordWrap(false);
    page.view->setShowGrid(false);
    page.view->verticalHeader()->setVisible(false);
    page.view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    page.view->verticalHeader()->setDefaultSectionSize(MainTableDelegate::rowHeight());
    QHeaderView* header = page.view->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);

    // Every column always shown, in its order; fitted to its content after every rebuild.
    const QList<TableColumn> columns = mode == Mode::libraries  ? MainTables::libraryColumns(QString())
                                       : mode == Mode::events   ? MainTables::eventColumns(QString())
                                       : mode == Mode::projects ? MainTables::projectColumns(QString())
                                                                : MainTables::mediaColumns();
    page.model->replace(columns, {});
    QList<ColumnAutoFit::Limits> limits;
    for (qsizetype logical = 0; logical < columns.size(); ++logical) {
        const TableColumn& column = columns.at(logical);
        // The widths are in points, like the fonts of the cells they hold.
        header->resizeSection(int(logical), int(UiFont::pixels(column.idealWidth)));
        ColumnAutoFit::Limits limit{UiFont::pixels(column.minWidth)};
        if (column.maxWidth)
            limit.maximum = UiFont::pixels(*column.maxWidth);
        limits.append(limit);
    }
    page.fitter = new ColumnAutoFit(page.view);
    page.fitter->setLimits(limits);
    FavoriteStar::repaintOnChange(m_catalog, page.view);

    connect(header, &QHeaderView::sectionClicked, this, [this, mode](int column) { sortBy(mode, column); });
    connect(page.view->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, page] {
        if (m_updating)
            return;
        const QModelIndexList rows = page.view->selectionModel()->selectedRows();
        if (rows.isEmpty())
            setSelection(std::nullopt);
        else
            setSelection(page.model->rows().value(rows.first().row()).id);
    });
    connect(page.view, &QWidget::customContextMenuRequested, this,
            [this, mode](const QPoint& at) { tableMenu(mode, at); });
    connect(page.view, &QAbstractItemView::doubleClicked, this,
            [this, mode](const QModelIndex& index) { tableOpened(mode, index); });
    page.view->setContextMenuPolicy(Qt::CustomContextMenu);
    return page;
}

QWidget* MainContent::buildMediaPlaceholder() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("mediaPlaceholder"));
    QVBoxLayout* layout = CentredPage::layout(page, 8);
    m_mediaSymbol = new QLabel(page);
    m_mediaSymbol->setObjectName(QStringLiteral("mediaPlaceholderSymbol"));
    m_mediaSymbol->setAccessibleName(QStringLiteral("magnifyingglass"));
    CentredPage::add(layout, m_mediaSymbol);
    m_mediaPrompt = new QLabel(QStringLiteral("Type a file name in the search field"), page);
    m_mediaPrompt->setAlignment(Qt::AlignCenter);
    CentredPage::add(layout, m_mediaPrompt);
    m_mediaCount = CentredPage::secondaryLabel(QString(), page);
    m_mediaCount->setObjectName(QStringLiteral("mediaPlaceholderCount"));
    m_mediaCount->setWordWrap(false);
    m_mediaCount->setMaximumWidth(QWIDGETSIZE_MAX);
    CentredPage::add(layout, m_mediaCount);
    layout->addStretch();
    return page;
}

// ---- Drawing --------------------------------------------------------------------------------

void MainContent::addParts() {
    m_parts.sidebar = m_refresh->addPart(m_sidebar, [this] { refreshSidebar(); });
    m_parts.content = m_refresh->addPart(m_pages, [this] { refreshContent(); });
    m_parts.details = m_refresh->addPart(m_detailsPanel, [this] { refreshDetails(); });
    m_parts.toolbar = m_refresh->addPart(m_toolbar, [this] { refreshToolbar(); });
}

void MainContent::requestShown() {
    m_refresh->request({m_parts.sidebar, m_parts.content, m_parts.details, m_parts.toolbar});
}

void MainContent::refresh() {
    requestShown();
    m_refresh->runNow();
}

void MainContent::refreshSidebar() {
    const QScopedValueRollback updating(m_updating, true);
    m_sidebar->refresh(m_state.sidebar);
}

void MainContent::refreshContent() {
    const QScopedValueRollback updating(m_updating, true);
    const WindowSettings settings = WindowSettings::read();
    const QList<LibraryInfo> visible = SidebarFilter::visibleLibraries(m_catalog, m_state.sidebar);

    m_searchField->setText(m_state.search);
    m_searchField->setScope(m_state.scope);
    m_status->setSummary(StatusTexts::summary(visible, m_catalog, settings.hideBackups));

    // The content: the first rule that applies.
    const std::optional<QString> notice = SidebarFilter::hiddenBackupDrive(m_catalog, m_state.sidebar);
    if (m_catalog.libraries().isEmpty()) {
        m_shown = Content::empty;
        m_pages->setCurrentWidget(m_emptyPage);
    } else if (notice) {
        m_shown = Content::hiddenBackup;
        m_noticeTitle->setText(*notice);
        for (QLabel* label : {m_noticeTitle, m_noticeText})
            CentredPage::fit(label);
        m_pages->setCurrentWidget(m_noticePage);
    } else if (SidebarFilter::showsFilteredEmpty(m_catalog, m_state.mode, visible)) {
        m_shown = Content::filteredEmpty;
        const bool searching = StatusTexts::searching(m_state.appliedSearch);
        m_searchSymbol->setVisible(searching);
        m_filterSymbol->setVisible(!searching);
        m_filteredTitle->setText(SidebarFilter::filterEmptyTitle(m_state.appliedSearch, m_state.sidebar));
        m_filteredText->setText(StatusTexts::filteredExplanation(searching));
        for (QLabel* label : {m_filteredTitle, m_filteredText})
            CentredPage::fit(label);
        m_clearSearch->setVisible(searching);
        m_showEverything->setVisible(!searching);
        m_pages->setCurrentWidget(m_filteredPage);
    } else {
        m_shown = Content::tab;
        switch (m_state.mode) {
        case Mode::browser: {
            BrowserView::Inputs in;
            in.libraries = visible;
            in.query = SearchQuery(m_state.appliedSearch);
            in.result = m_state.searchResult;
            in.dateMode = settings.dateMode;
            in.selection = m_state.selection;
            const std::optional<SidebarItem::Kind> smart = SidebarFilter::smartItem(m_state.sidebar);
            in.groupByDrive = smart == SidebarItem::Kind::offline;
            in.missingForList = smart == SidebarItem::Kind::broken;
            m_browser->present(in);
            m_pages->setCurrentWidget(m_browser);
            break;
        }
        case Mode::media:
            if (MainTables::showsMediaPlaceholder(m_state.search)) {
                // The symbol stands in for a 26-point glyph.
                const int side = int(std::lround(UiFont::pixels(26) * UiFont::scale()));
                m_mediaSymbol->setPixmap(Icons::tinted(
                    QStringLiteral("magnifyingglass"), QSize(side, side),
                    namedColor(NamedColor::secondary, DarkLook::isDark(palette())), devicePixelRatioF()));
                m_mediaPrompt->setFont(uiFont(13, QFont::DemiBold));
                m_mediaCount->setFont(uiFont(13));
                m_mediaCount->setText(MainTables::indexedMediaText(m_catalog.media().size()));
                m_pages->setCurrentWidget(m_mediaPlaceholder);
                break;
            }
            [[fallthrough]];
        case Mode::libraries:
        case Mode::events:
        case Mode::projects:
            refreshTable(m_state.mode, visible);
            m_pages->setCurrentWidget(m_tables.value(m_state.mode).view);
            break;
        case Mode::plugins:
            m_plugins.present(visible, SearchQuery(m_state.appliedSearch));
            m_pages->setCurrentWidget(m_pluginsPage);
            break;
        case Mode::compare:
            m_compare.present(m_catalog.comparableLibraries(), m_state.appliedSearch);
            m_pages->setCurrentWidget(m_comparePage);
            break;
        }
    }
}

void MainContent::refreshDetails() {
    const QScopedValueRollback updating(m_updating, true);
    // The details column follows the selection.
    if (m_detailsPanel->isVisible() != m_state.showInspector) {
        m_detailsPanel->setVisible(m_state.showInspector);
        if (m_state.showInspector) {
            QList<int> sizes = m_split->sizes();
            if (sizes.size() == 3 && sizes[2] < kInspectorIdeal) {
                sizes[1] = std::max(kDetailMin, sizes[1] - (kInspectorIdeal - sizes[2]));
                sizes[2] = kInspectorIdeal;
                m_split->setSizes(sizes);
            }
        }
    }
    if (m_state.showInspector) {
        const std::optional<LibraryInfo> library =
            TableRows::library(m_state.selection, m_state.mode, m_catalog);
        m_detailsPanel->present(library,
                                TableRows::focusedProject(m_state.selection, m_state.mode, m_catalog));
    }
}

void MainContent::refreshToolbar() {
    const QScopedValueRollback updating(m_updating, true);
    m_toolbar->present(ToolbarModel::build(ToolbarModel::currentInputs(m_catalog, m_state)), m_state.mode);
}

void MainContent::refreshTable(Mode mode, const QList<LibraryInfo>& visible) {
    const WindowSettings settings = WindowSettings::read();
    TableRows::RowInputs in{visible, SearchQuery(m_state.appliedSearch), m_state.searchResult,
                            settings.dateMode};
    const QString installed = m_catalog.installedFCP().value_or(QString());
    MainTables::Table table;
    QHash<QString, double> widths;
    std::pair<int, bool> sortKey;
    switch (mode) {
    case Mode::libraries: {
        const QList<LibraryRow> rows = TableRows::libraryRows(m_catalog, in, m_state.librarySort);
        table = MainTables::libraries(rows, settings.dateMode, installed);
        widths = MainTableWidths::libraryWidths(rows, installed, *m_measurer);
        sortKey = firstKey(m_state.librarySort);
        break;
    }
    case Mode::events: {
        const QList<EventRow> rows = TableRows::eventRows(m_catalog, in, m_state.eventSort);
        table = MainTables::events(rows, settings.dateMode);
        widths = MainTableWidths::eventWidths(rows, *m_measurer);
        sortKey = firstKey(m_state.eventSort);
        break;
    }
    case Mode::projects: {
        const QList<ProjectRow> rows = TableRows::projectRows(m_catalog, in, m_state.projectSort);
        table = MainTables::projects(rows, settings.dateMode);
        widths = MainTableWidths::projectWidths(rows, *m_measurer);
        sortKey = firstKey(m_state.projectSort);
        break;
    }
    case Mode::media: {
        const QList<MediaRow> rows = TableRows::mediaRows(m_catalog, in, m_state.mediaSort);
        table = MainTables::media(rows);
        widths = MainTableWidths::mediaWidths(rows, *m_measurer);
        sortKey = firstKey(m_state.mediaSort);
        break;
    }
    default:
        return;
    }
    const TablePage page = m_tables.value(mode);
    // A new search emphasises other terms in rows that may not have changed.
    const bool newTerms = page.delegate->query().tokens != in.query.tokens;
    page.delegate->setQuery(in.query);
    page.view->verticalHeader()->setDefaultSectionSize(MainTableDelegate::rowHeight());
    page.model->replace(table.columns, table.rows);
    if (newTerms)
        page.view->viewport()->update();
    page.fitter->setContent(widths);
    m_tableWidths[mode] = std::move(widths);

    QHeaderView* header = page.view->horizontalHeader();
    if (const std::optional<int> column = page.model->columnOf(sortKey.first))
        header->setSortIndicator(*column, sortKey.second ? Qt::AscendingOrder : Qt::DescendingOrder);
    else
        header->setSortIndicator(-1, Qt::AscendingOrder);
    selectInTable(page);
}

void MainContent::selectInTable(const TablePage& page) {
    const std::optional<int> row = m_state.selection ? page.model->rowOf(*m_state.selection) : std::nullopt;
    if (!row) {
        page.view->clearSelection();
        return;
    }
    const QModelIndex index = page.model->index(*row, 0);
    page.view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                            QItemSelectionModel::Rows);
}

void MainContent::sortBy(Mode mode, int column) {
    const TablePage page = m_tables.value(mode);
    const std::optional<int> key = page.model->columns().value(column).sortKey;
    if (key) {
        switch (mode) {
        case Mode::libraries:
            m_state.librarySort = clicked(m_state.librarySort, *key);
            break;
        case Mode::events:
            m_state.eventSort = clicked(m_state.eventSort, *key);
            break;
        case Mode::projects:
            m_state.projectSort = clicked(m_state.projectSort, *key);
            break;
        case Mode::media:
            m_state.mediaSort = clicked(m_state.mediaSort, *key);
            break;
        default:
            break;
        }
    }
    // Also puts back the header's indicator for a column that does not sort.
    refresh();
}

void MainContent::tableMenu(Mode mode, const QPoint& at) {
    const TablePage page = m_tables.value(mode);
    const QModelIndex index = page.view->indexAt(at);
    if (!index.isValid())
        return;
    const QString id = page.model->rows().value(index.row()).id;
    const QPointer<MainContent> alive(this);
    const std::optional<RowMenu::Action> chosen =
        RowMenuPopup::exec(TableRowMenu::entries(m_catalog, mode, id), this,
                           page.view->viewport()->mapToGlobal(at), QStringLiteral("tableRowMenu"));
    if (!alive || !chosen)
        return;
    // The catalogue's record as it is after the menu closed; none when it was forgotten meanwhile.
    if (const std::optional<LibraryInfo> library = TableRowMenu::openTarget(m_catalog, mode, id))
        RowMenuPopup::perform(
            m_catalog, *library, *chosen,
            {[this](const LibraryInfo& chosenLibrary) { requestCleanup(chosenLibrary); }, {}});
}

void MainContent::tableOpened(Mode mode, const QModelIndex& index) {
    if (!index.isValid())
        return;
    const QString id = m_tables.value(mode).model->rows().value(index.row()).id;
    // Also for a library whose drive is away: the opener makes its own checks and says why.
    if (const std::optional<LibraryInfo> library = TableRowMenu::openTarget(m_catalog, mode, id))
        m_catalog.openInFCP(*library);
}

QString MainContent::contentTitle() const {
    switch (m_shown) {
    case Content::empty:
        return QStringLiteral("No libraries yet");
    case Content::hiddenBackup:
        return m_noticeTitle->text();
    case Content::filteredEmpty:
        return m_filteredTitle->text();
    case Content::tab:
        break;
    }
    return {};
}

MainToolbar* MainContent::toolBar() const {
    return m_toolbar.data();
}

QTableView* MainContent::table(Mode mode) const {
    return m_tables.value(mode).view;
}

RowTableModel* MainContent::tableModel(Mode mode) const {
    return m_tables.value(mode).model;
}

// ---- The window's own state -----------------------------------------------------------------

void MainContent::setMode(Mode mode) {
    if (m_state.changeMode(mode))
        traceUI();
    refresh();
}

void MainContent::setSidebar(const SidebarSelection& sidebar) {
    if (sidebar == m_state.sidebar)
        return;
    const SidebarSelection old = m_state.sidebar;
    m_state.sidebar = sidebar;
    sidebarChanged(old);
    refresh();
}

void MainContent::sidebarChanged(const SidebarSelection& old, int depth) {
    const SidebarSelection now = m_state.sidebar;
    const SidebarFilter::SidebarReaction reaction = SidebarFilter::sidebarChanged(m_state, m_catalog, old);
    traceUI();
    if (reaction.favorite)
        favoriteOpened(*reaction.favorite);
    // Opening a favourite may have narrowed the selection again: that is a change too. Each
    // round can only drop items, so this ends quickly; the bound is a guard.
    if (m_state.sidebar != now && depth < 3)
        sidebarChanged(now, depth + 1);
}

void MainContent::favoriteOpened(const SidebarFilter::FavoriteOutcome& outcome) {
    using Reveal = SidebarFilter::FavoriteOutcome::Reveal;
    if (outcome.searchCleared)
        scheduleSearch(m_state.search, true);
    if (outcome.modeChanged)
        traceUI();
    // The tables and the browser scroll the row into view when they hear "TovlinRevealRow".
    if (outcome.reveal == Reveal::now) {
        refresh();
        NotificationHub::shared().post(AppAction::revealRow(), outcome.path);
    } else if (outcome.reveal == Reveal::nextTurn) {
        // After the Browser tab has been drawn.
        QTimer::singleShot(0, this, [this, path = outcome.path] {
            SidebarFilter::revealFavorite(m_state, path);
            refresh();
            NotificationHub::shared().post(AppAction::revealRow(), path);
        });
    }
}

void MainContent::setSelection(const std::optional<QString>& selection) {
    m_state.changeSelection(selection);
    refresh();
}

void MainContent::setShowInspector(bool show) {
    m_state.changeShowInspector(show);
    refresh();
}

void MainContent::setSearch(const QString& text) {
    if (text == m_state.search)
        return;
    // The Media Files tab shows its table or its placeholder by the text as typed.
    const bool placeholder = MainTables::showsMediaPlaceholder(m_state.search);
    m_state.search = text;
    if (m_state.mode == Mode::media && placeholder != MainTables::showsMediaPlaceholder(text))
        m_refresh->request(m_parts.content);
    scheduleSearch(text, true);
    m_searchField->setText(text);
}

void MainContent::setScope(const SearchScope& scope) {
    if (scope == m_state.scope)
        return;
    m_state.scope = scope;
    m_state.scope.save();
    m_searchField->setScope(scope);
    scheduleSearch(m_state.search, false);
}

void MainContent::scheduleSearch(const QString& text, bool wait) {
    const qint64 generation = ++m_state.searchGeneration;
    const qint64 length = StartupPlan::characterCount(text);
    UITrace::shared().update([length](UITrace::Fields& fields) { fields.queryLen = length; });
    // The search covers the catalogue as it is now, whatever changes during the pause.
    const QList<LibraryInfo>& libraries = m_catalog.libraries();
    const QList<Catalog::MediaEntry2>& media = m_catalog.media();
    // One request waits at a time: any older one would find the generation moved on once
    // its pause was over, and end there.
    m_pendingSearch.reset(new SearchRequest{text, m_state.scope, generation,
                                            corpusKey(media.size(), libraries), libraries, media});
    if (wait) {
        m_searchPause->start(kSearchPauseMs);
    } else {
        m_searchPause->stop();
        QMetaObject::invokeMethod(this, &MainContent::beginSearch, Qt::QueuedConnection);
    }
}

void MainContent::beginSearch() {
    const std::unique_ptr<SearchRequest> request = std::move(m_pendingSearch);
    if (!request || request->generation != m_state.searchGeneration)
        return;
    ActivityLog::append(kSearchTag, QStringLiteral("begin len=") +
                                        QString::number(StartupPlan::characterCount(request->text)));
    QElapsedTimer started;
    started.start();
    workPool()->start([engine = m_engine, window = QPointer<MainContent>(this), key = request->key,
                       libraries = request->libraries, media = request->media,
                       query = SearchQuery(request->text), scope = request->scope, text = request->text,
                       generation = request->generation, started] {
        SearchResult result = engine->run(key, libraries, media, query, scope);
        // Posted to the application, which outlives every window; the window is asked for on
        // the main thread, where it can only go away between two events.
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return;
        QMetaObject::invokeMethod(
            app,
            [window, generation, text, started, result = std::move(result)]() mutable {
                if (window)
                    window->applySearch(generation, text, std::move(result), started);
                else
                    releaseAside(std::move(result));
            },
            Qt::QueuedConnection);
    });
}

void MainContent::applySearch(qint64 generation, const QString& text, SearchResult result,
                              const QElapsedTimer& started) {
    // A newer request was made while this one ran: its result is the one to show.
    if (generation != m_state.searchGeneration) {
        releaseAside(std::move(result));
        return;
    }
    const double matchSeconds = double(started.nsecsElapsed()) / 1e9;
    m_state.appliedSearch = text;
    releaseAside(std::exchange(m_state.searchResult, std::move(result)));
    traceUI();
    m_searchEnds.append(SearchEnd{StartupPlan::characterCount(text), matchSeconds, started});
    // Drawn on a later turn: during a scan every change of the catalogue searches again.
    requestShown();
    m_refresh->request(m_searchEndPart);
}

void MainContent::logSearchEnds() {
    // On the next turn, after the drawing this pass set off; the counts are the ones the
    // browser wrote while it redrew.
    QTimer::singleShot(0, this, [ends = std::exchange(m_searchEnds, {})] {
        const QString counts = UITrace::shared().searchCounts();
        for (const SearchEnd& end : ends) {
            ActivityLog::append(kSearchTag,
                                QStringLiteral("end len=") + QString::number(end.length) + u' ' + counts +
                                    QStringLiteral(" match=") + QString::number(end.matchSeconds, 'f', 3) +
                                    QStringLiteral("s ") +
                                    QString::number(double(end.started.nsecsElapsed()) / 1e9, 'f', 3) + u's');
        }
    });
}

void MainContent::corpusChanged() {
    // Nothing is searched before the window first appears, which runs this with the key it
    // finds then.
    if (!m_startedUp)
        return;
    const QList<LibraryInfo>& libraries = m_catalog.libraries();
    const QList<Catalog::MediaEntry2>& media = m_catalog.media();
    const qint64 key = corpusKey(media.size(), libraries);
    if (key == m_corpusKey)
        return;
    // A scan changes the catalogue many times a second, and each new index costs the libraries
    // it changed: the index (and a search shown) follows at most once a second meanwhile, and
    // the latest change is always taken in, a second later at most.
    const std::shared_ptr<platform::Clock> clock = platform::services().clock;
    if (m_catalog.isScanning()) {
        constexpr std::chrono::milliseconds kCorpusEvery(1000);
        const std::chrono::nanoseconds now = clock->monotonic();
        if (m_lastCorpusWork && now - *m_lastCorpusWork < kCorpusEvery) {
            if (!m_corpusLater.pending())
                m_corpusLater = clock->after(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                 kCorpusEvery - (now - *m_lastCorpusWork)),
                                             this, [this] { corpusChanged(); });
            return;
        }
        m_lastCorpusWork = now;
    } else {
        m_corpusLater.cancel();
        m_lastCorpusWork.reset();
    }
    m_corpusKey = key;
    if (!m_state.appliedSearch.isEmpty()) {
        scheduleSearch(m_state.search, false);
        return;
    }
    // The index for the new catalogue, built before the user's first search; a pre-build
    // still waiting is for a catalogue that has gone.
    ++m_prebuilds;
    m_prebuildPool->clear();
    m_prebuildPool->start(
        [engine = m_engine, key, libraries, media] { engine->prepare(key, libraries, media); });
}

void MainContent::traceUI() {
    StartupPlan::traceUI(m_state, m_catalog);
}

void MainContent::receive(const QString& name, const std::optional<QString>& object) {
    // The tables that show libraries hear it themselves (revealsRow).
    if (name == AppAction::revealRow())
        return;
    switch (m_state.receive(name, object)) {
    case WindowState::MenuEffect::none:
        break;
    case WindowState::MenuEffect::refreshTrace:
        traceUI();
        break;
    case WindowState::MenuEffect::chooseFolder:
        chooseFolder();
        break;
    case WindowState::MenuEffect::exportCSV:
        // Like every question, the save panel opens on the next turn, once the notification
        // has been delivered.
        QTimer::singleShot(0, this, &MainContent::exportCSV);
        break;
    case WindowState::MenuEffect::saveFCPSettings:
        saveFCPSettings();
        break;
    case WindowState::MenuEffect::restoreFCPSettings:
        // Its alert, like every question, comes up on the next turn.
        QTimer::singleShot(0, this, &MainContent::restoreFCPSettings);
        break;
    case WindowState::MenuEffect::putDeRoomBack:
        // It may refuse with an alert: like every question, on the next turn.
        QTimer::singleShot(0, this, [this] { m_catalog.putDeRoomBack(); });
        break;
    }
    if (m_state.pendingDrive)
        schedulePresent();
    refresh();
}

namespace {

// The status line, then the log; an alert is the caller's, as it waits for the user.
void showSettingsOutcome(Catalog& catalog, const FinalCutSettings::Shown& shown) {
    catalog.setStatus(shown.status);
    if (shown.logError)
        ErrorLog::log(ErrorLog::Level::error, FinalCutSettings::logArea, *shown.logError);
}

} // namespace

void MainContent::saveFCPSettings() {
    showSettingsOutcome(m_catalog, FinalCutSettings::save());
}

void MainContent::restoreFCPSettings() {
    const FinalCutSettings::Shown shown = FinalCutSettings::restore();
    showSettingsOutcome(m_catalog, shown);
    if (!shown.alert)
        return;
    const QPointer<MainContent> alive(this);
    const bool wasPresenting = std::exchange(m_presenting, true);
    prompts().tell(shown.alert->title, shown.alert->text);
    if (!alive)
        return;
    m_presenting = wasPresenting;
    schedulePresent();
}

void MainContent::exportCSV() {
    const std::optional<QString> name = CSVExport::fileName(m_state.mode);
    if (!name) {
        m_catalog.setStatus(CSVExport::otherTabStatus());
        return;
    }
    // A question that comes up while the panel is open waits for it, and is asked after it.
    const QPointer<MainContent> alive(this);
    const bool wasPresenting = std::exchange(m_presenting, true);
    const std::optional<QString> path = prompts().chooseSaveFile(*name, QDir::homePath(), QString());
    if (!alive)
        return;
    m_presenting = wasPresenting;
    schedulePresent();
    if (!path)
        return;
    // The tab may have changed while the save panel was open.
    const std::optional<QByteArray> text = CSVExport::tab(m_catalog, m_state);
    if (!text) {
        m_catalog.setStatus(CSVExport::otherTabStatus());
        return;
    }
    // Replaced whole or not at all, so a failure leaves an earlier file as it was; the
    // message names the file and says so.
    if (const Result<void> written = AtomicFile::write(*path, *text); !written)
        m_catalog.setStatus(written.error());
}

// ---- Start-up and questions -----------------------------------------------------------------

void MainContent::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_appeared) {
        m_appeared = true;
        // After the window has been drawn once, so the question sits over a finished window.
        QTimer::singleShot(0, this, &MainContent::firstAppearance);
    }
}

void MainContent::firstAppearance() {
    StartupPlan::startUp(m_state, m_catalog, m_arguments);
    m_startedUp = true;
    corpusChanged();
    if (m_state.askRefresh)
        schedulePresent();
    refresh();
    Q_EMIT startedUp();
}

void MainContent::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_state.winWidth = width();
    m_refresh->request(m_parts.toolbar);
}

void MainContent::chooseFolder() {
    m_chooseFolderPending = true;
    schedulePresent();
}

void MainContent::requestCleanup(const LibraryInfo& library) {
    m_state.cleanupLib = library;
    schedulePresent();
}

void MainContent::requestMissing(const QList<LibraryInfo>& libraries) {
    m_state.missingRequest = MissingRequest(libraries);
    schedulePresent();
}

void MainContent::requestUpdate(const QList<LibraryInfo>& libraries) {
    m_state.updateRequest = UpdateRequest(libraries);
    schedulePresent();
}

void MainContent::updateDrive(const QString& volumeName) {
    SidebarFilter::updateDrive(m_state, m_catalog, volumeName);
    if (m_state.updateRequest)
        schedulePresent();
}

void MainContent::schedulePresent() {
    if (m_presentPending)
        return;
    m_presentPending = true;
    QTimer::singleShot(0, this, [this] {
        m_presentPending = false;
        presentPending();
    });
}

void MainContent::presentPending() {
    // One question at a time: a request made while a dialog or sheet is open waits for it to
    // close.
    if (m_presenting || m_sheetOpen)
        return;
    m_presenting = true;
    const QPointer<MainContent> alive(this);
    for (;;) {
        if (m_state.pendingDrive) {
            const std::optional<QString> answer = prompts().confirm(
                StartupPlan::wholeDriveTitle(m_state.pendingDrive), StartupPlan::wholeDriveMessage(),
                {{StartupPlan::wholeDriveConfirmTitle(), false}, {QStringLiteral("Cancel"), true}});
            if (!alive)
                return;
            if (answer == StartupPlan::wholeDriveConfirmTitle())
                StartupPlan::confirmWholeDrive(m_state, m_catalog);
            else
                StartupPlan::cancelWholeDrive(m_state);
        } else if (m_state.askRefresh) {
            const QString refreshTitle = QStringLiteral("Refresh");
            const std::optional<QString> answer =
                prompts().confirm(StartupPlan::refreshQuestionTitle(), StartupPlan::refreshQuestionMessage(),
                                  {{refreshTitle, false}, {QStringLiteral("Not now"), true}});
            if (!alive)
                return;
            if (answer == refreshTitle)
                StartupPlan::answerRefresh(m_state, m_catalog);
            else
                StartupPlan::answerRefreshLater(m_state);
        } else if (m_chooseFolderPending) {
            m_chooseFolderPending = false;
            const std::optional<QStringList> folders = prompts().chooseFolders(
                VolumesRoot::root(), StartupPlan::folderChooserPrompt(), StartupPlan::folderChooserMessage());
            if (!alive)
                return;
            if (folders)
                StartupPlan::chooseFolderConfirmed(m_catalog, *folders);
        } else if (m_state.cleanupLib) {
            // The request stays set while its sheet is open; a newer one replaces it and
            // waits for the sheet to close.
            const LibraryInfo shown = *m_state.cleanupLib;
            m_sheetOpen = true;
            SheetPresenter::cleanup(window(), m_catalog, shown, [alive, shown] {
                if (!alive)
                    return;
                if (alive->m_state.cleanupLib == shown)
                    alive->m_state.cleanupLib.reset();
                alive->sheetClosed();
            });
            break;
        } else if (m_state.missingRequest) {
            const MissingRequest shown = *m_state.missingRequest;
            m_sheetOpen = true;
            const auto sheetPrompts = [this]() -> Prompts& { return prompts(); };
            SheetPresenter::missingFiles(window(), m_catalog, shown, sheetPrompts, [alive, shown] {
                if (!alive)
                    return;
                if (alive->m_state.missingRequest == shown)
                    alive->m_state.missingRequest.reset();
                alive->sheetClosed();
            });
            break;
        } else if (m_state.updateRequest) {
            const UpdateRequest shown = *m_state.updateRequest;
            m_sheetOpen = true;
            const auto sheetPrompts = [this]() -> Prompts& { return prompts(); };
            SheetPresenter::update(window(), m_catalog, shown, sheetPrompts, [alive, shown] {
                if (!alive)
                    return;
                if (alive->m_state.updateRequest == shown)
                    alive->m_state.updateRequest.reset();
                alive->sheetClosed();
            });
            break;
        } else {
            break;
        }
    }
    m_presenting = false;
    refresh();
}

void MainContent::sheetClosed() {
    m_sheetOpen = false;
    // The next request, if one came meanwhile, takes its turn.
    schedulePresent();
    refresh();
}

} // namespace pellimor
