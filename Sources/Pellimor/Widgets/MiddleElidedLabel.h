#pragma once

#include <QLabel>

namespace pellimor {

// One line, shortened in the middle when it does not fit, so both the start and the end of a
// path or a progress text stay readable; text() stays the whole text. It asks for no width of
// its own, so a long text never widens its window. Main thread only.
class MiddleElidedLabel final : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace pellimor
