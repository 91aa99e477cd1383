#include "Plugins/Views/PluginsView.h"

#include "App/ColumnWidths.h"
#include "Catalogue/Store/Catalog.h"
#include "Plugins/PackHealth.h"
#include "Plugins/PluginColumns.h"
#include "Plugins/PluginTree.h"
#include "Plugins/Views/PluginTones.h"
#include "Plugins/Views/PluginsDelegate.h"
#include "Plugins/Views/PluginsModel.h"
#include "Widgets/ButtonTreeView.h"
#include "Widgets/ColumnAutoFit.h"
#include "Widgets/DarkLook.h"
#include "Widgets/Icons.h"
#include "Widgets/LibraryActions.h"
#include "Widgets/NamedColor.h"
#include "Widgets/TabPage.h"
#include "Widgets/TwoLevelTable.h"
#include "Widgets/UiFont.h"
#include "Widgets/UiTextMeasurer.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QScopedValueRollback>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace pellimor {

namespace {

constexpr int kPadX = 12;
constexpr int kHeaderPadY = 8;
constexpr int kNoteBelow = 6;

} // namespace

PluginsView::PluginsView(Catalog& catalog, QWidget* parent) : QWidget(parent), m_catalog(catalog) {
    setObjectName(QStringLiteral("pluginsView"));
    build();
    // A recheck, a scan or a drive coming and going: the statuses and the dots are asked again.
    connect(&m_catalog, &Catalog::changed, this, &PluginsView::rebuildLater);
    UiFont::watchComfortableText(this, [this] { refont(); });
}

PluginsView::~PluginsView() = default;

// ---- Building ---------------------------------------------------------------------------------

void PluginsView::build() {
    m_content = TabPage::build(this, {buildHeader(), buildNote()}, QStringLiteral("pluginsContent"));
    m_empty = buildEmptyState();
    m_content->addWidget(m_empty);
    m_model = new PluginsModel(this);
    m_table = new ButtonTreeView(m_content);
    m_table->setObjectName(QStringLiteral("pluginsTable"));
    m_table->setModel(m_model);
    m_delegate = new PluginsDelegate(*m_model, m_table);
    m_table->setItemDelegate(m_delegate);
    m_table->setButtons(PluginColumns::open, PluginsDelegate::hitMargin,
                        [this](const QStyleOptionViewItem& option, const QModelIndex& index) {
                            return m_delegate->buttons(option, index);
                        });
    m_content->addWidget(m_table);

    m_fit =
        TwoLevelTable::setUpColumns(*m_table, *m_model, PluginColumns::defs(), PluginColumns::tableName());
    connect(m_table->header(), &QHeaderView::sectionClicked, this, &PluginsView::headerClicked);
    showSortIndicator();

    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PluginsView::selectionEdited);
    TwoLevelTable::keepOpenRows(*m_table, *m_model, m_open, m_updating);
    connect(m_table, &ButtonTreeView::buttonClicked, this, &PluginsView::buttonClicked);
    connect(m_table, &ButtonTreeView::menuRequested, this, &PluginsView::menuRequested);
    connect(m_table, &ButtonTreeView::primaryAction, this,
            [this](const QModelIndex& index) { openRow(m_model->idOf(index)); });

    m_content->setCurrentWidget(m_empty);
    refont();
}

QWidget* PluginsView::buildHeader() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("pluginsHeader"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(kPadX, kHeaderPadY, kPadX, kHeaderPadY);
    row->setSpacing(6);
    m_packs = new QLabel(PluginTree::packsText(0), bar);
    m_packs->setObjectName(QStringLiteral("pluginsCount"));
    m_missing = new QLabel(PluginTree::missingText(0), bar);
    m_missing->setObjectName(QStringLiteral("pluginsMissing"));
    m_incomplete = new QLabel(PluginTree::incompleteText(0), bar);
    m_incomplete->setObjectName(QStringLiteral("pluginsIncomplete"));
    for (QLabel* label : {m_packs, m_missing, m_incomplete})
        row->addWidget(label, 0, Qt::AlignVCenter);
    row->addStretch(1);

    m_onlyProblems = new QCheckBox(PluginTree::onlyProblemsTitle(), bar);
    m_onlyProblems->setObjectName(QStringLiteral("onlyProblems"));
    m_onlyProblems->setToolTip(PluginTree::onlyProblemsTip());
    m_onlyProblems->setAccessibleDescription(PluginTree::onlyProblemsTip());
    row->addWidget(m_onlyProblems, 0, Qt::AlignVCenter);
    connect(m_onlyProblems, &QCheckBox::toggled, this, [this](bool on) {
        m_onlyMissing = on;
        rebuild();
    });

    m_recheck = new QToolButton(bar);
    m_recheck->setObjectName(QStringLiteral("recheckPlugins"));
    m_recheck->setText(PluginTree::recheckTitle());
    m_recheck->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_recheck->setToolTip(PluginTree::recheckTip());
    m_recheck->setAccessibleName(PluginTree::recheckTitle());
    m_recheck->setAccessibleDescription(PluginTree::recheckTip());
    row->addWidget(m_recheck, 0, Qt::AlignVCenter);
    connect(m_recheck, &QToolButton::clicked, this, [this] { m_catalog.recheckPlugins(); });
    return bar;
}

