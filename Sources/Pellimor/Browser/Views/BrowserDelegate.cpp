#include "Browser/Views/BrowserDelegate.h"

#include "App/AppSettings.h"
#include "App/Appearance.h"
#include "Browser/BrowserCells.h"
#include "Browser/Views/BrowserModel.h"
#include "Browser/Views/ToneColor.h"
#include "Catalogue/Store/Catalog.h"
#include "Widgets/CellPainter.h"
#include "Widgets/DarkLook.h"
#include "Widgets/FavoriteStar.h"
#include "Widgets/Icons.h"
#include "Widgets/NamedColor.h"
#include "Widgets/TipRegions.h"
#include "Widgets/UiFont.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QStyle>
#include <algorithm>
#include <utility>

namespace pellimor {

namespace {

constexpr qreal kIconSide = 16;
constexpr qreal kIconGap = 4; // after the star and after the symbol
constexpr qreal kDotSide = 6;
constexpr qreal kDotGap = 6;
constexpr qreal kReasonGap = 6;
constexpr qreal kPillGap = 4;
constexpr qreal kPillOpacity = 0.22;
constexpr double kDimmed = 0.45;

QColor hueColor(RowTint::Hue hue, bool dark) {
    switch (hue) {
    case RowTint::Hue::blue:
        return namedColor(NamedColor::blue, dark);
    case RowTint::Hue::teal:
        return namedColor(NamedColor::teal, dark);
    case RowTint::Hue::purple:
        return namedColor(NamedColor::purple, dark);
    case RowTint::Hue::green:
        return namedColor(NamedColor::green, dark);
    case RowTint::Hue::orange:
        return namedColor(NamedColor::orange, dark);
    case RowTint::Hue::indigo:
        return namedColor(NamedColor::indigo, dark);
    }
    return namedColor(NamedColor::blue, dark);
}

QList<Pill> painted(const QList<BrowserCells::Pill>& pills, bool dark, const QStyleOptionViewItem& option) {
    QList<Pill> list;
    for (const BrowserCells::Pill& pill : pills)
        list.append(Pill{pill.label, toneColor(pill.tone, dark, option), pill.tip, kPillOpacity});
    return list;
}

qreal pillsWidth(const QList<Pill>& pills, qreal gap, double scale) {
    qreal width = 0;
    for (const Pill& pill : pills)
        width += CellPainter::pillSize(pill.label, scale).width();
    return pills.isEmpty() ? 0 : width + gap * qreal(pills.size() - 1);
}

// Where content `width` wide starts in `area`: at its leading edge, or against its trailing one.
qreal startOf(const QRectF& area, qreal width, bool trailing) {
    return trailing ? std::max(area.left(), area.right() - width) : area.left();
}

qreal devicePixelRatio(const QPainter* painter) {
    return painter && painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
}

// One line of text in `area`, shortened as `elide` says, where the alignment puts it; answers
// the area the text takes.
QRectF placeText(QPainter* painter, const QRectF& area, const QString& text, const QFont& font,
                 const QColor& color, bool trailing, Qt::TextElideMode elide) {
    if (text.isEmpty())
        return {};
    const QFontMetricsF metrics(font);
    const QString shown = metrics.elidedText(text, elide, std::max<qreal>(area.width(), 0));
    const qreal width = std::min(metrics.horizontalAdvance(shown), area.width());
    const QRectF placed(startOf(area, width, trailing), area.center().y() - metrics.height() / 2, width,
                        metrics.height());
    if (painter) {
        painter->save();
        painter->setFont(font);
        painter->setPen(color);
        painter->drawText(placed, int(Qt::AlignLeft | Qt::AlignVCenter), shown);
        painter->restore();
    }
    return placed;
}

} // namespace

BrowserDelegate::BrowserDelegate(Catalog& catalog, const BrowserModel& model, QObject* parent)
    : QStyledItemDelegate(parent), m_catalog(catalog), m_model(model) {}

void BrowserDelegate::setContext(Context context) {
    m_context = std::move(context);
}

void BrowserDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    if (!m_model.node(index)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    drawCell(painter, option, index, nullptr);
}

BrowserDelegate::Placed BrowserDelegate::drawCell(QPainter* painter, const QStyleOptionViewItem& given,
                                                  const QModelIndex& index, TipRegions* tips) const {
    Placed placed;
    const BNode* node = m_model.node(index);
    if (!node)
        return placed;
    QStyleOptionViewItem option = given;
    initStyleOption(&option, index);
    const QString column = m_model.columnId(index.column());
    const bool dark = DarkLook::isDark(option.palette);
    const double scale = UiFont::scale();
    const bool trailing = m_model.alignment(index.column()) & Qt::AlignRight;
    const QRectF cell = option.rect;
    const QRectF area = cell.adjusted(kPadding, 0, -kPadding, 0);

    if (painter) {
        painter->save();
        // The selection and hover backgrounds, without the text the style would draw.
        QStyleOptionViewItem background = option;
        background.text.clear();
        background.icon = QIcon();
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);
        if (const std::optional<QColor> color = tint(index, dark))
            painter->fillRect(cell, *color);
        painter->setClipRect(cell, Qt::IntersectClip);
    }
    const auto dimmed = [&](double opacity) {
        if (painter)
            painter->setOpacity(opacity);
    };

