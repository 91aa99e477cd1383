#include "Widgets/ColumnAutoFit.h"

#include "App/ColumnFit.h"
#include "Platform/Clock.h"
#include "Platform/Services.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QEvent>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <cmath>

namespace pellimor {

namespace {

constexpr std::chrono::milliseconds kDelay(100);
constexpr int kMaxRows = 1000; // a guard: no screen shows more rows than this

// QHeaderView's size of a section from its contents is protected; a member pointer named
// through a subclass reaches it on any header, with its own overrides.
struct HeaderContents : QHeaderView {
    using QHeaderView::sectionSizeFromContents;
};

QHeaderView* headerOf(QAbstractItemView* view) {
    if (auto* table = qobject_cast<QTableView*>(view))
        return table->horizontalHeader();
    if (auto* tree = qobject_cast<QTreeView*>(view))
        return tree->header();
    return nullptr;
}

// The rows the viewport shows, top to bottom, each as the index of its first cell.
QList<QModelIndex> visibleRows(QAbstractItemView* view, const QHeaderView& header, int logical) {
    QList<QModelIndex> rows;
    const int height = view->viewport()->height();
    const int x = std::clamp(header.sectionViewportPosition(logical) + header.sectionSize(logical) / 2, 0,
                             std::max(0, view->viewport()->width() - 1));
    QModelIndex index = view->indexAt(QPoint(x, 0));
    auto* tree = qobject_cast<QTreeView*>(view);
    while (index.isValid() && rows.size() < kMaxRows) {
        if (view->visualRect(index).top() >= height)
            break;
        rows.append(index);
        index = tree ? tree->indexBelow(index) : index.sibling(index.row() + 1, index.column());
    }
    return rows;
}

// How far below the top level a tree row sits.
int depth(QModelIndex index) {
    int levels = 0;
    while (index.parent().isValid()) {
        index = index.parent();
        ++levels;
    }
    return levels;
}

// What the view adds around the text of a cell: the delegate's padding, icon and check box,
// and in a tree's branch column its indentation.
double inset(QAbstractItemView* view, const QModelIndex& index, bool branchColumn) {
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.font = view->font();
    option.fontMetrics = QFontMetrics(option.font);
    option.rect = view->visualRect(index);
    option.decorationSize = view->iconSize().isValid()
                                ? view->iconSize()
                                : QSize(view->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, view),
                                        view->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, view));
    QAbstractItemDelegate* delegate = view->itemDelegateForIndex(index);
    if (!delegate)
        return 0;
    const QVariant fontData = index.data(Qt::FontRole);
    const QFont font = fontData.isValid() ? fontData.value<QFont>() : option.font;
    const double text = QFontMetricsF(font).horizontalAdvance(index.data(Qt::DisplayRole).toString());
    double added = delegate->sizeHint(option, index).width() - text;
    if (branchColumn) {
        if (auto* tree = qobject_cast<QTreeView*>(view))
            added += tree->indentation() * (depth(index) + (tree->rootIsDecorated() ? 1 : 0));
    }
    return std::max(0.0, added);
}

} // namespace

ColumnAutoFit::ColumnAutoFit(QAbstractItemView* view)
    : QObject(view), m_view(view), m_header(headerOf(view)) {
    setObjectName(QStringLiteral("columnAutoFit"));
    if (!m_view || !m_header)
        return;
    m_headerMinimum = m_header->minimumSectionSize();
    m_viewObject = m_view.data();
    m_viewportObject = m_view->viewport();
    m_headerObject = m_header.data();
    m_headerViewportObject = m_header->viewport();
    for (QObject* watched :
         {static_cast<QObject*>(m_view.data()), static_cast<QObject*>(m_view->viewport()),
          static_cast<QObject*>(m_header.data()), static_cast<QObject*>(m_header->viewport())})
        watched->installEventFilter(this);
    connect(m_header, &QHeaderView::sectionMoved, this, &ColumnAutoFit::schedule);
    connect(m_header, &QHeaderView::sectionCountChanged, this, &ColumnAutoFit::schedule);
    connect(m_header, &QHeaderView::sectionResized, this, &ColumnAutoFit::sectionResized);
    watchModel();
}

void ColumnAutoFit::setContent(const QHash<QString, double>& content) {
    if (content == m_content)
        return;
    m_content = content;
    schedule();
}

void ColumnAutoFit::setLimits(const QList<Limits>& limits) {
    m_limits = limits;
    if (!m_header)
        return;
    int smallest = m_headerMinimum;
    for (const Limits& limit : limits)
        smallest = std::min(smallest, int(std::floor(limit.minimum)));
    m_header->setMinimumSectionSize(std::max(0, smallest));
    schedule();
}

