#include "Widgets/CellPainter.h"

#include "Browser/SizeBar.h"
#include "Support/ByteCount.h"
#include "Widgets/IconHitArea.h"
#include "Widgets/Icons.h"
#include "Widgets/NamedColor.h"
#include "Widgets/TipRegions.h"
#include "Widgets/UiFont.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <algorithm>

namespace pellimor::CellPainter {

namespace {

QColor withOpacity(QColor color, qreal opacity) {
    color.setAlphaF(float(color.alphaF() * opacity));
    return color;
}

qreal devicePixelRatio(const QPainter* painter) {
    return painter && painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
}

// The spans inside [0, visible), in order, overlapping and touching ones merged.
QList<TextSpan> cleaned(const QList<TextSpan>& spans, qsizetype visible) {
    QList<TextSpan> clipped;
    for (const TextSpan& span : spans) {
        if (span.length <= 0 || span.start >= visible)
            continue;
        qsizetype end = 0;
        if (__builtin_add_overflow(span.start, span.length, &end))
            end = visible; // only a start above 0 with a huge length overflows
        end = std::min(end, visible);
        const qsizetype start = std::max<qsizetype>(span.start, 0);
        if (end > start)
            clipped.append({start, end - start});
    }
    std::sort(clipped.begin(), clipped.end(),
              [](const TextSpan& a, const TextSpan& b) { return a.start < b.start; });
    QList<TextSpan> merged;
    for (const TextSpan& span : clipped) {
        if (!merged.isEmpty() && span.start <= merged.last().start + merged.last().length) {
            TextSpan& last = merged.last();
            last.length = std::max(last.start + last.length, span.start + span.length) - last.start;
        } else {
            merged.append(span);
        }
    }
    return merged;
}

} // namespace

void drawText(QPainter* painter, const QRectF& area, const QString& text, const QFont& font,
              const QColor& colour, Qt::Alignment alignment, Qt::TextElideMode elide) {
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
    painter->drawPixmap(box.topLeft(), Icons::tinted(symbol, QSize(qRound(box.width()), qRound(box.height())),
                                                     colour, devicePixelRatio(painter)));
}

// ---- Pills ----------------------------------------------------------------------------------

QFont pillFont(double scale) {
    return UiFont::font(10, QFont::Bold, scale);
}

QSizeF pillSize(const QString& label, double scale) {
    const QFontMetricsF metrics(pillFont(scale));
    return {metrics.horizontalAdvance(label) + 2 * pillPaddingX, metrics.height() + 2 * pillPaddingY};
}

qreal drawPills(QPainter* painter, const QRectF& area, const QList<Pill>& pills, qreal gap, double scale,
                TipRegions* tips) {
    if (pills.isEmpty())
        return 0;
    const QFont font = pillFont(scale);
    qreal x = area.left();
    for (const Pill& pill : pills) {
        const QSizeF size = pillSize(pill.label, scale);
        const QRectF capsule(x, area.center().y() - size.height() / 2, size.width(), size.height());
        if (painter) {
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setPen(Qt::NoPen);
            painter->setBrush(withOpacity(pill.color, pill.opacity));
            const qreal radius = capsule.height() / 2;
            painter->drawRoundedRect(capsule, radius, radius);
            painter->setPen(pill.color);
            painter->setFont(font);
            painter->drawText(capsule, Qt::AlignCenter, pill.label);
            painter->restore();
        }
        if (tips)
            tips->add(capsule, pill.tip);
        x += size.width() + gap;
    }
    return x - gap - area.left();
}

// ---- The online dot -------------------------------------------------------------------------

QString onlineTip(bool online) {
    return online ? QStringLiteral("Drive connected") : QStringLiteral("Drive not connected");
}

void drawOnlineDot(QPainter* painter, const QPointF& centre, qreal diameter, bool online, bool dark,
                   TipRegions* tips) {
    const QRectF dot(centre.x() - diameter / 2, centre.y() - diameter / 2, diameter, diameter);
    if (painter) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(online ? namedColor(NamedColor::green, dark)
                                 : withOpacity(namedColor(NamedColor::grey, dark), 0.5));
        painter->drawEllipse(dot);
        painter->restore();
    }
    if (tips)
        tips->add(dot, onlineTip(online));
}

// ---- Numbers ----------------------------------------------------------------------------------

QFont digitFont(qreal points, std::optional<QFont::Weight> weight, double scale) {
    QFont font = UiFont::font(points, weight, scale);
    font.setFamilies({QStringLiteral("DejaVu Sans")});
    return font;
}

QString bytesText(qint64 bytes) {
    return ByteCount::file(bytes);
}

QString wholeNumberText(qint64 number) {
    return QLocale().toString(number);
}

