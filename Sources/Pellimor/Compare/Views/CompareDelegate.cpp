#include "Compare/Views/CompareDelegate.h"

#include "Compare/CompareColumns.h"
#include "Compare/Views/CompareModel.h"
#include "Widgets/CellPainter.h"
#include "Widgets/DarkLook.h"
#include "Widgets/NamedColor.h"
#include "Widgets/RowColours.h"
#include "Widgets/UiFont.h"

#include <QPainter>
#include <cmath>

namespace pellimor {

namespace {

// Logical pixels; they do not scale with "Larger Text", the fonts and icons do.
constexpr qreal kStatusGap = 5; // the status symbol from its label
constexpr qreal kNameGap = 6;   // the online dot from the drive name
constexpr qreal kDot = 6;       // the online dot
constexpr qreal kStatusIcon = 13;

using CellPainter::drawIcon;
using CellPainter::drawText;

QColor labelColour(const QString& label, const RowColours& c) {
    // On the selection's colour, orange or green would hardly read: the label takes the text's
    // there, and the group's symbol keeps its colour.
    if (c.selected)
        return c.text;
    if (label == QLatin1String("Behind") || label == QLatin1String("Diverged") ||
        label == QLatin1String("Mixed"))
        return namedColor(NamedColor::orange, c.dark);
    if (label == QLatin1String("Newest"))
        return namedColor(NamedColor::green, c.dark);
    return c.secondary;
}

} // namespace

CompareDelegate::CompareDelegate(const CompareModel& model, QObject* parent)
    : CellLayoutDelegate(CompareColumns::open, parent), m_model(model) {}

QString CompareDelegate::tip(Part part) {
    return part == Part::folder ? QStringLiteral("Open the folder that contains this copy")
                                : QStringLiteral("Open this copy in Final Cut Pro");
}

void CompareDelegate::layout(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                             TipRegions* tips, QList<CellButton>* buttons) const {
    const CNode* row = m_model.node(index);
    if (!row)
        return;
    const RowColours c = RowColours::of(option);
    const double scale = UiFont::scale();
    const QRectF cell = QRectF(option.rect).adjusted(padX, 0, -padX, 0);
    const Qt::Alignment alignment = m_model.alignment(index.column());

    switch (index.column()) {
    case CompareColumns::status: {
        qreal x = cell.left();
        if (row->isGroup) {
            const qreal side = std::round(kStatusIcon * scale);
            const bool good = row->rank == 2;
            drawIcon(painter,
                     good ? QStringLiteral("checkmark.circle.fill")
                          : QStringLiteral("exclamationmark.triangle.fill"),
                     QRectF(x, cell.center().y() - side / 2, side, side),
                     namedColor(good ? NamedColor::green : NamedColor::orange, c.dark));
            x += side + kStatusGap;
        }
        drawText(painter, QRectF(x, cell.top(), cell.right() - x, cell.height()), row->label,
                 UiFont::font(12, row->isGroup ? std::optional(QFont::Bold) : std::nullopt, scale),
                 labelColour(row->label, c), Qt::AlignLeft);
        return;
    }
    case CompareColumns::name: {
        qreal x = cell.left();
        if (!row->isGroup) {
            CellPainter::drawOnlineDot(painter, QPointF(x + kDot / 2, cell.center().y()), kDot, row->online,
                                       c.dark, tips);
            x += kDot + kNameGap;
        }
        drawText(painter, QRectF(x, cell.top(), cell.right() - x, cell.height()), row->name,
                 UiFont::font(13, row->isGroup ? std::optional(QFont::DemiBold) : std::nullopt, scale),
                 c.text, Qt::AlignLeft);
        return;
    }
    case CompareColumns::copies:
        if (row->isGroup && painter)
            CellPainter::drawDigits(painter, cell, QString::number(row->copies), alignment,
                                    CellPainter::digitFont(13, std::nullopt, scale), c.text);
        return;
    case CompareColumns::projects:
        if (painter)
            CellPainter::drawDigits(painter, cell, QString::number(row->projects), alignment,
                                    CellPainter::digitFont(13, std::nullopt, scale), c.text);
        return;
    case CompareColumns::size:
        if (painter)
            CellPainter::drawDigits(painter, cell, CompareColumns::sizeText(row->size), alignment,
                                    CellPainter::digitFont(13, std::nullopt, scale), c.text);
        return;
    case CompareColumns::saved:
        drawText(painter, cell, CompareColumns::savedText(row->lastSaved),
                 UiFont::font(13, std::nullopt, scale), c.text,
                 trailing(alignment) ? Qt::AlignRight : Qt::AlignLeft);
        return;
    case CompareColumns::details:
        drawText(painter, cell, row->details, UiFont::font(12, std::nullopt, scale), c.secondary,
                 trailing(alignment) ? Qt::AlignRight : Qt::AlignLeft, Qt::ElideMiddle);
        return;
    case CompareColumns::open: {
        if (row->isGroup || !row->libPath)
            return;
        layoutButtons(painter, cell, alignment,
                      {{QStringLiteral("folder"), tip(Part::folder)},
                       {QStringLiteral("play.rectangle"), tip(Part::finalCut)}},
                      row->online, c, tips, buttons);
        return;
    }
    default:
        return;
    }
}

} // namespace pellimor
