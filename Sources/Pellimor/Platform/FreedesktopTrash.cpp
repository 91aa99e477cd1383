#include "Platform/FreedesktopTrash.h"

#include "Platform/MountTable.h"
#include "Support/FileCopy.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace pellimor::platform {

namespace {

constexpr int kNumberedNames = 99; // "clip.mov", "clip 2.mov", ... "clip 99.mov"
constexpr int kRandomNames = 8;    // then "clip 3fa9c2d1.mov" and the like
constexpr qsizetype kLongestExtension = 16;
const QByteArray kInfoSuffix = QByteArrayLiteral(".trashinfo");

QString systemText(int error) {
    return FileCopy::errorText(error);
}

QString quoted(const QByteArray& path) {
    return u'“' + QFile::decodeName(path) + u'”';
}

QByteArray joined(const QByteArray& folder, const QByteArray& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QString noTrash(const QString& reason) {
    return QStringLiteral("No Trash can be used for it (") + reason +
           QStringLiteral("), so it was left where it was.");
}

QString notRecorded(int error) {
    return QStringLiteral("Its record could not be written in the Trash (") + systemText(error) +
           QStringLiteral("), so it was left where it was.");
}

QString notMoved(int error) {
    return QStringLiteral("It could not be moved into the Trash (") + systemText(error) +
           QStringLiteral("), so it was left where it was.");
}

// Where a rename can reach: the same device, and the same mount where the kernel says (a bind
// mount of the same file system refuses renames from its other mounts).
bool sameMount(const ItemFacts& a, const ItemFacts& b) {
    return a.device == b.device && (a.mountId == 0 || b.mountId == 0 || a.mountId == b.mountId);
}

struct Location {
    OpenFolder files;
    OpenFolder info;
    QByteArray topdir; // empty for the home Trash
};

// The folder `name` inside `parent` (at `parentPath`, for messages), never through a link;
// made (0700) when missing and `make` is set.
Result<OpenFolder> trashFolder(const OpenFolder& parent, const QByteArray& parentPath, const QByteArray& name,
                               bool make) {
    const QByteArray place = joined(parentPath, name);
    OpenFolder folder = parent.child(name);
    if (!folder && folder.errorCode() == ENOENT && make) {
        if (::mkdirat(parent.fd(), name.constData(), 0700) != 0 && errno != EEXIST)
            return Failure{quoted(place) + QStringLiteral(": ") + systemText(errno)};
        folder = parent.child(name);
    }
    if (!folder) {
        const std::optional<ItemFacts> facts = parent.entryFacts(name);
        if (facts && facts->isLink())
            return Failure{quoted(place) + QStringLiteral(" is a link")};
        if (facts && !facts->isFolder())
            return Failure{quoted(place) + QStringLiteral(" is not a folder")};
        return Failure{quoted(place) + QStringLiteral(": ") + folder.errorText()};
    }
    return folder;
}

bool ownedBy(const OpenFolder& folder, uid_t uid) {
    struct stat facts {};
    return ::fstat(folder.fd(), &facts) == 0 && facts.st_uid == uid;
}

// "files" and "info" of the Trash folder `trash` (at `trashPath`), usable for an item in a
// folder with the facts `itemFolder`.
Result<Location> filesAndInfo(const OpenFolder& trash, const QByteArray& trashPath,
                              const ItemFacts& itemFolder, const QByteArray& topdir) {
    Result<OpenFolder> files = trashFolder(trash, trashPath, "files", true);
    if (!files)
        return Failure{files.error()};
    Result<OpenFolder> info = trashFolder(trash, trashPath, "info", true);
    if (!info)
        return Failure{info.error()};
    if (!sameMount(files->facts(), itemFolder))
        return Failure{quoted(joined(trashPath, "files")) + QStringLiteral(" lies on another drive")};
    return Location{std::move(*files), std::move(*info), topdir};
}

Result<Location> homeTrash(const OpenFolder& dataHome, const QByteArray& dataPath,
                           const ItemFacts& itemFolder) {
    Result<OpenFolder> trash = trashFolder(dataHome, dataPath, "Trash", true);
    if (!trash)
        return Failure{noTrash(trash.error())};
    Result<Location> location = filesAndInfo(*trash, joined(dataPath, "Trash"), itemFolder, {});
    if (!location)
        return Failure{noTrash(location.error())};
    return location;
}

// "$topdir/.Trash/<uid>": only inside a real ".Trash" with the sticky bit, so no other user
// can have planted or replaced the user's folder there.
Result<Location> sharedTrash(const OpenFolder& topdir, const QByteArray& top, const ItemFacts& itemFolder,
                             uid_t uid) {
    Result<OpenFolder> shared = trashFolder(topdir, top, ".Trash", false);
    if (!shared)
        return Failure{shared.error()};
    const QByteArray sharedPath = joined(top, ".Trash");
    if (!(shared->facts().mode & S_ISVTX))
        return Failure{quoted(sharedPath) + QStringLiteral(" is not marked sticky")};
    const QByteArray user = QByteArray::number(uint(uid));
    Result<OpenFolder> own = trashFolder(*shared, sharedPath, user, true);
    if (!own)
        return Failure{own.error()};
    if (!ownedBy(*own, uid))
        return Failure{quoted(joined(sharedPath, user)) + QStringLiteral(" belongs to another user")};
    return filesAndInfo(*own, joined(sharedPath, user), itemFolder, top);
}

// "$topdir/.Trash-<uid>", made when missing; used only when it is a real folder of the user's.
Result<Location> userTrash(const OpenFolder& topdir, const QByteArray& top, const ItemFacts& itemFolder,
                           uid_t uid) {
    const QByteArray name = ".Trash-" + QByteArray::number(uint(uid));
    Result<OpenFolder> own = trashFolder(topdir, top, name, true);
    if (!own)
        return Failure{own.error()};
    if (!ownedBy(*own, uid))
        return Failure{quoted(joined(top, name)) + QStringLiteral(" belongs to another user")};
    return filesAndInfo(*own, joined(top, name), itemFolder, top);
}

Result<Location> driveTrash(const ItemFacts& itemFolder, uid_t uid) {
    if (itemFolder.mountId == 0)
        return Failure{noTrash(QStringLiteral("the system does not say which drive it lies on"))};
    const std::optional<QByteArray> top = MountTable::mountPointOf(itemFolder.mountId);
    if (!top || !top->startsWith('/'))
        return Failure{noTrash(QStringLiteral("its drive is not in the system’s table of mounts"))};
    // The mount point as the kernel lists it has no links on the way; one found there now was
    // put there since, and is not followed.
    const OpenFolder topdir = OpenFolder::open(QByteArray("/")).descend(*top);
    if (!topdir)
        return Failure{noTrash(quoted(*top) + QStringLiteral(": ") + topdir.errorText())};
    if (!sameMount(topdir.facts(), itemFolder))
        return Failure{noTrash(quoted(*top) + QStringLiteral(" is not the top of its drive"))};

    if (Result<Location> shared = sharedTrash(topdir, *top, itemFolder, uid))
        return shared;
    Result<Location> own = userTrash(topdir, *top, itemFolder, uid);
    if (!own)
        return Failure{noTrash(own.error())};
    return own;
}

Result<Location> locate(const OpenFolder& itemFolder, const FreedesktopTrash::Settings& settings) {
    const QByteArray dataPath = QFile::encodeName(QDir::cleanPath(settings.dataHome));
    if (dataPath.isEmpty() || !dataPath.startsWith('/'))
        return Failure{noTrash(QStringLiteral("there is no home folder for the Trash"))};
    (void)FileCopy::makeFolders(dataPath);
    // The data home is the user's own setting: a link on the way to it is the user's choice.
    const OpenFolder dataHome = OpenFolder::open(dataPath, OpenFolder::LastLink::followed);
    if (!dataHome)
        return Failure{noTrash(quoted(dataPath) + QStringLiteral(": ") + dataHome.errorText())};
    if (sameMount(dataHome.facts(), itemFolder.facts()))
        return homeTrash(dataHome, dataPath, itemFolder.facts());
    return driveTrash(itemFolder.facts(), settings.uid);
}

// What "Path=" records: the whole path, relative to $topdir for a drive's Trash.
QByteArray recordedPath(const QString& path, const QByteArray& topdir) {
    const QByteArray whole = QFile::encodeName(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
    if (topdir.isEmpty())
        return whole;
    const QByteArray prefix = topdir.endsWith('/') ? topdir : topdir + '/';
    return whole.startsWith(prefix) && whole.size() > prefix.size() ? whole.mid(prefix.size()) : whole;
}

// The longest name both Trash folders take, less the info file's ending.
qsizetype nameRoom(const Location& location) {
    long longest = 255;
    for (const OpenFolder* folder : {&location.files, &location.info}) {
        const long limit = ::fpathconf(folder->fd(), _PC_NAME_MAX);
        if (limit > 0)
            longest = std::min(longest, limit);
    }
    return qsizetype(longest) - kInfoSuffix.size();
}

QByteArray suffix(int attempt) {
    if (attempt <= 1)
        return {};
    if (attempt <= kNumberedNames)
        return ' ' + QByteArray::number(attempt);
    return ' ' + QByteArray::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, '0');
}

// 0, or the errno of the write, sync or close that failed.
int writeWhole(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return wrote < 0 ? errno : ENOSPC;
        done += wrote;
    }
    if (::fsync(fd) != 0)
        return errno;
    return 0;
}

} // namespace

