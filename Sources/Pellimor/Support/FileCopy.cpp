#include "Support/FileCopy.h"

#include "Support/OpenFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace pellimor {

namespace {

// Closes a descriptor however the copy ends.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

// Writes all of `length` bytes, resuming after an interruption; false with errno set.
bool writeAll(int fd, const char* data, ssize_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(length));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        length -= written;
    }
    return true;
}

// The whole of `from` into `to`: the kernel's copy where it can, else reads and writes.
bool copyContent(int from, int to) {
    bool kernel = true;
    while (kernel) {
        const ssize_t copied = ::copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
        if (copied == 0)
            return true;
        if (copied > 0)
            continue;
        if (errno == EINTR)
            continue;
        // Not offered between these two file systems: copy by hand from where it stopped.
        if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL)
            return false;
        kernel = false;
    }
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t read = ::read(from, buffer, sizeof buffer);
        if (read == 0)
            return true;
        if (read < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (!writeAll(to, buffer, read))
            return false;
    }
}

FileCopy::Outcome failure(int error) {
    return {std::nullopt, error, FileCopy::errorText(error)};
}

} // namespace

int FileCopy::makeFolders(const QByteArray& path) {
    struct stat facts {};
    if (::stat(path.constData(), &facts) == 0)
        return S_ISDIR(facts.st_mode) ? 0 : ENOTDIR;
    const qsizetype slash = path.lastIndexOf('/');
    if (slash > 0) {
        if (const int error = makeFolders(path.left(slash)))
            return error;
    }
    if (::mkdir(path.constData(), 0777) == 0)
        return 0;
    const int error = errno;
    if (error == EEXIST && ::stat(path.constData(), &facts) == 0 && S_ISDIR(facts.st_mode))
        return 0;
    return error;
}

int FileCopy::renameWithoutReplacing(int fromFolder, const QByteArray& fromName, int toFolder,
                                     const QByteArray& toName) {
    if (::renameat2(fromFolder, fromName.constData(), toFolder, toName.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    struct stat facts {};
    if (::fstatat(toFolder, toName.constData(), &facts, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    return ::renameat(fromFolder, fromName.constData(), toFolder, toName.constData()) == 0 ? 0 : errno;
}

QString FileCopy::errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

namespace {

// `source` inside `fromFolder` to `target` inside `toFolder`; AT_FDCWD and whole paths for a
// copy by path.
FileCopy::Outcome copyBetween(int fromFolder, const QByteArray& source, int toFolder,
                              const QByteArray& target, FileCopy::Flush flush) {
    Descriptor from;
    from.fd = ::openat(fromFolder, source.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (from.fd < 0)
        return failure(errno);
    struct stat facts {};
    if (::fstat(from.fd, &facts) != 0)
        return failure(errno);
    if (!S_ISREG(facts.st_mode))
        return {std::nullopt, 0, QStringLiteral("Not a regular file")};
    // Reads of a regular file never wait; the flag was only there for the open.
    ::fcntl(from.fd, F_SETFL, ::fcntl(from.fd, F_GETFL) & ~O_NONBLOCK);

    Descriptor to;
    to.fd = ::openat(toFolder, target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                     facts.st_mode & 07777);
    if (to.fd < 0)
        return failure(errno);
    // From here the target is this call's own file: whatever fails, it goes again, so a copy
    // cut short (a full disk, a read error) never lies there looking like a whole one.
    const auto abandon = [toFolder, &target, &to](int error) {
        if (to.fd >= 0)
            ::close(std::exchange(to.fd, -1));
        ::unlinkat(toFolder, target.constData(), 0);
        return failure(error);
    };
    if (!copyContent(from.fd, to.fd))
        return abandon(errno);
    const struct timespec times[2] = {facts.st_atim, facts.st_mtim};
    ::futimens(to.fd, times);
    if (flush == FileCopy::Flush::toDisk && ::fsync(to.fd) != 0)
        return abandon(errno);
    struct stat written {};
    if (::fstat(to.fd, &written) != 0)
        return abandon(errno);
    // A file system that reports a full disk only when the file is closed reports it here.
    if (::close(std::exchange(to.fd, -1)) != 0)
        return abandon(errno);
    return {qint64(written.st_size), 0, QString()};
}

} // namespace

FileCopy::Outcome FileCopy::copy(const QByteArray& source, const QByteArray& target, Flush flush) {
    return copyBetween(AT_FDCWD, source, AT_FDCWD, target, flush);
}

FileCopy::Outcome FileCopy::copyAt(int fromFolder, const QByteArray& fromName, int toFolder,
                                   const QByteArray& toName, Flush flush) {
    if (!isSingleName(fromName) || !isSingleName(toName))
        return failure(EINVAL);
    return copyBetween(fromFolder, fromName, toFolder, toName, flush);
}

} // namespace pellimor
