#include "ScanRules/MountedVolume.h"

#include <utility>

namespace pellimor {

MountedVolume::MountedVolume(std::optional<QString> uuid_, QString name_, std::optional<QString> userLabel_,
                             QString mountPath_, std::optional<QString> nasServer_,
                             std::optional<QString> nasShare_, bool isSystem_)
    : uuid(std::move(uuid_)), name(std::move(name_)), userLabel(userLabel_ ? std::move(*userLabel_) : name),
      mountPath(std::move(mountPath_)), nasServer(std::move(nasServer_)), nasShare(std::move(nasShare_)),
      isSystem(isSystem_) {}

} // namespace pellimor
