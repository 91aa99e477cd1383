#include "Platform/SystemServices.h"
#include "Platform/VolumeFacts.h"
#include "Platform/VolumesRoot.h"

namespace pellimor::platform {

namespace {
// Placeholder: names from the volumes root, nothing else known yet.
class SystemVolumeFacts final : public VolumeFacts {
public:
    std::optional<Facts> facts(const QString& path) const override {
        Facts f;
        f.name = VolumesRoot::driveName(path);
        return f;
    }
    std::optional<Capacity> capacity(const QString&) const override { return std::nullopt; }
    QStringList mountedVolumes() const override { return VolumesRoot::mountedVolumes(); }
};
} // namespace

std::shared_ptr<VolumeFacts> makeSystemVolumeFacts() { return std::make_shared<SystemVolumeFacts>(); }

} // namespace pellimor::platform
