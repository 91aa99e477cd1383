#include "Widgets/CellLayoutDelegate.h"

#include "Widgets/CellPainter.h"
#include "Widgets/IconHitArea.h"
#include "Widgets/RowColours.h"
#include "Widgets/TipRegions.h"
#include "Widgets/UiFont.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QPainter>
#include <cmath>

namespace pellimor {

namespace {

constexpr qreal kDisabled = 0.35; // a button's opacity while it takes no clicks

} // namespace

CellLayoutDelegate::CellLayoutDelegate(int buttonColumn, QObject* parent)
    : QStyledItemDelegate(parent), m_buttonColumn(buttonColumn) {}

void CellLayoutDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    painter->save();
    // The row's selection and hover background as the style draws it; the content is ours.
    opt.text.clear();
    opt.icon = QIcon();
    opt.features &= ~(QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);
    painter->setClipRect(option.rect);
    layout(painter, opt, index, nullptr, nullptr);
    painter->restore();
}

QSize CellLayoutDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const double scale = UiFont::scale();
    const qreal line =
        std::max(QFontMetricsF(UiFont::font(13, std::nullopt, scale)).height(), buttonIcon * scale);
    // The padding around the text the cell shows, as ColumnAutoFit reads it: the text in the
    // view's font plus what this delegate adds.
    const qreal text = QFontMetricsF(option.font).horizontalAdvance(index.data(Qt::DisplayRole).toString());
    return {int(std::ceil(text + 2 * padX)), int(std::ceil(line + 2 * rowPad))};
}

QList<CellButton> CellLayoutDelegate::buttons(const QStyleOptionViewItem& option,
                                              const QModelIndex& index) const {
    QList<CellButton> placed;
    if (index.column() == m_buttonColumn)
        layout(nullptr, option, index, nullptr, &placed);
    return placed;
}

bool CellLayoutDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                   const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event && view && event->type() == QEvent::ToolTip) {
        TipRegions tips;
        layout(nullptr, option, index, &tips, nullptr);
        if (tips.answer(event, view->viewport()))
            return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

void CellLayoutDelegate::layoutButtons(QPainter* painter, const QRectF& cell, Qt::Alignment alignment,
                                       const QList<ButtonFace>& faces, bool enabled,
                                       const RowColours& colours, TipRegions* tips,
                                       QList<CellButton>* buttons) {
    if (faces.isEmpty())
        return;
    const qreal side = std::round(buttonIcon * UiFont::scale());
    const qreal width = qreal(faces.size()) * side + qreal(faces.size() - 1) * buttonGap;
    qreal left = trailing(alignment) ? cell.right() - width : cell.left();
    const qreal top = cell.center().y() - side / 2;
    const QColor colour = enabled ? colours.text : faded(colours.secondary, kDisabled);
    for (int part = 0; part < faces.size(); ++part) {
        const CellButton button{part, QRectF(left, top, side, side), enabled};
        CellPainter::drawIcon(painter, faces[part].symbol, button.rect, colour);
        if (buttons)
            buttons->append(button);
        if (tips)
            tips->add(iconHitArea(button.rect, hitMargin), faces[part].tip);
        left += side + buttonGap;
    }
}

} // namespace pellimor
