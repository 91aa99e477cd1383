#include "Plugins/Views/PluginsDelegate.h"

#include "Plugins/PluginColumns.h"
#include "Plugins/StatusIcon.h"
#include "Plugins/Views/PluginTones.h"
#include "Plugins/Views/PluginsModel.h"
#include "Widgets/CellPainter.h"
#include "Widgets/IconHitArea.h"
#include "Widgets/Icons.h"
#include "Widgets/RowColours.h"
#include "Widgets/TipRegions.h"
#include "Widgets/UiFont.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QPaintDevice>
#include <QPainter>
#include <cmath>

namespace pellimor {

namespace {

// Logical pixels; they do not scale with "Larger Text", the fonts and icons do.
constexpr qreal kPadX = 4;      // a cell's text from its edges
constexpr qreal kStatusGap = 5; // the status symbol from its label
constexpr qreal kNameGap = 6;   // the online dot from the library's name
constexpr qreal kDot = 6;       // the online dot
constexpr qreal kButtonGap = 8; // between the two "Open" buttons
constexpr qreal kButtonIcon = 16;
constexpr qreal kStatusIcon = 13;
constexpr qreal kRowPad = 4; // above and below a row's line
constexpr qreal kDisabled = 0.35;

void drawText(QPainter* painter, const QRectF& area, const QString& text, const QFont& font,
              const QColor& colour, Qt::Alignment alignment) {
    if (!painter || area.width() <= 0)
        return;
    const QString shown = QFontMetricsF(font).elidedText(text, Qt::ElideRight, area.width());
    painter->save();
    painter->setFont(font);
    painter->setPen(colour);
    painter->drawText(area, int((alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter), shown);
    painter->restore();
}

void drawIcon(QPainter* painter, const QString& symbol, const QRectF& box, const QColor& colour) {
    if (!painter || box.isEmpty())
        return;
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    painter->drawPixmap(box.topLeft(), Icons::tinted(symbol, QSize(qRound(box.width()), qRound(box.height())),
                                                     colour, ratio));
}

bool trailing(Qt::Alignment alignment) {
    return alignment & (Qt::AlignTrailing | Qt::AlignRight);
}

} // namespace

PluginsDelegate::PluginsDelegate(const PluginsModel& model, QObject* parent)
    : QStyledItemDelegate(parent), m_model(model) {}

void PluginsDelegate::layout(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                             TipRegions* tips, QList<CellButton>* buttons) const {
    const PNode* row = m_model.node(index);
    if (!row)
        return;
    const RowColours c = RowColours::of(option);
    const double scale = UiFont::scale();
    const QRectF cell = QRectF(option.rect).adjusted(kPadX, 0, -kPadX, 0);
    const Qt::Alignment alignment = m_model.alignment(index.column());
    const Qt::Alignment horizontal = trailing(alignment) ? Qt::AlignRight : Qt::AlignLeft;

    switch (index.column()) {
    case PluginColumns::status: {
        const StatusIcon icon = statusIcon(row->status);
        const qreal side = std::round(kStatusIcon * scale);
        const QRectF box(cell.left(), cell.center().y() - side / 2, side, side);
        drawIcon(painter, icon.symbol, box, iconColour(icon.colour, c.dark));
        if (tips)
            tips->add(box, icon.help);
        const qreal x = box.right() + kStatusGap;
        // On the selection's colour, red or orange would hardly read: the label takes the
        // text's there, and the symbol keeps its colour.
        drawText(painter, QRectF(x, cell.top(), cell.right() - x, cell.height()),
                 PluginColumns::statusLabel(row->status), UiFont::font(12, std::nullopt, scale),
                 c.selected ? c.text : toneColour(statusTone(row->status), c.dark), Qt::AlignLeft);
        return;
    }
    case PluginColumns::name: {
        qreal x = cell.left();
        if (!row->isPack) {
            CellPainter::drawOnlineDot(painter, QPointF(x + kDot / 2, cell.center().y()), kDot, row->online,
                                       c.dark, tips);
            x += kDot + kNameGap;
        }
        if (painter)
            CellPainter::drawHighlighted(
                painter, QRectF(x, cell.top(), cell.right() - x, cell.height()), row->name,
                m_model.query().highlight(row->name),
                UiFont::font(13, row->isPack ? std::optional(QFont::DemiBold) : std::nullopt, scale), c.text,
                c.dark);
        return;
    }
    case PluginColumns::kind:
        drawText(painter, cell, row->kind, UiFont::font(12, std::nullopt, scale), c.secondary, horizontal);
        return;
    case PluginColumns::libraries:
    case PluginColumns::projects:
    case PluginColumns::uses: {
        if (!painter || (index.column() == PluginColumns::libraries && !row->isPack))
            return;
        const qint64 value = index.column() == PluginColumns::libraries  ? row->libraries
                             : index.column() == PluginColumns::projects ? row->projects
                                                                         : row->uses;
        CellPainter::drawDigits(painter, cell, QString::number(value), alignment,
                                CellPainter::digitFont(13, std::nullopt, scale), c.text);
        return;
    }
    case PluginColumns::details:
        drawText(painter, cell, row->details, UiFont::font(12, std::nullopt, scale), c.secondary, horizontal);
        return;
    case PluginColumns::open: {
        if (row->isPack || !row->libPath)
            return;
        const qreal side = std::round(kButtonIcon * scale);
        const qreal width = 2 * side + kButtonGap;
        const qreal left = trailing(alignment) ? cell.right() - width : cell.left();
        const qreal top = cell.center().y() - side / 2;
        const QColor colour = row->online ? c.text : faded(c.secondary, kDisabled);
        const CellButton placed[] = {
            {folder, QRectF(left, top, side, side), row->online},
            {finalCut, QRectF(left + side + kButtonGap, top, side, side), row->online}};
        for (const CellButton& button : placed) {
            drawIcon(painter,
                     button.part == folder ? PluginColumns::folderSymbol() : PluginColumns::finalCutSymbol(),
                     button.rect, colour);
            if (buttons)
                buttons->append(button);
            if (tips)
                tips->add(iconHitArea(button.rect, hitMargin),
                          button.part == folder ? PluginColumns::folderTip() : PluginColumns::finalCutTip());
        }
        return;
    }
    default:
        return;
    }
}

void PluginsDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
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

QSize PluginsDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const double scale = UiFont::scale();
    const qreal line =
        std::max(QFontMetricsF(UiFont::font(13, std::nullopt, scale)).height(), kButtonIcon * scale);
    // The padding around the text the cell shows, as ColumnAutoFit reads it: the text in the
    // view's font plus what this delegate adds.
    const qreal text = QFontMetricsF(option.font).horizontalAdvance(index.data(Qt::DisplayRole).toString());
    return {int(std::ceil(text + 2 * kPadX)), int(std::ceil(line + 2 * kRowPad))};
}

QList<CellButton> PluginsDelegate::buttons(const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const {
    QList<CellButton> placed;
    if (index.column() == PluginColumns::open)
        layout(nullptr, option, index, nullptr, &placed);
    return placed;
}

bool PluginsDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event && view && event->type() == QEvent::ToolTip) {
        TipRegions tips;
        layout(nullptr, option, index, &tips, nullptr);
        if (tips.answer(event, view->viewport()))
            return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

} // namespace pellimor
