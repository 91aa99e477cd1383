#include "Support/TreeMove.h"

#include "Support/FileCopy.h"

#include <QByteArray>
#include <QFile>
#include <QMap>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellimor {

namespace {

using Outcome = TreeMove::Outcome;

QString text(const QByteArray& path) {
    return QFile::decodeName(path);
}

Outcome failed(int error, const QString& sentence) {
    return {false, error, sentence};
}

Outcome systemFailure(int error, const QByteArray& path) {
    return failed(error, text(path) + QStringLiteral(": ") + FileCopy::errorText(error));
}

// A rename that never replaces what stands at `to`. Where the file system cannot promise that
// itself, the check comes right before a plain rename.
int renameWithoutReplacing(const QByteArray& from, const QByteArray& to) {
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    struct stat facts {};
    if (::lstat(to.constData(), &facts) == 0)
        return EEXIST;
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

// The names in a folder, without "." and "..".
bool names(const QByteArray& folder, QList<QByteArray>& into, int& error) {
    DIR* listing = ::opendir(folder.constData());
    if (!listing) {
        error = errno;
        return false;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            into.append(name);
        errno = 0;
    }
    error = errno;
    ::closedir(listing);
    return error == 0;
}

// What one entry of a tree is, as the check compares it.
struct Entry {
    char kind = '?';   // 'd' folder, 'f' file, 'l' link
    qint64 size = 0;   // of a file
    QByteArray target; // of a link
    bool operator==(const Entry&) const = default;
};

// Every entry below `root` (and `root` itself, as ""), by its path relative to it. False with
// the failure in `outcome` when something cannot be read or is none of the three kinds.
bool listTree(const QByteArray& root, const QByteArray& relative, QMap<QByteArray, Entry>& into,
              Outcome& outcome) {
    const QByteArray path = relative.isEmpty() ? root : root + '/' + relative;
    struct stat facts {};
    if (::lstat(path.constData(), &facts) != 0) {
        outcome = systemFailure(errno, path);
        return false;
    }
    Entry entry;
    if (S_ISDIR(facts.st_mode)) {
        entry.kind = 'd';
    } else if (S_ISREG(facts.st_mode)) {
        entry.kind = 'f';
        entry.size = qint64(facts.st_size);
    } else if (S_ISLNK(facts.st_mode)) {
        entry.kind = 'l';
        QByteArray target(qsizetype(facts.st_size) + 1, '\0');
        const ssize_t length = ::readlink(path.constData(), target.data(), size_t(target.size()));
        if (length < 0) {
            outcome = systemFailure(errno, path);
            return false;
        }
        target.truncate(qsizetype(length));
        entry.target = target;
    } else {
        outcome = failed(0, text(path) + QStringLiteral(" is neither a file, a folder nor a link, so it "
                                                        "can't be moved to another drive."));
        return false;
    }
    into.insert(relative, entry);
    if (entry.kind != 'd')
        return true;
    QList<QByteArray> children;
    int error = 0;
    if (!names(path, children, error)) {
        outcome = systemFailure(error, path);
        return false;
    }
    for (const QByteArray& child : children) {
        if (!listTree(root, relative.isEmpty() ? child : relative + '/' + child, into, outcome))
            return false;
    }
    return true;
}

// Removes what stands at `path`, a whole tree, never following a link. 0, or the errno of the
// first entry that could not be removed (the walk goes on past it, so as much goes as can).
int removeTree(const QByteArray& path) {
    struct stat facts {};
    if (::lstat(path.constData(), &facts) != 0)
        return errno == ENOENT ? 0 : errno;
    if (!S_ISDIR(facts.st_mode))
        return ::unlink(path.constData()) == 0 ? 0 : errno;
    int first = 0;
    QList<QByteArray> children;
    int error = 0;
    if (!names(path, children, error))
        first = error;
    for (const QByteArray& child : children) {
        const int failed = removeTree(path + '/' + child);
        if (!first)
            first = failed;
    }
    if (::rmdir(path.constData()) != 0 && !first)
        first = errno;
    return first;
}

// Copies the tree listed in `entries` from `from` to `to`, parents before children; the
// top-level destination has been made already when it is a folder.
bool copyEntries(const QByteArray& from, const QByteArray& to, const QMap<QByteArray, Entry>& entries,
                 Outcome& outcome) {
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        const QByteArray source = it.key().isEmpty() ? from : from + '/' + it.key();
        const QByteArray target = it.key().isEmpty() ? to : to + '/' + it.key();
        const Entry& entry = it.value();
        if (entry.kind == 'd') {
            if (!it.key().isEmpty() && ::mkdir(target.constData(), 0700) != 0) {
                outcome = systemFailure(errno, target);
                return false;
            }
        } else if (entry.kind == 'l') {
            if (::symlink(entry.target.constData(), target.constData()) != 0) {
                outcome = systemFailure(errno, target);
                return false;
            }
        } else {
            const FileCopy::Outcome copied = FileCopy::copy(source, target);
            if (!copied.size) {
                outcome = failed(copied.errorCode, text(source) + QStringLiteral(": ") + copied.error);
                return false;
            }
        }
    }
    // The folders get their own permission bits last, so a folder that cannot be written to
    // could still be filled.
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        if (it.value().kind != 'd')
            continue;
        const QByteArray source = it.key().isEmpty() ? from : from + '/' + it.key();
        const QByteArray target = it.key().isEmpty() ? to : to + '/' + it.key();
        struct stat facts {};
        if (::lstat(source.constData(), &facts) == 0)
            ::chmod(target.constData(), facts.st_mode & 07777);
    }
    return true;
}

