// What the system ejector reads in udisks2's answers, over a reply recorded from the service
// (the objects of GetManagedObjects as the ejector hands them over: a USB drive with a mounted
// partition, an optical drive, the internal disk, a loop device without a drive, an unmounted
// partition), and the error names the service answers with.

#include "Platform/UDisksReplies.h"

#include <gtest/gtest.h>

using namespace pellimor::platform;
using namespace pellimor::platform::UDisksReplies;
using Answer = Ejector::Answer;

namespace {

const QString kBlocks = QStringLiteral("/org/freedesktop/UDisks2/block_devices/");
const QString kDrives = QStringLiteral("/org/freedesktop/UDisks2/drives/");

Interfaces block(const QString& drive, const std::optional<QByteArrayList>& mountPoints) {
    Interfaces interfaces;
    interfaces.insert(QString(kBlock), {{QStringLiteral("Drive"), drive},
                                        {QStringLiteral("Device"), QByteArray("/dev/sdx1\0", 10)},
                                        {QStringLiteral("IdLabel"), QStringLiteral("Label")}});
    if (mountPoints)
        interfaces.insert(QString(kFilesystem),
                          {{QStringLiteral("MountPoints"), QVariant::fromValue(*mountPoints)},
                           {QStringLiteral("Size"), qulonglong(1000)}});
    return interfaces;
}

Interfaces drive(bool canPowerOff, bool ejectable) {
    return {{QString(kDrive),
             {{QStringLiteral("CanPowerOff"), canPowerOff},
              {QStringLiteral("Ejectable"), ejectable},
              {QStringLiteral("Removable"), true}}}};
}

ManagedObjects recorded() {
    ManagedObjects objects;
    objects.insert(kBlocks + "sdb", block(kDrives + "SanDisk_Ultra", std::nullopt)); // the whole disk
    objects.insert(kBlocks + "sdb1",
                   block(kDrives + "SanDisk_Ultra", QByteArrayList{QByteArray("/media/ann/Studio\0", 18)}));
    objects.insert(kBlocks + "sr0",
                   block(kDrives + "HL_DVD", QByteArrayList{QByteArray("/media/ann/Disc\0", 16)}));
    objects.insert(kBlocks + "sda2", block(kDrives + "Samsung_SSD", QByteArrayList{QByteArray("/\0", 2)}));
    objects.insert(kBlocks + "loop0",
                   block(QStringLiteral("/"), QByteArrayList{QByteArray("/media/ann/Loop\0", 16)}));
    objects.insert(kBlocks + "sdc1", block(kDrives + "Old_Disk", QByteArrayList{})); // not mounted
    // A partition mounted twice: the second mount point counts as well.
    objects.insert(kBlocks + "sdd1",
                   block(kDrives + "Twice",
                         QByteArrayList{QByteArray("/mnt/a\0", 7), QByteArray("/media/ann/Twice\0", 17)}));
    objects.insert(kDrives + "SanDisk_Ultra", drive(true, true));
    objects.insert(kDrives + "HL_DVD", drive(false, true));
    objects.insert(kDrives + "Samsung_SSD", drive(false, false));
    objects.insert(kDrives + "Old_Disk", drive(true, false));
    objects.insert(QStringLiteral("/org/freedesktop/UDisks2/Manager"),
                   {{QStringLiteral("org.freedesktop.UDisks2.Manager"),
                     {{QStringLiteral("Version"), QStringLiteral("2.9.4")}}}});
    return objects;
}

TEST(UDisksRepliesTest, theFilesystemIsFoundByItsMountPointsBytes) {
    const ManagedObjects objects = recorded();
    struct Case {
        QByteArray mount;
        std::optional<QString> object;
    };
    const Case cases[] = {
        {"/media/ann/Studio", kBlocks + "sdb1"},
        {QByteArray("/media/ann/Studio\0", 18), kBlocks + "sdb1"}, // as the service writes it
        {"/media/ann/Disc", kBlocks + "sr0"},
        {"/media/ann/Twice", kBlocks + "sdd1"},
        {"/", kBlocks + "sda2"},
        {"/media/ann/Stud", std::nullopt}, // a whole path, not a prefix
        {"/media/ann/Studio/Projects", std::nullopt},
        {"/media/ann/studio", std::nullopt}, // bytes, with their case
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mount.toStdString());
        EXPECT_EQ(filesystemAt(objects, c.mount), c.object);
    }
    // Names are compared as the file system's bytes, not as text.
    ManagedObjects latin;
    latin.insert(kBlocks + "sde1",
                 block(kDrives + "X", QByteArrayList{QByteArray("/media/ann/Caf\xe9\0", 16)}));
    EXPECT_EQ(filesystemAt(latin, QByteArray("/media/ann/Caf\xe9")), std::optional(kBlocks + "sde1"));
    EXPECT_EQ(filesystemAt(latin, QByteArray("/media/ann/Caf\xc3\xa9")), std::nullopt);
}