ColumnAutoFit::Limits ColumnAutoFit::limits(int logical) const {
    if (logical >= 0 && logical < m_limits.size())
        return m_limits.at(logical);
    return Limits{double(m_headerMinimum)};
}

bool ColumnAutoFit::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == m_headerViewportObject) {
        if (type == QEvent::MouseButtonPress)
            m_pressed = true;
        else if (type == QEvent::MouseButtonRelease)
            m_pressed = false;
    } else if (watched == m_headerObject) {
        if (type == QEvent::Resize)
            schedule();
        else if (type == QEvent::Hide)
            m_pressed = false; // a press whose release the header will not see
    } else if ((watched == m_viewObject && type == QEvent::Show) ||
               (watched == m_viewportObject && type == QEvent::Resize)) {
        schedule();
    }
    return QObject::eventFilter(watched, event);
}

void ColumnAutoFit::sectionResized(int logical, int oldSize, int newSize) {
    if (m_writing)
        return;
    // A section hidden goes to 0, one shown comes back from 0.
    if (oldSize == 0 || newSize == 0) {
        schedule();
        return;
    }
    // The user dragging a border: held within the column's limits.
    if (!m_pressed)
        return;
    const Limits limit = limits(logical);
    const double maximum = std::max(limit.maximum, limit.minimum);
    const int held = int(std::clamp(double(newSize), std::ceil(limit.minimum), std::floor(maximum)));
    if (held != newSize)
        m_header->resizeSection(logical, held);
}

void ColumnAutoFit::watchModel() {
    if (!m_view || m_view->model() == m_model)
        return;
    for (const QMetaObject::Connection& connection : std::as_const(m_modelConnections))
        disconnect(connection);
    m_modelConnections.clear();
    m_model = m_view->model();
    if (!m_model)
        return;
    // More or fewer rows change what the viewport shows and what the columns hold.
    m_modelConnections = {
        connect(m_model, &QAbstractItemModel::modelReset, this, &ColumnAutoFit::schedule),
        connect(m_model, &QAbstractItemModel::rowsInserted, this, &ColumnAutoFit::schedule),
        connect(m_model, &QAbstractItemModel::rowsRemoved, this, &ColumnAutoFit::schedule),
        connect(m_model, &QAbstractItemModel::layoutChanged, this, &ColumnAutoFit::schedule),
    };
}

void ColumnAutoFit::schedule() {
    if (m_queued || m_pressed)
        return;
    const std::shared_ptr<platform::Clock> clock = platform::services().clock;
    if (!clock)
        return;
    m_queued = true;
    clock->after(kDelay, this, [this] {
        m_queued = false;
        fit();
    });
}

void ColumnAutoFit::fit() {
    watchModel();
    if (!m_view || !m_header || !m_model || !m_view->isVisible() || m_pressed)
        return;

    QList<int> logicals;
    for (int visual = 0; visual < m_header->count(); ++visual) {
        const int logical = m_header->logicalIndex(visual);
        if (!m_header->isSectionHidden(logical))
            logicals.append(logical);
    }
    if (logicals.isEmpty())
        return;
    const QList<QModelIndex> rows = visibleRows(m_view, *m_header, logicals.first());
    if (rows.isEmpty())
        return;

    int branchColumn = -1;
    if (auto* tree = qobject_cast<QTreeView*>(m_view.data()))
        branchColumn = tree->treePosition() >= 0 ? tree->treePosition() : m_header->logicalIndex(0);
    const auto sectionSizeFromContents = &HeaderContents::sectionSizeFromContents;

    ColumnFit::Input input;
    input.leading = m_header->sectionPosition(logicals.first());
    input.viewport = m_view->viewport()->width();
    for (const int logical : std::as_const(logicals)) {
        ColumnFit::Column column;
        for (const QModelIndex& row : rows)
            column.inset =
                std::max(column.inset, inset(m_view, row.siblingAtColumn(logical), logical == branchColumn));
        column.header = (m_header->*sectionSizeFromContents)(logical).width();
        const QString title = m_model->headerData(logical, Qt::Horizontal, Qt::DisplayRole).toString();
        if (const auto it = m_content.constFind(title); it != m_content.cend())
            column.content = *it;
        const Limits limit = limits(logical);
        column.minimum = limit.minimum;
        column.maximum = limit.maximum;
        column.width = m_header->sectionSize(logical);
        input.columns.append(column);
    }

    const ColumnFit::Plan plan = ColumnFit::plan(input, m_lastFit);
    if (plan.unchanged)
        return;
    m_lastFit = plan.key;
    m_writing = true;
    for (qsizetype i = 0; i < plan.widths.size() && i < logicals.size(); ++i) {
        if (plan.widths[i])
            m_header->resizeSection(logicals[i], int(*plan.widths[i]));
    }
    m_writing = false;
}

} // namespace pellimor
