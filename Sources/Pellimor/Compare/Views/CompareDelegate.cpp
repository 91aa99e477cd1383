#include "Compare/Views/CompareDelegate.h"

#include "Compare/CompareColumns.h"
#include "Compare/Views/CompareModel.h"
#include "Widgets/CellPainter.h"
#include "Widgets/DarkLook.h"
#include "Widgets/IconHitArea.h"
#include "Widgets/Icons.h"
#include "Widgets/NamedColor.h"
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
constexpr qreal kNameGap = 6;   // the online dot from the drive name
constexpr qreal kDot = 6;       // the online dot
constexpr qreal kButtonGap = 8; // between the two "Open" buttons
constexpr qreal kButtonIcon = 16;
constexpr qreal kStatusIcon = 13;
constexpr qreal kRowPad = 4; // above and below a row's line
constexpr qreal kDisabled = 0.35;

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

void drawText(QPainter* painter, const QRectF& area, const QString& text, const QFont& font,
              const QColor& colour, Qt::Alignment alignment, Qt::TextElideMode elide = Qt::ElideRight) {
    if (!painter || area.width() <= 0)
        return;
    const QString shown = QFontMetricsF(font).elidedText(text, elide, area.width());
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

CompareDelegate::CompareDelegate(const CompareModel& model, QObject* parent)
    : QStyledItemDelegate(parent), m_model(model) {}

QString CompareDelegate::tip(Part part) {
    return part == Part::folder ? QStringLiteral("Open the folder that contains this copy")
                                : QStringLiteral("Open this copy in Final Cut Pro");
}

void CompareDelegate::layout(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                             TipRegions* tips, QList<Hit>* hits) const {
    const CNode* row = m_model.node(index);
    if (!row)
        return;
    const RowColours c = RowColours::of(option);
    const double scale = UiFont::scale();
    const QRectF cell = QRectF(option.rect).adjusted(kPadX, 0, -kPadX, 0);
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
        const qreal side = std::round(kButtonIcon * scale);
        const qreal width = 2 * side + kButtonGap;
        const qreal left = trailing(alignment) ? cell.right() - width : cell.left();
        const qreal top = cell.center().y() - side / 2;
        const QColor colour = row->online ? c.text : faded(c.secondary, kDisabled);
        const Hit buttons[] = {
            {Part::folder, QRectF(left, top, side, side), row->online},
            {Part::finalCut, QRectF(left + side + kButtonGap, top, side, side), row->online}};
        for (const Hit& hit : buttons) {
            drawIcon(painter,
                     hit.part == Part::folder ? QStringLiteral("folder") : QStringLiteral("play.rectangle"),
                     hit.rect, colour);
            if (hits)
                hits->append(hit);
            if (tips)
                tips->add(iconHitArea(hit.rect, hitMargin), tip(hit.part));
        }
        return;
    }
    default:
        return;
    }
}

void CompareDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
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

QSize CompareDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const double scale = UiFont::scale();
    const qreal line =
        std::max(QFontMetricsF(UiFont::font(13, std::nullopt, scale)).height(), kButtonIcon * scale);
    // The padding around the text the cell shows, as ColumnAutoFit reads it: the text in the
    // view's font plus what this delegate adds.
    const qreal text = QFontMetricsF(option.font).horizontalAdvance(index.data(Qt::DisplayRole).toString());
    return {int(std::ceil(text + 2 * kPadX)), int(std::ceil(line + 2 * kRowPad))};
}

QList<CompareDelegate::Hit> CompareDelegate::hits(const QStyleOptionViewItem& option,
                                                  const QModelIndex& index) const {
    QList<Hit> placed;
    if (index.column() == CompareColumns::open)
        layout(nullptr, option, index, nullptr, &placed);
    return placed;
}

bool CompareDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
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
