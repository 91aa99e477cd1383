#pragma once

#include <QPointer>
#include <QWidget>

namespace pellimor {

// Two forms of one control row, of which it shows the first that fits its width: the wide
// form when its natural width fits whole (it is never squeezed), else the narrow form. The form
// shown spans the width it is given, and it switches as it is resized. Main thread only.
class FirstThatFits : public QWidget {
    Q_OBJECT
public:
    // Takes both forms as its children.
    FirstThatFits(QWidget* wide, QWidget* narrow, QWidget* parent = nullptr);

    bool showsWide() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void place();

    QPointer<QWidget> m_wide;
    QPointer<QWidget> m_narrow;
};

} // namespace pellimor
