#include "Widgets/ButtonTreeView.h"

#include "Widgets/IconHitArea.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <utility>

namespace pellimor {

ButtonTreeView::ButtonTreeView(QWidget* parent) : QTreeView(parent) {
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

void ButtonTreeView::setButtons(int column, qreal hitMargin, Placer placer) {
    m_column = column;
    m_hitMargin = hitMargin;
    m_placer = std::move(placer);
}

QList<CellButton> ButtonTreeView::hits(const QModelIndex& index) {
    if (!m_placer || m_column < 0)
        return {};
    executeDelayedItemsLayout();
    const QModelIndex cell = index.siblingAtColumn(m_column);
    if (!cell.isValid() || isColumnHidden(m_column))
        return {};
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(cell);
    return m_placer(option, cell);
}

bool ButtonTreeView::hitsButton(const CellButton& button, const QPointF& point) const {
    return inIconHitArea(button.rect, m_hitMargin, point);
}

std::optional<CellButton> ButtonTreeView::hitAt(const QPoint& point) {
    const QModelIndex index = indexAt(point);
    if (!index.isValid())
        return std::nullopt;
    // Where two enlarged targets overlap, the later button wins, as its tip does (TipRegions).
    const QList<CellButton> placed = hits(index);
    for (auto hit = placed.crbegin(); hit != placed.crend(); ++hit) {
        if (hitsButton(*hit, point))
            return *hit;
    }
    return std::nullopt;
}

void ButtonTreeView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        if (const std::optional<CellButton> hit = hitAt(at)) {
            if (hit->enabled)
                m_pressed = Press{QPersistentModelIndex(indexAt(at)), hit->part};
            event->accept();
            return;
        }
    }
    QTreeView::mousePressEvent(event);
}

void ButtonTreeView::mouseMoveEvent(QMouseEvent* event) {
    if (m_pressed && (event->buttons() & Qt::LeftButton))
        return;
    QTreeView::mouseMoveEvent(event);
}

void ButtonTreeView::mouseReleaseEvent(QMouseEvent* event) {
    if (m_pressed && event->button() == Qt::LeftButton) {
        const Press pressed = *std::exchange(m_pressed, std::nullopt);
        const QPoint at = event->position().toPoint();
        const std::optional<CellButton> hit = hitAt(at);
        const QModelIndex index = indexAt(at);
        if (hit && hit->enabled && hit->part == pressed.part && pressed.index.isValid() &&
            index.siblingAtColumn(0) == QModelIndex(pressed.index).siblingAtColumn(0))
            Q_EMIT buttonClicked(index, hit->part);
        event->accept();
        return;
    }
    QTreeView::mouseReleaseEvent(event);
}

void ButtonTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
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

void ButtonTreeView::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        if (currentIndex().isValid())
            Q_EMIT primaryAction(currentIndex());
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void ButtonTreeView::contextMenuEvent(QContextMenuEvent* event) {
    QModelIndex index;
    if (event->reason() == QContextMenuEvent::Mouse)
        index = indexAt(event->pos());
    if (!index.isValid())
        index = currentIndex();
    Q_EMIT menuRequested(index, event->globalPos());
    event->accept();
}

} // namespace pellimor
