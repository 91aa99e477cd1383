#include "Support/OpenFolder.h"

#include "Support/FileCopy.h"

#include <QFile>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>

namespace pellimor {

namespace {

constexpr unsigned kWanted = STATX_BASIC_STATS | STATX_MNT_ID;

ItemFacts fromStatx(const struct statx& x) {
    ItemFacts facts;
    facts.mode = x.stx_mode;
    facts.device = makedev(x.stx_dev_major, x.stx_dev_minor);
    facts.inode = x.stx_ino;
    facts.mountId = (x.stx_mask & STATX_MNT_ID) ? x.stx_mnt_id : 0;
    facts.mountRoot =
        (x.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (x.stx_attributes & STATX_ATTR_MOUNT_ROOT);
    facts.size = qint64(x.stx_size);
    facts.allocated = qint64(x.stx_blocks) * 512;
    facts.modifiedNanoseconds = qint64(x.stx_mtime.tv_sec) * 1'000'000'000 + x.stx_mtime.tv_nsec;
    return facts;
}

std::optional<ItemFacts> statxAt(int folderFd, const char* name, int flags) {
    struct statx x {};
    if (::statx(folderFd, name, flags | AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kWanted, &x) != 0)
        return std::nullopt;
    return fromStatx(x);
}

} // namespace

bool ItemFacts::isFolder() const {
    return S_ISDIR(mode);
}

bool ItemFacts::isRegularFile() const {
    return S_ISREG(mode);
}

bool ItemFacts::isLink() const {
    return S_ISLNK(mode);
}

bool ItemFacts::sameItem(const ItemFacts& other) const {
    return device == other.device && inode == other.inode;
}

bool ItemFacts::isMountedInside(const ItemFacts& parent) const {
    if (device != parent.device || mountRoot)
        return true;
    return mountId != 0 && parent.mountId != 0 && mountId != parent.mountId;
}

std::optional<ItemFacts> itemFactsAt(int folderFd, const QByteArray& name) {
    if (name.isEmpty() || name.contains('\0')) {
        errno = EINVAL;
        return std::nullopt;
    }
    return statxAt(folderFd, name.constData(), 0);
}

std::optional<ItemFacts> descriptorFacts(int fd) {
    return statxAt(fd, "", AT_EMPTY_PATH);
}

bool isSingleName(QStringView name) {
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') &&
           !name.contains(QChar(0));
}

bool isSingleName(const QByteArray& name) {
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') && !name.contains('\0');
}

OpenFolder::~OpenFolder() {
    if (m_fd >= 0)
        ::close(m_fd);
}

OpenFolder::OpenFolder(OpenFolder&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_error(other.m_error), m_facts(other.m_facts) {}

OpenFolder& OpenFolder::operator=(OpenFolder&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_error = other.m_error;
        m_facts = other.m_facts;
    }
    return *this;
}

OpenFolder OpenFolder::adopt(int fd, int error) {
    OpenFolder folder;
    if (fd < 0) {
        folder.m_error = error ? error : EIO;
        return folder;
    }
    const std::optional<ItemFacts> facts = descriptorFacts(fd);
    if (!facts) {
        folder.m_error = errno ? errno : EIO;
        ::close(fd);
        return folder;
    }
    folder.m_fd = fd;
    folder.m_facts = *facts;
    return folder;
}

OpenFolder OpenFolder::open(const QByteArray& path, LastLink last) {
    if (path.isEmpty() || path.contains('\0'))
        return adopt(-1, EINVAL);
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (last == LastLink::refused ? O_NOFOLLOW : 0);
    const int fd = ::open(path.constData(), flags);
    return adopt(fd, fd < 0 ? errno : 0);
}

OpenFolder OpenFolder::open(const QString& path, LastLink last) {
    if (path.contains(QChar(0)))
        return adopt(-1, EINVAL);
    return open(QFile::encodeName(path), last);
}

OpenFolder OpenFolder::child(const QByteArray& name) const {
    if (m_fd < 0)
        return adopt(-1, m_error ? m_error : EBADF);
    if (!isSingleName(name))
        return adopt(-1, EINVAL);
    const int fd = ::openat(m_fd, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    return adopt(fd, fd < 0 ? errno : 0);
}

OpenFolder OpenFolder::descend(const QByteArray& relative) const {
    if (m_fd < 0)
        return adopt(-1, m_error ? m_error : EBADF);
    if (relative.contains('\0'))
        return adopt(-1, EINVAL);
    const int copy = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    OpenFolder current = adopt(copy, copy < 0 ? errno : 0);
    for (const QByteArray& piece : relative.split('/')) {
        if (piece.isEmpty())
            continue;
        if (!current)
            break;
        current = current.child(piece);
    }
    return current;
}

QString OpenFolder::errorText() const {
    return m_error ? FileCopy::errorText(m_error) : QString();
}

std::optional<ItemFacts> OpenFolder::entryFacts(const QByteArray& name) const {
    if (m_fd < 0) {
        errno = EBADF;
        return std::nullopt;
    }
    return itemFactsAt(m_fd, name);
}

int OpenFolder::eachName(const std::function<void(const QByteArray& name)>& each) const {
    if (m_fd < 0)
        return m_error ? m_error : EBADF;
    // A description of its own rather than a copy of this one, which would share (and move)
    // the folder's reading position.
    const int fd = ::openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    DIR* listing = ::fdopendir(fd);
    if (!listing) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    int error = 0;
    while (true) {
        errno = 0;
        const dirent* entry = ::readdir(listing);
        if (!entry) {
            error = errno;
            break;
        }
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            each(name);
    }
    ::closedir(listing);
    return error;
}

int OpenFolder::names(std::vector<QByteArray>& into) const {
    return eachName([&into](const QByteArray& name) { into.push_back(name); });
}

std::vector<QByteArray> OpenFolder::names() const {
    std::vector<QByteArray> found;
    names(found);
    return found;
}

OpenFolder OpenFolder::parent() const {
    if (m_fd < 0)
        return adopt(-1, m_error ? m_error : EBADF);
    const int fd = ::openat(m_fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    return adopt(fd, fd < 0 ? errno : 0);
}

} // namespace pellimor
