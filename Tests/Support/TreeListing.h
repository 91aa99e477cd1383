#pragma once

// A listing of everything in a folder tree, for tests that prove some code changed nothing on
// disk: compare the listing before and after.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pellimor::test {

// One line per item at or below `root` (links are listed, never followed): its path below
// the root in the file system's own bytes (percent-encoded, so names that are not UTF-8 stay
// distinct), its type, its size and allocated blocks, its modification time to the
// nanosecond, and, for a link, the text it holds. Sorted, so two listings of an unchanged tree
// are equal whatever order the file system lists in. Hidden items are included.
inline QStringList treeListing(const QString& root) {
    QStringList lines;
    const QByteArray top = QFile::encodeName(root);
    std::vector<QByteArray> pending{QByteArray()};
    while (!pending.empty()) {
        const QByteArray relative = pending.back();
        pending.pop_back();
        const QByteArray path = relative.isEmpty() ? top : top + '/' + relative;
        struct stat facts {};
        if (::lstat(path.constData(), &facts) != 0) {
            lines.append(QString::fromLatin1(relative.toPercentEncoding("/ ")) +
                         QStringLiteral(" <unreadable>"));
            continue;
        }
        QString type = QStringLiteral("other");
        QString extra;
        if (S_ISREG(facts.st_mode)) {
            type = QStringLiteral("file");
        } else if (S_ISDIR(facts.st_mode)) {
            type = QStringLiteral("folder");
        } else if (S_ISLNK(facts.st_mode)) {
            type = QStringLiteral("link");
            QByteArray target(4096, '\0');
            const ssize_t length = ::readlink(path.constData(), target.data(), size_t(target.size()));
            extra = QStringLiteral(" -> ") +
                    QString::fromLatin1(target.left(std::max<ssize_t>(length, 0)).toPercentEncoding("/ "));
        }
        lines.append(QStringLiteral("%1 %2 size=%3 blocks=%4 mtime=%5.%6 mode=%7%8")
                         .arg(QString::fromLatin1(relative.toPercentEncoding("/ ")), type)
                         .arg(qint64(facts.st_size))
                         .arg(qint64(facts.st_blocks))
                         .arg(qint64(facts.st_mtim.tv_sec))
                         .arg(qint64(facts.st_mtim.tv_nsec), 9, 10, QLatin1Char('0'))
                         .arg(facts.st_mode, 0, 8)
                         .arg(extra));
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
    lines.sort();
    return lines;
}

} // namespace pellimor::test
