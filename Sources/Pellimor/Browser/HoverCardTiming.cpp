#include "Browser/HoverCardTiming.h"

#include "Platform/Services.h"

#include <QObject>
#include <memory>
#include <utility>

namespace pellimor {

HoverCardTiming::HoverCardTiming(QObject* context, std::function<void()> changed)
    : m_context(context), m_changed(std::move(changed)) {}

HoverCardTiming::~HoverCardTiming() {
    m_wait.cancel();
}

void HoverCardTiming::enterText() {
    m_hovering = true;
    reveal();
}

void HoverCardTiming::leaveText() {
    m_hovering = false;
    dismissSoon();
}

void HoverCardTiming::enterCard() {
    m_hovering = true;
    m_wait.cancel();
}

void HoverCardTiming::leaveCard() {
    m_hovering = false;
    dismissSoon();
}

void HoverCardTiming::copied() {
    set(m_show, true);
}

void HoverCardTiming::reset() {
    m_wait.cancel();
    m_hovering = false;
    set(false, false);
}

void HoverCardTiming::reveal() {
    m_wait.cancel();
    if (m_show)
        return;
    const std::shared_ptr<platform::Clock> clock = platform::services().clock;
    if (!clock || !m_context)
        return;
    m_wait = clock->after(kRevealDelay, m_context, [this] {
        if (m_hovering)
            set(true, m_copied);
    });
}

void HoverCardTiming::dismissSoon() {
    m_wait.cancel();
    const std::shared_ptr<platform::Clock> clock = platform::services().clock;
    if (!clock || !m_context)
        return;
    m_wait = clock->after(kDismissDelay, m_context, [this] {
        if (!m_hovering)
            set(false, false);
    });
}

void HoverCardTiming::set(bool show, bool copied) {
    if (show == m_show && copied == m_copied)
        return;
    m_show = show;
    m_copied = copied;
    if (m_changed)
        m_changed();
}

} // namespace pellimor