Outcome copyAcross(const QByteArray& from, const QByteArray& to, const TreeMove::Hooks& hooks) {
    Outcome outcome;
    QMap<QByteArray, Entry> original;
    if (!listTree(from, QByteArray(), original, outcome))
        return outcome;

    // The top-level item is made new: whatever stands there already is someone else's, and
    // stays untouched, also when the copy fails.
    const Entry& top = original.value(QByteArray());
    if (top.kind == 'd') {
        if (::mkdir(to.constData(), 0700) != 0)
            return systemFailure(errno, to);
    } else {
        struct stat facts {};
        if (::lstat(to.constData(), &facts) == 0)
            return systemFailure(EEXIST, to);
    }
    const auto abandon = [&to](Outcome why) {
        removeTree(to);
        return why;
    };
    if (!copyEntries(from, to, original, outcome))
        return abandon(outcome);
    if (hooks.afterCopy)
        hooks.afterCopy(text(to));

    QMap<QByteArray, Entry> copy;
    if (!listTree(to, QByteArray(), copy, outcome))
        return abandon(outcome);
    if (copy != original)
        return abandon(failed(0, QStringLiteral("The copy at ") + text(to) +
                                     QStringLiteral(" does not match ") + text(from) +
                                     QStringLiteral(", so it was removed and nothing was moved.")));

    if (const int error = removeTree(from))
        return failed(error, QStringLiteral("A whole copy is at ") + text(to) + QStringLiteral(", but ") +
                                 text(from) + QStringLiteral(" could not be removed completely: ") +
                                 FileCopy::errorText(error));
    return {true, 0, QString()};
}

} // namespace

TreeMove::Outcome TreeMove::move(const QString& from, const QString& to) {
    return move(from, to, Hooks());
}

TreeMove::Outcome TreeMove::move(const QString& from, const QString& to, const Hooks& hooks) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    struct stat facts {};
    if (::lstat(source.constData(), &facts) != 0)
        return systemFailure(errno, source);
    if (!hooks.acrossFileSystems) {
        const int error = renameWithoutReplacing(source, target);
        if (error == 0)
            return {true, 0, QString()};
        if (error == EEXIST)
            return systemFailure(error, target);
        if (error != EXDEV)
            return failed(error, from + QStringLiteral(" could not be moved to ") + to +
                                     QStringLiteral(": ") + FileCopy::errorText(error));
    } else if (::lstat(target.constData(), &facts) == 0) {
        return systemFailure(EEXIST, target);
    }
    return copyAcross(source, target, hooks);
}

} // namespace pellimor