QWidget* PluginsView::buildNote() {
    auto* note = new QWidget(this);
    note->setObjectName(QStringLiteral("pluginsNote"));
    auto* row = new QHBoxLayout(note);
    row->setContentsMargins(kPadX, 0, kPadX, kNoteBelow);
    row->setSpacing(4);
    m_noteIcon = new QLabel(note);
    m_noteText = new QLabel(PluginTree::note(), note);
    m_noteText->setObjectName(QStringLiteral("pluginsNoteText"));
    m_noteText->setWordWrap(true);
    row->addWidget(m_noteIcon, 0, Qt::AlignTop);
    row->addWidget(m_noteText, 1);
    return note;
}

QWidget* PluginsView::buildEmptyState() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("pluginsEmpty"));
    auto* column = new QVBoxLayout(page);
    column->setSpacing(8);
    column->addStretch(1);
    m_emptyIcon = TabPage::addCentredLabel(column, page);
    m_emptyTitle = TabPage::addCentredLabel(column, page);
    m_emptyTitle->setObjectName(QStringLiteral("pluginsEmptyTitle"));
    m_notRead = TabPage::addCentredLabel(column, page);
    m_notRead->setObjectName(QStringLiteral("pluginsNotRead"));
    m_notRead->setText(PluginTree::notReadLine());
    m_notRead->setWordWrap(true);
    column->addStretch(1);
    return page;
}

void PluginsView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The light or the dark look: the symbols and texts drawn in colours of their own follow.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        refont();
}

void PluginsView::refont() {
    const bool dark = DarkLook::isDark(this);
    const QColor secondary = namedColor(NamedColor::secondary, dark);
    const double scale = UiFont::scale();
    m_packs->setFont(uiFont(13, QFont::DemiBold));
    m_missing->setFont(uiFont(13));
    m_incomplete->setFont(uiFont(13));
    setTextColour(m_missing, toneColour(PluginTone::red, dark));
    setTextColour(m_incomplete, toneColour(PluginTone::orange, dark));
    m_onlyProblems->setFont(uiFont(13));
    m_recheck->setFont(uiFont(12));
    const int side = int(std::round(14 * scale));
    m_recheck->setIcon(Icons::tinted(QStringLiteral("arrow.clockwise"), QSize(side, side),
                                     palette().color(QPalette::WindowText), devicePixelRatioF()));
    m_recheck->setIconSize(QSize(side, side));

    m_noteText->setFont(uiFont(10));
    setTextColour(m_noteText, secondary);
    const int noteSide = int(std::round(12 * scale));
    m_noteIcon->setPixmap(Icons::tinted(QStringLiteral("info.circle"), QSize(noteSide, noteSide), secondary,
                                        devicePixelRatioF()));

    // The symbol stands in for a 26-point glyph.
    const int emptySide = int(std::lround(UiFont::pixels(26) * scale));
    m_emptyIcon->setPixmap(Icons::tinted(QStringLiteral("puzzlepiece.extension"), QSize(emptySide, emptySide),
                                         secondary, devicePixelRatioF()));
    m_emptyTitle->setFont(uiFont(13, QFont::DemiBold));
    m_notRead->setFont(uiFont(13));
    setTextColour(m_notRead, secondary);

    // The rows are as tall as their fonts; the widths are measured at the new size.
    m_table->doItemsLayout();
    m_fit->setContent(columnWidths(m_nodes));
}

// ---- Working it out -----------------------------------------------------------------------------

void PluginsView::present(const QList<LibraryInfo>& libraries, const SearchQuery& query) {
    m_libraries = libraries;
    m_query = query;
    rebuild();
}

