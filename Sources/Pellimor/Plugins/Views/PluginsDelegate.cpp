#include "Plugins/Views/PluginsDelegate.h"

#include "Plugins/PluginColumns.h"
#include "Plugins/StatusIcon.h"
#include "Plugins/Views/PluginTones.h"
#include "Plugins/Views/PluginsModel.h"
#include "Widgets/CellPainter.h"
#include "Widgets/RowColours.h"
#include "Widgets/TipRegions.h"
#include "Widgets/UiFont.h"

#include <QPainter>
#include <cmath>

namespace pellimor {

namespace {

// Logical pixels; they do not scale with "Larger Text", the fonts and icons do.
constexpr qreal kStatusGap = 5; // the status symbol from its label
constexpr qreal kNameGap = 6;   // the online dot from the library's name
constexpr qreal kDot = 6;       // the online dot
constexpr qreal kStatusIcon = 13;

using CellPainter::drawIcon;
using CellPainter::drawText;

} // namespace

PluginsDelegate::PluginsDelegate(const PluginsModel& model, QObject* parent)
    : CellLayoutDelegate(PluginColumns::open, parent), m_model(model) {}

void PluginsDelegate::layout(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                             TipRegions* tips, QList<CellButton>* buttons) const {
    const PNode* row = m_model.node(index);
    if (!row)
        return;
    const RowColours c = RowColours::of(option);
    const double scale = UiFont::scale();
    const QRectF cell = QRectF(option.rect).adjusted(padX, 0, -padX, 0);
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
        layoutButtons(painter, cell, alignment,
                      {{PluginColumns::folderSymbol(), PluginColumns::folderTip()},
                       {PluginColumns::finalCutSymbol(), PluginColumns::finalCutTip()}},
                      row->online, c, tips, buttons);
        return;
    }
    default:
        return;
    }
}

} // namespace pellimor
