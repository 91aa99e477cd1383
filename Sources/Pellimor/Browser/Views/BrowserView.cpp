#include "Browser/Views/BrowserView.h"

#include "App/ColumnLayout.h"
#include "App/ColumnWidths.h"
#include "Browser/BrowserColumn.h"
#include "Browser/BrowserColumns.h"
#include "Browser/BrowserStrip.h"
#include "Browser/BrowserWidths.h"
#include "Browser/Views/BrowserDelegate.h"
#include "Browser/Views/BrowserModel.h"
#include "Browser/Views/PathHoverCard.h"
#include "Browser/Views/RowMenuPopup.h"
#include "Catalogue/Logs/UITrace.h"
#include "Catalogue/Store/Catalog.h"
#include "Platform/Services.h"
#include "Widgets/ColumnAutoFit.h"
#include "Widgets/ColumnChooser.h"
#include "Widgets/ColumnPrefs.h"
#include "Widgets/DarkLook.h"
#include "Widgets/FavoriteStar.h"
#include "Widgets/Icons.h"
#include "Widgets/LiteralTitle.h"
#include "Widgets/NamedColor.h"
#include "Widgets/RevealsRow.h"
#include "Widgets/SortIndicatorHeader.h"
#include "Widgets/UiFont.h"
#include "Widgets/UiTextMeasurer.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <utility>

