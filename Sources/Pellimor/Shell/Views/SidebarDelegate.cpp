#include "Shell/Views/SidebarDelegate.h"

#include "Shell/SidebarDrives.h"
#include "Shell/Views/SidebarModel.h"
#include "Widgets/CellPainter.h"
#include "Widgets/DarkLook.h"
#include "Widgets/IconHitArea.h"
#include "Widgets/NamedColor.h"
#include "Widgets/Pill.h"
#include "Widgets/RowColours.h"
#include "Widgets/TipRegions.h"
#include "Widgets/UiFont.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace pellimor {

namespace {

// Logical pixels; they do not scale with "Larger Text", the fonts do.
constexpr qreal kHeaderLead = 6;   // a header's chevron from the leading edge
constexpr qreal kRowLead = 12;     // rows sit a little in from their header
constexpr qreal kTrail = 6;        // every row's trailing padding
constexpr qreal kHeaderTrail = 14; // "Select all" from the trailing edge
constexpr qreal kGap = 6;          // between the items of a line
constexpr qreal kIcon = 16;        // a row's icon frame
constexpr qreal kIndent = 22;      // second lines start under the name
constexpr qreal kDot = 7;          // a favourite's online dot
constexpr qreal kPad = 4;          // above and below a row's lines
constexpr qreal kBar = 3;          // the usage bar's height
constexpr qreal kChevron = 8;
constexpr qreal kButtonIcon = 14; // a watched folder's buttons
constexpr qreal kRescanIcon = 12; // a drive's rescan symbol, drawn at the 11-point size
constexpr qreal kFirstHeaderAir = 4;
constexpr qreal kHeaderAir = 12; // above every header but the first

const QString kSelectAll = QStringLiteral("Select all");
const QString kRemoveTip = QStringLiteral("Stop watching this folder (its libraries stay in the catalog)");

qreal lineHeight(const QFont& font) {
    return QFontMetricsF(font).height();
}

QFont bodyFont() {
    return uiFont(12);
}
QFont smallFont() {
    return uiFont(10);
}
QFont headerFont() {
    return uiFont(12, QFont::Bold);
}

// The first line of a row: the icon's height or the text's, whichever is taller.
qreal firstLineHeight() {
    return std::max(kIcon, lineHeight(bodyFont()));
}

// A square of `side` centred in `frame`.
QRectF centred(const QRectF& frame, qreal side) {
    return {frame.center().x() - side / 2, frame.center().y() - side / 2, side, side};
}

using CellPainter::drawIcon;

// The sidebar's texts all stand at the leading edge.
void drawText(QPainter* painter, const QRectF& area, const QString& text, const QFont& font,
              const QColor& colour, Qt::TextElideMode elide = Qt::ElideRight) {
    CellPainter::drawText(painter, area, text, font, colour, Qt::AlignLeft, elide);
}

void drawCapsule(QPainter* painter, const QRectF& rect, const QColor& colour) {
    if (!painter || rect.width() <= 0 || rect.height() <= 0)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(colour);
    const qreal radius = std::min(rect.height(), rect.width()) / 2;
    painter->drawRoundedRect(rect, radius, radius);
    painter->restore();
}

void drawChevron(QPainter* painter, const QRectF& box, bool open, const QColor& colour) {
    if (!painter)
        return;
    QPainterPath path;
    const QPointF c = box.center();
    const qreal h = box.width() / 2;
    if (open) {
        path.moveTo(c.x() - h, c.y() - h / 2);
        path.lineTo(c.x(), c.y() + h / 2);
        path.lineTo(c.x() + h, c.y() - h / 2);
    } else {
        path.moveTo(c.x() - h / 2, c.y() - h);
        path.lineTo(c.x() + h / 2, c.y());
        path.lineTo(c.x() - h / 2, c.y() + h);
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(colour, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(path);
    painter->restore();
}

void addButton(QList<SidebarDelegate::Hit>* hits, TipRegions* tips, SidebarDelegate::Part part,
               const QRectF& rect, bool enabled, const QString& tip) {
    if (hits)
        hits->append({part, rect, enabled});
    if (tips)
        tips->add(iconHitArea(rect, SidebarDelegate::hitMargin), tip);
}

} // namespace

bool SidebarDelegate::Hit::contains(const QPointF& point) const {
    return inIconHitArea(rect, hitMargin, point);
}

SidebarDelegate::SidebarDelegate(const SidebarModel& model, QObject* parent)
    : QStyledItemDelegate(parent), m_model(model) {}

void SidebarDelegate::layout(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                             TipRegions* tips, QList<Hit>* hits) const {
    const QRectF r = option.rect;
    const RowColours c = RowColours::of(option);
    const double scale = UiFont::scale();

    if (m_model.isHeader(index)) {
        const SidebarSection* section = m_model.section(index);
        if (!section)
            return;
        const QFont font = headerFont();
        const qreal height = lineHeight(font) + 4;
        const QRectF line(r.left(), r.bottom() - height - 2, r.width(), height);
        qreal x = r.left() + kHeaderLead;
        if (section->collapsible()) {
            drawChevron(painter, centred(QRectF(x, line.top(), kChevron, line.height()), kChevron),
                        option.state & QStyle::State_Open, c.secondary);
        }
        x += kChevron + kGap;
        qreal titleEnd = r.right() - kTrail;
        if (section->hasSelectAll()) {
            const QFont small = smallFont();
            const QFontMetricsF metrics(small);
            const qreal width = metrics.horizontalAdvance(kSelectAll);
            const QRectF button(r.right() - kHeaderTrail - width, line.center().y() - metrics.height() / 2,
                                width, metrics.height());
            drawText(painter, button.adjusted(0, 0, 1, 0), kSelectAll, small, c.text, Qt::ElideNone);
            addButton(hits, tips, Part::selectAll, button, true, section->selectAllTip());
            titleEnd = button.left() - kGap;
        }
        drawText(painter, QRectF(x, line.top(), titleEnd - x, line.height()), section->title, font,
                 c.secondary);
        return;
    }

    const SidebarRow* row = m_model.row(index);
    if (!row)
        return;
    const QFont body = bodyFont();
    const QFont small = smallFont();
    const qreal left = r.left() + kRowLead;
    const qreal right = r.right() - kTrail;
    const qreal line1 = firstLineHeight();
    const qreal top = row->kind == SidebarRow::Kind::favorite || row->kind == SidebarRow::Kind::drive
                          ? r.top() + kPad
                          : r.center().y() - line1 / 2;
    const QRectF first(left, top, right - left, line1);
    const QRectF iconFrame(left, first.top(), kIcon, first.height());
    const qreal nameLeft = left + kIcon + kGap;

    switch (row->kind) {
    case SidebarRow::Kind::filter:
        drawIcon(painter, row->symbol, centred(iconFrame, kIcon), c.accent);
        drawText(painter, QRectF(nameLeft, first.top(), right - nameLeft, first.height()), row->title, body,
                 c.text);
        return;

    case SidebarRow::Kind::favorite: {
        drawIcon(painter, row->symbol, centred(iconFrame, kIcon), namedColor(NamedColor::yellow, c.dark));
        const QPointF dot(nameLeft + kDot / 2, first.center().y());
        CellPainter::drawOnlineDot(painter, dot, kDot, row->online, c.dark, tips);
        const qreal name = nameLeft + kDot + kGap;
        drawText(painter, QRectF(name, first.top(), right - name, first.height()), row->title, body, c.text);
        const QRectF second(left + kIndent, first.bottom() + 1, right - left - kIndent, lineHeight(small));
        drawText(painter, second, row->detail, small, c.secondary);
        return;
    }

    case SidebarRow::Kind::drive: {
        if (!row->drive)
            return;
        const DriveSummary& drive = *row->drive;
        if (painter) {
            painter->save();
            if (row->dimmed)
                painter->setOpacity(painter->opacity() * SidebarDrives::dimmedOpacity);
        }
        drawIcon(painter, row->symbol, centred(iconFrame, kIcon), row->online ? c.accent : c.secondary);

        // The role pill at the trailing edge, the rescan button before it.
        const QString label = SidebarDrives::roleLabel(drive);
        const QSizeF pillSize = CellPainter::pillSize(label, scale);
        const QRectF pill(right - pillSize.width(), first.center().y() - pillSize.height() / 2,
                          pillSize.width(), pillSize.height());
        // On the selection's colour, green or orange would hardly read: the pill takes the text's.
        const QColor roleColour =
            c.selected ? c.text : namedColor(drive.isBackup ? NamedColor::orange : NamedColor::green, c.dark);
        CellPainter::drawPills(painter, pill, {Pill{label, roleColour, QString(), 0.22}}, 0, scale, nullptr);
        addButton(hits, tips, Part::role, pill, true, SidebarDrives::roleTip(drive));

        const qreal rescanSide = std::round(kRescanIcon * scale);
        const QRectF rescan(pill.left() - kGap - rescanSide, first.center().y() - rescanSide / 2, rescanSide,
                            rescanSide);
        drawIcon(painter, QStringLiteral("arrow.clockwise"), rescan,
                 row->actionEnabled ? c.secondary : faded(c.secondary, 0.4));
        addButton(hits, tips, Part::rescan, rescan, row->actionEnabled, row->actionTip);

        drawText(painter, QRectF(nameLeft, first.top(), rescan.left() - 2 - nameLeft, first.height()),
                 row->title, body, c.text);
        const QRectF second(left + kIndent, first.bottom() + 2, right - left - kIndent, lineHeight(small));
        drawText(painter, second, row->detail, small, c.secondary);

        if (const std::optional<SidebarDrives::Usage> usage = SidebarDrives::usage(drive)) {
            const qreal width = right - left;
            const QRectF track(left, second.bottom() + 2, width, kBar);
            drawCapsule(painter, track, faded(c.secondary, 0.3));
            drawCapsule(painter, QRectF(track.topLeft(), QSizeF(width * usage->used, kBar)),
                        faded(namedColor(NamedColor::grey, c.dark), 0.6));
            drawCapsule(painter, QRectF(track.topLeft(), QSizeF(width * usage->libraries, kBar)),
                        namedColor(NamedColor::accent, c.dark));
        }
        if (painter)
            painter->restore();
        return;
    }

    case SidebarRow::Kind::watched: {
        drawIcon(painter, row->symbol, centred(iconFrame, kIcon), c.secondary);
        const QRectF remove(right - kButtonIcon, first.center().y() - kButtonIcon / 2, kButtonIcon,
                            kButtonIcon);
        const QRectF refresh(remove.left() - kGap - kButtonIcon, remove.top(), kButtonIcon, kButtonIcon);
        drawIcon(painter, QStringLiteral("arrow.clockwise"), refresh,
                 row->actionEnabled ? c.secondary : faded(c.secondary, 0.4));
        drawIcon(painter, QStringLiteral("xmark.circle"), remove, c.secondary);
        addButton(hits, tips, Part::refresh, refresh, row->actionEnabled, row->actionTip);
        addButton(hits, tips, Part::remove, remove, true, kRemoveTip);
        drawText(painter, QRectF(nameLeft, first.top(), refresh.left() - 2 - nameLeft, first.height()),
                 row->title, body, c.text, Qt::ElideMiddle);
        return;
    }
    }
}

void SidebarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    painter->save();
    if (!m_model.isHeader(index)) {
        // The row's selection and hover background, as the style draws it; the content is ours.
        opt.text.clear();
        opt.icon = QIcon();
        opt.features &= ~(QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);
    }
    layout(painter, opt, index, nullptr, nullptr);
    painter->restore();
}

QSize SidebarDelegate::sizeHint(const QStyleOptionViewItem& /*option*/, const QModelIndex& index) const {
    constexpr int kWidth = 200;
    if (m_model.isHeader(index)) {
        const qreal air = index.row() == 0 ? kFirstHeaderAir : kHeaderAir;
        return {kWidth, int(std::ceil(lineHeight(headerFont()) + 4 + 2 + air))};
    }
    const SidebarRow* row = m_model.row(index);
    const qreal line1 = firstLineHeight();
    qreal height = line1 + 2 * kPad;
    if (row && row->kind == SidebarRow::Kind::favorite)
        height += 1 + lineHeight(smallFont());
    if (row && row->kind == SidebarRow::Kind::drive) {
        height += 2 + lineHeight(smallFont());
        if (row->drive && SidebarDrives::usage(*row->drive))
            height += 2 + kBar;
    }
    return {kWidth, int(std::ceil(height))};
}

QList<SidebarDelegate::Hit> SidebarDelegate::hits(const QStyleOptionViewItem& option,
                                                  const QModelIndex& index) const {
    QList<Hit> placed;
    layout(nullptr, option, index, nullptr, &placed);
    return placed;
}

bool SidebarDelegate::editorEvent(QEvent* event, QAbstractItemModel* /*model*/,
                                  const QStyleOptionViewItem& option, const QModelIndex& index) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const QPointF at = mouse->position();

    if (type == QEvent::MouseButtonRelease) {
        if (!m_pressed)
            return false;
        const Press pressed = *std::exchange(m_pressed, std::nullopt);
        if (pressed.index.isValid() && pressed.index == index) {
            for (const Hit& hit : hits(option, index)) {
                if (hit.part == pressed.part && hit.enabled && hit.contains(at) && onPart)
                    onPart(index, hit.part);
            }
        }
        return true;
    }

    for (const Hit& hit : hits(option, index)) {
        if (hit.enabled && hit.contains(at)) {
            m_pressed = Press{QPersistentModelIndex(index), hit.part};
            return true;
        }
    }
    const SidebarSection* section = m_model.isHeader(index) ? m_model.section(index) : nullptr;
    if (section && section->collapsible() && type == QEvent::MouseButtonPress) {
        if (onHeader)
            onHeader(index);
        return true;
    }
    return false;
}

bool SidebarDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
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
