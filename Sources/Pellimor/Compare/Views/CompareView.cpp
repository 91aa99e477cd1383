#include "Compare/Views/CompareView.h"

#include "App/ColumnWidths.h"
#include "Catalogue/Store/Catalog.h"
#include "Compare/CompareColumns.h"
#include "Compare/CompareTexts.h"
#include "Compare/Comparer.h"
#include "Compare/Views/CompareDetailPanel.h"
#include "Compare/Views/CompareModel.h"
#include "Compare/Views/CompareTable.h"
#include "Widgets/ColumnAutoFit.h"
#include "Widgets/DarkLook.h"
#include "Widgets/Icons.h"
#include "Widgets/LibraryActions.h"
#include "Widgets/LiteralTitle.h"
#include "Widgets/NamedColor.h"
#include "Widgets/TabPage.h"
#include "Widgets/TwoLevelTable.h"
#include "Widgets/UiFont.h"
#include "Widgets/UiTextMeasurer.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <functional>

namespace pellimor {

namespace {

constexpr int kBarPadX = 12;
constexpr int kBarPadY = 8;
constexpr int kHelpWidth = 380;
constexpr int kHelpPadding = 14;
constexpr int kTableMinimum = 200;
constexpr int kDetailIdeal = 260;
constexpr int kHelpIcon = 16;
constexpr int kEmptyTextWidth = 420;

QString countText(qsizetype groups) {
    return QString::number(groups) + QStringLiteral(" libraries exist in more than one place");
}

QCheckBox* checkBox(const QString& title, const QString& tip, const QString& name, QWidget* parent) {
    auto* box = new QCheckBox(title, parent);
    box->setObjectName(name);
    box->setToolTip(tip);
    box->setAccessibleDescription(tip);
    return box;
}

// Tells when the help popup closes, however it closes.
class PopupWatcher final : public QObject {
public:
    PopupWatcher(QObject* parent, std::function<void()> closed)
        : QObject(parent), m_closed(std::move(closed)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && m_closed)
            m_closed();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_closed;
};

} // namespace

CompareView::CompareView(Catalog& catalog, QWidget* parent) : QWidget(parent), m_catalog(catalog) {
    setObjectName(QStringLiteral("compareView"));
    build();
    // What the catalogue changes besides the libraries given: the media lists (the media line)
    // and the mounted drives (the online dots and the buttons). The window presents again
    // after either, through its refresh scheduler.
    connect(&m_catalog, &Catalog::mediaChanged, this, [this] { m_stale = true; });
    connect(&m_catalog, &Catalog::mountedChanged, this, [this] { m_stale = true; });
    UiFont::watchComfortableText(this, [this] { refont(); });
}

CompareView::~CompareView() = default;

// ---- Building ---------------------------------------------------------------------------------

void CompareView::build() {
    m_content = TabPage::build(this, {buildHeaderBar(), buildNotice()}, QStringLiteral("compareContent"));
    m_empty = buildEmptyState();
    m_content->addWidget(m_empty);

    m_split = new QSplitter(Qt::Vertical, m_content);
    m_split->setObjectName(QStringLiteral("compareSplit"));
    m_split->setChildrenCollapsible(false);
    m_model = new CompareModel(this);
    m_table = new CompareTable(*m_model, m_split);
    m_table->setMinimumHeight(kTableMinimum);
    m_detail = new CompareDetailPanel(m_split);
    m_detail->setVisible(false);
    m_split->addWidget(m_table);
    m_split->addWidget(m_detail);
    m_split->setStretchFactor(0, 1);
    m_split->setStretchFactor(1, 0);
    m_content->addWidget(m_split);

    m_fit =
        TwoLevelTable::setUpColumns(*m_table, *m_model, CompareColumns::defs(), CompareColumns::tableName());
    connect(m_table->header(), &QHeaderView::sectionClicked, this, &CompareView::headerClicked);
    showSortIndicator();

    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CompareView::selectionEdited);
    TwoLevelTable::keepOpenRows(*m_table, *m_model, m_open, m_updating);
    connect(m_table, &ButtonTreeView::buttonClicked, this, [this](const QModelIndex& index, int part) {
        buttonClicked(index, CompareDelegate::Part(part));
    });
    connect(m_table, &ButtonTreeView::menuRequested, this, &CompareView::menuRequested);
    connect(m_table, &ButtonTreeView::primaryAction, this, &CompareView::primaryAction);

