#include "Support/TreeMove.h"

#include "Support/FileCopy.h"
#include "Support/TreeRemoval.h"

#include <QByteArray>
#include <QFile>
#include <cerrno>
#include <cstdio>
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

using Entry = TreeMove::Entry;
using Listing = TreeMove::Listing;

// One listing on its way down: the item's path for the sentences, and what was found so far.
struct ListWalk {
    QString top;
    Listing listing;

    bool fail(int error, const QString& sentence) {
        listing.errorCode = error;
        listing.error = sentence;
        return false;
    }
    bool systemFailure(int error, const QString& path) {
        return fail(error, path + QStringLiteral(": ") + FileCopy::errorText(error));
    }

    // The entry `name` of `parent`, at `relative` in the tree and `path` on the disk, and
    // everything below it; false at the first thing that stops the listing.
    bool list(const OpenFolder& parent, const QByteArray& name, const QByteArray& relative,
              const QString& path) {
        const std::optional<ItemFacts> facts = parent.entryFacts(name);
        if (!facts)
            return systemFailure(errno, path);
        if (relative.isEmpty())
            listing.top = *facts;
        Entry entry;
        if (facts->isFolder()) {
            entry.kind = 'd';
        } else if (facts->isRegularFile()) {
            entry.kind = 'f';
            entry.size = facts->size;
        } else if (facts->isLink()) {
            entry.kind = 'l';
            QByteArray target(qsizetype(facts->size) + 1, '\0');
            const ssize_t length =
                ::readlinkat(parent.fd(), name.constData(), target.data(), size_t(target.size()));
            if (length < 0)
                return systemFailure(errno, path);
            target.truncate(qsizetype(length));
            entry.target = target;
        } else {
            return fail(0, path + QStringLiteral(" is neither a file, a folder nor a link, so it can't be "
                                                 "moved to another drive."));
        }
        listing.tree.insert(relative, entry);
        if (entry.kind != 'd')
            return true;
        if (facts->isMountedInside(parent.facts()))
            return fail(0, relative.isEmpty()
                               ? path + QStringLiteral(" is another drive mounted there, so it can't be "
                                                       "moved to another drive.")
                               : top + QStringLiteral(" holds another drive mounted inside it (at ") + path +
                                     QStringLiteral("), so it can't be moved to another drive."));
        const OpenFolder folder = parent.child(name);
        if (!folder)
            return systemFailure(folder.errorCode(), path);
        if (!folder.facts().sameItem(*facts))
            return fail(0, path + QStringLiteral(" changed while it was being read."));
        std::vector<QByteArray> names;
        if (const int error = folder.names(names))
            return systemFailure(error, path);
        for (const QByteArray& child : names) {
            if (!list(folder, child, relative.isEmpty() ? child : relative + '/' + child,
                      path + u'/' + QFile::decodeName(child)))
                return false;
        }
        return true;
    }
};

// The folder an item lies in, held open, and its name there. Links on the way to the folder
// are followed, as in the paths a move is given; the item itself is never looked up by path.
struct Place {
    OpenFolder folder;
    QByteArray name;
};

Place placeOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
    return {OpenFolder::open(folder, OpenFolder::LastLink::followed), path.mid(slash + 1)};
}

Listing listAt(const Place& place, const QByteArray& path) {
    if (!place.folder) {
        ListWalk walk;
        walk.systemFailure(place.folder.errorCode(), text(path));
        return walk.listing;
    }
    return TreeMove::list(place.folder, place.name, text(path));
}

// Makes the top of the copy, `entry` of `from` at `to`, new: whatever stands there is someone
// else's. The facts of what was made, so that only that is ever removed again.
std::optional<ItemFacts> makeTop(const QByteArray& from, const QByteArray& to, const Entry& entry,
                                 const Place& copy, Outcome& outcome) {
    if (entry.kind == 'd') {
        if (::mkdir(to.constData(), 0700) != 0) {
            outcome = systemFailure(errno, to);
            return std::nullopt;
        }
    } else if (entry.kind == 'l') {
        if (::symlink(entry.target.constData(), to.constData()) != 0) {
            outcome = systemFailure(errno, to);
            return std::nullopt;
        }
    } else {
        const FileCopy::Outcome copied = FileCopy::copy(from, to);
        if (!copied.size) {
            outcome = copied.errorCode == EEXIST
                          ? systemFailure(EEXIST, to)
                          : failed(copied.errorCode, text(from) + QStringLiteral(": ") + copied.error);
            return std::nullopt;
        }
    }
    const std::optional<ItemFacts> made = copy.folder.entryFacts(copy.name);
    if (!made)
        outcome = systemFailure(errno, to);
    return made;
}

// Copies the tree listed in `entries` from `from` to `to`, parents before children; the top
// has been made already.
bool copyEntries(const QByteArray& from, const QByteArray& to, const TreeMove::Tree& entries,
                 Outcome& outcome) {
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        if (it.key().isEmpty())
            continue;
        const QByteArray source = from + '/' + it.key();
        const QByteArray target = to + '/' + it.key();
        const Entry& entry = it.value();
        if (entry.kind == 'd') {
            if (::mkdir(target.constData(), 0700) != 0) {
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
    const Place source = placeOf(from);
    const Listing original = listAt(source, from);
    if (!original)
        return failed(original.errorCode, original.error);

    // The top-level item is made new: whatever stands there already is someone else's, and
    // stays untouched, also when the copy fails.
    const Entry& top = original.tree.value(QByteArray());
    if (top.kind != 'd') {
        struct stat facts {};
        if (::lstat(to.constData(), &facts) == 0)
            return systemFailure(EEXIST, to);
    }
    if (hooks.beforeCopy)
        hooks.beforeCopy(text(to));
    const Place copy = placeOf(to);
    if (!copy.folder)
        return systemFailure(copy.folder.errorCode(), to);
    Outcome outcome;
    const std::optional<ItemFacts> made = makeTop(from, to, top, copy, outcome);
    if (!made)
        return outcome;
    // Only what this move made goes again, and only while it is still that item.
    const auto abandon = [&copy, &made](Outcome why) {
        static_cast<void>(TreeRemoval::remove(copy.folder, copy.name, *made));
        return why;
    };
    if (!copyEntries(from, to, original.tree, outcome))
        return abandon(outcome);
    if (hooks.afterCopy)
        hooks.afterCopy(text(to));

    const Listing copied = TreeMove::list(copy.folder, copy.name, text(to));
    if (!copied)
        return abandon(failed(copied.errorCode, copied.error));
    if (copied.tree != original.tree)
        return abandon(failed(0, QStringLiteral("The copy at ") + text(to) +
                                     QStringLiteral(" does not match ") + text(from) +
                                     QStringLiteral(", so it was removed and nothing was moved.")));

    // The original as it was listed and copied: an item put in its place meanwhile stays. One
    // gone already leaves what the move was for.
    const TreeRemoval::Outcome removed = TreeRemoval::remove(source.folder, source.name, original.top);
    if (!removed.removed() && removed.errorCode != ENOENT)
        return failed(removed.errorCode, QStringLiteral("A whole copy is at ") + text(to) +
                                             QStringLiteral(", but ") + text(from) +
                                             QStringLiteral(" could not be removed completely: ") +
                                             removed.reason());
    return {true, 0, QString()};
}

} // namespace

TreeMove::Listing TreeMove::list(const OpenFolder& folder, const QByteArray& name, const QString& path) {
    ListWalk walk;
    walk.top = path;
    walk.list(folder, name, QByteArray(), path);
    return walk.listing;
}

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