QByteArray FreedesktopTrash::fittedName(const QByteArray& name, const QByteArray& suffix,
                                        qsizetype maxBytes) {
    qsizetype dot = name.lastIndexOf('.');
    if (dot <= 0 || name.size() - dot > kLongestExtension)
        dot = name.size();
    const QByteArray extension = name.mid(dot);
    QByteArray stem = name.left(dot);
    const qsizetype room = maxBytes - suffix.size() - extension.size();
    if (room < 1)
        return {};
    if (stem.size() > room) {
        qsizetype cut = room;
        // Never inside a character: back to the byte that starts the one cut off.
        while (cut > 0 && (uchar(stem.at(cut)) & 0xC0) == 0x80)
            --cut;
        if (cut == 0)
            return {};
        stem.truncate(cut);
    }
    return stem + suffix + extension;
}

QByteArray FreedesktopTrash::infoText(const QByteArray& path, const QDateTime& deletedAt) {
    return QByteArrayLiteral("[Trash Info]\nPath=") + path.toPercentEncoding("/") +
           QByteArrayLiteral("\nDeletionDate=") +
           deletedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")).toLatin1() + '\n';
}

Result<void> FreedesktopTrash::moveToTrash(const TrashItem& item, const Settings& settings) {
    if (Result<void> still = checkStillTheItem(item); !still)
        return still;
    const Result<Location> trash = locate(item.folder, settings);
    if (!trash)
        return Failure{trash.error()};
    const int infoFolder = trash->info.fd();
    const QByteArray record = infoText(recordedPath(item.path, trash->topdir), settings.deletedAt);
    const qsizetype room = nameRoom(*trash);

    for (int attempt = 1; attempt <= kNumberedNames + kRandomNames; ++attempt) {
        const QByteArray name = fittedName(item.name, suffix(attempt), room);
        if (name.isEmpty())
            return Failure{notMoved(ENAMETOOLONG)};
        const QByteArray infoName = name + kInfoSuffix;
        const auto forget = [&] { ::unlinkat(infoFolder, infoName.constData(), 0); };

        const int fd = ::openat(infoFolder, infoName.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return Failure{notRecorded(errno)};
        }
        int error = writeWhole(fd, record);
        if (::close(fd) != 0 && !error)
            error = errno;
        if (!error && ::fsync(infoFolder) != 0)
            error = errno;
        if (error) {
            forget();
            return Failure{notRecorded(error)};
        }

        if (Result<void> still = checkStillTheItem(item); !still) {
            forget();
            return still;
        }
        if (settings.beforeRename)
            settings.beforeRename();
        const int moved =
            FileCopy::renameWithoutReplacing(item.folder.fd(), item.name, trash->files.fd(), name);
        if (moved == EEXIST) {
            forget();
            continue;
        }
        if (moved) {
            forget();
            return Failure{notMoved(moved)};
        }

        // What the rename took is what was checked, unless the entry was swapped in the moment
        // between: then the stranger goes back where it stood.
        const std::optional<ItemFacts> landed = itemFactsAt(trash->files.fd(), name);
        if (landed && !landed->sameItem(item.facts)) {
            if (FileCopy::renameWithoutReplacing(trash->files.fd(), name, item.folder.fd(), item.name) == 0) {
                forget();
                return Failure{changedSinceChecked()};
            }
            return Failure{QStringLiteral("It changed as it was being moved: what stood in its place went "
                                          "into the Trash instead, and can be put back from there.")};
        }
        return {};
    }
    return Failure{QStringLiteral("The Trash holds other items under every name tried for it, so it was left "
                                  "where it was.")};
}

} // namespace pellimor::platform