    m_content->setCurrentWidget(m_empty);
    refont();
}

QWidget* CompareView::buildHeaderBar() {
    m_bar = new QWidget(this);
    m_bar->setObjectName(QStringLiteral("compareHeader"));
    auto* grid = new QGridLayout(m_bar);
    grid->setContentsMargins(kBarPadX, kBarPadY, kBarPadX, kBarPadY);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(6);
    grid->setColumnStretch(1, 1);

    m_barTitle = new QWidget(m_bar);
    auto* row = new QHBoxLayout(m_barTitle);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    m_count = new QLabel(countText(0), m_barTitle);
    m_count->setObjectName(QStringLiteral("compareCount"));
    row->addWidget(m_count, 0, Qt::AlignVCenter);

    m_helpButton = new QToolButton(m_barTitle);
    m_helpButton->setObjectName(QStringLiteral("compareHelp"));
    m_helpButton->setAutoRaise(true);
    m_helpButton->setToolTip(QStringLiteral("How does the comparison work?"));
    m_helpButton->setAccessibleName(QStringLiteral("How does the comparison work?"));
    m_helpButton->setCursor(Qt::PointingHandCursor);
    connect(m_helpButton, &QToolButton::clicked, this, [this] { setHelpShown(!m_showHelp); });
    row->addWidget(m_helpButton, 0, Qt::AlignVCenter);

    m_barBoxes = new QWidget(m_bar);
    auto* boxes = new QHBoxLayout(m_barBoxes);
    boxes->setContentsMargins(0, 0, 0, 0);
    boxes->setSpacing(12);
    m_onlyOutOfSync = checkBox(QStringLiteral("Only out-of-sync"),
                               QStringLiteral("Hide groups where every copy is up to date"),
                               QStringLiteral("onlyOutOfSync"), m_barBoxes);
    m_includeLeftovers =
        checkBox(literalTitle(QStringLiteral("Include SafetyNet & empty copies")),
                 QStringLiteral("Carbon Copy Cloner SafetyNet folders and empty library shells "
                                "are normally ignored"),
                 QStringLiteral("includeLeftovers"), m_barBoxes);
    m_showIdentical =
        checkBox(QStringLiteral("Show unchanged projects"),
                 QStringLiteral("Also list projects that are the same in every copy, in the panel "
                                "below"),
                 QStringLiteral("showIdentical"), m_barBoxes);
    for (QCheckBox* box : {m_onlyOutOfSync, m_includeLeftovers, m_showIdentical})
        boxes->addWidget(box, 0, Qt::AlignVCenter);
    arrangeBar(true);

    connect(m_onlyOutOfSync, &QCheckBox::toggled, this, [this](bool on) {
        m_filter.onlyOutOfSync = on;
        compare();
    });
    connect(m_includeLeftovers, &QCheckBox::toggled, this, [this](bool on) {
        m_filter.includeLeftovers = on;
        compare();
    });
    connect(m_showIdentical, &QCheckBox::toggled, this, [this](bool on) {
        m_showIdenticalOn = on;
        showDetail();
    });
    return m_bar;
}

