#pragma once

namespace pellimor::platform {

// The system's Accessibility service: the permission that lets this program read another
// application's windows and press its buttons (Final Cut Pro's "Update" prompt). The user
// grants it to the program; until then every such request is refused.
//
// This machine has no such service: the system implementation answers "not trusted" and
// never prompts. Safe from any thread.
class Accessibility {
public:
    virtual ~Accessibility() = default;

    // Whether this process is trusted to use the service. With `prompt` the system may show
    // its own permission request to the user (where there is one); the answer is still the
    // state at the moment of asking.
    virtual bool isProcessTrusted(bool prompt) const = 0;
};

} // namespace pellimor::platform
