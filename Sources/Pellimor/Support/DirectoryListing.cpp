#include "Support/DirectoryListing.h"

#include "Support/TextCompare.h"

#include <QFile>
#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellimor {

namespace {

std::atomic<int> entryKindsIgnored{0};

DirectoryListing::Kind kindOfType(unsigned char type) {
    switch (type) {
    case DT_DIR:
        return DirectoryListing::Kind::folder;
    case DT_LNK:
        return DirectoryListing::Kind::link;
    case DT_UNKNOWN:
        return DirectoryListing::Kind::unknown;
    default:
        return DirectoryListing::Kind::other;
    }
}

} // namespace

DirectoryListing::IgnoreEntryKinds::IgnoreEntryKinds() {
    ++entryKindsIgnored;
}

DirectoryListing::IgnoreEntryKinds::~IgnoreEntryKinds() {
    --entryKindsIgnored;
}

DirectoryListing::DirectoryListing(const QByteArray& path) {
    open(AT_FDCWD, path.constData(), 0);
}

DirectoryListing::DirectoryListing(const DirectoryListing& parent, const QByteArray& name, Links links) {
    open(parent.m_fd, name.constData(), links == Links::notFollowed ? O_NOFOLLOW : 0);
}

DirectoryListing::~DirectoryListing() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void DirectoryListing::open(int folder, const char* path, int extraFlags) {
    // O_DIRECTORY refuses anything but a folder before opening it, so a pipe never blocks.
    m_fd = ::openat(folder, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC | extraFlags);
    if (m_fd >= 0) {
        readEntries();
        return;
    }
    // A folder that can be passed through but not read: its items can still be looked up,
    // as they could through their full paths.
    if (errno == EACCES)
        m_fd = ::openat(folder, path, O_PATH | O_DIRECTORY | O_CLOEXEC | extraFlags);
}

// The raw listing rather than readdir: opendir would look at the folder once more and
// allocate a buffer per folder, and the descriptor must stay open for the lookups anyway.
void DirectoryListing::readEntries() {
    alignas(struct dirent64) char buffer[8192];
    const bool kindsIgnored = entryKindsIgnored.load(std::memory_order_relaxed) > 0;
    for (;;) {
        // 0 at the end; an error ends the listing with what was read.
        const ssize_t filled = ::getdents64(m_fd, buffer, sizeof buffer);
        if (filled <= 0) {
            m_complete = filled == 0;
            return;
        }
        for (ssize_t at = 0; at < filled;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
            at += entry->d_reclen;
            if (entry->d_name[0] == '.')
                continue;
            const Kind kind = kindsIgnored ? Kind::unknown : kindOfType(entry->d_type);
            const QByteArray name(entry->d_name);
            m_entries.push_back(Entry{name, QFile::decodeName(name), kind != Kind::other, kind});
        }
    }
}

bool DirectoryListing::exists(const QByteArray& relativePath) const {
    struct stat info {};
    return ::fstatat(m_fd, relativePath.constData(), &info, 0) == 0;
}

std::optional<DirectoryListing::Item> DirectoryListing::item(const QByteArray& relativePath) const {
    struct statx sx {};
    if (::statx(m_fd, relativePath.constData(), AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_MTIME, &sx) != 0)
        return std::nullopt;
    Item item;
    item.isLink = !(sx.stx_mask & STATX_TYPE) || S_ISLNK(sx.stx_mode);
    item.isFolder = (sx.stx_mask & STATX_TYPE) && S_ISDIR(sx.stx_mode);
    if (sx.stx_mask & STATX_MTIME)
        item.modifiedSeconds = double(sx.stx_mtime.tv_sec) + double(sx.stx_mtime.tv_nsec) / 1e9;
    return item;
}

std::optional<double> DirectoryListing::modifiedSeconds(const QByteArray& relativePath) const {
    const std::optional<Item> found = item(relativePath);
    return found ? found->modifiedSeconds : std::nullopt;
}

bool DirectoryListing::finderLess(const Entry& a, const Entry& b) {
    const int order = TextCompare::localizedStandard(a.text, b.text);
    return order != 0 ? order < 0 : a.name < b.name;
}

} // namespace pellimor