void CompareView::arrangeBar(bool force) {
    // The check boxes stand at the trailing end of the title's line while both fit, and on a
    // line of their own below it when they do not (a narrow window, "Larger Text").
    const QMargins margins = m_bar->layout()->contentsMargins();
    const int needed = m_barTitle->sizeHint().width() + 12 + m_barBoxes->sizeHint().width() + margins.left() +
                       margins.right();
    const bool oneLine = width() >= needed;
    if (!force && oneLine == m_barOneLine)
        return;
    m_barOneLine = oneLine;
    auto* grid = static_cast<QGridLayout*>(m_bar->layout());
    grid->removeWidget(m_barTitle);
    grid->removeWidget(m_barBoxes);
    grid->addWidget(m_barTitle, 0, 0, Qt::AlignLeft | Qt::AlignVCenter);
    if (oneLine)
        grid->addWidget(m_barBoxes, 0, 2, Qt::AlignRight | Qt::AlignVCenter);
    else
        grid->addWidget(m_barBoxes, 1, 0, 1, 3, Qt::AlignLeft | Qt::AlignVCenter);
}

void CompareView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The light or the dark look: the symbols and texts drawn in colours of their own follow.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        refont();
}

void CompareView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrangeBar(false);
}

QWidget* CompareView::buildNotice() {
    m_notice = new QWidget(this);
    m_notice->setObjectName(QStringLiteral("compareNotice"));
    auto* row = new QHBoxLayout(m_notice);
    row->setContentsMargins(kBarPadX, 0, kBarPadX, 6);
    row->setSpacing(4);
    m_noticeIcon = new QLabel(m_notice);
    m_noticeText = new QLabel(CompareTexts::notice(), m_notice);
    m_noticeText->setObjectName(QStringLiteral("compareNoticeText"));
    m_noticeText->setWordWrap(true);
    row->addWidget(m_noticeIcon, 0, Qt::AlignTop);
    row->addWidget(m_noticeText, 1);
    m_notice->setVisible(false);
    return m_notice;
}

QWidget* CompareView::buildEmptyState() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("compareEmpty"));
    auto* column = new QVBoxLayout(page);
    column->setSpacing(8);
    column->addStretch(1);
    m_emptyIcon = TabPage::addCentredLabel(column, page);
    m_emptyTitle = TabPage::addCentredLabel(column, page);
    m_emptyTitle->setText(QStringLiteral("No duplicate libraries found"));
    m_emptyTitle->setObjectName(QStringLiteral("compareEmptyTitle"));
    m_emptyText = TabPage::addCentredLabel(column, page);
    m_emptyText->setText(
        QStringLiteral("Copies are matched by the library's internal ID, so Finder copies and "
                       "backups on other drives are recognised even if renamed."));
    m_emptyText->setWordWrap(true);
    m_emptyText->setMaximumWidth(kEmptyTextWidth);
    column->addStretch(1);
    return page;
}

void CompareView::refont() {
    const bool dark = DarkLook::isDark(this);
    const QColor secondary = namedColor(NamedColor::secondary, dark);
    const double scale = UiFont::scale();
    m_count->setFont(uiFont(13, QFont::DemiBold));
    const int help = int(std::round(kHelpIcon * scale));
    m_helpButton->setIcon(Icons::tinted(QStringLiteral("questionmark.circle"), QSize(help, help),
                                        palette().color(QPalette::WindowText), devicePixelRatioF()));
    m_helpButton->setIconSize(QSize(help, help));
    for (QCheckBox* box : {m_onlyOutOfSync, m_includeLeftovers, m_showIdentical})
        box->setFont(uiFont(13));

    const QColor orange = namedColor(NamedColor::orange, dark);
    m_noticeText->setFont(uiFont(10));
    setTextColour(m_noticeText, orange);
    const int noticeSide = int(std::round(12 * scale));
    m_noticeIcon->setPixmap(Icons::tinted(QStringLiteral("info.circle"), QSize(noticeSide, noticeSide),
                                          orange, devicePixelRatioF()));

    const int emptySide = int(std::round(26 * scale * 1.2));
    m_emptyIcon->setPixmap(Icons::tinted(QStringLiteral("square.on.square"), QSize(emptySide, emptySide),
                                         secondary, devicePixelRatioF()));
    m_emptyTitle->setFont(uiFont(13, QFont::DemiBold));
    m_emptyText->setFont(uiFont(13));
    setTextColour(m_emptyText, secondary);
    // As wide as its text up to 420: a wrapping label left to itself takes a narrow column.
    const int wanted = m_emptyText->fontMetrics().horizontalAdvance(m_emptyText->text()) + 1;
    m_emptyText->setMinimumWidth(std::min(kEmptyTextWidth, wanted));

    if (m_helpPopup) {
        delete m_helpPopup;
        m_helpPopup = nullptr;
        m_showHelp = false;
    }
    arrangeBar(true);
    // The rows are as tall as their fonts; the widths are measured at the new size.
    m_table->doItemsLayout();
    m_fit->setContent(columnWidths(m_nodes));
}

