#pragma once

#include "Browser/SizeBar.h"

#include <QWidget>

namespace pellimor {

// The size bar as a widget for panels: 10 pixels high, as wide as its layout makes it, drawn by
// CellPainter::drawSizeBar in the look of its palette; its tooltip and accessible description
// spell the numbers out. Table cells draw the same bar, 8 high, straight from their delegate.
// Main thread only.
class SizeBarView : public QWidget {
    Q_OBJECT
public:
    explicit SizeBarView(QWidget* parent = nullptr);

    const SizeBar& bar() const { return m_bar; }
    void setBar(const SizeBar& bar);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SizeBar m_bar;
};

} // namespace pellimor
