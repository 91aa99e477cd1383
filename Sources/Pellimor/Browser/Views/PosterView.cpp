#include "Browser/Views/PosterView.h"

#include "Widgets/DarkLook.h"
#include "Widgets/Icons.h"
#include "Widgets/NamedColor.h"

#include <QPainter>
#include <QPainterPath>

namespace pellimor {

namespace {

constexpr int kPlaceholderIcon = 22;

} // namespace

PosterView::PosterView(const QSize& size, qreal radius, QWidget* parent)
    : QWidget(parent), m_size(size), m_radius(radius) {
    setFixedSize(size);
    setAccessibleName(QStringLiteral("Poster frame"));
}

void PosterView::setPicture(const QImage& picture) {
    m_picture = picture;
    update();
}

void PosterView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF frame(QPointF(0, 0), QSizeF(m_size));
    QPainterPath rounded;
    rounded.addRoundedRect(frame, m_radius, m_radius);
    const bool dark = DarkLook::isDark(this);
    if (!m_picture.isNull()) {
        // The picture is a brush over the rounded shape, so its corners are smoothed like the
        // placeholder's.
        QBrush brush(m_picture);
        brush.setTransform(
            QTransform::fromScale(frame.width() / m_picture.width(), frame.height() / m_picture.height()));
        painter.fillPath(rounded, brush);
        return;
    }
    painter.fillPath(rounded, namedColor(NamedColor::quaternary, dark));
    const QSize icon(kPlaceholderIcon, kPlaceholderIcon);
    const QPixmap film = Icons::tinted(QStringLiteral("film"), icon, namedColor(NamedColor::secondary, dark),
                                       devicePixelRatioF());
    painter.drawPixmap(
        QRectF(frame.center() - QPointF(icon.width() / 2.0, icon.height() / 2.0), QSizeF(icon)), film,
        QRectF(film.rect()));
}

} // namespace pellimor
