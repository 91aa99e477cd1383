#include "Platform/StartupVolume.h"

#include <QFile>
#include <optional>
#include <sys/stat.h>

namespace pellimor::platform::StartupVolume {

namespace {

std::optional<dev_t> device(const QString& path) {
    struct stat info {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return info.st_dev;
}

} // namespace

bool holds(const QString& path) {
    const std::optional<dev_t> own = device(path);
    const std::optional<dev_t> root = device(QStringLiteral("/"));
    return own && root && *own == *root;
}

} // namespace pellimor::platform::StartupVolume
