#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <functional>
#include <optional>
#include <sys/types.h>
#include <vector>

namespace pellimor {

// What the file system says of one item itself (a link is not followed), read with statx so
// that the mount an item belongs to is known: a bind mount of a folder of the same file system
// has the same device as its parent, and only the mount id or the mount-root mark tells it.
struct ItemFacts {
    mode_t mode = 0;
    dev_t device = 0;
    ino_t inode = 0;
    std::uint64_t mountId = 0; // 0 when the kernel does not say
    bool mountRoot = false;    // the item is the top of a mount
    qint64 size = 0;
    qint64 allocated = 0; // st_blocks × 512
    qint64 modifiedNanoseconds = 0;

    bool isFolder() const;
    bool isRegularFile() const;
    bool isLink() const;
    // Device and inode: the same item, whatever path it was reached by.
    bool sameItem(const ItemFacts& other) const;
    // This item, found inside the folder `parent`, lies on another mount than that folder:
    // another device, another mount id, or the top of a mount of its own.
    bool isMountedInside(const ItemFacts& parent) const;
};

// The facts of `name` inside the open folder `folderFd` (AT_FDCWD for a path), not following
// a link; nothing when it cannot be looked up, with errno set.
std::optional<ItemFacts> itemFactsAt(int folderFd, const QByteArray& name);
// The facts of what an open descriptor refers to.
std::optional<ItemFacts> descriptorFacts(int fd);

// A name that can stand for one item inside a folder: not empty, not "." or "..", and without
// "/" or a NUL. A stored name that fails this must never be joined to a path, since the system
// would read it as another place (a parent, the folder itself, or a shorter path cut at the NUL).
bool isSingleName(QStringView name);
bool isSingleName(const QByteArray& name);

// A folder held open, so what is done inside it happens in the folder that was opened and
// checked, whatever becomes of its path afterwards: the removal and move tools open each step
// down without following a link and act relative to the open folder (unlinkat, renameat).
// Move-only; closes its descriptor when it goes. One thread at a time.
class OpenFolder {
public:
    OpenFolder() = default;
    ~OpenFolder();
    OpenFolder(OpenFolder&& other) noexcept;
    OpenFolder& operator=(OpenFolder&& other) noexcept;
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    enum class LastLink { followed, refused };
    // The folder at `path`. Links on the way to it are followed; a link at its last component
    // only when asked, so by default a folder replaced by a link fails to open (ELOOP/ENOTDIR).
    static OpenFolder open(const QByteArray& path, LastLink last = LastLink::refused);
    static OpenFolder open(const QString& path, LastLink last = LastLink::refused);

    // The folder `name` (one component, see isSingleName) inside this one, never through a link.
    OpenFolder child(const QByteArray& name) const;
    // Each component of `relative` ("a/b/c") opened in turn from this folder, never through a
    // link; empty components are passed over, "." and ".." refused (EINVAL).
    OpenFolder descend(const QByteArray& relative) const;

    bool isOpen() const { return m_fd >= 0; }
    explicit operator bool() const { return isOpen(); }
    int fd() const { return m_fd; }
    // The errno of the open that failed; 0 when open.
    int errorCode() const { return m_error; }
    // The file system's text for errorCode() ("No such file or directory").
    QString errorText() const;
    // The facts of the folder as opened (device, inode, mount).
    const ItemFacts& facts() const { return m_facts; }

    // The facts of an entry of this folder itself, a link not followed.
    std::optional<ItemFacts> entryFacts(const QByteArray& name) const;

    // Every name in this folder, hidden ones included, "." and ".." left out, in the order the
    // file system gives, each handed to `each` as it is read: a walk that acts on the entries as
    // they come (unlinking them, say) needs no memory for a folder of a million names. The
    // listing reads through a descriptor of its own, so it starts at the first entry however
    // often the folder is listed. 0 when the whole folder was listed, else the errno that cut
    // the listing short (the names read before it were handed on).
    int eachName(const std::function<void(const QByteArray& name)>& each) const;
    // The same names appended to `into`, with the same answer.
    int names(std::vector<QByteArray>& into) const;
    // The names as far as they could be read, for a caller that needs no more.
    std::vector<QByteArray> names() const;

    // The folder above this one as it is now, reached through its "..", never through a path:
    // for a walk that climbs back up and checks (facts) that it came back to the folder it left.
    OpenFolder parent() const;

private:
    static OpenFolder adopt(int fd, int error);
    int m_fd = -1;
    int m_error = 0;
    ItemFacts m_facts;
};

} // namespace pellimor
