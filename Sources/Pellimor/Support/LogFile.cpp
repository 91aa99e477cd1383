#include "Support/LogFile.h"

#include "Support/IsoTime.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace pellimor::LogFile {

namespace {

Failure cannotAppend(const QString& path, const QString& reason) {
    return Failure{QStringLiteral("Couldn\u2019t add to the log \u201C%1\u201D: %2.")
                       .arg(QDir::toNativeSeparators(path), reason)};
}

Failure cannotAppend(const QString& path, int error) {
    return cannotAppend(path, QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace

Result<void> append(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty())
        return Failure{QStringLiteral("Couldn\u2019t add to a log: no file name was given.")};
    // Non-blocking only so that a pipe standing at the log's name cannot hang the caller; it
    // changes nothing for a regular file.
    const int flags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK;
    int fd = -1;
    do {
        fd = ::open(QFile::encodeName(path).constData(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return cannotAppend(path, errno);

    // One write: a second one for a remainder could land after another appender's line.
    ssize_t written = 0;
    if (!bytes.isEmpty()) {
        do {
            written = ::write(fd, bytes.constData(), size_t(bytes.size()));
        } while (written < 0 && errno == EINTR);
    }
    const int writeError = written < 0 ? errno : 0;
    // After EINTR the descriptor is closed all the same on Linux; trying again could close
    // one another thread has just opened.
    const int closeError = ::close(fd) == 0 ? 0 : errno;
    if (writeError != 0)
        return cannotAppend(path, writeError);
    if (written < bytes.size())
        return cannotAppend(path, QStringLiteral("only part of it was written"));
    if (closeError != 0 && closeError != EINTR)
        return cannotAppend(path, closeError);
    return {};
}

Result<void> appendLine(const QString& path, const QString& text) {
    QString line = IsoTime::now();
    line += QStringLiteral("  ");
    line += text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line += QLatin1Char('\n');
    return append(path, line.toUtf8());
}

} // namespace pellimor::LogFile
