#pragma once

#include <QLabel>

namespace pellimor {

// One line of text, shortened in the middle when it does not fit, so both its start and its
// end stay readable (a progress line ending in a folder, an event and its counts). It asks for
// no width of its own: the layout decides, and the text follows. Main thread only.
class MiddleElidedLabel final : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace pellimor