// ---- Working it out -----------------------------------------------------------------------------

void CompareView::present(const QList<LibraryInfo>& libraries, const QString& search) {
    if (m_presented && !m_stale && libraries == m_libraries && search == m_search)
        return;
    m_presented = true;
    m_libraries = libraries;
    m_search = search;
    compare();
}

void CompareView::compare() {
    ++m_comparisons;
    m_stale = false;
    CompareRows::Filter filter = m_filter;
    filter.search = m_search;
    m_groups = CompareRows::groups(m_libraries, filter);
    m_missingFingerprints = CompareRows::missingFingerprints(m_libraries);
    m_count->setText(countText(m_groups.size()));
    m_notice->setVisible(m_missingFingerprints);
    showRows();
}

void CompareView::showRows() {
    m_nodes = CompareRows::nodes(m_groups, m_sort,
                                 [this](const LibraryInfo& library) { return m_catalog.isOnline(library); });
    {
        const QScopedValueRollback updating(m_updating, true);
        m_model->setRows(m_nodes);
        TwoLevelTable::restore(*m_table, *m_model, m_open, m_selection);
    }
    m_fit->setContent(columnWidths(m_nodes));
    m_content->setCurrentWidget(m_groups.isEmpty() ? m_empty : static_cast<QWidget*>(m_split));
    showDetail();
}

void CompareView::showDetail() {
    const CompareGroup* group = CompareRows::selectedGroup(m_selection, m_groups);
    if (!group || m_groups.isEmpty()) {
        m_detail->setVisible(false);
        return;
    }
    const Comparer::MediaReport media = Comparer::media(*group, m_catalog.media());
    m_detail->setDetail(CompareTexts::detail(*group, media, m_showIdenticalOn));
    if (!m_detail->isVisible()) {
        m_detail->setVisible(true);
        const int total = m_split->height();
        if (total > kTableMinimum + kDetailIdeal)
            m_split->setSizes({total - kDetailIdeal, kDetailIdeal});
    }
}

QHash<QString, double> CompareView::columnWidths(const QList<CNode>& groupRows) const {
    const UiTextMeasurer measurer;
    return CompareColumns::widths(groupRows, ColumnWidths(UiFont::scale(), measurer));
}

std::optional<LibraryInfo> CompareView::copyLibrary(const std::optional<QString>& id) const {
    return CompareRows::copyLibrary(id, m_nodes, m_libraries);
}

bool CompareView::showsEmptyState() const {
    return m_content->currentWidget() == m_empty;
}

bool CompareView::showsDetail() const {
    return !showsEmptyState() && m_detail->isVisibleTo(this);
}

// ---- The table ----------------------------------------------------------------------------------

void CompareView::select(const std::optional<QString>& id) {
    if (!TwoLevelTable::select(*m_table, *m_model, id) && m_selection) {
        m_selection.reset();
        showDetail();
    }
}

