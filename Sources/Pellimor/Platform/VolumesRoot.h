#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The folder under which external drives are mounted, and every question about it. Other
// code never spells that folder itself: it asks here whether a path lies on a drive, which
// drive, and which drives are mounted.
//
// The root is $TOVLIN_VOLUMES_ROOT when set and not empty (tests and the sample set plug
// drives in and out by creating and removing folders there), else "/Volumes" when it
// exists, else "/media/<login name>" when it exists, else "/run/media/<login name>".
// A path lies on a drive when it is below the root: its mount is the root plus the path's
// next component, and the drive's name is that component. Anything else lies on the
// start-up volume, mounted at "/" and named "Macintosh HD".
//
// Paths are compared as text after QDir::cleanPath, without resolving symbolic links and
// with letter case, and only whole components match ("/Volumes/Media" is not below
// "/Volumes/Med"). The root itself is not below the root. Every function reads the
// environment afresh. Safe from any thread.
namespace pellimor::VolumesRoot {

// The volumes root, an absolute clean path.
QString root();

// Whether `path` lies below the root (on a drive rather than on the start-up volume).
bool isUnderRoot(const QString& path);

// The mount path of the volume holding `path`: root + "/" + the drive's folder name for a
// path below the root, else "/".
QString mountOf(const QString& path);

// The name of the volume holding `path`: the drive's folder name under the root, else
// startupVolumeName().
QString driveName(const QString& path);

// The name of the drive a link destination names. Links inside a library were made on a Mac,
// where drives mount under "/Volumes" whatever this machine's root is: a destination below
// this machine's root names its drive as driveName() does; else one below "/Volumes" names
// the component after it; anything else names startupVolumeName(). Only for paths written by
// links: a path of this machine is asked of driveName().
QString linkDriveName(const QString& destination);

// "Macintosh HD": the start-up volume's name wherever a volume name is needed, so one drive
// never shows under two names.
QString startupVolumeName();

// The mount paths of the drives mounted directly under the root, sorted by plain text
// comparison; "/" (always mounted) is not among them. With $TOVLIN_VOLUMES_ROOT set, every
// folder directly under it counts as a mounted drive; otherwise the mount points in
// /proc/self/mountinfo whose parent is the root. Hidden entries (names beginning with ".")
// and, under $TOVLIN_VOLUMES_ROOT, symbolic links are left out.
QStringList mountedVolumes();

// The mount points directly under `root` listed in `mountinfo` (the text of
// /proc/self/mountinfo), unescaped, without hidden ones and repeats, sorted; each written as
// `root` + "/" + its name. Exposed for tests.
QStringList mountPointsUnder(const QString& root, const QByteArray& mountinfo);

} // namespace pellimor::VolumesRoot
