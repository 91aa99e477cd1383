#include "Platform/AudioUnitRegistry.h"
#include "Platform/SystemServices.h"

namespace pellimor::platform {

namespace {

// Audio Units are components of the editing application's own system; nothing here keeps a
// list of them, so the question cannot be asked, which is not the same as "none installed".
class SystemAudioUnitRegistry final : public AudioUnitRegistry {
public:
    std::optional<qsizetype> matchCount(Code, Code, Code) const override { return std::nullopt; }
    void restartRegistrar() const override {}
};

} // namespace

std::shared_ptr<AudioUnitRegistry> makeSystemAudioUnitRegistry() {
    return std::make_shared<SystemAudioUnitRegistry>();
}

} // namespace pellimor::platform
