#include "Widgets/MessageBlock.h"

#include "Widgets/DarkLook.h"
#include "Widgets/NamedColor.h"
#include "Widgets/UiFont.h"

#include <QPainter>
#include <QPainterPath>

namespace pellimor {

namespace {

constexpr int kPadding = 8;
constexpr qreal kRadius = 6;

} // namespace

MessageBlock::MessageBlock(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setFont(uiFont(12));
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setContentsMargins(kPadding, kPadding, kPadding, kPadding);
}

void MessageBlock::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = namedColor(NamedColor::quaternary, DarkLook::isDark(this));
        fill.setAlphaF(fill.alphaF() * 0.5f);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), kRadius, kRadius);
        painter.fillPath(shape, fill);
    }
    QLabel::paintEvent(event);
}

} // namespace pellimor
