#include "Support/TreeRemoval.h"

#include "Support/FileCopy.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace pellimor {

namespace {

// One folder on the way down.
struct Frame {
    ItemFacts facts;                 // as it was entered
    QByteArray name;                 // in the folder above
    std::vector<QByteArray> folders; // folders inside still to walk
    bool keeps = false;              // something inside stays, so the folder stays too
};

struct Walk {
    TreeRemoval::Outcome outcome;

    // Something in `frame` stays, since it could not be removed for `error`...
    void keep(Frame& frame, int error) {
        if (!outcome.errorCode)
            outcome.errorCode = error;
        frame.keeps = true;
    }
    // ... or is gone already (ENOENT), which is what was wanted.
    void keepUnlessGone(Frame& frame, int error) {
        if (error != ENOENT)
            keep(frame, error);
    }
    // ... or is another mount.
    void keepMount(Frame& frame) {
        outcome.mountInside = true;
        frame.keeps = true;
    }

    // Unlinks what is not a folder as the listing goes, keeps the folders for later: a folder
    // of a million files needs no memory for their names.
    void empty(const OpenFolder& folder, Frame& frame) {
        const int listed = folder.eachName([&](const QByteArray& name) {
            const std::optional<ItemFacts> facts = folder.entryFacts(name);
            if (!facts)
                keepUnlessGone(frame, errno);
            else if (facts->isMountedInside(frame.facts))
                keepMount(frame);
            else if (facts->isFolder())
                frame.folders.push_back(name);
            else if (::unlinkat(folder.fd(), name.constData(), 0) != 0)
                keepUnlessGone(frame, errno);
        });
        if (listed)
            keepUnlessGone(frame, listed);
    }

    // Removes the emptied folder `done` from the folder above it, if it is still the folder
    // that was emptied; false when it stays.
    bool removeEmptied(int parentFd, const Frame& done) {
        const std::optional<ItemFacts> now = itemFactsAt(parentFd, done.name);
        if (now && !now->sameItem(done.facts)) {
            outcome.movedAway = true;
            return false;
        }
        if (!now || ::unlinkat(parentFd, done.name.constData(), AT_REMOVEDIR) != 0) {
            if (errno == ENOENT)
                return true; // gone already
            if (!outcome.errorCode)
                outcome.errorCode = errno;
            return false;
        }
        return true;
    }

    // The whole folder `top`, the entry `name` of `folder` (already checked and opened).
    void run(const OpenFolder& folder, const QByteArray& name, OpenFolder top) {
        std::vector<Frame> frames;
        frames.push_back(Frame{top.facts(), name, {}, false});
        OpenFolder current = std::move(top);
        empty(current, frames.back());
        while (true) {
            Frame& frame = frames.back();
            if (!frame.folders.empty()) {
                const QByteArray inside = std::move(frame.folders.back());
                frame.folders.pop_back();
                OpenFolder child = current.child(inside);
                if (!child) {
                    keepUnlessGone(frame, child.errorCode());
                    continue;
                }
                // Looked at as an entry it was a folder of this mount; opened, it may be another
                // mount put there since.
                if (child.facts().isMountedInside(frame.facts)) {
                    keepMount(frame);
                    continue;
                }
                current = std::move(child);
                frames.push_back(Frame{current.facts(), inside, {}, false});
                empty(current, frames.back());
                continue;
            }

            const Frame done = std::move(frame);
            frames.pop_back();
            if (frames.empty()) {
                current = OpenFolder();
                if (!done.keeps)
                    removeEmptied(folder.fd(), done);
                return;
            }
            // Back up through "..", which is the folder this one was entered from unless it was
            // moved away meanwhile: then the rest is left where it now is.
            OpenFolder up = current.parent();
            if (!up || !up.facts().sameItem(frames.back().facts)) {
                outcome.movedAway = true;
                return;
            }
            current = std::move(up);
            if (done.keeps || !removeEmptied(current.fd(), done))
                frames.back().keeps = true;
        }
    }
};

} // namespace

QString TreeRemoval::Outcome::reason() const {
    if (changed)
        return QStringLiteral("it changed since it was checked");
    if (mountPoint)
        return QStringLiteral("it is another drive mounted there");
    if (movedAway)
        return QStringLiteral("part of it was moved away while it was being removed");
    if (mountInside)
        return QStringLiteral("another drive is mounted inside it");
    return errorCode ? FileCopy::errorText(errorCode) : QString();
}

TreeRemoval::Outcome TreeRemoval::remove(const OpenFolder& folder, const QByteArray& name,
                                         const ItemFacts& facts) {
    Outcome outcome;
    if (!folder) {
        outcome.errorCode = folder.errorCode() ? folder.errorCode() : EBADF;
        return outcome;
    }
    if (!isSingleName(name)) {
        outcome.errorCode = EINVAL;
        return outcome;
    }
    const std::optional<ItemFacts> now = folder.entryFacts(name);
    if (!now) {
        outcome.errorCode = errno;
        return outcome;
    }
    // The kind too: an inode number freed by the item may have been given to what replaced it.
    if (!now->sameItem(facts) || (now->mode & S_IFMT) != (facts.mode & S_IFMT)) {
        outcome.changed = true;
        return outcome;
    }
    if (now->isMountedInside(folder.facts())) {
        outcome.mountPoint = true;
        return outcome;
    }
    if (!now->isFolder()) {
        if (::unlinkat(folder.fd(), name.constData(), 0) != 0)
            outcome.errorCode = errno;
        return outcome;
    }

    OpenFolder top = folder.child(name);
    if (!top) {
        if (top.errorCode() == ELOOP || top.errorCode() == ENOTDIR)
            outcome.changed = true;
        else
            outcome.errorCode = top.errorCode();
        return outcome;
    }
    // Looked at, it was this folder of this mount; opened, it may be another put there since.
    if (!top.facts().sameItem(*now) || top.facts().isMountedInside(folder.facts())) {
        outcome.changed = true;
        return outcome;
    }

    Walk walk;
    walk.run(folder, name, std::move(top));
    return walk.outcome;
}

TreeRemoval::Outcome TreeRemoval::removeAt(const OpenFolder& folder, const QByteArray& name) {
    Outcome outcome;
    if (folder && !isSingleName(name)) {
        outcome.errorCode = EINVAL;
        return outcome;
    }
    const std::optional<ItemFacts> facts = folder.entryFacts(name);
    if (!facts) {
        const int error = folder ? errno : (folder.errorCode() ? folder.errorCode() : EBADF);
        if (error != ENOENT || !folder)
            outcome.errorCode = error;
        return outcome;
    }
    outcome = remove(folder, name, *facts);
    // Gone between the look and the removal: nothing there, as wanted.
    if (outcome.errorCode == ENOENT)
        outcome.errorCode = 0;
    return outcome;
}

} // namespace pellimor
