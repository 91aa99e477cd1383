#include "Platform/VolumesRoot.h"

#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

// Points TOVLIN_VOLUMES_ROOT at `value` for one test and restores the test main's root.
class ScopedVolumesRoot {
public:
    explicit ScopedVolumesRoot(const QString& value) { qputenv("TOVLIN_VOLUMES_ROOT", value.toUtf8()); }
    ~ScopedVolumesRoot() { qputenv("TOVLIN_VOLUMES_ROOT", test::TestEnv::volumesRoot().toUtf8()); }
};

} // namespace

TEST(VolumesRoot, PathsUnderTheRootAndOnTheStartupVolume) {
    const QString root = test::TestEnv::freshDir("Volumes");
    ScopedVolumesRoot scope(root + "/");
    ASSERT_EQ(VolumesRoot::root(), root); // cleaned: no trailing slash

    const struct {
        QString path;
        QString mount; // empty: not under the root, the mount is "/"
        QString drive;
    } cases[] = {
        {root + "/Media/Libraries/X.fcpbundle", root + "/Media", "Media"},
        {root + "/Media", root + "/Media", "Media"},
        {root + "/Media/", root + "/Media", "Media"},
        {root + "//Media/./Clients/../X.fcpbundle", root + "/Media", "Media"},
        {root + "/My Drive ä/A.fcpbundle", root + "/My Drive ä", "My Drive ä"},
        {root + "/.hidden/A.fcpbundle", root + "/.hidden", ".hidden"},
        {root, "", "Macintosh HD"},
        {root + "/", "", "Macintosh HD"},
        {root + "/Media/../..", "", "Macintosh HD"},
        {root + "Media/A.fcpbundle", "", "Macintosh HD"}, // a sibling whose name starts alike
        {root + "2/Media/A.fcpbundle", "", "Macintosh HD"},
        {"/Users/someone/Movies/X.fcpbundle", "", "Macintosh HD"},
        {"/Volumes/Media/X.fcpbundle", "", "Macintosh HD"}, // not the root in force
        {"/", "", "Macintosh HD"},
        {"", "", "Macintosh HD"},
        {"relative/path", "", "Macintosh HD"},
    };
    for (const auto& c : cases) {
        const std::string where = c.path.toStdString();
        EXPECT_EQ(VolumesRoot::isUnderRoot(c.path), !c.mount.isEmpty()) << where;
        EXPECT_EQ(VolumesRoot::mountOf(c.path), c.mount.isEmpty() ? QString("/") : c.mount) << where;
        EXPECT_EQ(VolumesRoot::driveName(c.path), c.drive) << where;
    }
    EXPECT_EQ(VolumesRoot::startupVolumeName(), "Macintosh HD");
}

TEST(VolumesRoot, ALinkDestinationNamesItsDriveWhereverDrivesMountHere) {
    // Links are made on a Mac, where every drive is below "/Volumes"; here drives mount elsewhere.
    const QString here = test::TestEnv::freshDir("Mounts");
    for (const QString& root : {here, QString("/media/ann")}) {
        ScopedVolumesRoot scope(root);
        const struct {
            QString destination;
            QString drive;
        } cases[] = {
            {"/Volumes/Archive 3/clip.mov", "Archive 3"},
            {"/Volumes/Archive 3/Footage/Day 1/clip.mov", "Archive 3"},
            {"/Volumes/Archive 3", "Archive 3"},
            {"/Volumes//Archive 3/./Footage/../clip.mov", "Archive 3"},
            {"/Volumes/Drive é #2/clip.mov", "Drive é #2"},
            {root + "/Shoot/clip.mov", "Shoot"}, // this machine's own root, as before
            {root + "//Shoot/../Other/clip.mov", "Other"},
            {"/Volumes", "Macintosh HD"},
            {"/Volumes/", "Macintosh HD"},
            {"/Volumes/../Users/me/clip.mov", "Macintosh HD"},
            {"/VolumesX/Archive/clip.mov", "Macintosh HD"},
            {"/Users/me/Volumes/Archive/clip.mov", "Macintosh HD"},
            {"/volumes/Archive/clip.mov", "Macintosh HD"}, // letter case counts
            {"/Users/me/Movies/clip.mov", "Macintosh HD"},
            {root, "Macintosh HD"},
            {"Volumes/Archive/clip.mov", "Macintosh HD"},
            {"", "Macintosh HD"},
        };
        for (const auto& c : cases)
            EXPECT_EQ(VolumesRoot::linkDriveName(c.destination), c.drive)
                << root.toStdString() << " | " << c.destination.toStdString();
        // A path of this machine keeps its answer: "/Volumes" is not where drives mount here.
        EXPECT_EQ(VolumesRoot::driveName("/Volumes/Archive 3/clip.mov"), "Macintosh HD");
        EXPECT_EQ(VolumesRoot::mountOf("/Volumes/Archive 3/clip.mov"), "/");
    }

    // Where "/Volumes" is the root, both rules agree.
    ScopedVolumesRoot scope("/Volumes");
    EXPECT_EQ(VolumesRoot::linkDriveName("/Volumes/Archive 3/clip.mov"), "Archive 3");
    EXPECT_EQ(VolumesRoot::driveName("/Volumes/Archive 3/clip.mov"), "Archive 3");
    EXPECT_EQ(VolumesRoot::linkDriveName("/media/ann/Shoot/clip.mov"), "Macintosh HD");
}

