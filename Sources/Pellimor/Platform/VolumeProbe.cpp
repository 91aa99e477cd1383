#include "Platform/VolumeProbe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace pellimor::platform::VolumeProbe {

namespace {

// File systems whose data lives on another machine. FUSE mounts carry their helper's name
// after "fuse.".
const QSet<QByteArray>& networkTypes() {
    static const QSet<QByteArray> types{
        "nfs",         "nfs4",     "cifs",      "smb3",        "smbfs",          "smb2",
        "afpfs",       "afp",      "ncpfs",     "ncp",         "sshfs",          "fuse.sshfs",
        "9p",          "ceph",     "fuse.ceph", "glusterfs",   "fuse.glusterfs", "davfs",
        "fuse.davfs2", "afs",      "lustre",    "fuse.rclone", "fuse.s3fs",      "fuse.gcsfuse",
        "beegfs",      "orangefs", "pvfs2",     "gpfs",        "coda",           "fuse.curlftpfs",
    };
    return types;
}

QString canonical(const QString& path) {
    return path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
}

// The first line of a small sysfs attribute, trimmed; nothing when it cannot be read.
std::optional<QByteArray> attribute(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readLine(256).trimmed();
}

bool attachedThroughUsb(const QString& diskFolder) {
    // The USB bus shows in a disk's sysfs path as a component "usb1", "usb2"...
    static const QRegularExpression usbBus(QStringLiteral("\\Ausb[0-9]+\\z"));
    const QStringList components = diskFolder.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& component : components) {
        if (usbBus.match(component).hasMatch())
            return true;
    }
    return false;
}

std::optional<bool> internalAt(const QString& folder, int depth) {
    // Mapped devices stack a few levels at most; a deeper chain is a loop in a damaged tree.
    if (folder.isEmpty() || depth > 8)
        return std::nullopt;
    const QString disk =
        QFileInfo::exists(folder + QStringLiteral("/partition")) ? QFileInfo(folder).absolutePath() : folder;

    const QDir slaves(disk + QStringLiteral("/slaves"));
    const QStringList below =
        slaves.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    if (!below.isEmpty()) {
        bool unknown = false;
        for (const QString& name : below) {
            const std::optional<bool> answer = internalAt(canonical(slaves.filePath(name)), depth + 1);
            if (answer == false)
                return false;
            if (!answer)
                unknown = true;
        }
        return unknown ? std::nullopt : std::optional<bool>(true);
    }

    if (disk.contains(QLatin1String("/devices/virtual/")))
        return std::nullopt;
    const std::optional<QByteArray> removable = attribute(disk + QStringLiteral("/removable"));
    if (!removable)
        return std::nullopt;
    if (*removable == "1" || attachedThroughUsb(disk))
        return false;
    // SD cards report themselves as fixed; their card type says otherwise.
    if (attribute(disk + QStringLiteral("/device/type")) == QByteArray("SD"))
        return false;
    if (*removable == "0")
        return true;
    return std::nullopt;
}

} // namespace

bool isNetworkFileSystem(const QByteArray& type) {
    return networkTypes().contains(type.toLower());
}

std::optional<QString> uuidForDevice(const QString& byUuidFolder, const QString& device,
                                     std::optional<dev_t> number) {
    const QDir folder(byUuidFolder);
    const QStringList names =
        folder.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    const QString target = device.startsWith(QLatin1Char('/')) ? canonical(device) : QString();
    if (!target.isEmpty()) {
        for (const QString& name : names) {
            if (canonical(folder.filePath(name)) == target)
                return name;
        }
    }
    if (number) {
        for (const QString& name : names) {
            struct stat info {};
            if (::stat(QFile::encodeName(folder.filePath(name)).constData(), &info) == 0 &&
                S_ISBLK(info.st_mode) && info.st_rdev == *number)
                return name;
        }
    }
    return std::nullopt;
}

std::optional<QString> blockFolder(const QString& sysRoot, const QString& device,
                                   std::optional<dev_t> number) {
    if (number) {
        const QString byNumber =
            canonical(sysRoot + QStringLiteral("/dev/block/") + QString::number(major(*number)) +
                      QLatin1Char(':') + QString::number(minor(*number)));
        if (!byNumber.isEmpty())
            return byNumber;
    }
    if (!device.startsWith(QLatin1Char('/')))
        return std::nullopt; // "tmpfs", "server:/export" and the like name no block device
    const QString resolved = canonical(device);
    const QString name = QFileInfo(resolved.isEmpty() ? device : resolved).fileName();
    if (name.isEmpty())
        return std::nullopt;
    const QString byName = canonical(sysRoot + QStringLiteral("/class/block/") + name);
    if (byName.isEmpty())
        return std::nullopt;
    return byName;
}

std::optional<bool> isInternalBlock(const QString& folder) {
    return internalAt(folder, 0);
}

} // namespace pellimor::platform::VolumeProbe
