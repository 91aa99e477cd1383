#pragma once

#include <QColor>
#include <QWidget>

namespace pellimor {

// A word on a capsule: the text in `color`, the capsule filled with the same colour, faint, and
// padded around the text. Always at its natural size: never wrapped or cut. Main thread only.
class CapsuleBadge : public QWidget {
    Q_OBJECT
public:
    CapsuleBadge(const QString& text, const QColor& color, QWidget* parent = nullptr);

    const QString& text() const { return m_text; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString m_text;
    QColor m_color;
};

} // namespace pellimor
