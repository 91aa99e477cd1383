// The repair: the only code of missing files that changes a library.

#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Reader/LibraryReader.h"
#include "FreeUpSpace/Cleanup.h"
#include "FreeUpSpace/CleanupFiles.h"
#include "MissingFiles/MissingFiles.h"
#include "Platform/Services.h"
#include "Platform/VolumeFacts.h"
#include "Support/FileCopy.h"
#include "Support/IsoTime.h"
#include "Support/LogFile.h"
#include "Support/OpenFolder.h"
#include "Support/PathText.h"

#include <QDir>
#include <QFile>
#include <QUuid>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pellimor::MissingFiles {

namespace {

const QString kArea = QStringLiteral("missing-files");
const QString kNotBroken = QStringLiteral("is no longer a broken link, left alone");
const QByteArray kOriginalMedia = QByteArrayLiteral("Original Media");

QString systemMessage(int error) {
    return FileCopy::errorText(error);
}

// ---- The temporary name ---------------------------------------------------------------------

// ".tovlin-", a UUID in upper-case hexadecimal with its four dashes, "." and the link's
// extension: the only names of this form in a library are the ones a repair made.
bool isTemporaryName(const QByteArray& name) {
    const QByteArray prefix(kTemporaryPrefix);
    constexpr qsizetype uuidLength = 36;
    if (!name.startsWith(prefix) || name.size() < prefix.size() + uuidLength + 1 ||
        name.at(prefix.size() + uuidLength) != '.')
        return false;
    for (qsizetype i = 0; i < uuidLength; ++i) {
        const char c = name.at(prefix.size() + i);
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

QByteArray newTemporaryName(const QString& extension) {
    return QByteArray(kTemporaryPrefix) +
           QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toLatin1() + '.' +
           QFile::encodeName(extension);
}

// ---- The folders of one link ----------------------------------------------------------------

// A path that reaches `name` inside the folder held open, whatever has become of the path the
// folder was opened by: for the file copy, which takes paths.
QByteArray throughDescriptor(const OpenFolder& folder, const QByteArray& name) {
    return QByteArrayLiteral("/proc/self/fd/") + QByteArray::number(folder.fd()) + '/' + name;
}

// A repair at work in an event folder holds it shared from before its new item is made until
// that item is in place or gone; the removal of interrupted copies holds it alone and passes
// the folder over while a repair works there, so a copy under way, of this process or of
// another, is never taken for one left behind. A kill lets go of the lock with the process.
class EventLock {
public:
    enum class Use { working, clearing };
    EventLock(const OpenFolder& event, Use use) : m_fd(event.fd()) {
        const int operation = use == Use::working ? LOCK_SH : LOCK_EX | LOCK_NB;
        int done = -1;
        do
            done = ::flock(m_fd, operation);
        while (done != 0 && errno == EINTR);
        m_held = done == 0;
        // A file system without locks says nothing either way; only a repair at work keeps
        // the clearing out.
        m_busy = done != 0 && errno == EWOULDBLOCK;
    }
    ~EventLock() {
        if (m_held)
            ::flock(m_fd, LOCK_UN);
    }
    EventLock(const EventLock&) = delete;
    EventLock& operator=(const EventLock&) = delete;
    bool busy() const { return m_busy; }

private:
    int m_fd = -1;
    bool m_held = false;
    bool m_busy = false;
};

// The event folder and its "Original Media" of one link, each opened from the one above
// without following a link.
struct Place {
    OpenFolder event;
    OpenFolder media;
    bool mounted = false; // another drive is mounted at one of them
};

Place openPlace(const QString& libraryPath, const QByteArray& event) {
    Place place;
    const OpenFolder library = OpenFolder::open(libraryPath, OpenFolder::LastLink::followed);
    place.event = library.child(event);
    place.media = place.event.child(kOriginalMedia);
    place.mounted = place.media && (place.event.facts().isMountedInside(library.facts()) ||
                                    place.media.facts().isMountedInside(place.event.facts()));
    return place;
}

// ---- Interrupted copies ---------------------------------------------------------------------

// Removes from the folder held open at `path` what a repair stopped in the middle (a kill, a
// power cut) left there: regular files under the temporary name's form, which only a repair
// makes. Links, folders and every other name stay. True when something was removed.
bool removeInterruptedIn(const OpenFolder& folder, const QString& path,
                         const std::optional<QString>& logPath) {
    bool removed = false;
    for (const QByteArray& name : folder.names()) {
        if (!isTemporaryName(name))
            continue;
        const std::optional<ItemFacts> facts = folder.entryFacts(name);
        if (!facts || !facts->isRegularFile() || facts->isMountedInside(folder.facts()))
            continue;
        const QString item = PathText::childPath(path, QFile::decodeName(name));
        if (::unlinkat(folder.fd(), name.constData(), 0) != 0) {
            ErrorLog::log(ErrorLog::Level::error, kArea,
                          QStringLiteral("An interrupted copy could not be removed: ") + systemMessage(errno),
                          item);
            continue;
        }
        removed = true;
        if (logPath)
            (void)LogFile::appendLine(*logPath, QStringLiteral("REMOVED INTERRUPTED COPY  ") + item);
    }
    return removed;
}

// The interrupted copies of one library: in each event folder (those the catalogue reads as
// events, and those the run's items name) and in its "Original Media", where earlier versions
// made their copies. True when something was removed.
bool removeInterrupted(const QString& libraryPath, const QStringList& itemEvents,
                       const std::optional<QString>& logPath) {
    const OpenFolder library = OpenFolder::open(libraryPath, OpenFolder::LastLink::followed);
    if (!library)
        return false;
    QStringList events;
    for (const QString& folder : LibraryReader::eventFolders(libraryPath))
        events.append(PathText::lastComponent(folder));
    events.append(itemEvents);
    events.removeDuplicates();

    bool removed = false;
    for (const QString& name : events) {
        const OpenFolder event = library.child(QFile::encodeName(name));
        if (!event || event.facts().isMountedInside(library.facts()))
            continue;
        const EventLock lock(event, EventLock::Use::clearing);
        if (lock.busy())
            continue;
        const QString eventPath = PathText::childPath(libraryPath, name);
        removed |= removeInterruptedIn(event, eventPath, logPath);
        const OpenFolder media = event.child(kOriginalMedia);
        if (media && !media.facts().isMountedInside(event.facts()))
            removed |= removeInterruptedIn(
                media, PathText::childPath(eventPath, QFile::decodeName(kOriginalMedia)), logPath);
    }
    return removed;
}

// ---- One link -------------------------------------------------------------------------------

struct BrokenLink {
    QByteArray target; // the destination text it holds
    ItemFacts facts;
};

// The link `name` in the folder held open while it is still a link to nothing; none when
// something else stands there, the destination exists again, or the text cannot be read.
std::optional<BrokenLink> brokenLinkIn(const OpenFolder& folder, const QByteArray& name) {
    const std::optional<ItemFacts> facts = folder.entryFacts(name);
    if (!facts || !facts->isLink())
        return std::nullopt;
    struct stat followed {};
    if (::fstatat(folder.fd(), name.constData(), &followed, 0) == 0)
        return std::nullopt;
    std::vector<char> buffer(size_t(std::max<qint64>(facts->size, 0)) + 4096);
    const ssize_t length = ::readlinkat(folder.fd(), name.constData(), buffer.data(), buffer.size());
    if (length < 0 || size_t(length) >= buffer.size())
        return std::nullopt;
    return BrokenLink{QByteArray(buffer.data(), length), *facts};
}

bool sameLink(const std::optional<BrokenLink>& now, const BrokenLink& checked) {
    return now && now->target == checked.target && now->facts.sameItem(checked.facts);
}

// How the new item's last step went.
struct Put {
    enum class How {
        placed,   // the new item stands where the link was, and the link is gone
        refused,  // nothing moved: the new item is still under its temporary name
        lateItem, // something else stood at the link's place; it is there again, the new item back
        stuck,    // an exchange could not be undone: leave both names alone
    } how = How::placed;
    int error = 0;
};

// The new item takes the link's place in one step that never overwrites: the two names are
// exchanged, and only when what then stands under the temporary name is the very link that was
// checked is it removed; whatever else came to the link's place since the check goes back.
// A file system that cannot exchange names gets a rename, which replaces the link just checked
// in one step.
Put putInPlace(const OpenFolder& from, const QByteArray& temporary, const OpenFolder& to,
               const QByteArray& name, const BrokenLink& link) {
    if (::renameat2(from.fd(), temporary.constData(), to.fd(), name.constData(), RENAME_EXCHANGE) != 0) {
        const int error = errno;
        if (error == ENOENT)
            return {Put::How::lateItem, 0};
        if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP)
            return {Put::How::refused, error};
        if (::renameat(from.fd(), temporary.constData(), to.fd(), name.constData()) != 0)
            return {Put::How::refused, errno};
        return {};
    }
    const std::optional<ItemFacts> out = from.entryFacts(temporary);
    if (out && out->isLink() && out->sameItem(link.facts)) {
        (void)::unlinkat(from.fd(), temporary.constData(), 0);
        return {};
    }
    if (::renameat2(from.fd(), temporary.constData(), to.fd(), name.constData(), RENAME_EXCHANGE) != 0)
        return {Put::How::stuck, errno};
    return {Put::How::lateItem, 0};
}

qint64 freeSpace(const QString& folder) {
    const std::shared_ptr<platform::VolumeFacts> volumes = platform::services().volumes;
    if (!volumes)
        return 0;
    const std::optional<platform::VolumeFacts::Capacity> capacity = volumes->capacity(folder);
    return capacity && capacity->available ? *capacity->available : 0;
}

// One entry of the repair log: three lines, each kept to one line whatever the paths hold.
QByteArray logEntry(RepairMode mode, const QString& link, const QString& oldTarget, const QString& source) {
    const auto oneLine = [](QString text) { return text.replace(u'\n', u' '); };
    QString entry = IsoTime::now();
    entry += mode == RepairMode::copy ? QStringLiteral("  COPIED INTO LIBRARY  ")
                                      : QStringLiteral("  LINK REPAIRED  ");
    entry += oneLine(link);
    entry += QStringLiteral("\n    link used to point to: ") + oneLine(oldTarget);
    entry += QStringLiteral("\n    now from: ") + oneLine(source) + u'\n';
    return entry.toUtf8();
}

bool hasPlainNames(const MissingFile& file) {
    return isPlainPath(file.libraryPath) && isSingleName(QStringView(file.event)) &&
           isSingleName(QStringView(file.name));
}

} // namespace

bool isPlainPath(QStringView path) {
    if (!path.startsWith(u'/') || path.contains(QChar(0)))
        return false;
    for (const QStringView component : path.split(u'/'))
        if (component == u"." || component == u"..")
            return false;
    return true;
}

RepairResult repair(const QList<RepairItem>& items, RepairMode mode, bool checkFCP,
                    const std::optional<QString>& logPath, const RepairSeams& seams) {
    RepairResult result;
    if (checkFCP && Cleanup::fcpIsRunning()) {
        result.skipped.append(QStringLiteral("Final Cut Pro is running. Quit it first."));
        return result;
    }

    // What interrupted runs left in these libraries goes first, so a copy of this run is never
    // mistaken for one of theirs.
    QStringList libraries;
    QHash<QString, QStringList> eventsOf;
    for (const RepairItem& item : items) {
        if (!hasPlainNames(item.file))
            continue;
        if (!eventsOf.contains(item.file.libraryPath))
            libraries.append(item.file.libraryPath);
        eventsOf[item.file.libraryPath].append(item.file.event);
    }
    for (const QString& library : libraries)
        if (removeInterrupted(library, eventsOf.value(library), logPath))
            result.libraries.insert(library);

    for (const RepairItem& item : items) {
        const MissingFile& file = item.file;
        const auto skip = [&](const QString& reason) {
            result.skipped.append(file.name + QStringLiteral(": ") + reason);
            ErrorLog::log(ErrorLog::Level::error, kArea, QStringLiteral("A link was not repaired: ") + reason,
                          file.libraryPath);
        };

        // A stored name that cannot be one item of its folder would make a path to somewhere
        // else (a parent, the folder itself, a path cut short at a NUL).
        if (!hasPlainNames(file)) {
            skip(QStringLiteral("unexpected name"));
            continue;
        }
        const QString eventPath = PathText::childPath(file.libraryPath, file.event);
        const QString folder = PathText::childPath(eventPath, QFile::decodeName(kOriginalMedia));
        const QString link = PathText::childPath(folder, file.name);
        const QByteArray name = QFile::encodeName(file.name);

        const Place place = openPlace(file.libraryPath, QFile::encodeName(file.event));
        if (!place.media) {
            skip(kNotBroken);
            continue;
        }
        if (place.mounted) {
            skip(QStringLiteral("the library holds another drive mounted inside it, so it was left alone"));
            continue;
        }
        const std::optional<BrokenLink> oldLink = brokenLinkIn(place.media, name);
        if (!oldLink) {
            skip(kNotBroken);
            continue;
        }

        // Only a full path names a file; a relative one would be taken from wherever the
        // program happens to run, and one holding a NUL would be cut short on its way.
        const bool nameable = QDir::isAbsolutePath(item.source) && !item.source.contains(QChar(0));
        const QString source = nameable ? CleanupFiles::resolved(item.source) : QString();
        const QByteArray sourceBytes = CleanupFiles::native(source);
        struct stat facts {};
        if (source.isEmpty() || ::stat(sourceBytes.constData(), &facts) != 0 || !S_ISREG(facts.st_mode)) {
            skip(QStringLiteral("the found file is gone"));
            continue;
        }
        const qint64 size = qint64(facts.st_size);

        const QString linkExtension = PathText::extension(file.name);
        const QString sourceExtension = PathText::extension(PathText::lastComponent(source));
        if (linkExtension.toLower() != sourceExtension.toLower()) {
            skip(QStringLiteral("the found file is a different type (.") + sourceExtension + u')');
            continue;
        }

        if (mode == RepairMode::copy && freeSpace(folder) - kCopyReserve <= size) {
            skip(QStringLiteral("not enough free space on ") + file.drive);
            continue;
        }

        // The new item is made beside "Original Media", in the event folder: there a copy cut
        // short by a kill is no original media of the library, and the next repair clears it.
        const EventLock lock(place.event, EventLock::Use::working);
        const QByteArray temporaryName = newTemporaryName(linkExtension);
        const QString temporary = PathText::childPath(eventPath, QFile::decodeName(temporaryName));
        const auto removeTemporary = [&] {
            (void)::unlinkat(place.event.fd(), temporaryName.constData(), 0);
        };
        if (mode == RepairMode::link) {
            if (::symlinkat(sourceBytes.constData(), place.event.fd(), temporaryName.constData()) != 0) {
                skip(systemMessage(errno));
                continue;
            }
        } else {
            // A copy that fails leaves nothing behind; one that succeeds is on the disk
            // before it takes the link's place.
            const FileCopy::Outcome copied = FileCopy::copy(
                sourceBytes, throughDescriptor(place.event, temporaryName), FileCopy::Flush::toDisk);
            if (!copied.size) {
                skip(copied.error);
                continue;
            }
        }
        if (seams.afterMade)
            seams.afterMade(temporary, link);

        if (mode == RepairMode::copy) {
            const std::optional<ItemFacts> copied = place.event.entryFacts(temporaryName);
            if (!copied || !copied->isRegularFile() || copied->size != size) {
                removeTemporary();
                skip(QStringLiteral("the copy did not match the found file"));
                continue;
            }
        }

        // A copy may have taken minutes; whatever came to stand at the link meanwhile is kept.
        if (!sameLink(brokenLinkIn(place.media, name), *oldLink)) {
            removeTemporary();
            skip(kNotBroken);
            continue;
        }
        if (seams.beforePut)
            seams.beforePut(link);

        Put put;
        if (seams.rename) {
            if (const int error = seams.rename(temporary, link))
                put = {Put::How::refused, error};
        } else {
            put = putInPlace(place.event, temporaryName, place.media, name, *oldLink);
        }
        if (put.how == Put::How::lateItem) {
            removeTemporary();
            skip(kNotBroken);
            continue;
        }
        if (put.how != Put::How::placed) {
            if (put.how == Put::How::refused)
                removeTemporary();
            skip(QStringLiteral("could not replace the link (") + systemMessage(put.error) + u')');
            continue;
        }
        if (mode == RepairMode::copy)
            (void)::fsync(place.media.fd());

        ++result.done;
        if (mode == RepairMode::copy)
            result.bytes += size;
        result.libraries.insert(file.libraryPath);
        if (logPath)
            (void)LogFile::append(*logPath, logEntry(mode, link, QFile::decodeName(oldLink->target), source));
    }
    return result;
}

} // namespace pellimor::MissingFiles
