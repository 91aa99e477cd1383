#include "Shell/Views/MainTableDelegate.h"

#include "App/AppSettings.h"
#include "App/Appearance.h"
#include "Browser/Views/ToneColor.h"
#include "Catalogue/Store/Catalog.h"
#include "Shell/Views/RowTableModel.h"
#include "Widgets/CellPainter.h"
#include "Widgets/DarkLook.h"
#include "Widgets/FavoriteStar.h"
#include "Widgets/TipRegions.h"
#include "Widgets/UiFont.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <algorithm>
#include <cmath>

namespace pellimor {

namespace {

using Kind = TableCell::Kind;

QList<Pill> painted(const QList<BrowserCells::Pill>& pills, bool dark, const QStyleOptionViewItem& option) {
    QList<Pill> list;
    for (const BrowserCells::Pill& pill : pills)
        list.append(Pill{pill.label, toneColor(pill.tone, dark, option), pill.tip});
    return list;
}

qreal pillsWidth(const QList<Pill>& pills, qreal gap, double scale) {
    qreal width = 0;
    for (const Pill& pill : pills)
        width += CellPainter::pillSize(pill.label, scale).width();
    return pills.isEmpty() ? 0 : width + gap * qreal(pills.size() - 1);
}

// Content `width` wide in `area`: from its leading edge, or against its trailing one.
QRectF placed(const QRectF& area, qreal width, bool trailing) {
    width = std::min(width, area.width());
    return {trailing ? area.right() - width : area.left(), area.top(), width, area.height()};
}

} // namespace

MainTableDelegate::MainTableDelegate(Catalog& catalog, const RowTableModel& model, QObject* parent)
    : QStyledItemDelegate(parent), m_catalog(catalog), m_model(model) {}

int MainTableDelegate::rowHeight() {
    const int text = int(std::ceil(QFontMetricsF(UiFont::font(kTextPoints)).height()));
    return std::max({Appearance::listRowMinimumHeight(AppSettings::comfortable()), text + 6,
                     int(CellPainter::starSide) + 4});
}

void MainTableDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    if (!m_model.cell(index)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    drawCell(painter, option, index, nullptr);
}

QRectF MainTableDelegate::drawCell(QPainter* painter, const QStyleOptionViewItem& given,
                                   const QModelIndex& index, TipRegions* tips) const {
    QRectF star;
    const TableCell* cell = m_model.cell(index);
    const RowTableModel::Row* row = m_model.row(index);
    if (!cell || !row)
        return star;
    QStyleOptionViewItem option = given;
    initStyleOption(&option, index);
    const TableColumn& column = m_model.columns().at(index.column());
    const bool dark = DarkLook::isDark(option.palette);
    const double scale = UiFont::scale();
    const bool trailing = column.trailingEdge();
    const QRectF rect = option.rect;
    const QRectF area = rect.adjusted(kPadding, 0, -kPadding, 0);
    const QColor text = toneColor(CellTone::primary, dark, option);

    if (painter) {
        painter->save();
        // The selection and hover backgrounds, without the text the style would draw.
        QStyleOptionViewItem background = option;
        background.text.clear();
        background.icon = QIcon();
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);
        painter->setClipRect(rect, Qt::IntersectClip);
    }

    const QFont font = UiFont::font(kTextPoints, std::nullopt, scale);
    const auto digits = [&](const QString& shown, const QColor& color) {
        CellPainter::drawDigits(painter, area, shown, trailing ? Qt::AlignRight : Qt::AlignLeft,
                                CellPainter::digitFont(kTextPoints, std::nullopt, scale), color);
    };
    const auto line = [&](const QString& shown, bool highlight) {
        const qreal width = QFontMetricsF(font).horizontalAdvance(shown);
        CellPainter::drawHighlighted(painter, placed(area, width, trailing), shown,
                                     highlight ? m_query.highlight(shown) : QList<TextSpan>(), font, text,
                                     dark);
    };

    switch (cell->kind) {
    case Kind::name: {
        const qreal middle = rect.center().y();
        qreal x = area.left();
        if (cell->star) {
            star =
                QRectF(x, middle - CellPainter::starSide / 2, CellPainter::starSide, CellPainter::starSide);
            CellPainter::drawStar(painter, star, m_catalog.isFavorite(row->id), dark, tips);
            x += CellPainter::starSide + kGap;
        }
        CellPainter::drawOnlineDot(painter, QPointF(x + kDotSide / 2, middle), kDotSide, row->online, dark,
                                   tips);
        x += kDotSide + kGap;
        // The name comes first: in a narrow column the badges after it are cut off, never the
        // name for them (the accessible text still reads them).
        const qreal nameWidth = QFontMetricsF(font).horizontalAdvance(cell->text);
        const qreal shownName = std::max<qreal>(std::min(nameWidth, area.right() - x), 0);
        CellPainter::drawHighlighted(painter, QRectF(x, rect.top(), shownName, rect.height()), cell->text,
                                     m_query.highlight(cell->text), font, text, dark);
        x += shownName;
        const QList<Pill> badges = painted(cell->pills, dark, option);
        if (!badges.isEmpty())
            CellPainter::drawPills(
                painter, QRectF(x + kGap, rect.top(), pillsWidth(badges, kGap, scale), rect.height()), badges,
                kGap, scale, tips);
        break;
    }
    case Kind::highlighted:
        line(cell->text, true);
        break;
    case Kind::plain:
    case Kind::date:
        line(cell->shown(), false);
        break;
    case Kind::bytes:
    case Kind::count:
    case Kind::duration:
        digits(cell->shown(), text);
        break;
    case Kind::version: {
        digits(cell->text, toneColor(cell->tone, dark, option));
        if (tips && !cell->tip.isEmpty()) {
            const qreal width = QFontMetricsF(CellPainter::digitFont(kTextPoints, std::nullopt, scale))
                                    .horizontalAdvance(cell->text);
            tips->add(placed(area, width, trailing), cell->tip);
        }
        break;
    }
    case Kind::pills: {
        const QList<Pill> pills = painted(cell->pills, dark, option);
        const qreal width = pillsWidth(pills, kPillGap, scale);
        CellPainter::drawPills(painter, placed(area, width, trailing), pills, kPillGap, scale, tips);
        break;
    }
    }

    if (painter)
        painter->restore();
    return star;
}

QSize MainTableDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    // What the cell adds around its text; the content widths come from the width estimates.
    const QString shown = index.data(Qt::DisplayRole).toString();
    return {int(std::ceil(QFontMetricsF(option.font).horizontalAdvance(shown) + 2 * kPadding)), rowHeight()};
}

TipRegions MainTableDelegate::tips(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    TipRegions regions;
    drawCell(nullptr, option, index, &regions);
    return regions;
}

bool MainTableDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                  const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event && view && m_model.cell(index)) {
        if (tips(option, index).answer(event, view->viewport()))
            return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

QRectF MainTableDelegate::starFrame(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const TableCell* cell = m_model.cell(index);
    if (!cell || !cell->star)
        return {};
    return drawCell(nullptr, option, index, nullptr);
}

bool MainTableDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                    const QStyleOptionViewItem& option, const QModelIndex& index) {
    const RowTableModel::Row* row = m_model.row(index);
    if (row) {
        const QRectF star = starFrame(option, index);
        if (!star.isEmpty() && FavoriteStar::handleCellEvent(m_catalog, row->id, star, event))
            return true;
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

} // namespace pellimor
