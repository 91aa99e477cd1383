#include "Widgets/BusySpinner.h"

#include <QPainter>
#include <QTimer>
#include <cmath>

namespace pellimor {

namespace {

constexpr int kSpokes = 12;
constexpr int kStepMs = 80;
constexpr int kSide = 16; // the small control size

} // namespace

BusySpinner::BusySpinner(QWidget* parent) : QWidget(parent), m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("busySpinner"));
    setFixedSize(kSide, kSide);
    m_timer->setInterval(kStepMs);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % kSpokes;
        update();
    });
}

QSize BusySpinner::sizeHint() const {
    return {kSide, kSide};
}

bool BusySpinner::isTurning() const {
    return m_timer->isActive();
}

void BusySpinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    const double outer = std::min(width(), height()) / 2.0 - 1;
    const double inner = outer * 0.45;
    QColor colour = palette().color(QPalette::WindowText);
    for (int i = 0; i < kSpokes; ++i) {
        // The spoke at the current step is the brightest; those behind it fade out.
        const int age = (m_step - i + kSpokes) % kSpokes;
        colour.setAlphaF(float(1.0 - 0.8 * age / double(kSpokes - 1)));
        QPen pen(colour, 1.6, Qt::SolidLine, Qt::RoundCap);
        painter.setPen(pen);
        const double angle = 2 * M_PI * i / kSpokes;
        const QPointF direction(std::sin(angle), -std::cos(angle));
        painter.drawLine(centre + direction * inner, centre + direction * outer);
    }
}

void BusySpinner::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_timer->start();
}

void BusySpinner::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_timer->stop();
}

} // namespace pellimor
