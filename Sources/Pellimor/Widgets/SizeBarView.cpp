#include "Widgets/SizeBarView.h"

#include "Widgets/CellPainter.h"
#include "Widgets/DarkLook.h"

#include <QPainter>

namespace pellimor {

SizeBarView::SizeBarView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Space the rebuildable files take"));
    setBar(SizeBar{});
}

void SizeBarView::setBar(const SizeBar& bar) {
    m_bar = bar;
    const QString tip = m_bar.tooltip();
    if (toolTip() != tip) {
        setToolTip(tip);
        setAccessibleDescription(tip);
    }
    update();
}

QSize SizeBarView::sizeHint() const {
    return {120, int(CellPainter::sizeBarPanelHeight)};
}

QSize SizeBarView::minimumSizeHint() const {
    return {0, int(CellPainter::sizeBarPanelHeight)};
}

void SizeBarView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF bar(0, (height() - CellPainter::sizeBarPanelHeight) / 2, width(),
                     CellPainter::sizeBarPanelHeight);
    CellPainter::drawSizeBar(&painter, bar, m_bar, DarkLook::isDark(this), nullptr);
}

} // namespace pellimor