namespace pellimor {

namespace {

constexpr int kIndentation = 16;

QColor blended(const QColor& under, const QColor& over, qreal opacity) {
    return QColor::fromRgbF(float(under.redF() * (1 - opacity) + over.redF() * opacity),
                            float(under.greenF() * (1 - opacity) + over.greenF() * opacity),
                            float(under.blueF() * (1 - opacity) + over.blueF() * opacity));
}

// The table, whose disclosure triangles lie on their row's drive tint like its cells.
class TintedTree final : public QTreeView {
public:
    explicit TintedTree(QWidget* parent) : QTreeView(parent) {}

protected:
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override {
        if (const auto* delegate = qobject_cast<const BrowserDelegate*>(itemDelegate())) {
            if (const std::optional<QColor> tint = delegate->tint(index, DarkLook::isDark(this)))
                painter->fillRect(rect, *tint);
        }
        QTreeView::drawBranches(painter, rect, index);
    }
};

} // namespace

const QString& BrowserView::tableName() {
    static const QString name = QStringLiteral("browser.v3");
    return name;
}

BrowserView::BrowserView(Catalog& catalog, QWidget* parent)
    : QWidget(parent), m_catalog(catalog), m_queries(std::make_unique<CatalogTreeQueries>(catalog)),
      m_measurer(std::make_unique<UiTextMeasurer>()) {
    setObjectName(QStringLiteral("browserView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildStrip();
    buildSummary();
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setObjectName(QStringLiteral("browserDivider"));
    layout->addWidget(divider);
    buildTable();

    UiFont::watchComfortableText(this, [this] {
        for (QPushButton* button : {m_expandAll, m_collapseAll, m_update, m_missing})
            button->setFont(uiFont(11));
        m_summaryText->setFont(uiFont(12));
        m_summaryHint->setFont(uiFont(10));
        refreshWidths();
        m_table->viewport()->update();
    });
}

BrowserView::~BrowserView() = default;

// ---- Building -------------------------------------------------------------------------------

void BrowserView::buildStrip() {
    auto* strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("browserButtons"));
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(12, 6, 12, 6);
    row->setSpacing(8);
    const auto button = [&](const QString& name, const QString& title, const QString& tip) {
        auto* made = new QPushButton(title, strip);
        made->setObjectName(name);
        made->setToolTip(tip);
        made->setFont(uiFont(11));
        made->setFocusPolicy(Qt::TabFocus);
        row->addWidget(made);
        return made;
    };
    m_expandAll =
        button(QStringLiteral("expandAll"), BrowserStrip::expandAllTitle(), BrowserStrip::expandAllTip());
    m_collapseAll = button(QStringLiteral("collapseAll"), BrowserStrip::collapseAllTitle(),
                           BrowserStrip::collapseAllTip());
    m_update = button(QStringLiteral("updateLibraries"), QString(), BrowserStrip::updateTip());
    m_update->setIcon(Icons::icon(BrowserStrip::updateSymbol()));
    m_update->hide();
    m_missing = button(QStringLiteral("findMissingInList"), QString(), BrowserStrip::missingTip());
    m_missing->setIcon(Icons::icon(BrowserStrip::missingSymbol()));
    m_missing->hide();
    row->addStretch();
    static_cast<QVBoxLayout*>(layout())->addWidget(strip);

    connect(m_expandAll, &QPushButton::clicked, this, [this] {
        m_expansion.expandAll(m_inputs.libraries, m_inputs.query);
        rebuild(false);
    });
    connect(m_collapseAll, &QPushButton::clicked, this, [this] {
        m_expansion.collapseAll(m_inputs.libraries, m_inputs.query);
        rebuild(false);
    });
    connect(m_update, &QPushButton::clicked, this, [this] {
        if (m_onUpdate && !m_updateTargets.isEmpty())
            m_onUpdate(m_updateTargets);
    });
    connect(m_missing, &QPushButton::clicked, this, [this] {
        if (m_onMissing && !m_missingTargets.isEmpty())
            m_onMissing(m_missingTargets);
    });
}

void BrowserView::buildSummary() {
    m_summary = new QWidget(this);
    m_summary->setObjectName(QStringLiteral("searchSummary"));
    m_summary->setAutoFillBackground(true);
    auto* row = new QHBoxLayout(m_summary);
    row->setContentsMargins(12, 5, 12, 5);
    row->setSpacing(6);
    m_summaryImage = new QLabel(m_summary);
    m_summaryImage->setObjectName(QStringLiteral("summaryImage"));
    m_summaryText = new QLabel(m_summary);
    m_summaryText->setObjectName(QStringLiteral("summaryText"));
    m_summaryText->setTextFormat(Qt::PlainText);
    m_summaryText->setFont(uiFont(12));
    m_summaryHint = new QLabel(BrowserStrip::summaryHint(), m_summary);
    m_summaryHint->setObjectName(QStringLiteral("summaryHint"));
    m_summaryHint->setFont(uiFont(10));
    row->addWidget(m_summaryImage);
    row->addWidget(m_summaryText);
    row->addWidget(m_summaryHint);
    row->addStretch();
    m_summary->hide();
    static_cast<QVBoxLayout*>(layout())->addWidget(m_summary);
}

void BrowserView::buildTable() {
    m_table = new TintedTree(this);
    m_table->setObjectName(QStringLiteral("browserTable"));
    m_table->setHeader(new SortIndicatorHeader(Qt::Horizontal, m_table));
    m_model = new BrowserModel(m_table);
    m_table->setModel(m_model);
    m_delegate = new BrowserDelegate(m_catalog, *m_model, m_table);
    m_table->setItemDelegate(m_delegate);
    m_table->setAnimated(false);
    m_table->setUniformRowHeights(true);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setExpandsOnDoubleClick(false);
    m_table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_table->setAlternatingRowColors(true);
    m_table->setAllColumnsShowFocus(true);
    m_table->setIndentation(kIndentation);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_table->viewport()->setMouseTracking(true);
    m_table->viewport()->installEventFilter(this);
    static_cast<QVBoxLayout*>(layout())->addWidget(m_table, 1);

    QHeaderView* header = m_table->header();
    header->setSectionsMovable(true);
    header->setFirstSectionMovable(true);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    const QList<BrowserColumn> columns = m_model->columns();
    QList<ColumnAutoFit::Limits> limits;
    for (qsizetype logical = 0; logical < columns.size(); ++logical) {
        // The widths are in points, like the fonts of the cells they hold.
        header->resizeSection(int(logical), int(UiFont::pixels(columns.at(logical).idealWidth)));
        limits.append(ColumnAutoFit::Limits{UiFont::pixels(columns.at(logical).minWidth)});
    }
    header->setSortIndicator(m_model->columnOf(QStringLiteral("name")), Qt::AscendingOrder);

    // The stored arrangement; one that hides every column shows the column the arrangement
    // counts as the last one seen, so the table never has none.
    m_chooser =
        new ColumnChooser(header, tableName(), BrowserColumns::declared(), BrowserColumns::hiddenByDefault());
    bool anyShown = false;
    for (int logical = 0; logical < header->count(); ++logical)
        anyShown = anyShown || !header->isSectionHidden(logical);
    if (!anyShown && header->count() > 0) {
        const int logical = m_model->columnOf(lastVisibleColumn());
        header->setSectionHidden(logical >= 0 ? logical : header->count() - 1, false);
    }
    connect(m_chooser, &ColumnChooser::arrangementChanged, this, &BrowserView::arrangementChanged);
    connect(header, &QHeaderView::sectionClicked, this, &BrowserView::headerClicked);
    arrangementChanged();

    m_fitter = new ColumnAutoFit(m_table);
    m_fitter->setLimits(limits);
    m_card = new PathHoverCard(m_table);
    revealsRow(m_table, [this](const QString& id) { return m_model->indexOf(id); });
    FavoriteStar::repaintOnChange(m_catalog, m_table);

    connect(m_table, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { rowOpened(index, true); });
    connect(m_table, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { rowOpened(index, false); });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_syncing)
            return;
        const QModelIndexList rows = m_table->selectionModel()->selectedRows();
        if (rows.isEmpty())
            Q_EMIT selectionEdited(std::nullopt);
        else
            Q_EMIT selectionEdited(rows.first().data(BrowserModel::kIdRole).toString());
    });
    connect(m_table, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { open(index.data(BrowserModel::kIdRole).toString()); });
    connect(m_table, &QWidget::customContextMenuRequested, this, &BrowserView::rowMenu);
}

