#include "Platform/VolumeFacts.h"

#include "Platform/SystemServices.h"
#include "Platform/VolumeProbe.h"
#include "Platform/VolumesRoot.h"
#include "Tests/Support/FakeVolumeFacts.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/sysmacros.h>

using namespace pellimor;
using platform::VolumeFacts;
using test::TestEnv;
namespace probe = platform::VolumeProbe;

namespace {

void link(const QString& path, const QString& target) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_TRUE(QFile::link(target, path)) << path.toStdString();
}

// A small sysfs tree in the shape Linux gives it: disks under their bus, partitions inside
// their disk, mapped devices under "virtual" with "slaves", and the two indexes
// "class/block/NAME" and "dev/block/MAJOR:MINOR" as links.
struct FakeSys {
    QString root;

    // A disk (and its partitions) at `busPath` below "devices"; returns the disk's folder.
    QString disk(const QString& busPath, const QString& name, const QByteArray& removable,
                 const QStringList& partitions = {}) {
        const QString folder = root + "/devices/" + busPath + "/block/" + name;
        if (!removable.isNull())
            test::writeFile(folder + "/removable", removable + "\n");
        else
            QDir().mkpath(folder);
        index(name, folder);
        for (const QString& partition : partitions) {
            test::writeFile(folder + "/" + partition + "/partition", "1\n");
            index(partition, folder + "/" + partition);
        }
        return folder;
    }

    // A mapped device built on other block devices (by name).
    QString mapped(const QString& name, const QStringList& below) {
        const QString folder = root + "/devices/virtual/block/" + name;
        test::writeFile(folder + "/removable", "0\n");
        QDir().mkpath(folder + "/slaves");
        for (const QString& device : below)
            link(folder + "/slaves/" + device, root + "/class/block/" + device);
        index(name, folder);
        return folder;
    }

    void index(const QString& name, const QString& folder) { link(root + "/class/block/" + name, folder); }
    void number(unsigned major, unsigned minor, const QString& name) {
        link(root + "/dev/block/" + QString::number(major) + ":" + QString::number(minor),
             root + "/class/block/" + name);
    }
};

} // namespace

TEST(VolumeProbe, NetworkFileSystemsByType) {
    for (const char* type : {"nfs", "nfs4", "cifs", "smb3", "smbfs", "afpfs", "sshfs", "fuse.sshfs", "9p",
                             "ceph", "glusterfs", "davfs", "NFS4"})
        EXPECT_TRUE(probe::isNetworkFileSystem(type)) << type;
    for (const char* type : {"ext4", "apfs", "btrfs", "xfs", "vfat", "exfat", "ntfs3", "fuseblk", "tmpfs",
                             "overlay", "fuse", "zfs", ""})
        EXPECT_FALSE(probe::isNetworkFileSystem(type)) << type;
}

