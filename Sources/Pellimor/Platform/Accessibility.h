#pragma once

#include "Platform/AccessibilityElement.h"

#include <QList>
#include <QtGlobal>
#include <optional>

namespace pellimor::platform {

// The system's Accessibility service: the permission that lets this program read another
// application's windows and press its buttons (Final Cut Pro's "Update" prompt). The user
// grants it to the program; until then every such request is refused.
//
// This machine has no such service: the system implementation answers "not trusted", never
// prompts, sees no windows and presses nothing. Safe from any thread.
class Accessibility {
public:
    virtual ~Accessibility() = default;

    // Whether this process is trusted to use the service. With `prompt` the system may show
    // its own permission request to the user (where there is one); the answer is still the
    // state at the moment of asking.
    virtual bool isProcessTrusted(bool prompt) const = 0;

    // Opens the system's settings at the list of programs allowed to use the service. False
    // when there is nothing to open.
    virtual bool openSettings() const = 0;

    // The windows of the application running as `pid`, in the application's order; nothing
    // when they cannot be read (no trust, no such process, no answer).
    virtual std::optional<QList<AccessibilityElementPtr>> windows(qint64 pid) const = 0;
};

} // namespace pellimor::platform
