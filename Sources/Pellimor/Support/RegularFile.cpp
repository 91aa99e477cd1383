#include "Support/RegularFile.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellimor::RegularFile {

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

Contents unreadable(QString reason) {
    return Contents{Status::unreadable, QByteArray(), std::move(reason)};
}

// Why something that is not a regular file is not read.
QString notAFile(mode_t mode) {
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a named pipe, not a file");
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder, not a file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a file");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket, not a file");
    return QStringLiteral("it is not a file");
}

Contents tooLarge(qint64 size) {
    return unreadable(QStringLiteral("at %1 bytes it is far larger than such a file ever is").arg(size));
}

// Opens a file already judged regular. Without waiting first, so that a pipe put there in the
// meantime cannot hold the caller; the type is checked on the open file by the caller. A
// regular file only refuses that when another program holds a lease on it, and then the
// system ends the wait within its lease-break time, so it is opened the ordinary way.
int openJudged(const QByteArray& name) {
    const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY;
    int fd = -1;
    do {
        fd = ::open(name.constData(), flags | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && (errno == EWOULDBLOCK || errno == EAGAIN)) {
        do {
            fd = ::open(name.constData(), flags);
        } while (fd < 0 && errno == EINTR);
    }
    return fd;
}

} // namespace

Contents probe(const QString& path) {
    if (path.isEmpty())
        return Contents{};
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
        const int error = errno;
        struct stat own {};
        if (::lstat(name.constData(), &own) != 0)
            return error == ENOENT || error == ENOTDIR ? Contents{} : unreadable(systemError(error));
        // The name is there, but what it leads to is not.
        if (error == ENOENT)
            return unreadable(QStringLiteral("it is a link to nothing"));
        return unreadable(systemError(error));
    }
    if (!S_ISREG(info.st_mode))
        return unreadable(notAFile(info.st_mode));
    return Contents{Status::ok, QByteArray(), QString()};
}

Contents read(const QString& path, qint64 maxBytes) {
    Contents judged = probe(path);
    if (judged.status != Status::ok)
        return judged;

    const QByteArray name = QFile::encodeName(path);
    const int fd = openJudged(name);
    if (fd < 0) {
        const int error = errno;
        return error == ENOENT ? Contents{} : unreadable(systemError(error));
    }
    const auto closing = [fd](Contents contents) {
        ::close(fd);
        return contents;
    };
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return closing(unreadable(systemError(errno)));
    if (!S_ISREG(info.st_mode))
        return closing(unreadable(notAFile(info.st_mode)));
    if (info.st_size > maxBytes)
        return closing(tooLarge(info.st_size));

    // One byte more than the size seen, so the end shows at once; a file that grows meanwhile
    // is still read to its end, up to the limit.
    QByteArray bytes;
    bytes.resize(qsizetype(info.st_size) + 1);
    qint64 used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > maxBytes)
                return closing(tooLarge(used));
            bytes.resize(std::min<qint64>(qint64(bytes.size()) * 2, maxBytes + 1));
        }
        const ssize_t got = ::read(fd, bytes.data() + used, size_t(bytes.size() - used));
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return closing(unreadable(systemError(errno)));
        }
        used += got;
    }
    if (used > maxBytes)
        return closing(tooLarge(used));
    bytes.truncate(qsizetype(used));
    return closing(Contents{Status::ok, std::move(bytes), QString()});
}

} // namespace pellimor::RegularFile