TEST(VolumesRoot, OneDriveIsNotUnderAnotherWhoseNameItStartsWith) {
    const QString root = test::TestEnv::freshDir("Volumes");
    ScopedVolumesRoot scope(root);
    EXPECT_EQ(VolumesRoot::mountOf(root + "/Media/A.fcpbundle"), root + "/Media");
    EXPECT_EQ(VolumesRoot::mountOf(root + "/Media2/A.fcpbundle"), root + "/Media2");
    EXPECT_EQ(VolumesRoot::driveName(root + "/Med/A.fcpbundle"), "Med");
}

TEST(VolumesRoot, FoldersUnderTheOverriddenRootAreTheMountedDrives) {
    const QString root = test::TestEnv::freshDir("Volumes");
    ScopedVolumesRoot scope(root);
    EXPECT_TRUE(VolumesRoot::mountedVolumes().isEmpty());

    for (const char* name : {"Media", "Archive", "archive 2", ".Trashes"})
        QDir().mkpath(root + "/" + name);
    QFile(root + "/not-a-drive.txt").open(QIODevice::WriteOnly);
    QFile::link(root + "/Media", root + "/Alias");
    EXPECT_EQ(VolumesRoot::mountedVolumes(),
              (QStringList{root + "/Archive", root + "/Media", root + "/archive 2"}));

    // Unplugging a drive is removing its folder.
    QDir(root + "/Media").removeRecursively();
    EXPECT_EQ(VolumesRoot::mountedVolumes(), (QStringList{root + "/Archive", root + "/archive 2"}));

    // Every mounted drive is its own mount.
    for (const QString& volume : VolumesRoot::mountedVolumes()) {
        EXPECT_TRUE(VolumesRoot::isUnderRoot(volume));
        EXPECT_EQ(VolumesRoot::mountOf(volume + "/Lib.fcpbundle"), volume);
    }
}

TEST(VolumesRoot, WithoutOverrideTheRootIsAFixedPlace) {
    ScopedVolumesRoot scope(QString{}); // empty counts as not set
    const QString root = VolumesRoot::root();
    EXPECT_TRUE(root == "/Volumes" || root.startsWith("/media/") || root.startsWith("/run/media/"))
        << root.toStdString();
    EXPECT_TRUE(QDir::isAbsolutePath(root));
    EXPECT_EQ(QDir::cleanPath(root), root);
    // The real mounts found are directly under that root, each its own mount.
    for (const QString& volume : VolumesRoot::mountedVolumes()) {
        EXPECT_TRUE(VolumesRoot::isUnderRoot(volume)) << volume.toStdString();
        EXPECT_EQ(VolumesRoot::mountOf(volume), volume);
    }
}

TEST(VolumesRoot, RelativeOverrideIsMadeAbsolute) {
    ScopedVolumesRoot scope("some/relative/../root");
    EXPECT_EQ(VolumesRoot::root(), QDir::cleanPath(QDir::currentPath() + "/some/root"));
}

TEST(VolumesRoot, MountPointsDirectlyUnderTheRootFromMountinfo) {
    const QByteArray mountinfo =
        "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
        "40 22 8:17 / /media/ann/Media rw,nosuid shared:20 - exfat /dev/sdb1 rw\n"
        "41 22 8:33 / /media/ann/Media\\040Archive rw,nosuid shared:21 - ext4 /dev/sdc1 rw\n"
        "42 22 8:49 / /media/ann/Back\\134slash rw - vfat /dev/sdd1 rw\n"
        "43 22 8:65 / /media/ann/Media/Inner rw - ext4 /dev/sde1 rw\n" // not directly under
        "44 22 8:81 / /media/ann/.hidden rw - ext4 /dev/sdf1 rw\n"     // hidden
        "45 22 8:97 / /media/annex/Other rw - ext4 /dev/sdg1 rw\n"     // another root
        "46 22 8:113 / /media/ann rw - tmpfs tmpfs rw\n"               // the root itself
        "47 40 8:17 / /media/ann/Media rw - exfat /dev/sdb1 rw\n"      // stacked: listed once
        "48 22 0:50 / /media/ann/Share rw - cifs //nas/share rw\n"
        "garbage line\n"
        "\n";
    EXPECT_EQ(VolumesRoot::mountPointsUnder("/media/ann", mountinfo),
              (QStringList{"/media/ann/Back\\slash", "/media/ann/Media", "/media/ann/Media Archive",
                           "/media/ann/Share"}));
    EXPECT_EQ(VolumesRoot::mountPointsUnder("/media/ann/", mountinfo).size(), 4);
    EXPECT_TRUE(VolumesRoot::mountPointsUnder("/Volumes", mountinfo).isEmpty());
    EXPECT_TRUE(VolumesRoot::mountPointsUnder("/media/ann", QByteArray()).isEmpty());
}