// ---- Inputs and building --------------------------------------------------------------------

void BrowserView::setOnMissing(std::function<void(const QList<LibraryInfo>&)> action) {
    m_onMissing = std::move(action);
    refreshStrip();
}

void BrowserView::setOnUpdate(std::function<void(const QList<LibraryInfo>&)> action) {
    m_onUpdate = std::move(action);
}

void BrowserView::setOnCleanup(std::function<void(const LibraryInfo&)> action) {
    m_onCleanup = std::move(action);
}

void BrowserView::present(const Inputs& inputs) {
    const bool columnsChanged = !m_presented || inputs.dateMode != m_inputs.dateMode;
    m_inputs = inputs;
    if (columnsChanged)
        m_model->setColumns(BrowserColumn::all(m_inputs.dateMode));
    // A new search: what was open belongs to the old one, and the table starts afresh.
    const bool newQuery = m_expansion.follow(m_inputs.query);
    m_table->setAlternatingRowColors(!m_inputs.groupByDrive);
    BrowserDelegate::Context context;
    context.query = m_inputs.query;
    if (m_inputs.groupByDrive) {
        context.tint = [this](const BNode& node, bool dark) {
            return BrowserTree::rowTint(node, m_paint, m_built, m_inputs.selection, dark);
        };
    }
    m_delegate->setContext(std::move(context));

    rebuild(newQuery);
    if (newQuery && m_presented && m_inputs.selection && !m_model->indexOf(*m_inputs.selection).isValid()) {
        m_inputs.selection.reset();
        select();
        Q_EMIT selectionEdited(std::nullopt);
    }
    m_presented = true;
    m_table->viewport()->update();
}

TreeInputs BrowserView::treeInputs() const {
    TreeInputs in;
    in.libraries = m_inputs.libraries;
    in.query = m_inputs.query;
    in.result = m_inputs.result;
    in.dateMode = m_inputs.dateMode;
    in.groupByDrive = m_inputs.groupByDrive;
    in.expansion = m_expansion;
    in.sort = m_sort;
    return in;
}

void BrowserView::rebuild(bool afresh) {
    m_built = treeInputs();
    const BuiltTree& tree = m_cache.cachedBuild(m_built, *m_queries);
    if (afresh || m_cache.key() != m_drawnKey) {
        m_drawnKey = m_cache.key();
        m_paint = BrowserTree::paintMap(tree.nodes);
        applyTree(afresh);
        refreshWidths();
        // A card whose row left the tree closes, and a wait of its never opens it.
        if (!m_card->rowId().isEmpty() && !m_model->indexOf(m_card->rowId()).isValid())
            m_card->forget();
    } else if (UiFont::scale() != m_widthScale) {
        refreshWidths();
    }
    select();
    refreshStrip();
    refreshSummary();
    const BrowserStrip::TraceCounts counts =
        BrowserStrip::traceCounts(m_inputs.query.isActive(), tree.stats, tree.nodes.size());
    UITrace::shared().update([&counts](UITrace::Fields& fields) {
        fields.libraries = counts.libraries;
        fields.events = counts.events;
        fields.projects = counts.projects;
    });
}

