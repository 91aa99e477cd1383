#include "ScanRules/DiskutilParser.h"

#include "Tests/ScanRules/Printers.h"

#include <gtest/gtest.h>

using namespace pellimor;

namespace {

// The start-up disk's data volume on an internal SSD.
const char* const kInternalData = R"(   Device Identifier:         disk3s5
   Device Node:               /dev/disk3s5
   Whole:                     No
   Part of Whole:             disk3

   Volume Name:               Data
   Mounted:                   Yes
   Mount Point:               /System/Volumes/Data

   Partition Type:            41504653-0000-11AA-AA11-00306543ECAC
   File System Personality:   APFS
   Type (Bundle):             apfs
   Name (User Visible):       APFS
   Owners:                    Enabled

   OS Can Be Installed:       Yes
   Booter Disk:               disk3s2
   Recovery Disk:             disk3s3
   Media Type:                Generic
   Protocol:                  Apple Fabric
   SMART Status:              Verified
   Volume UUID:               0A81F3B1-51D9-3335-B3E3-169C3640360D
   Disk / Partition UUID:     0A81F3B1-51D9-3335-B3E3-169C3640360D

   Disk Size:                 494.4 GB (494384795648 Bytes) (exactly 965595304 512-Byte-Units)
   Device Block Size:         4096 Bytes

   Volume Used Space:         351.2 GB (351201234944 Bytes) (exactly 685939912 512-Byte-Units)
   Container Total Space:     494.4 GB (494384795648 Bytes) (exactly 965595304 512-Byte-Units)
   Container Free Space:      123.4 GB (123412316160 Bytes) (exactly 241039680 512-Byte-Units)
   Allocation Block Size:     4096 Bytes

   Media OS Use Only:         No
   Media Read-Only:           No
   Volume Read-Only:          No

   Device Location:           Internal
   Removable Media:           Fixed

   Solid State:               Yes
   Hardware AES Support:      Yes

   This disk is an APFS Volume.  APFS Information:
   APFS Container:            disk3
   APFS Physical Store:       disk0s2
   Fusion Drive:              No
   APFS Volume Group:         0A81F3B1-51D9-3335-B3E3-169C3640360D
   EFI Driver In macOS:       2142000000000000
   Encrypted:                 Yes
   FileVault:                 Yes
   Sealed:                    No
   Locked:                    No
)";

// An APFS volume on a USB drive.
const char* const kExternalApfs = R"(   Device Identifier:         disk5s1
   Device Node:               /dev/disk5s1
   Whole:                     No
   Part of Whole:             disk5

   Volume Name:               Footage 2024
   Mounted:                   Yes
   Mount Point:               /Volumes/Footage 2024

   Partition Type:            41504653-0000-11AA-AA11-00306543ECAC
   File System Personality:   APFS
   Type (Bundle):             apfs
   Name (User Visible):       APFS
   Owners:                    Disabled

   OS Can Be Installed:       No
   Media Type:                Generic
   Protocol:                  USB
   SMART Status:              Not Supported
   Volume UUID:               5C3B7F55-0D4B-3B8E-9A0F-2E6D1B4C8A11
   Disk / Partition UUID:     5C3B7F55-0D4B-3B8E-9A0F-2E6D1B4C8A11

   Disk Size:                 2.0 TB (2000189177856 Bytes) (exactly 3906619488 512-Byte-Units)
   Device Block Size:         4096 Bytes

   Device Location:           External
   Removable Media:           Fixed
)";

// An SMB share on a NAS, mounted with a user name.
const char* const kSmbShare = R"(   Device Identifier:         
   Device Node:               

   Volume Name:               Projects
   Mounted:                   Yes
   Mount Point:               /Volumes/Projects

   File System Personality:   smbfs
   Type (Bundle):             smbfs
   Name (User Visible):       SMB
   Protocol:                  SMB
   Volume UUID:               None
   Mounted From:              //editor@nas.local/Projects
   Volume Read-Only:          No
)";

} // namespace

