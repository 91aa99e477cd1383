#include "Browser/Views/FirstThatFits.h"

#include <QEvent>
#include <algorithm>

namespace pellimor {

FirstThatFits::FirstThatFits(QWidget* wide, QWidget* narrow, QWidget* parent)
    : QWidget(parent), m_wide(wide), m_narrow(narrow) {
    wide->setParent(this);
    narrow->setParent(this);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    place();
}

bool FirstThatFits::showsWide() const {
    return m_wide && m_wide->isVisibleTo(this);
}

QSize FirstThatFits::sizeHint() const {
    const QSize wide = m_wide ? m_wide->sizeHint() : QSize();
    const QSize narrow = m_narrow ? m_narrow->sizeHint() : QSize();
    return {wide.width(), std::max(wide.height(), narrow.height())};
}

QSize FirstThatFits::minimumSizeHint() const {
    const QSize wide = m_wide ? m_wide->sizeHint() : QSize();
    const QSize narrow = m_narrow ? m_narrow->minimumSizeHint() : QSize();
    return {narrow.width(), std::max(wide.height(), narrow.height())};
}

void FirstThatFits::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place();
}

bool FirstThatFits::event(QEvent* event) {
    // A form whose content changed (a title, a font) may fit differently now.
    if (event->type() == QEvent::LayoutRequest)
        place();
    return QWidget::event(event);
}

void FirstThatFits::place() {
    if (!m_wide || !m_narrow)
        return;
    const int natural = m_wide->sizeHint().width();
    const bool wide = natural <= width();
    m_wide->setVisible(wide);
    m_narrow->setVisible(!wide);
    // The form shown spans the whole width: a row's flexible space takes what is left over.
    (wide ? m_wide : m_narrow)->setGeometry(0, 0, width(), height());
}

} // namespace pellimor