void BrowserView::applyTree(bool afresh) {
    const QScopedValueRollback syncing(m_syncing, true);
    const QList<BNode>& nodes = m_cache.tree().nodes;
    if (afresh) {
        m_model->reset(nodes);
        syncExpansion();
        m_table->scrollToTop();
        return;
    }
    // The row at the top of the view stays where it is.
    const QModelIndex top = m_table->indexAt(QPoint(0, 0));
    const QString topId = top.data(BrowserModel::kIdRole).toString();
    const int topY = top.isValid() ? m_table->visualRect(top).top() : 0;
    m_model->setTree(nodes);
    syncExpansion();
    if (!topId.isEmpty()) {
        const QModelIndex again = m_model->indexOf(topId);
        if (again.isValid()) {
            const int moved = m_table->visualRect(again).top() - topY;
            if (moved != 0)
                m_table->verticalScrollBar()->setValue(m_table->verticalScrollBar()->value() + moved);
        }
    }
}

void BrowserView::syncExpansion() {
    const QScopedValueRollback syncing(m_syncing, true);
    const std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        const int rows = m_model->rowCount(parent);
        for (int row = 0; row < rows; ++row) {
            const QModelIndex index = m_model->index(row, 0, parent);
            if (!m_model->hasChildren(index))
                continue;
            const BNode* node = m_model->node(index);
            const bool shown = m_expansion.isShown(node->id, node->autoOpen, m_inputs.query);
            if (m_table->isExpanded(index) != shown)
                m_table->setExpanded(index, shown);
            walk(index);
        }
    };
    walk(QModelIndex());
}

void BrowserView::select() {
    const QScopedValueRollback syncing(m_syncing, true);
    const QModelIndex wanted = m_inputs.selection ? m_model->indexOf(*m_inputs.selection) : QModelIndex();
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    if (rows.size() == 1 && rows.first() == wanted)
        return;
    if (!wanted.isValid()) {
        m_table->selectionModel()->clearSelection();
        return;
    }
    m_table->selectionModel()->setCurrentIndex(wanted, QItemSelectionModel::ClearAndSelect |
                                                           QItemSelectionModel::Rows);
    m_table->scrollTo(wanted);
}

void BrowserView::rowOpened(const QModelIndex& index, bool open) {
    if (m_syncing)
        return;
    const BNode* node = m_model->node(index);
    if (!node)
        return;
    m_expansion.setOpen(node->id, open, m_inputs.query);
    rebuild(false);
}

void BrowserView::headerClicked(int logical) {
    const QString id = m_model->columnId(logical);
    if (id.isEmpty())
        return;
    const bool again = !m_sort.keys.isEmpty() && m_sort.keys.first().column == id;
    m_sort.keys = {TreeSortKey{id, again ? !m_sort.keys.first().ascending : true}};
    m_table->header()->setSortIndicator(logical, m_sort.keys.first().ascending ? Qt::AscendingOrder
                                                                               : Qt::DescendingOrder);
    rebuild(false);
}

// ---- Strips ---------------------------------------------------------------------------------

void BrowserView::refreshStrip() {
    m_updateTargets = BrowserStrip::updateTargets(
        m_inputs.libraries, [this](const LibraryInfo& library) { return m_catalog.isOnline(library); },
        [this](const LibraryInfo& library) { return m_catalog.updateStatus(library); });
    m_update->setVisible(!m_updateTargets.isEmpty());
    m_update->setText(
        BrowserStrip::updateTitle(m_updateTargets.size(), m_catalog.installedFCP().value_or(QString())));
    m_missingTargets =
        BrowserStrip::missingTargets(m_inputs.libraries, m_inputs.missingForList, bool(m_onMissing));
    m_missing->setVisible(!m_missingTargets.isEmpty());
    m_missing->setText(BrowserStrip::missingTitle(m_missingTargets.size()));
}

void BrowserView::refreshSummary() {
    const bool searching = m_inputs.query.isActive();
    m_summary->setVisible(searching);
    if (!searching)
        return;
    const BuiltTree& tree = m_cache.tree();
    const bool noResults = tree.nodes.isEmpty();
    const bool dark = DarkLook::isDark(this);
    QPalette palette = m_summary->palette();
    palette.setColor(QPalette::Window, blended(this->palette().color(QPalette::Window),
                                               namedColor(NamedColor::yellow, dark), 0.1));
    m_summary->setPalette(palette);
    QPalette hint = m_summaryHint->palette();
    hint.setColor(QPalette::WindowText, namedColor(NamedColor::secondary, dark));
    m_summaryHint->setPalette(hint);
    const int side = int(QFontMetricsF(m_summaryText->font()).height());
    m_summaryImage->setPixmap(Icons::tinted(BrowserStrip::summarySymbol(noResults), QSize(side, side),
                                            namedColor(NamedColor::secondary, dark), devicePixelRatioF()));
    m_summaryImage->setAccessibleName(BrowserStrip::summarySymbol(noResults));
    m_summaryText->setText(BrowserStrip::summaryText(tree.stats, noResults));
}