void PluginsView::rebuildLater() {
    // A scan changes the catalogue hundreds of times a second: one rebuild for them all.
    if (std::exchange(m_rebuildQueued, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_rebuildQueued)
                rebuild();
        },
        Qt::QueuedConnection);
}

void PluginsView::rebuild() {
    m_rebuildQueued = false;
    PluginTree::Inputs in{m_libraries, m_query, m_onlyMissing, m_sort};
    m_nodes = PluginTree::build(in, packHealth,
                                [this](const LibraryInfo& library) { return m_catalog.isOnline(library); });
    const PluginTree::Counts counts = PluginTree::counts(m_nodes);
    m_packs->setText(PluginTree::packsText(counts.packs));
    m_missing->setText(PluginTree::missingText(counts.missing));
    m_incomplete->setText(PluginTree::incompleteText(counts.partial));
    {
        const QScopedValueRollback updating(m_updating, true);
        m_model->setQuery(m_query);
        m_model->setRows(m_nodes);
        TwoLevelTable::restore(*m_table, *m_model, m_open, m_selection);
    }
    if (m_selection && !PluginTree::find(m_nodes, *m_selection))
        m_selection.reset();
    m_fit->setContent(columnWidths(m_nodes));
    if (m_nodes.isEmpty()) {
        m_emptyTitle->setText(PluginTree::emptyTitle(m_onlyMissing));
        m_notRead->setVisible(PluginTree::anyNotRead(m_catalog.libraries()));
        m_content->setCurrentWidget(m_empty);
    } else {
        m_content->setCurrentWidget(m_table);
    }
}

QHash<QString, double> PluginsView::columnWidths(const QList<PNode>& packRows) const {
    const UiTextMeasurer measurer;
    return PluginColumns::widths(packRows, ColumnWidths(UiFont::scale(), measurer));
}

std::optional<LibraryInfo> PluginsView::library(const std::optional<QString>& id) const {
    return PluginTree::library(id, m_nodes, m_libraries);
}

bool PluginsView::showsEmptyState() const {
    return m_content->currentWidget() == m_empty;
}

// ---- The table ----------------------------------------------------------------------------------

void PluginsView::select(const std::optional<QString>& id) {
    if (!TwoLevelTable::select(*m_table, *m_model, id))
        m_selection.reset();
}

void PluginsView::selectionEdited() {
    if (m_updating)
        return;
    m_selection = TwoLevelTable::selectedId(*m_table, *m_model);
}

void PluginsView::setSort(const PluginSort& sort) {
    if (sort == m_sort)
        return;
    m_sort = sort;
    showSortIndicator();
    rebuild();
}

void PluginsView::showSortIndicator() {
    TwoLevelTable::showSortIndicator(*m_table->header(), PluginColumns::defs(), m_sort);
}

void PluginsView::headerClicked(int logical) {
    if (logical < 0 || logical >= PluginColumns::count)
        return;
    const std::optional<PluginSort::Field> field = PluginColumns::defs()[logical].sort;
    if (!field) {
        // "Details" and "Open" sort nothing: the header's own flip of the arrow is undone.
        showSortIndicator();
        return;
    }
    setSort(m_sort.clicked(*field));
    // The header flips its arrow by itself; ours says what the sort is.
    showSortIndicator();
}

void PluginsView::buttonClicked(const QModelIndex& index, int part) {
    const std::optional<LibraryInfo> found = library(m_model->idOf(index));
    if (!found)
        return;
    if (part == PluginsDelegate::folder)
        LibraryActions::openFolder(*found);
    else
        m_catalog.openInFCP(*found);
}

std::unique_ptr<QMenu> PluginsView::rowMenu(const std::optional<QString>& id) {
    const std::optional<LibraryInfo> found = library(id);
    if (!found)
        return std::make_unique<QMenu>(
            this); // a pack row, or a library no longer listed: a menu without items
    return LibraryActions::menu(this, m_catalog, *found);
}

void PluginsView::menuRequested(const QModelIndex& index, const QPoint& globalPos) {
    std::unique_ptr<QMenu> menu = rowMenu(m_model->idOf(index));
    if (!menu->isEmpty())
        menu->exec(globalPos);
}

void PluginsView::openRow(const std::optional<QString>& id) {
    if (const std::optional<LibraryInfo> found = library(id))
        m_catalog.openInFCP(*found);
}

} // namespace pellimor
