#include "Compare/Views/CompareTable.h"

#include "Compare/CompareColumns.h"
#include "Compare/Views/CompareModel.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <utility>

namespace pellimor {

CompareTable::CompareTable(CompareModel& model, QWidget* parent) : QTreeView(parent), m_model(model) {
    setObjectName(QStringLiteral("compareTable"));
    setModel(&m_model);
    m_delegate = new CompareDelegate(m_model, this);
    setItemDelegate(m_delegate);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAlternatingRowColors(true);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMouseTracking(true);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(true);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setDefaultAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    header()->setTextElideMode(Qt::ElideRight);
}

QStyleOptionViewItem CompareTable::optionFor(const QModelIndex& index) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    return option;
}

QList<CompareDelegate::Hit> CompareTable::hits(const QModelIndex& index) {
    executeDelayedItemsLayout();
    const QModelIndex cell = index.siblingAtColumn(CompareColumns::open);
    if (!cell.isValid() || isColumnHidden(CompareColumns::open))
        return {};
    return m_delegate->hits(optionFor(cell), cell);
}

std::optional<CompareDelegate::Hit> CompareTable::hitAt(const QPoint& point) {
    const QModelIndex index = indexAt(point);
    if (!index.isValid())
        return std::nullopt;
    // Where two enlarged targets overlap, the later button wins, as its tip does (TipRegions).
    const QList<CompareDelegate::Hit> placed = hits(index);
    for (auto hit = placed.crbegin(); hit != placed.crend(); ++hit) {
        if (hit->contains(point))
            return *hit;
    }
    return std::nullopt;
}

void CompareTable::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        if (const std::optional<CompareDelegate::Hit> hit = hitAt(at)) {
            // A button, enabled or not, takes the press: the row stays as it is.
            if (hit->enabled)
                m_pressed = Press{QPersistentModelIndex(indexAt(at)), hit->part};
            event->accept();
            return;
        }
    }
    QTreeView::mousePressEvent(event);
}

void CompareTable::mouseMoveEvent(QMouseEvent* event) {
    if (m_pressed && (event->buttons() & Qt::LeftButton))
        return;
    QTreeView::mouseMoveEvent(event);
}

void CompareTable::mouseReleaseEvent(QMouseEvent* event) {
    if (m_pressed && event->button() == Qt::LeftButton) {
        const Press pressed = *std::exchange(m_pressed, std::nullopt);
        const QPoint at = event->position().toPoint();
        const std::optional<CompareDelegate::Hit> hit = hitAt(at);
        const QModelIndex index = indexAt(at);
        if (hit && hit->enabled && hit->part == pressed.part && pressed.index.isValid() &&
            index.siblingAtColumn(0) == QModelIndex(pressed.index).siblingAtColumn(0))
            Q_EMIT buttonClicked(index, hit->part);
        event->accept();
        return;
    }
    QTreeView::mouseReleaseEvent(event);
}

void CompareTable::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && hitAt(event->position().toPoint())) {
        event->accept(); // a quick second click on a button is not a double click on the row
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid())
            Q_EMIT primaryAction(index);
    }
}

void CompareTable::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        if (currentIndex().isValid())
            Q_EMIT primaryAction(currentIndex());
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void CompareTable::contextMenuEvent(QContextMenuEvent* event) {
    QModelIndex index;
    if (event->reason() == QContextMenuEvent::Mouse)
        index = indexAt(event->pos());
    if (!index.isValid())
        index = currentIndex();
    Q_EMIT menuRequested(index, event->globalPos());
    event->accept();
}

} // namespace pellimor
