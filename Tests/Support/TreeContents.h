#pragma once

// What a folder tree holds, for tests that prove a move kept everything: one line per item,
// its path below the root, its kind, and the bytes of a file or the text of a link. Times and
// folder sizes are left out, so a tree and a faithful copy of it list the same.

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QString>
#include <QStringList>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pellimor::test {

// Sorted lines ("Contents/Info.plist file 0ab1…", "Contents link -> ../x", "Contents folder
// mode=755"); the root itself is "" and a missing root lists "<nothing>".
inline QStringList treeContents(const QString& root) {
    QStringList lines;
    const QByteArray top = QFile::encodeName(root);
    std::vector<QByteArray> pending{QByteArray()};
    while (!pending.empty()) {
        const QByteArray relative = pending.back();
        pending.pop_back();
        const QByteArray path = relative.isEmpty() ? top : top + '/' + relative;
        struct stat facts {};
        if (::lstat(path.constData(), &facts) != 0) {
            lines.append(relative.isEmpty() ? QStringLiteral("<nothing>")
                                            : QString::fromUtf8(relative) + QStringLiteral(" <unreadable>"));
            continue;
        }
        const QString name = QString::fromUtf8(relative);
        const QString mode = QString::number(facts.st_mode & 07777, 8);
        if (S_ISREG(facts.st_mode)) {
            QFile file(QFile::decodeName(path));
            const QByteArray bytes =
                file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
            lines.append(
                name + QStringLiteral(" file mode=") + mode + QLatin1Char(' ') +
                QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()));
        } else if (S_ISLNK(facts.st_mode)) {
            QByteArray target(4096, '\0');
            const ssize_t length = ::readlink(path.constData(), target.data(), size_t(target.size()));
            lines.append(name + QStringLiteral(" link -> ") +
                         QString::fromUtf8(target.left(length < 0 ? 0 : length)));
        } else if (S_ISDIR(facts.st_mode)) {
            lines.append(name + QStringLiteral(" folder mode=") + mode);
            if (DIR* listing = ::opendir(path.constData())) {
                while (const dirent* entry = ::readdir(listing)) {
                    const QByteArray child(entry->d_name);
                    if (child != "." && child != "..")
                        pending.push_back(relative.isEmpty() ? child : relative + '/' + child);
                }
                ::closedir(listing);
            }
        } else {
            lines.append(name + QStringLiteral(" other"));
        }
    }
    lines.sort();
    return lines;
}

} // namespace pellimor::test
