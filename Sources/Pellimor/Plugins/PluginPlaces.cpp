#include "Plugins/PluginPlaces.h"

#include "Platform/RootFolder.h"
#include "Platform/Services.h"

#include <QDir>

namespace pellimor::PluginPlaces {

namespace {

QString withSeparator(QString folder) {
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString underRoot(const QString& relative) {
    const std::shared_ptr<platform::RootFolder> root = platform::services().rootFolder;
    return withSeparator(root ? root->path() : QStringLiteral("/")) + relative;
}

QString underHome(const QString& relative) {
    return withSeparator(QDir::homePath()) + relative;
}

} // namespace

QString systemTemplates() {
    return underRoot(QStringLiteral("Library/Application Support/Final Cut Pro/Templates.localized/"));
}

QString userTemplates() {
    return underHome(QStringLiteral("Movies/Motion Templates.localized/"));
}

QString systemFxPlug() {
    return underRoot(QStringLiteral("Library/Plug-Ins/FxPlug/"));
}

QString userFxPlug() {
    return underHome(QStringLiteral("Library/Plug-Ins/FxPlug/"));
}

} // namespace pellimor::PluginPlaces
