#include "Platform/FxPlugRegistry.h"
#include "Platform/ProgramOutput.h"
#include "Platform/SystemServices.h"

namespace pellimor::platform {

namespace {

// The registry's own tool, asked for every FxPlug plug-in it knows, with their paths. Where
// it is not installed it cannot be started, and the answer says so.
class SystemFxPlugRegistry final : public FxPlugRegistry {
public:
    std::optional<QByteArray> listing() const override {
        return ProgramOutput::read(QStringLiteral("/usr/bin/pluginkit"),
                                   {QStringLiteral("-m"), QStringLiteral("-A"), QStringLiteral("-v"),
                                    QStringLiteral("-p"), QStringLiteral("com.apple.FxPlug")});
    }
};

} // namespace

std::shared_ptr<FxPlugRegistry> makeSystemFxPlugRegistry() {
    return std::make_shared<SystemFxPlugRegistry>();
}

} // namespace pellimor::platform
