#include "Platform/SystemServices.h"
#include "Platform/Updater.h"

namespace pellimor::platform {

namespace {

// Nothing here offers a framework through which a program updates itself: a new version is
// a new build, so there is nothing to start and nothing to check.
class SystemUpdater final : public Updater {
public:
    bool isAvailable() const override { return false; }
    void start() override {}
    void checkNow() override {}
};

} // namespace

std::shared_ptr<Updater> makeSystemUpdater() {
    return std::make_shared<SystemUpdater>();
}

} // namespace pellimor::platform
