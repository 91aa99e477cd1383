#pragma once

#include <QWidget>

class QTimer;

namespace pellimor {

// A small spinning progress indicator: twelve spokes, one brighter, turning while the spinner
// is shown. It turns only while visible, so a hidden spinner costs nothing. Main thread only.
class BusySpinner final : public QWidget {
    Q_OBJECT
public:
    explicit BusySpinner(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    // Whether it is turning now (tests).
    bool isTurning() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer* m_timer = nullptr;
    int m_step = 0;
};

} // namespace pellimor
