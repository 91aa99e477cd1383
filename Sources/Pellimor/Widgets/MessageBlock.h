#pragma once

#include <QLabel>

namespace pellimor {

// Where a sheet gives the outcome of its work: 12-point text that wraps and can be selected,
// padded 8 points on a faint rounded fill (the quaternary colour at half its strength, corners
// of 6) that follows the window's look. Read as plain text. Main thread only.
class MessageBlock final : public QLabel {
    Q_OBJECT
public:
    explicit MessageBlock(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace pellimor
