#include "Browser/Views/CapsuleBadge.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

namespace pellimor {

namespace {

constexpr int kPaddingX = 6;
constexpr int kPaddingY = 2;
constexpr qreal kFillOpacity = 0.22;

} // namespace

CapsuleBadge::CapsuleBadge(const QString& text, const QColor& color, QWidget* parent)
    : QWidget(parent), m_text(text), m_color(color) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text);
}

QSize CapsuleBadge::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_text) + 2 * kPaddingX, metrics.height() + 2 * kPaddingY};
}

void CapsuleBadge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule(QPointF(0, 0), QSizeF(sizeHint()));
    QColor fill = m_color;
    fill.setAlphaF(float(fill.alphaF() * kFillOpacity));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    painter.setPen(m_color);
    painter.setFont(font());
    painter.drawText(capsule, Qt::AlignCenter, m_text);
}

void CapsuleBadge::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateGeometry();
}

} // namespace pellimor