    if (column == QLatin1StringView("name")) {
        dimmed(BrowserCells::opacity(*node));
        const bool library = node->kind == BNode::Kind::library;
        const QFont font = UiFont::font(13, library ? std::optional(QFont::DemiBold) : std::nullopt, scale);
        const QList<Pill> pills = painted(BrowserCells::reasonPills(*node), dark, option);
        const qreal pillRow = pillsWidth(pills, kReasonGap, scale);
        const qreal fixed = (library ? kIconSide + kIconGap : 0) + kIconSide + kIconGap +
                            (BrowserCells::isContainer(*node) ? kDotSide + kDotGap : 0);
        const qreal nameWidth = QFontMetricsF(font).horizontalAdvance(node->name);
        const qreal pillsRoom = pills.isEmpty() ? 0 : kReasonGap + pillRow;
        const qreal total = fixed + nameWidth + pillsRoom;
        qreal x = startOf(area, total, trailing);
        const qreal middle = cell.center().y();
        if (library) {
            placed.star = QRectF(x, middle - kIconSide / 2, kIconSide, kIconSide);
            CellPainter::drawStar(painter, placed.star, m_catalog.isFavorite(node->id), dark, tips);
            x += kIconSide + kIconGap;
        }
        if (painter) {
            const QColor color =
                library ? namedColor(NamedColor::accent, dark) : toneColor(CellTone::secondary, dark, option);
            const QPixmap icon =
                Icons::tinted(BrowserCells::symbol(*node), QSize(int(kIconSide), int(kIconSide)), color,
                              devicePixelRatio(painter));
            painter->drawPixmap(QRectF(x, middle - kIconSide / 2, kIconSide, kIconSide), icon,
                                QRectF(QPointF(0, 0), icon.size()));
        }
        x += kIconSide + kIconGap;
        if (BrowserCells::isContainer(*node)) {
            CellPainter::drawOnlineDot(painter, QPointF(x + kDotSide / 2, middle), kDotSide, node->online,
                                       dark, tips);
            x += kDotSide + kDotGap;
        }
        // The name comes first: in a narrow column the pills after it are cut off, never the
        // name for them (the accessible text still reads them).
        const qreal shownName = std::max<qreal>(std::min(nameWidth, area.right() - x), 0);
        const QRectF nameArea(x, cell.top(), shownName, cell.height());
        if (painter) {
            const bool more = node->kind == BNode::Kind::more;
            CellPainter::drawHighlighted(
                painter, nameArea, node->name,
                more ? QList<TextSpan>() : m_context.query.highlight(node->name), font,
                toneColor(more ? CellTone::secondary : CellTone::primary, dark, option), dark);
        }
        x += shownName;
        if (!pills.isEmpty())
            CellPainter::drawPills(painter, QRectF(x + kReasonGap, cell.top(), pillRow, cell.height()), pills,
                                   kReasonGap, scale, tips);
    } else if (column == QLatin1StringView("fcp")) {
        const VersionCell version = BrowserCells::version(*node);
        const QFont font = CellPainter::digitFont(13, std::nullopt, scale);
        const QRectF text = placeText(painter, area, version.text, font,
                                      toneColor(version.tone, dark, option), trailing, Qt::ElideRight);
        if (tips && !version.tip.isEmpty())
            tips->add(text, version.tip);
    } else if (column == QLatin1StringView("details")) {
        dimmed(BrowserCells::opacity(*node));
        const QRectF text =
            placeText(painter, area, node->details, UiFont::font(12, std::nullopt, scale),
                      toneColor(CellTone::secondary, dark, option), trailing, Qt::ElideMiddle);
        if (node->kind == BNode::Kind::library)
            placed.pathText = text;
    } else if (column == QLatin1StringView("modified")) {
        dimmed(BrowserCells::opacity(*node));
        placeText(painter, area, BrowserCells::dateText(*node), UiFont::font(13, std::nullopt, scale),
                  toneColor(CellTone::primary, dark, option), trailing, Qt::ElideRight);
    } else if (column == QLatin1StringView("bar")) {
        if (BrowserCells::isContainer(*node))
            CellPainter::drawSizeBar(painter, CellPainter::sizeBarCellRect(area), BrowserCells::bar(*node),
                                     dark, tips);
    } else if (column == QLatin1StringView("missingFiles") || column == QLatin1StringView("missingPlugins") ||
               column == QLatin1StringView("alerts")) {
        const QList<BrowserCells::Pill> cells =
            column == QLatin1StringView("missingFiles")     ? BrowserCells::missingFilesPills(*node)
            : column == QLatin1StringView("missingPlugins") ? BrowserCells::pluginPills(*node)
                                                            : BrowserCells::alertPills(*node);
        const QList<Pill> pills = painted(cells, dark, option);
        const qreal width = pillsWidth(pills, kPillGap, scale);
        CellPainter::drawPills(painter,
                               QRectF(startOf(area, width, trailing), cell.top(), width, cell.height()),
                               pills, kPillGap, scale, tips);
    } else {
        // The byte columns.
        QString text;
        CellTone tone = CellTone::primary;
        if (column == QLatin1StringView("size")) {
            text = BrowserCells::sizeText(*node);
        } else if (column == QLatin1StringView("optimized")) {
            text = BrowserCells::bytesText(*node, node->optimized);
            tone = CellTone::teal;
        } else if (column == QLatin1StringView("proxy")) {
            text = BrowserCells::bytesText(*node, node->proxy);
            tone = CellTone::purple;
        } else if (column == QLatin1StringView("render")) {
            text = BrowserCells::bytesText(*node, node->render);
            tone = CellTone::orange;
        } else if (column == QLatin1StringView("reclaimable")) {
            text = BrowserCells::reclaimText(*node);
            tone = CellTone::secondary;
        }
        placeText(painter, area, text, CellPainter::digitFont(13, std::nullopt, scale),
                  toneColor(tone, dark, option), trailing, Qt::ElideRight);
    }

