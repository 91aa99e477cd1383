#include "Platform/FinalCutApp.h"
#include "Platform/SystemServices.h"

namespace pellimor::platform {

namespace {
// Placeholder until the application is looked for: never installed.
class SystemFinalCutApp final : public FinalCutApp {
public:
    std::optional<QString> location() const override { return std::nullopt; }
    std::optional<QVariantMap> infoDictionary(const QString&) const override { return std::nullopt; }
};
} // namespace

std::shared_ptr<FinalCutApp> makeSystemFinalCutApp() { return std::make_shared<SystemFinalCutApp>(); }

} // namespace pellimor::platform
