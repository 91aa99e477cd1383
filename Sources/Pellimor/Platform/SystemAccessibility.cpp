#include "Platform/Accessibility.h"
#include "Platform/SystemServices.h"

namespace pellimor::platform {

namespace {

// Linux desktops have no per-application permission to drive other programs' controls, and
// Final Cut Pro never runs here, so the honest answer is that the program is not trusted —
// and there is no permission prompt to show, no settings to open and no window to read.
class SystemAccessibility final : public Accessibility {
public:
    bool isProcessTrusted(bool /*prompt*/) const override { return false; }
    bool openSettings() const override { return false; }
    std::optional<QList<AccessibilityElementPtr>> windows(qint64 /*pid*/) const override {
        return QList<AccessibilityElementPtr>();
    }
};

} // namespace

std::shared_ptr<Accessibility> makeSystemAccessibility() {
    return std::make_shared<SystemAccessibility>();
}

} // namespace pellimor::platform
