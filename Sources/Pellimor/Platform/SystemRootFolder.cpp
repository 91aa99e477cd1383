#include "Platform/RootFolder.h"
#include "Platform/SystemServices.h"

namespace pellimor::platform {

namespace {

class SystemRootFolder final : public RootFolder {
public:
    QString path() const override { return QStringLiteral("/"); }
};

} // namespace

std::shared_ptr<RootFolder> makeSystemRootFolder() {
    return std::make_shared<SystemRootFolder>();
}

} // namespace pellimor::platform