    if (painter)
        painter->restore();
    return placed;
}

QSize BrowserDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QFontMetricsF metrics(option.font);
    const QString text = index.data(Qt::DisplayRole).toString();
    const int height = std::max(Appearance::listRowMinimumHeight(AppSettings::comfortable()),
                                int(QFontMetricsF(UiFont::font(13)).height()) + 6);
    return {int(std::ceil(metrics.horizontalAdvance(text) + 2 * kPadding)), height};
}

bool BrowserDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event && view && m_model.node(index)) {
        TipRegions tips;
        drawCell(nullptr, option, index, &tips);
        if (tips.answer(event, view->viewport()))
            return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

std::optional<QColor> BrowserDelegate::tint(const QModelIndex& index, bool dark) const {
    const BNode* node = m_model.node(index);
    if (!node || !m_context.tint)
        return std::nullopt;
    const std::optional<RowTint> tint = m_context.tint(*node, dark);
    if (!tint)
        return std::nullopt;
    QColor color = hueColor(tint->hue, dark);
    color.setAlphaF(float(tint->opacity));
    return color;
}

QRectF BrowserDelegate::pathTextRect(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (m_model.columnId(index.column()) != QLatin1StringView("details"))
        return {};
    return drawCell(nullptr, option, index, nullptr).pathText;
}

QRectF BrowserDelegate::starFrame(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (m_model.columnId(index.column()) != QLatin1StringView("name"))
        return {};
    return drawCell(nullptr, option, index, nullptr).star;
}

bool BrowserDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                  const QStyleOptionViewItem& option, const QModelIndex& index) {
    const BNode* node = m_model.node(index);
    if (node && node->kind == BNode::Kind::library) {
        const QRectF star = starFrame(option, index);
        if (!star.isEmpty() && FavoriteStar::handleCellEvent(m_catalog, node->id, star, event))
            return true;
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

} // namespace pellimor