TEST(UDisksRepliesTest, theDriveIsPoweredOffWhereItCanBeElseEjectedElseNeither) {
    const ManagedObjects objects = recorded();
    struct Case {
        QString block;
        std::optional<QString> drive;
        DriveStep step;
    };
    const Case cases[] = {
        {kBlocks + "sdb1", kDrives + "SanDisk_Ultra", DriveStep::powerOff}, // both: powered off
        {kBlocks + "sr0", kDrives + "HL_DVD", DriveStep::eject},
        {kBlocks + "sda2", kDrives + "Samsung_SSD", DriveStep::unsupported},
        {kBlocks + "loop0", std::nullopt, DriveStep::unsupported}, // no drive at all
        {kBlocks + "missing", std::nullopt, DriveStep::unsupported},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.block.toStdString());
        EXPECT_EQ(driveOf(objects, c.block), c.drive);
        EXPECT_EQ(driveStep(objects, c.drive), c.step);
    }
    // A drive the reply does not hold, or properties of another type, allow nothing.
    EXPECT_EQ(driveStep(objects, kDrives + "Gone"), DriveStep::unsupported);
    ManagedObjects odd;
    odd.insert(kDrives + "Odd",
               {{QString(kDrive), {{QStringLiteral("CanPowerOff"), QStringLiteral("true")}}}});
    EXPECT_EQ(driveStep(odd, kDrives + "Odd"), DriveStep::unsupported);
}

TEST(UDisksRepliesTest, errorNamesMapToTheirCategories) {
    struct Case {
        const char* error;
        Answer answer;
    };
    const Case cases[] = {
        {"org.freedesktop.UDisks2.Error.DeviceBusy", Answer::busy},
        {"org.freedesktop.UDisks2.Error.NotAuthorized", Answer::notPermitted},
        {"org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain", Answer::notPermitted},
        {"org.freedesktop.UDisks2.Error.NotAuthorizedDismissed", Answer::notPermitted},
        {"org.freedesktop.UDisks2.Error.NotMounted", Answer::notMounted},
        {"org.freedesktop.UDisks2.Error.NotSupported", Answer::unsupported},
        {"org.freedesktop.UDisks2.Error.Failed", Answer::other},
        {"org.freedesktop.UDisks2.Error.Cancelled", Answer::other},
        {"org.freedesktop.UDisks2.Error.DeviceBusyNow", Answer::other},
        {"org.freedesktop.DBus.Error.NoReply", Answer::other},
        {"org.freedesktop.DBus.Error.UnknownObject", Answer::other},
        {"", Answer::other},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        EXPECT_EQ(answerForError(QString::fromLatin1(c.error)), c.answer);
    }
}

TEST(UDisksRepliesTest, onlyBusErrorsThatMeanNoServiceMeanNoConnection) {
    for (const char* error :
         {"org.freedesktop.DBus.Error.ServiceUnknown", "org.freedesktop.DBus.Error.NameHasNoOwner",
          "org.freedesktop.DBus.Error.NoServer", "org.freedesktop.DBus.Error.Disconnected",
          "org.freedesktop.DBus.Error.Spawn.ServiceNotFound",
          "org.freedesktop.DBus.Error.Spawn.ChildExited"}) {
        EXPECT_TRUE(meansNoService(QString::fromLatin1(error))) << error;
    }
    for (const char* error : {"org.freedesktop.DBus.Error.AccessDenied", "org.freedesktop.DBus.Error.NoReply",
                              "org.freedesktop.UDisks2.Error.Failed", ""}) {
        EXPECT_FALSE(meansNoService(QString::fromLatin1(error))) << error;
    }
}

TEST(UDisksRepliesTest, unmountNeverAsksForForce) {
    EXPECT_TRUE(unmountOptions().isEmpty());
    EXPECT_FALSE(unmountOptions().contains(QStringLiteral("force")));
}

} // namespace
