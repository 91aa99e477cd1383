#include "Catalogue/Logs/ActivityLog.h"

#include "Platform/Paths.h"
#include "Platform/Services.h"
#include "Support/IsoTime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <mutex>

namespace pellimor::ActivityLog {

namespace {

std::mutex& fileLock() {
    static std::mutex lock;
    return lock;
}

// Opens for appending, creating the file when it is missing. An existing log is never
// truncated or replaced: when it cannot be opened the line is simply lost.
bool appendBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    // Unbuffered, so the whole line reaches the kernel in one append.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    const bool written = file.write(bytes) == bytes.size();
    file.close();
    return written;
}

} // namespace

QString url() {
    return QDir(Paths::programSupportFolder()).filePath(QStringLiteral("activity-log.txt"));
}

void append(const QString& tag, const QString& message) {
    try {
        // The time is taken before waiting for the lock, so lines may be slightly out of order.
        QString line = IsoTime::now();
        line += QStringLiteral("  ");
        line += tag;
        line += QStringLiteral("  ");
        QString flat = message;
        flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
        line += flat;
        line += QLatin1Char('\n');
        const QByteArray bytes = line.toUtf8();
        const QString path = url();

        std::lock_guard lock(fileLock());
        QDir().mkpath(QFileInfo(path).absolutePath());
        appendBytes(path, bytes);
    } catch (...) {
        // Logging must never take its caller down.
    }
}

void reveal() {
    try {
        const QString path = url();
        {
            std::lock_guard lock(fileLock());
            if (!QFileInfo::exists(path)) {
                QDir().mkpath(QFileInfo(path).absolutePath());
                appendBytes(path, QByteArray());
            }
        }
        if (const auto shell = platform::services().shell)
            shell->reveal(path);
    } catch (...) {
    }
}

} // namespace pellimor::ActivityLog