TEST(DiskutilParser, ReadsLocalVolumes) {
    EXPECT_EQ(DiskutilParser::parse(kInternalData),
              MountedVolume(QString("0A81F3B1-51D9-3335-B3E3-169C3640360D"), "Data", "Data",
                            "/System/Volumes/Data", std::nullopt, std::nullopt, true));
    EXPECT_EQ(DiskutilParser::parse(kExternalApfs),
              MountedVolume(QString("5C3B7F55-0D4B-3B8E-9A0F-2E6D1B4C8A11"), "Footage 2024", "Footage 2024",
                            "/Volumes/Footage 2024", std::nullopt, std::nullopt, false));
}

TEST(DiskutilParser, ReadsAnSmbShare) {
    EXPECT_EQ(DiskutilParser::parse(kSmbShare),
              MountedVolume(std::nullopt, "Projects", "Projects", "/Volumes/Projects",
                            QString("editor@nas.local"), QString("Projects"), false));
}

TEST(DiskutilParser, NetworkSourceSplitsIntoServerAndShare) {
    struct Case {
        const char* what;
        QString extraLines;
        std::optional<QString> server;
        std::optional<QString> share;
    };
    const Case cases[] = {
        {"server name wins over mounted from",
         "   Server Name:   fileserver\n   Mounted From:  //u@nas/Media\n", QString("fileserver"),
         std::nullopt},
        {"empty server name falls back", "   Server Name:\n   Mounted From:  //u@nas/Media\n",
         QString("u@nas"), QString("Media")},
        {"None server name falls back", "   Server Name: None\n   Mounted From:  //nas/Media\n",
         QString("nas"), QString("Media")},
        {"server name with a share", "   Server Name:   nas.local/Archive\n", QString("nas.local"),
         QString("Archive")},
        {"deep path keeps all but the last piece", "   Mounted From:  //nas/Shares/Media/2024\n",
         QString("nas/Shares/Media"), QString("2024")},
        {"trailing slash is an empty piece", "   Mounted From:  //nas/Media/\n", QString("nas"),
         QString("Media")},
        {"one piece with slashes is the server", "   Mounted From:  //nas\n", QString("//nas"), std::nullopt},
        {"no slash is the server", "   Mounted From:  nas.local\n", QString("nas.local"), std::nullopt},
        {"no source at all", "", std::nullopt, std::nullopt},
        {"None source", "   Mounted From:  None\n", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        const QString text = QStringLiteral("   Volume Name: Media\n   Mount Point: /Volumes/Media\n"
                                            "   Protocol: SMB\n") +
                             c.extraLines;
        const std::optional<MountedVolume> v = DiskutilParser::parse(text);
        ASSERT_TRUE(v) << c.what;
        EXPECT_EQ(v->nasServer, c.server) << c.what;
        EXPECT_EQ(v->nasShare, c.share) << c.what;
    }
}

TEST(DiskutilParser, OnlyNetworkVolumesGetAServer) {
    const QString tail = QStringLiteral("   Mounted From:  //u@nas/Media\n");
    struct Case {
        const char* lines;
        bool network;
    };
    const Case cases[] = {
        {"   Protocol: SMB\n", true},
        {"   Protocol: smb (3.1.1)\n", true},
        {"   Protocol: NFS\n", true},
        {"   Protocol: afp\n", true},
        {"   File System Personality: SMBFS\n", true},
        {"   File System Personality: smbfs\n   Protocol: Network\n", true},
        // A local drive never has a server or share, whatever "Mounted From" says.
        {"   Protocol: USB\n   File System Personality: APFS\n", false},
        {"   Protocol: Thunderbolt\n", false},
        {"   File System Personality: nfs\n", false},
        {"", false},
    };
    for (const Case& c : cases) {
        const QString text = QStringLiteral("   Mount Point: /Volumes/Media\n") + c.lines + tail;
        const std::optional<MountedVolume> v = DiskutilParser::parse(text);
        ASSERT_TRUE(v) << c.lines;
        EXPECT_EQ(v->nasServer, c.network ? std::optional<QString>("u@nas") : std::nullopt) << c.lines;
        EXPECT_EQ(v->nasShare, c.network ? std::optional<QString>("Media") : std::nullopt) << c.lines;
    }
}

TEST(DiskutilParser, NothingWithoutAMountPoint) {
    const char* const texts[] = {
        "   Volume Name:   Footage\n   Mounted:   No\n",
        "   Volume Name:   Footage\n   Mount Point:\n",
        "   Volume Name:   Footage\n   Mount Point:   \t \n",
        "   Volume Name:   Footage\n   Mount Point:   Not applicable\n",
        "   Volume Name:   Not applicable (no file system)\n   Mount Point:   Not applicable (no file "
        "system)\n",
        // A later line with the same key replaces the earlier one.
        "   Mount Point:   /Volumes/Footage\n   Mount Point:   Not applicable\n",
        "",
        "garbage without any colon\n\n\n",
    };
    for (const char* text : texts)
        EXPECT_EQ(DiskutilParser::parse(text), std::nullopt) << text;
    // "Not applicable" is the whole value, not a prefix of a real folder name.
    ASSERT_TRUE(DiskutilParser::parse("Mount Point: /Volumes/Not applicable"));
    ASSERT_TRUE(DiskutilParser::parse("Mount Point: Not applicable stuff"));
}

TEST(DiskutilParser, NameUuidAndType) {
    // An empty "Volume Name" line is an unnamed volume, not a missing one.
    auto v = DiskutilParser::parse("   Volume Name:\n   Mount Point:   /Volumes/Untitled\n");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->name, "");
    EXPECT_EQ(v->userLabel, "");

    // Without the line the name comes from the mount point.
    v = DiskutilParser::parse("   Mount Point:   /Volumes/Card A\n");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->name, "Card A");
    EXPECT_EQ(v->userLabel, "Card A");
    EXPECT_EQ(v->uuid, std::nullopt);
    EXPECT_FALSE(v->isSystem);

    // Values keep inner spaces and colons; only spaces and tabs around them go.
    v = DiskutilParser::parse("\tVolume Name:\t Shoot: Day 1 \t\r\n Mount Point : /Volumes/Shoot: Day 1\r\n"
                              "Volume UUID:\t\r\n");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->name, "Shoot: Day 1");
    EXPECT_EQ(v->mountPath, "/Volumes/Shoot: Day 1");
    EXPECT_EQ(v->uuid, std::nullopt);

    for (const char* uuid : {"None", "", " "}) {
        v = DiskutilParser::parse(QStringLiteral("Mount Point: /Volumes/A\nVolume UUID: %1\n").arg(uuid));
        ASSERT_TRUE(v);
        EXPECT_EQ(v->uuid, std::nullopt) << uuid;
    }
    v = DiskutilParser::parse("Mount Point: /Volumes/A\nVolume UUID: none\n");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->uuid, "none");

    // "Volume Type" is preferred to "Type (Bundle)" when judging a system volume.
    struct TypeCase {
        const char* lines;
        bool system;
    };
    const TypeCase types[] = {
        {"Volume Type: APFS System\n", true},
        {"Type (Bundle): system\n", true},
        {"Volume Type: apfs\nType (Bundle): system\n", false},
        {"Volume Type: External System Drive\n", false},
        {"Volume Type: External System Drive\nVolume Name: Recovery\n", true},
        {"Type (Bundle): apfs\nVolume Name: Preboot\n", true},
        {"Type (Bundle): apfs\n", false},
    };
    for (const TypeCase& t : types) {
        v = DiskutilParser::parse(QStringLiteral("Mount Point: /Volumes/A\n") + t.lines);
        ASSERT_TRUE(v) << t.lines;
        EXPECT_EQ(v->isSystem, t.system) << t.lines;
    }
    // The start-up volume is a system volume by its path.
    v = DiskutilParser::parse("Volume Name: Macintosh HD\nMount Point: /\nType (Bundle): apfs\n");
    ASSERT_TRUE(v);
    EXPECT_TRUE(v->isSystem);
    EXPECT_EQ(v->name, "Macintosh HD");
}

TEST(DiskutilParser, SplitsLinesAtEveryLineBreak) {
    // Classic Mac line ends and Unicode separators end lines too, and never leak into values.
    const QString text = QStringLiteral("Volume Name: Cards\rMount Point: /Volumes/Cards\u2028"
                                        "Volume UUID: 11-22\u2029Protocol: USB\x0c:no key\v");
    const auto v = DiskutilParser::parse(text);
    ASSERT_TRUE(v);
    EXPECT_EQ(*v, MountedVolume(QString("11-22"), "Cards", std::nullopt, "/Volumes/Cards"));
}
