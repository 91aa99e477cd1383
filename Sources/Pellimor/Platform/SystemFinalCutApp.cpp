#include "KeyedArchive/PlistGuard.h"
#include "KeyedArchive/PropertyList.h"
#include "Platform/FinalCutApp.h"
#include "Platform/SystemServices.h"
#include "Support/RegularFile.h"

#include <QDir>
#include <QFileInfo>

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
};

} // namespace

std::shared_ptr<FinalCutApp> makeSystemFinalCutApp() {
    return std::make_shared<SystemFinalCutApp>();
}

} // namespace pellimor::platform
