#include "Platform/VolumesRoot.h"

#include "Platform/MountTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace pellimor::VolumesRoot {

namespace {

QString loginName() {
    // The name of the user id, as the desktop's automounter names its folder.
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name &&
        found->pw_name[0] != '\0')
        return QFile::decodeName(found->pw_name);
    for (const char* variable : {"USER", "LOGNAME"}) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            return name;
    }
    return {};
}

QString joined(const QString& folder, QStringView name) {
    return folder.endsWith(u'/') ? folder + name.toString() : folder + u'/' + name.toString();
}

// The first component of `path` below `rootPath`, or empty when `path` is not below it.
QStringView componentBelow(const QString& rootPath, const QString& path) {
    if (path.size() <= rootPath.size() || !path.startsWith(rootPath))
        return {};
    QStringView rest = QStringView(path).mid(rootPath.size());
    if (!rootPath.endsWith(u'/')) {
        if (!rest.startsWith(u'/'))
            return {}; // "/Volumes/Media" is not below "/Volumes/Med"
        rest = rest.mid(1);
    }
    const qsizetype slash = rest.indexOf(u'/');
    return slash < 0 ? rest : rest.left(slash);
}

// Where a Mac mounts its drives, and so where the links in a library made there point.
QString macVolumesFolder() {
    return QStringLiteral("/Volumes");
}

QString clean(const QString& path) {
    return path.isEmpty() ? QString() : QDir::cleanPath(path);
}

} // namespace

QString root() {
    const QString overridden = qEnvironmentVariable("TOVLIN_VOLUMES_ROOT");
    if (!overridden.isEmpty())
        return QDir::cleanPath(QDir(overridden).absolutePath());
    const QString volumes = macVolumesFolder();
    if (QFileInfo(volumes).isDir())
        return volumes;
    const QString login = loginName();
    const QString media = QStringLiteral("/media/") + login;
    if (!login.isEmpty() && QFileInfo(media).isDir())
        return media;
    return QStringLiteral("/run/media/") + login;
}

bool isUnderRoot(const QString& path) {
    return !componentBelow(root(), clean(path)).isEmpty();
}

QString mountOf(const QString& path) {
    const QString rootPath = root();
    const QString cleaned = clean(path);
    const QStringView name = componentBelow(rootPath, cleaned);
    return name.isEmpty() ? QStringLiteral("/") : joined(rootPath, name);
}

QString driveName(const QString& path) {
    const QString cleaned = clean(path);
    const QStringView name = componentBelow(root(), cleaned);
    return name.isEmpty() ? startupVolumeName() : name.toString();
}

QString linkDriveName(const QString& destination) {
    const QString cleaned = clean(destination);
    QStringView name = componentBelow(root(), cleaned);
    if (name.isEmpty())
        name = componentBelow(macVolumesFolder(), cleaned);
    return name.isEmpty() ? startupVolumeName() : name.toString();
}

QString startupVolumeName() {
    return QStringLiteral("Macintosh HD");
}

QStringList mountedVolumes() {
    const QString rootPath = root();
    if (!qEnvironmentVariableIsEmpty("TOVLIN_VOLUMES_ROOT")) {
        QStringList volumes;
        const QStringList names =
            QDir(rootPath).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
        for (const QString& name : names)
            volumes.append(joined(rootPath, name));
        volumes.sort();
        return volumes;
    }
    QFile mountinfo(QStringLiteral("/proc/self/mountinfo"));
    if (!mountinfo.open(QIODevice::ReadOnly))
        return {};
    return mountPointsUnder(rootPath, mountinfo.readAll());
}

QStringList mountPointsUnder(const QString& rootPath, const QByteArray& mountinfo) {
    // The root as mounts name it: the kernel lists resolved paths, so a root reached
    // through a symbolic link is matched by its target too.
    const QString cleanRoot = clean(rootPath);
    QStringList parents{cleanRoot};
    const QString resolved = QFileInfo(cleanRoot).canonicalFilePath();
    if (!resolved.isEmpty() && resolved != cleanRoot)
        parents.append(resolved);

    QStringList volumes;
    for (const QByteArray& line : mountinfo.split('\n')) {
        // "id parent major:minor root mount-point options ..."
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 5)
            continue;
        const QString mountPoint = clean(QFile::decodeName(MountTable::unescapeField(fields[4])));
        for (const QString& parent : parents) {
            const QStringView name = componentBelow(parent, mountPoint);
            if (name.isEmpty() || name.startsWith(u'.') || joined(parent, name) != mountPoint)
                continue;
            const QString volume = joined(cleanRoot, name);
            if (!volumes.contains(volume))
                volumes.append(volume);
        }
    }
    volumes.sort();
    return volumes;
}

} // namespace pellimor::VolumesRoot