TEST(VolumeProbe, UuidFromTheLinkThatLeadsToTheDevice) {
    const QString dir = TestEnv::freshDir("by-uuid");
    // Device nodes stand in as plain files; udev's links are relative, some devices are
    // reached through a link of their own ("/dev/mapper/root" → "../dm-0").
    test::writeFile(dir + "/dev/sda1", "");
    test::writeFile(dir + "/dev/sdb1", "");
    test::writeFile(dir + "/dev/dm-0", "");
    link(dir + "/dev/mapper/root", "../dm-0");
    const QString byUuid = dir + "/dev/disk/by-uuid";
    link(byUuid + "/1111-AAAA", "../../sda1");
    link(byUuid + "/2b3c4d5e-0000-4000-8000-00000000abcd", "../../dm-0");
    link(byUuid + "/DEAD-BEEF", "../../gone"); // a stale link

    const struct {
        QString device;
        std::optional<QString> uuid;
    } cases[] = {
        {dir + "/dev/sda1", QString("1111-AAAA")},
        {dir + "/dev/mapper/root", QString("2b3c4d5e-0000-4000-8000-00000000abcd")},
        {dir + "/dev/dm-0", QString("2b3c4d5e-0000-4000-8000-00000000abcd")},
        {dir + "/dev/sdb1", std::nullopt}, // a file system without a UUID
        {dir + "/dev/gone", std::nullopt},
        {"tmpfs", std::nullopt},
        {"server:/export", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(probe::uuidForDevice(byUuid, c.device, std::nullopt), c.uuid) << c.device.toStdString();

    // No by-uuid folder at all (containers, some minimal systems).
    EXPECT_EQ(probe::uuidForDevice(dir + "/missing", dir + "/dev/sda1", std::nullopt), std::nullopt);
    // A device number that no node carries finds nothing.
    EXPECT_EQ(probe::uuidForDevice(byUuid, "/dev/root", makedev(8, 1)), std::nullopt);
}

TEST(VolumeProbe, InternalDisksFromSysfs) {
    FakeSys sys{TestEnv::freshDir("sys")};
    sys.disk("pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0", "sda", "0", {"sda1", "sda2", "sda3"});
    sys.disk("pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0", "sdb", "0",
             {"sdb1", "sdb2"});
    sys.disk("pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0/host7/target7:0:0/7:0:0:0", "sdc", "1", {"sdc1"});
    sys.disk("pci0000:00/0000:00:1d.0/0000:3d:00.0/nvme/nvme0", "nvme0n1", "0", {"nvme0n1p1"});
    sys.disk("pci0000:00/0000:00:1c.0/0000:02:00.0/host1/target1:0:0/1:0:0:0", "sdd", "1"); // card reader
    const QString sd =
        sys.disk("platform/fe320000.mmc/mmc_host/mmc1/mmc1:aaaa", "mmcblk1", "0", {"mmcblk1p1"});
    test::writeFile(sd + "/device/type", "SD\n");
    const QString emmc = sys.disk("platform/fe330000.mmc/mmc_host/mmc0/mmc0:0001", "mmcblk0", "0");
    test::writeFile(emmc + "/device/type", "MMC\n");
    sys.disk("pci0000:00/0000:00:02.0/virtio1", "vda", "0");
    sys.disk("pci0000:00/0000:00:03.0/weird", "sde", "2");         // an answer sysfs never gives
    sys.disk("pci0000:00/0000:00:04.0/bare", "sdf", QByteArray()); // no "removable" at all
    sys.disk("virtual", "loop0", "0");
    sys.disk("virtual", "zram0", "0");
    sys.mapped("dm-0", {"sda2"});             // encrypted root on the internal disk
    sys.mapped("dm-1", {"sda3", "sdb2"});     // a volume spanning an internal and a USB disk
    sys.mapped("dm-2", {"sda3", "loop0"});    // one of the devices below is unknown
    sys.mapped("md0", {"dm-0", "nvme0n1p1"}); // stacked: RAID over a mapped device
    sys.mapped("dm-3", {});                   // no devices below: nothing is known

    const struct {
        const char* name;
        std::optional<bool> internal;
    } cases[] = {
        {"sda", true},           {"sda1", true},         {"nvme0n1p1", true},   {"vda", true},
        {"sdb1", false},         {"sdc1", false},        {"sdd", false},        {"mmcblk1p1", false},
        {"mmcblk0", true},       {"sde", std::nullopt},  {"sdf", std::nullopt}, {"loop0", std::nullopt},
        {"zram0", std::nullopt}, {"dm-0", true},         {"dm-1", false},       {"dm-2", std::nullopt},
        {"md0", true},           {"dm-3", std::nullopt},
    };
    for (const auto& c : cases) {
        const std::optional<QString> folder =
            probe::blockFolder(sys.root, "/dev/" + QString(c.name), std::nullopt);
        ASSERT_TRUE(folder.has_value()) << c.name;
        EXPECT_EQ(probe::isInternalBlock(*folder), c.internal) << c.name;
    }
    EXPECT_EQ(probe::isInternalBlock(sys.root + "/devices/nothing/here"), std::nullopt);
    EXPECT_EQ(probe::isInternalBlock(QString()), std::nullopt);
}

TEST(VolumeProbe, BlockFolderByNumberElseByName) {
    FakeSys sys{TestEnv::freshDir("sys-index")};
    const QString sda = sys.disk("pci0000:00/ata1/host0/target0:0:0/0:0:0:0", "sda", "0", {"sda1"});
    const QString vda = sys.disk("pci0000:00/virtio1", "vda", "0");
    sys.number(8, 1, "sda1");
    const QString sda1 = QFileInfo(sda + "/sda1").canonicalFilePath();

    // The number wins: "/dev/root" names no real node, yet its number is known.
    EXPECT_EQ(probe::blockFolder(sys.root, "/dev/root", makedev(8, 1)), std::optional(sda1));
    EXPECT_EQ(probe::blockFolder(sys.root, "/dev/vda", makedev(8, 1)), std::optional(sda1));
    // An anonymous number (btrfs, overlay) leads nowhere, so the device's name decides.
    EXPECT_EQ(probe::blockFolder(sys.root, "/dev/vda", makedev(0, 42)),
              std::optional(QFileInfo(vda).canonicalFilePath()));
    EXPECT_EQ(probe::blockFolder(sys.root, "/dev/sda1", std::nullopt), std::optional(sda1));
    for (const char* device : {"overlay", "tmpfs", "server:/export", "", "/dev/nvme9n9", "/"})
        EXPECT_EQ(probe::blockFolder(sys.root, device, std::nullopt), std::nullopt) << device;
}

TEST(SystemVolumeFacts, AnswersForPathsOnThisMachine) {
    const std::shared_ptr<VolumeFacts> volumes = platform::makeSystemVolumeFacts();
    const QString dir = TestEnv::freshDir("system-volumes");

    // Nothing there: the request fails, as the platform's does.
    EXPECT_EQ(volumes->facts(dir + "/missing"), std::nullopt);
    EXPECT_EQ(volumes->facts(QString()), std::nullopt);

    const std::optional<VolumeFacts::Facts> here = volumes->facts(dir);
    ASSERT_TRUE(here.has_value());
    EXPECT_EQ(here->name, std::optional<QString>("Macintosh HD"));
    EXPECT_EQ(here->isLocal, std::optional(true)); // the test folders are never on a network share

    // A folder under the volumes root stands for a drive: named after it, but the UUID and
    // disk of the file system it happens to lie on are not the drive's.
    const QString drive = VolumesRoot::root() + "/Card 01";
    ASSERT_TRUE(QDir().mkpath(drive + "/Libraries"));
    const std::optional<VolumeFacts::Facts> onDrive = volumes->facts(drive + "/Libraries");
    ASSERT_TRUE(onDrive.has_value());
    EXPECT_EQ(onDrive->name, std::optional<QString>("Card 01"));
    EXPECT_EQ(onDrive->uuid, std::nullopt);
    EXPECT_EQ(onDrive->isInternal, std::nullopt);
    EXPECT_EQ(onDrive->isLocal, std::optional(true));
    EXPECT_TRUE(volumes->mountedVolumes().contains(drive));
    EXPECT_EQ(volumes->mountedVolumes(), VolumesRoot::mountedVolumes());
    QDir(drive).removeRecursively();

    const std::optional<VolumeFacts::Capacity> capacity = volumes->capacity(dir);
    ASSERT_TRUE(capacity.has_value());
    ASSERT_TRUE(capacity->total.has_value());
    EXPECT_GT(*capacity->total, 0);
    ASSERT_TRUE(capacity->available.has_value());
    EXPECT_LE(*capacity->available, *capacity->total);
    EXPECT_EQ(volumes->capacity(dir + "/missing"), std::nullopt);
}

TEST(FakeVolumeFacts, AnswersFromTheLongestToldFolder) {
    test::ScopedFakeVolumes volumes;
    using Fake = test::FakeVolumeFacts;
    volumes->setFacts("/", Fake::startupDisk("ROOT"));
    volumes->setFacts("/Volumes/Media", Fake::externalDrive("Media", "U-M"));
    volumes->setFacts("/Volumes/Media/Broken", std::nullopt);
    volumes->setCapacity("/Volumes/Media", VolumeFacts::Capacity{1000, 400});

    const std::shared_ptr<VolumeFacts> installed = platform::services().volumes;
    ASSERT_EQ(installed.get(), volumes.fake().get());
    const auto uuidOf = [&](const QString& path) {
        const auto facts = installed->facts(path);
        return facts ? facts->uuid : std::nullopt;
    };
    EXPECT_EQ(uuidOf("/Volumes/Media/Libs/A.fcpbundle"), std::optional<QString>("U-M"));
    EXPECT_EQ(uuidOf("/Volumes/Media"), std::optional<QString>("U-M"));
    EXPECT_EQ(uuidOf("/Volumes/MediaX/A.fcpbundle"), std::optional<QString>("ROOT")); // whole components
    EXPECT_EQ(installed->facts("/Volumes/Media/Broken/A.fcpbundle"), std::nullopt);
    EXPECT_EQ(installed->facts("relative/path"), std::nullopt);
    const auto capacity = installed->capacity("/Volumes/Media/Libs");
    ASSERT_TRUE(capacity.has_value());
    EXPECT_EQ(capacity->total, std::optional<qint64>(1000));
    EXPECT_EQ(capacity->available, std::optional<qint64>(400));
    EXPECT_EQ(installed->capacity("/Volumes/Other"), std::nullopt);
    EXPECT_EQ(volumes->factsCalls(), 5);

    EXPECT_EQ(installed->mountedVolumes(), VolumesRoot::mountedVolumes());
    volumes->setMountedVolumes(QStringList{"/Volumes/Media"});
    EXPECT_EQ(installed->mountedVolumes(), QStringList{"/Volumes/Media"});
}
