#include "Platform/MountWatcher.h"

namespace pellimor::platform {

MountEvents::~MountEvents() = default;

} // namespace pellimor::platform
