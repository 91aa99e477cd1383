#include "Platform/Paths.h"

#include <QDir>
#include <QStandardPaths>

namespace pellimor::Paths {

QString applicationSupport() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString programSupportFolder() {
    return QDir(applicationSupport()).filePath(QStringLiteral("Pellimor"));
}

QString deroomRecordFile() {
    return QDir(programSupportFolder()).filePath(QStringLiteral("Parked Audio Units/parked-deroom.json"));
}

QString dataFolder() {
    const QString overridden = qEnvironmentVariable("TOVLIN_DATA_DIR");
    if (!overridden.isEmpty())
        return QDir::cleanPath(overridden);
    return programSupportFolder();
}

QString configFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("Pellimor"));
}

} // namespace pellimor::Paths
