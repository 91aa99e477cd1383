#include "Platform/TreeRemoval.h"

#include "Support/FileCopy.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace pellimor::platform {

namespace {

// One folder on the way down.
struct Frame {
    ItemFacts facts;                 // as it was entered
    QByteArray name;                 // in the folder above
    std::vector<QByteArray> folders; // folders inside still to walk
    bool keeps = false;              // something inside stays, so the folder stays too
};

struct Walk {
    bool mountMet = false;
    bool movedAway = false;
    int firstError = 0;

    // Something in `frame` stays, since it could not be removed for `error`...
    void keep(Frame& frame, int error) {
        if (!firstError)
            firstError = error;
        frame.keeps = true;
    }
    // ... or is gone already (ENOENT), which is what was wanted.
    void keepUnlessGone(Frame& frame, int error) {
        if (error != ENOENT)
            keep(frame, error);
    }
    // ... or is another mount.
    void keepMount(Frame& frame) {
        mountMet = true;
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
            movedAway = true;
            return false;
        }
        if (!now || ::unlinkat(parentFd, done.name.constData(), AT_REMOVEDIR) != 0) {
            if (errno == ENOENT)
                return true; // gone already
            if (!firstError)
                firstError = errno;
            return false;
        }
        return true;
    }

    // The whole folder `top` (the item itself, already checked and opened).
    void run(const TrashItem& item, OpenFolder top) {
        std::vector<Frame> frames;
        frames.push_back(Frame{top.facts(), item.name, {}, false});
        OpenFolder current = std::move(top);
        empty(current, frames.back());
        while (true) {
            Frame& frame = frames.back();
            if (!frame.folders.empty()) {
                const QByteArray name = std::move(frame.folders.back());
                frame.folders.pop_back();
                OpenFolder child = current.child(name);
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
                frames.push_back(Frame{current.facts(), name, {}, false});
                empty(current, frames.back());
                continue;
            }

            const Frame done = std::move(frame);
            frames.pop_back();
            if (frames.empty()) {
                current = OpenFolder();
                if (!done.keeps)
                    removeEmptied(item.folder.fd(), done);
                return;
            }
            // Back up through "..", which is the folder this one was entered from unless it was
            // moved away meanwhile: then the rest is left where it now is.
            OpenFolder up = current.parent();
            if (!up || !up.facts().sameItem(frames.back().facts)) {
                movedAway = true;
                return;
            }
            current = std::move(up);
            if (done.keeps || !removeEmptied(current.fd(), done))
                frames.back().keeps = true;
        }
    }

    Result<void> outcome() const {
        if (movedAway)
            return Failure{QStringLiteral("It was moved while it was being deleted, so what was left of it "
                                          "was left alone.")};
        if (mountMet && firstError)
            return Failure{QStringLiteral("It holds another drive mounted inside it, so that drive and the "
                                          "folders holding it were left alone; some of the rest could not "
                                          "be deleted either (") +
                           FileCopy::errorText(firstError) + QStringLiteral(").")};
        if (mountMet)
            return Failure{QStringLiteral("It holds another drive mounted inside it, so that drive and the "
                                          "folders holding it were left alone; the rest was deleted.")};
        if (firstError)
            return Failure{FileCopy::errorText(firstError)};
        return {};
    }
};

} // namespace

Result<void> TreeRemoval::remove(const TrashItem& item) {
    if (Result<void> still = checkStillTheItem(item); !still)
        return still;
    if (item.facts.isMountedInside(item.folder.facts()))
        return Failure{QStringLiteral("It is another drive mounted there, so it was left alone.")};
    if (!item.facts.isFolder()) {
        if (::unlinkat(item.folder.fd(), item.name.constData(), 0) != 0)
            return Failure{FileCopy::errorText(errno)};
        return {};
    }

    OpenFolder top = item.folder.child(item.name);
    if (!top)
        return Failure{top.errorCode() == ELOOP || top.errorCode() == ENOTDIR ? changedSinceChecked()
                                                                              : top.errorText()};
    if (!top.facts().sameItem(item.facts) || top.facts().isMountedInside(item.folder.facts()))
        return Failure{changedSinceChecked()};

    Walk walk;
    walk.run(item, std::move(top));
    return walk.outcome();
}

} // namespace pellimor::platform
