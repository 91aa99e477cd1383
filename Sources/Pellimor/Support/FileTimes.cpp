#include "Support/FileTimes.h"

#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>

namespace pellimor::FileTimes {

namespace {

std::optional<struct statx> statItem(const QString& path, unsigned int mask) {
    if (path.isEmpty())
        return std::nullopt;
    struct statx sx {};
    const QByteArray native = QFile::encodeName(path);
    if (::statx(AT_FDCWD, native.constData(), AT_SYMLINK_NOFOLLOW, mask, &sx) != 0)
        return std::nullopt;
    return sx;
}

QDateTime toDate(const struct statx_timestamp& t) {
    return QDateTime::fromMSecsSinceEpoch(qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000, Qt::UTC);
}

} // namespace

std::optional<QDateTime> created(const QString& path) {
    const auto sx = statItem(path, STATX_BTIME);
    if (!sx || !(sx->stx_mask & STATX_BTIME))
        return std::nullopt;
    return toDate(sx->stx_btime);
}

std::optional<QDateTime> modified(const QString& path) {
    const auto sx = statItem(path, STATX_MTIME);
    if (!sx || !(sx->stx_mask & STATX_MTIME))
        return std::nullopt;
    return toDate(sx->stx_mtime);
}

std::optional<double> modifiedSeconds(const QString& path) {
    const auto sx = statItem(path, STATX_MTIME);
    if (!sx || !(sx->stx_mask & STATX_MTIME))
        return std::nullopt;
    return double(sx->stx_mtime.tv_sec) + double(sx->stx_mtime.tv_nsec) / 1e9;
}

} // namespace pellimor::FileTimes
