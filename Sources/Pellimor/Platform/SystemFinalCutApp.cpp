#include "KeyedArchive/PlistGuard.h"
#include "KeyedArchive/PropertyList.h"
#include "Platform/FinalCutApp.h"
#include "Platform/SystemServices.h"
#include "Support/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace pellimor::platform {

namespace {

// This machine has no application registry, so the application is looked for where the
// environment names it, then where the editing application installs itself. A candidate
// counts only when it is an application folder that says it is Final Cut Pro.
class SystemFinalCutApp final : public FinalCutApp {
public:
    std::optional<QString> location() const override {
        QStringList candidates;
        const QString named = qEnvironmentVariable("TOVLIN_FCP_APP");
        if (!named.isEmpty())
            candidates << named;
        candidates << QStringLiteral("/Applications/Final Cut Pro.app");
        for (const QString& candidate : candidates) {
            const QFileInfo folder(candidate);
            if (!folder.isDir())
                continue;
            const std::optional<QVariantMap> info = infoDictionary(candidate);
            if (!info)
                continue;
            const QVariant identifier = info->value(QStringLiteral("CFBundleIdentifier"));
            if (identifier.typeId() == QMetaType::QString &&
                identifier.toString() == QLatin1String(bundleIdentifier))
                return QDir::cleanPath(folder.absoluteFilePath());
        }
        return std::nullopt;
    }

    std::optional<QVariantMap> infoDictionary(const QString& appPath) const override {
        // A list larger than any property list we accept is refused before it is read whole,
        // and only a regular file is opened: a pipe there would hold the caller.
        const RegularFile::Contents file = RegularFile::read(
            QDir(appPath).filePath(QStringLiteral("Contents/Info.plist")), PlistGuard::maxInputBytes);
        if (file.status != RegularFile::Status::ok)
            return std::nullopt;
        const std::optional<PropertyList> list = PropertyList::parse(file.bytes);
        if (!list)
            return std::nullopt;
        const QVariant root = list->value();
        if (root.typeId() != QMetaType::QVariantMap)
            return std::nullopt;
        return root.toMap();
    }

    // An instance is a process running the application's own executable file: the kernel's
    // link to each process's executable leads to the same device and inode. A name match
    // would count any program called the same, and a copy of the application elsewhere.
    QList<qint64> running() const override {
        const std::optional<QString> app = location();
        if (!app)
            return {};
        const std::optional<QVariantMap> info = infoDictionary(*app);
        if (!info)
            return {};
        const QVariant name = info->value(QStringLiteral("CFBundleExecutable"));
        if (name.typeId() != QMetaType::QString || name.toString().isEmpty() ||
            name.toString().contains(QLatin1Char('/')))
            return {};
        const QString executable = QDir(*app).filePath(QStringLiteral("Contents/MacOS/") + name.toString());
        struct stat wanted {};
        if (::stat(QFile::encodeName(executable).constData(), &wanted) != 0)
            return {};

        QList<qint64> found;
        DIR* processes = ::opendir("/proc");
        if (!processes)
            return {};
        while (const dirent* entry = ::readdir(processes)) {
            const QByteArray pid(entry->d_name);
            bool numeric = false;
            const qint64 id = pid.toLongLong(&numeric);
            if (!numeric || id <= 0)
                continue;
            // A process of another user, or one that ended meanwhile, cannot be looked at and
            // does not count.
            struct stat image {};
            if (::stat(("/proc/" + pid + "/exe").constData(), &image) != 0)
                continue;
            if (image.st_dev == wanted.st_dev && image.st_ino == wanted.st_ino)
                found.append(id);
        }
        ::closedir(processes);
        std::sort(found.begin(), found.end());
        return found;
    }
};

} // namespace

std::shared_ptr<FinalCutApp> makeSystemFinalCutApp() {
    return std::make_shared<SystemFinalCutApp>();
}

} // namespace pellimor::platform