void drawDigits(QPainter* painter, const QRectF& area, const QString& text, Qt::Alignment alignment,
                const QFont& font, const QColor& color) {
    if (!painter)
        return;
    if (!(alignment & Qt::AlignVertical_Mask))
        alignment |= Qt::AlignVCenter;
    const QString shown = QFontMetricsF(font).elidedText(text, Qt::ElideRight, area.width());
    painter->save();
    painter->setFont(font);
    painter->setPen(color);
    painter->drawText(area, int(alignment), shown);
    painter->restore();
}

// ---- Highlighted text ---------------------------------------------------------------------------

void drawHighlighted(QPainter* painter, const QRectF& area, const QString& text, const QList<TextSpan>& spans,
                     const QFont& font, const QColor& color, bool dark) {
    if (!painter || text.isEmpty())
        return;
    const QString shown = QFontMetricsF(font).elidedText(text, Qt::ElideRight, area.width());
    // Shortened text keeps a prefix of the original and ends in the ellipsis, which is never
    // highlighted.
    const qsizetype visible = shown == text ? text.size() : std::max<qsizetype>(shown.size() - 1, 0);

    QTextLayout layout(shown, font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid()) {
        layout.endLayout();
        return;
    }
    line.setLineWidth(std::max<qreal>(area.width(), 0));
    layout.endLayout();

    QList<QTextLayout::FormatRange> marks;
    QTextCharFormat mark;
    mark.setBackground(withOpacity(namedColor(NamedColor::yellow, dark), 0.6));
    mark.setForeground(QColor(Qt::black));
    for (const TextSpan& span : cleaned(spans, visible))
        marks.append({int(span.start), int(span.length), mark});

    painter->save();
    painter->setPen(color);
    painter->setClipRect(area, Qt::IntersectClip);
    layout.draw(painter, QPointF(area.left(), area.center().y() - line.height() / 2), marks);
    painter->restore();
}

// ---- The favourite star -------------------------------------------------------------------------

QString starTip(bool favorite) {
    return favorite ? QStringLiteral("Remove from Favorites") : QStringLiteral("Add to Favorites");
}

void drawStar(QPainter* painter, const QRectF& frame, bool favorite, bool dark, TipRegions* tips) {
    if (painter) {
        const QColor color =
            favorite ? namedColor(NamedColor::yellow, dark) : namedColor(NamedColor::secondary, dark);
        const QPixmap star = Icons::tinted(favorite ? QStringLiteral("star.fill") : QStringLiteral("star"),
                                           frame.size().toSize(), color, devicePixelRatio(painter));
        painter->save();
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->drawPixmap(frame, star, QRectF(QPointF(0, 0), star.size()));
        painter->restore();
    }
    if (tips)
        tips->add(iconHitArea(frame, starHitMargin), starTip(favorite));
}

// ---- The size bar -------------------------------------------------------------------------------

void drawSizeBar(QPainter* painter, const QRectF& rect, const SizeBar& bar, bool dark, TipRegions* tips) {
    if (painter && !rect.isEmpty()) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const qreal radius = std::min(rect.height(), rect.width()) / 2;

        QPainterPath track;
        track.addRoundedRect(rect, radius, radius);
        painter->fillPath(track, namedColor(NamedColor::barTrack, dark));
        // The outline lies inside the edge: a 1-pixel line centred half a pixel in.
        painter->setPen(QPen(withOpacity(namedColor(NamedColor::secondary, dark), 0.45), 1));
        painter->setBrush(Qt::NoBrush);
        const qreal inner = std::max<qreal>(radius - 0.5, 0);
        painter->drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), inner, inner);

        const SizeBar::Widths widths = bar.widths(rect.width());
        if (widths.filled > 0) {
            const QRectF filled(rect.left(), rect.top(), widths.filled, rect.height());
            const qreal capsule = std::min(filled.height(), filled.width()) / 2;
            QPainterPath clip;
            clip.addRoundedRect(filled, capsule, capsule);
            painter->setClipPath(clip, Qt::IntersectClip);
            const std::pair<double, NamedColor> segments[] = {
                {widths.optimized, NamedColor::teal},
                {widths.proxy, NamedColor::purple},
                {widths.render, NamedColor::orange},
            };
            qreal x = rect.left();
            for (const auto& [width, color] : segments) {
                if (!(width > 0))
                    continue;
                painter->fillRect(QRectF(x, rect.top(), width, rect.height()), namedColor(color, dark));
                x += width;
            }
        }
        painter->restore();
    }
    if (tips)
        tips->add(rect, bar.tooltip());
}

QRectF sizeBarCellRect(const QRectF& cell, qreal inset) {
    return {cell.left() + inset, cell.center().y() - sizeBarCellHeight / 2,
            std::max<qreal>(cell.width() - 2 * inset, 0), sizeBarCellHeight};
}

} // namespace pellimor::CellPainter
