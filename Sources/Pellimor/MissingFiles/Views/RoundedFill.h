#pragma once

#include "Widgets/DarkLook.h"
#include "Widgets/NamedColor.h"
#include "Widgets/RowColours.h"

#include <QPainter>
#include <QWidget>

namespace pellimor {

// A rounded fill of the quaternary colour at `opacity` behind its children, as the missing-files
// sheet's panes are drawn. Main thread only.
class RoundedFill final : public QWidget {
public:
    static constexpr int kCorner = 6;

    RoundedFill(double opacity, QWidget* parent) : QWidget(parent), m_opacity(opacity) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(faded(namedColor(NamedColor::quaternary, DarkLook::isDark(this)), m_opacity));
        painter.drawRoundedRect(QRectF(rect()), kCorner, kCorner);
    }

private:
    double m_opacity;
};

} // namespace pellimor
