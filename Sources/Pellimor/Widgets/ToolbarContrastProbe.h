#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace pellimor {

// Runs ToolbarContrast::apply on a window whenever its toolbar may need it: when the window
// is shown (putting the segment rule in force first, when it is not yet), when its palette or
// style changes (light and dark switching), and after every update of the window (a button
// checked, an action added or retitled). Triggers are coalesced to at most one pass per
// event-loop turn: the first sets `busy` and queues the pass; later ones in the same turn find
// it queued. There is no timer. The probe is a child of the window and ends with it.
// Main thread only.
class ToolbarContrastProbe : public QObject {
    Q_OBJECT
public:
    explicit ToolbarContrastProbe(QWidget* window);

    // Queues one pass unless one is queued already.
    void schedule();

    // Passes run so far.
    int passes() const { return m_passes; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    bool m_busy = false;
    int m_passes = 0;
};

} // namespace pellimor
