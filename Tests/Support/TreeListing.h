#pragma once

// Listings of everything in a folder tree: for tests that prove some code changed nothing on
// disk (compare the listing before and after), and for tests that prove a move or copy kept
// everything (compare what the tree holds, without times).

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pellimor::test {

namespace detail {

// Calls `visit(relative, path, facts)` for every item at or below `root`, the root itself as
// "", links listed and never followed; `facts` is null for an item that cannot be looked at.
template <typename Visit> void walkTree(const QString& root, Visit visit) {
    const QByteArray top = QFile::encodeName(root);
    std::vector<QByteArray> pending{QByteArray()};
    while (!pending.empty()) {
        const QByteArray relative = pending.back();
        pending.pop_back();
        const QByteArray path = relative.isEmpty() ? top : top + '/' + relative;
        struct stat facts {};
        if (::lstat(path.constData(), &facts) != 0) {
            visit(relative, path, static_cast<const struct stat*>(nullptr));
            continue;
        }
        visit(relative, path, &facts);
        if (!S_ISDIR(facts.st_mode))
            continue;
        DIR* listing = ::opendir(path.constData());
        if (!listing)
            continue;
        while (const dirent* entry = ::readdir(listing)) {
            const QByteArray name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            pending.push_back(relative.isEmpty() ? name : relative + '/' + name);
        }
        ::closedir(listing);
    }
}

// The text a link holds.
inline QByteArray linkTarget(const QByteArray& path) {
    QByteArray target(4096, '\0');
    const ssize_t length = ::readlink(path.constData(), target.data(), size_t(target.size()));
    return target.left(std::max<ssize_t>(length, 0));
}

} // namespace detail

// One line per item at or below `root` (links are listed, never followed): its path below
// the root in the file system's own bytes (percent-encoded, so names that are not UTF-8 stay
// distinct), its type, its size and allocated blocks, its modification time to the
// nanosecond, and, for a link, the text it holds. Sorted, so two listings of an unchanged tree
// are equal whatever order the file system lists in. Hidden items are included.
inline QStringList treeListing(const QString& root) {
    QStringList lines;
    detail::walkTree(root, [&](const QByteArray& relative, const QByteArray& path, const struct stat* facts) {
        const QString name = QString::fromLatin1(relative.toPercentEncoding("/ "));
        if (!facts) {
            lines.append(name + QStringLiteral(" <unreadable>"));
            return;
        }
        QString type = QStringLiteral("other");
        QString extra;
        if (S_ISREG(facts->st_mode)) {
            type = QStringLiteral("file");
        } else if (S_ISDIR(facts->st_mode)) {
            type = QStringLiteral("folder");
        } else if (S_ISLNK(facts->st_mode)) {
            type = QStringLiteral("link");
            extra = QStringLiteral(" -> ") +
                    QString::fromLatin1(detail::linkTarget(path).toPercentEncoding("/ "));
        }
        lines.append(QStringLiteral("%1 %2 size=%3 blocks=%4 mtime=%5.%6 mode=%7%8")
                         .arg(name, type)
                         .arg(qint64(facts->st_size))
                         .arg(qint64(facts->st_blocks))
                         .arg(qint64(facts->st_mtim.tv_sec))
                         .arg(qint64(facts->st_mtim.tv_nsec), 9, 10, QLatin1Char('0'))
                         .arg(facts->st_mode, 0, 8)
                         .arg(extra));
    });
    lines.sort();
    return lines;
}

// What a tree holds, one sorted line per item: its path below the root, its kind and
// permission bits, and the SHA-256 of a file's bytes or the text of a link. Times and folder
// sizes are left out, so a tree and a faithful copy of it (on another drive, too) list the
// same. A missing root lists as "<nothing>".
inline QStringList treeContents(const QString& root) {
    QStringList lines;
    detail::walkTree(root, [&](const QByteArray& relative, const QByteArray& path, const struct stat* facts) {
        const QString name = QString::fromUtf8(relative);
        if (!facts) {
            lines.append(relative.isEmpty() ? QStringLiteral("<nothing>")
                                            : name + QStringLiteral(" <unreadable>"));
            return;
        }
        const QString mode = QString::number(facts->st_mode & 07777, 8);
        if (S_ISREG(facts->st_mode)) {
            QFile file(QFile::decodeName(path));
            const QByteArray bytes =
                file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
            lines.append(
                name + QStringLiteral(" file mode=") + mode + QLatin1Char(' ') +
                QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()));
        } else if (S_ISLNK(facts->st_mode)) {
            lines.append(name + QStringLiteral(" link -> ") + QString::fromUtf8(detail::linkTarget(path)));
        } else if (S_ISDIR(facts->st_mode)) {
            lines.append(name + QStringLiteral(" folder mode=") + mode);
        } else {
            lines.append(name + QStringLiteral(" other"));
        }
    });
    lines.sort();
    return lines;
}

} // namespace pellimor::test
