#include "Browser/Views/ColorDot.h"

#include <QPainter>

namespace pellimor {

ColorDot::ColorDot(const QColor& color, int diameter, QWidget* parent)
    : QWidget(parent), m_color(color), m_diameter(diameter) {
    setFixedSize(diameter, diameter);
}

void ColorDot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_color);
    painter.drawEllipse(QRectF(rect()));
}

} // namespace pellimor
