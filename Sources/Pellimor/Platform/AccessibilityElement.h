#pragma once

#include <QList>
#include <QVariant>
#include <memory>
#include <optional>

namespace pellimor::platform {

// One element of another application's window tree, as the Accessibility service shows it: a
// window, a group, a text, a button. Every attribute is read live and may be absent — the
// element went away, the application stopped answering, or the attribute is not there — and
// an attribute that is there may hold any kind of value, so callers check for text.
class AccessibilityElement {
public:
    virtual ~AccessibilityElement() = default;

    // "AXRole", "AXTitle", "AXValue": nothing when unreadable.
    virtual std::optional<QVariant> role() const = 0;
    virtual std::optional<QVariant> title() const = 0;
    virtual std::optional<QVariant> value() const = 0;
    // "AXChildren", in the application's order; nothing when unreadable.
    virtual std::optional<QList<std::shared_ptr<AccessibilityElement>>> children() const = 0;
    // Presses the element ("AXPress"): 0, or the service's error code.
    virtual int press() = 0;
};

using AccessibilityElementPtr = std::shared_ptr<AccessibilityElement>;

} // namespace pellimor::platform
