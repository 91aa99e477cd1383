#include "Widgets/ToolbarContrastProbe.h"

#include "Widgets/ToolbarContrast.h"

#include <QEvent>
#include <QWidget>

namespace pellimor {

ToolbarContrastProbe::ToolbarContrastProbe(QWidget* window) : QObject(window), m_window(window) {
    if (window)
        window->installEventFilter(this);
}

void ToolbarContrastProbe::schedule() {
    if (m_busy)
        return;
    m_busy = true;
    // Queued with the probe as context: a probe that ends first drops its pass.
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_busy = false;
            ++m_passes;
            ToolbarContrast::apply(m_window);
        },
        Qt::QueuedConnection);
}

bool ToolbarContrastProbe::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window) {
        switch (event->type()) {
        case QEvent::Show:
            if (!ToolbarContrast::installed())
                ToolbarContrast::install();
            schedule();
            break;
        case QEvent::PaletteChange:
        case QEvent::ApplicationPaletteChange:
        case QEvent::StyleChange:
        case QEvent::UpdateRequest:
            schedule();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace pellimor
