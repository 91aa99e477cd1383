#pragma once

#include "Platform/Clock.h"

#include <QPointer>
#include <chrono>
#include <functional>

class QObject;

namespace pellimor {

// When the browser's path card opens and closes. The card opens once the pointer has rested on
// the path text for a full second; it stays open while the pointer moves from the text into
// the card, and closes 0.4 s after the pointer has left both, which also turns "Copied" back
// into "Copy Path". Pointer crossings and "Copy Path" come in as calls; the waits run on the
// program's clock (platform::services().clock), at most one pending at a time: each step
// cancels the one before.
//
// The waits belong to `context` (the view that shows the card): one that falls due after the
// context is gone, or after this object is destroyed, does nothing. Main thread only.
class HoverCardTiming {
public:
    static constexpr std::chrono::milliseconds kRevealDelay{1000};
    static constexpr std::chrono::milliseconds kDismissDelay{400};

    // `changed` runs after every change of isShown() or isCopied().
    explicit HoverCardTiming(QObject* context, std::function<void()> changed = {});
    ~HoverCardTiming();
    HoverCardTiming(const HoverCardTiming&) = delete;
    HoverCardTiming& operator=(const HoverCardTiming&) = delete;

    void enterText();
    void leaveText();
    // Entering the open card stops a pending close and starts nothing.
    void enterCard();
    void leaveCard();
    // "Copy Path" was pressed.
    void copied();
    // Back to the start, closed, with nothing pending (the card now stands for another cell).
    void reset();

    bool isShown() const { return m_show; }
    bool isHovering() const { return m_hovering; }
    bool isCopied() const { return m_copied; }
    bool isWaiting() const { return m_wait.pending(); }

private:
    void reveal();
    void dismissSoon();
    void set(bool show, bool copied);

    QPointer<QObject> m_context;
    std::function<void()> m_changed;
    bool m_show = false;
    bool m_hovering = false;
    bool m_copied = false;
    platform::Clock::Call m_wait;
};

} // namespace pellimor
