#include "Platform/SystemServices.h"
#include "Platform/VolumeFacts.h"
#include "Platform/VolumeProbe.h"
#include "Platform/VolumesRoot.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <sys/stat.h>

namespace pellimor::platform {

namespace {

const QString kByUuid = QStringLiteral("/dev/disk/by-uuid");
const QString kSys = QStringLiteral("/sys");

std::optional<dev_t> deviceNumber(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return info.st_dev;
}

class SystemVolumeFacts final : public VolumeFacts {
public:
    std::optional<Facts> facts(const QString& path) const override {
        struct stat item {};
        if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &item) != 0)
            return std::nullopt;

        Facts facts;
        // The name is the drive's folder under the volumes root, the same text every other
        // part of the program derives from the path, so one drive never shows under two names.
        facts.name = VolumesRoot::driveName(path);

        const bool onDrive = VolumesRoot::isUnderRoot(path);
        const QString drive = onDrive ? VolumesRoot::mountOf(path) : path;
        const QStorageInfo storage(drive);
        if (!storage.isValid())
            return facts;

        const QByteArray type = storage.fileSystemType();
        if (!type.isEmpty())
            facts.isLocal = !VolumeProbe::isNetworkFileSystem(type);

        // A drive folder that is not a mount of its own (a folder standing for a drive, as in
        // tests and the sample set) lies on some other file system: that system's UUID and disk
        // are not this drive's, and handing them out would make every such drive one drive.
        if (onDrive && QFileInfo(drive).canonicalFilePath() != storage.rootPath())
            return facts;

        const QString device = QFile::decodeName(storage.device());
        const std::optional<dev_t> number = deviceNumber(storage.rootPath());
        facts.uuid = VolumeProbe::uuidForDevice(kByUuid, device, number);
        if (const std::optional<QString> block = VolumeProbe::blockFolder(kSys, device, number))
            facts.isInternal = VolumeProbe::isInternalBlock(*block);
        return facts;
    }

    std::optional<Capacity> capacity(const QString& path) const override {
        const QStorageInfo storage(path);
        if (!storage.isValid() || !storage.isReady())
            return std::nullopt;
        Capacity capacity;
        if (const qint64 total = storage.bytesTotal(); total >= 0)
            capacity.total = total;
        if (const qint64 available = storage.bytesAvailable(); available >= 0)
            capacity.available = available;
        return capacity;
    }

    QStringList mountedVolumes() const override { return VolumesRoot::mountedVolumes(); }
};

} // namespace

std::shared_ptr<VolumeFacts> makeSystemVolumeFacts() {
    return std::make_shared<SystemVolumeFacts>();
}

} // namespace pellimor::platform
