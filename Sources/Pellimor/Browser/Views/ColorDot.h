#pragma once

#include <QColor>
#include <QWidget>

namespace pellimor {

// A filled circle of one colour, `diameter` pixels across, centred in its square: the legend's
// and the online line's dots. Main thread only.
class ColorDot : public QWidget {
    Q_OBJECT
public:
    ColorDot(const QColor& color, int diameter, QWidget* parent = nullptr);

    const QColor& color() const { return m_color; }

    QSize sizeHint() const override { return {m_diameter, m_diameter}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
    int m_diameter;
};

} // namespace pellimor