void BrowserView::refreshWidths() {
    m_widthScale = UiFont::scale();
    const ColumnWidths widths(m_widthScale, *m_measurer);
    m_widths = BrowserWidths::columnWidths(m_cache.tree().nodes, m_inputs.dateMode, widths);
    m_fitter->setContent(m_widths);
}

// ---- Columns ----------------------------------------------------------------------------------

QJsonObject BrowserView::arrangement() const {
    return ColumnPrefs::capture(*m_table->header(), BrowserColumns::declared(),
                                BrowserColumns::hiddenByDefault());
}

QString BrowserView::lastVisibleColumn() const {
    return ColumnLayout::lastVisible(arrangement(), BrowserColumns::declared(),
                                     BrowserColumns::hiddenByDefault());
}

void BrowserView::arrangementChanged() {
    m_model->setCustomization(arrangement());
    m_table->viewport()->update();
}

// ---- The row menu and the double click -----------------------------------------------------

std::optional<LibraryInfo> BrowserView::libraryFor(const QString& id) const {
    const std::optional<LibraryInfo> shown = BrowserTree::library(m_inputs.libraries, id);
    if (!shown)
        return std::nullopt;
    // The catalogue's record as it is now; none when the library was forgotten meanwhile.
    for (const LibraryInfo& library : m_catalog.libraries()) {
        if (library.path == shown->path)
            return library;
    }
    return std::nullopt;
}

QList<RowMenu::Entry> BrowserView::menuEntries(const QString& id) const {
    const std::optional<LibraryInfo> library = libraryFor(id);
    const bool online = library && m_catalog.isOnline(*library);
    return RowMenu::entries(
        library, online, m_onMissing ? RowMenu::FindMissing::available : RowMenu::FindMissing::unavailable);
}

void BrowserView::choose(const QString& id, RowMenu::Action action) {
    const std::optional<LibraryInfo> library = libraryFor(id);
    if (!library)
        return;
    bool enabled = false;
    for (const RowMenu::Entry& entry : menuEntries(id))
        enabled = enabled || (entry.action == action && entry.enabled);
    if (!enabled)
        return;
    RowMenuPopup::perform(m_catalog, *library, action, {m_onCleanup, m_onMissing});
}

void BrowserView::open(const QString& id) {
    if (const std::optional<LibraryInfo> library = libraryFor(id))
        m_catalog.openInFCP(*library);
}

void BrowserView::rowMenu(const QPoint& at) {
    const QModelIndex index = m_table->indexAt(at);
    if (!index.isValid())
        return;
    const QString id = index.data(BrowserModel::kIdRole).toString();
    const QPointer<BrowserView> alive(this);
    const std::optional<RowMenu::Action> chosen = RowMenuPopup::exec(
        menuEntries(id), this, m_table->viewport()->mapToGlobal(at), QStringLiteral("browserRowMenu"));
    if (alive && chosen)
        choose(id, *chosen);
}

// ---- The path card ------------------------------------------------------------------------

void BrowserView::trackPointer(const QPoint& at) {
    std::optional<PathHoverCard::Target> target;
    const QModelIndex index = m_table->indexAt(at);
    const BNode* node = m_model->node(index);
    if (node && node->kind == BNode::Kind::library) {
        QStyleOptionViewItem option;
        option.initFrom(m_table);
        option.rect = m_table->visualRect(index);
        option.font = m_table->font();
        const QRectF text = m_delegate->pathTextRect(option, index);
        if (!text.isEmpty() && text.contains(at)) {
            const QRect local = text.toAlignedRect();
            target =
                PathHoverCard::Target{node->id, node->id, node->online,
                                      QRect(m_table->viewport()->mapToGlobal(local.topLeft()), local.size())};
        }
    }
    m_card->pointerAt(target);
}

bool BrowserView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_table->viewport()) {
        if (event->type() == QEvent::MouseMove)
            trackPointer(static_cast<QMouseEvent*>(event)->position().toPoint());
        else if (event->type() == QEvent::Leave)
            m_card->pointerAt(std::nullopt);
    }
    return QWidget::eventFilter(watched, event);
}

void BrowserView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_card->forget();
}

} // namespace pellimor
