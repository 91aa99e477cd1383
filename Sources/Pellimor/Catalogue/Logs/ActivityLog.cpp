#include "Catalogue/Logs/ActivityLog.h"

#include "Platform/Paths.h"
#include "Platform/Services.h"
#include "Support/LogFile.h"

#include <QDir>
#include <QFileInfo>

namespace pellimor::ActivityLog {

QString url() {
    return QDir(Paths::programSupportFolder()).filePath(QStringLiteral("activity-log.txt"));
}

void append(const QString& tag, const QString& message) {
    try {
        const QString path = url();
        QDir().mkpath(QFileInfo(path).absolutePath());
        // A line that cannot be written is lost; the activity log never stops its caller.
        (void)LogFile::appendLine(path, tag + QStringLiteral("  ") + message);
    } catch (...) {
        // Logging must never take its caller down.
    }
}

void reveal() {
    try {
        const QString path = url();
        if (!QFileInfo::exists(path)) {
            QDir().mkpath(QFileInfo(path).absolutePath());
            (void)LogFile::append(path, QByteArray());
        }
        if (const auto shell = platform::services().shell)
            shell->reveal(path);
    } catch (...) {
    }
}

} // namespace pellimor::ActivityLog