void CompareView::selectionEdited() {
    if (m_updating)
        return;
    std::optional<QString> id = TwoLevelTable::selectedId(*m_table, *m_model);
    if (id == m_selection)
        return;
    m_selection = std::move(id);
    showDetail();
}

void CompareView::setSort(const CompareSort& sort) {
    if (sort == m_sort)
        return;
    m_sort = sort;
    showSortIndicator();
    showRows();
}

void CompareView::showSortIndicator() {
    TwoLevelTable::showSortIndicator(*m_table->header(), CompareColumns::defs(), m_sort);
}

void CompareView::headerClicked(int logical) {
    if (logical < 0 || logical >= CompareColumns::count)
        return;
    const std::optional<CompareSort::Field> field = CompareColumns::defs()[logical].sort;
    if (!field) {
        // "Details" and "Open" sort nothing: the header's own flip of the arrow is undone.
        showSortIndicator();
        return;
    }
    setSort(m_sort.by(*field, m_table->header()->sortIndicatorOrder() == Qt::AscendingOrder));
}

void CompareView::buttonClicked(const QModelIndex& index, CompareDelegate::Part part) {
    const std::optional<LibraryInfo> library = copyLibrary(m_model->idOf(index));
    if (!library)
        return;
    if (part == CompareDelegate::Part::folder)
        LibraryActions::openFolder(*library);
    else
        m_catalog.openInFCP(*library);
}

std::unique_ptr<QMenu> CompareView::rowMenu(const std::optional<QString>& id) {
    const std::optional<LibraryInfo> library = copyLibrary(id);
    if (!library)
        return nullptr;
    return LibraryActions::menu(this, m_catalog, *library);
}

void CompareView::menuRequested(const QModelIndex& index, const QPoint& globalPos) {
    if (std::unique_ptr<QMenu> menu = rowMenu(m_model->idOf(index)))
        menu->exec(globalPos);
}

void CompareView::primaryAction(const QModelIndex& index) {
    // An offline copy is handed over too: Final Cut Pro's opener says the drive is away.
    if (const std::optional<LibraryInfo> library = copyLibrary(m_model->idOf(index)))
        m_catalog.openInFCP(*library);
}

// ---- Help ---------------------------------------------------------------------------------------

void CompareView::setHelpShown(bool shown) {
    if (shown == m_showHelp)
        return;
    m_showHelp = shown;
    if (!shown) {
        if (m_helpPopup)
            m_helpPopup->hide();
        return;
    }
    if (!m_helpPopup) {
        m_helpPopup = new QFrame(this, Qt::Popup);
        m_helpPopup->setObjectName(QStringLiteral("compareHelpPopup"));
        m_helpPopup->setFrameShape(QFrame::StyledPanel);
        // A click on the help button while the popup is open only closes it.
        m_helpPopup->setAttribute(Qt::WA_NoMouseReplay);
        m_helpPopup->setFixedWidth(kHelpWidth);
        auto* column = new QVBoxLayout(m_helpPopup);
        column->setContentsMargins(kHelpPadding, kHelpPadding, kHelpPadding, kHelpPadding);
        column->setSpacing(8);
        const QStringList lines = CompareTexts::help();
        for (qsizetype i = 0; i < lines.size(); ++i) {
            auto* line = new QLabel(lines[i], m_helpPopup);
            line->setTextFormat(Qt::PlainText);
            line->setWordWrap(true);
            line->setFont(i == 0 ? uiFont(13, QFont::DemiBold) : uiFont(12));
            column->addWidget(line);
        }
        m_helpPopup->installEventFilter(new PopupWatcher(m_helpPopup, [this] { m_showHelp = false; }));
    }
    // Its lines wrap: as tall as they need at its width.
    m_helpPopup->setFixedHeight(m_helpPopup->heightForWidth(kHelpWidth));
    m_helpPopup->move(m_helpButton->mapToGlobal(QPoint(0, m_helpButton->height() + 2)));
    m_helpPopup->show();
}

} // namespace pellimor
