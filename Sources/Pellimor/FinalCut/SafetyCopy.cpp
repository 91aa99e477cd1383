#include "FinalCut/SafetyCopy.h"

#include "Platform/CurrentSettings.h"
#include "Platform/Paths.h"
#include "Platform/Services.h"
#include "Platform/VolumeFacts.h"
#include "Support/ByteCount.h"
#include "Support/FileCopy.h"
#include "Support/OpenFolder.h"
#include "Support/PathText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pellimor {

namespace {

const QString kDomain = QStringLiteral("SafetyCopy");
const QString kFileSystem = QStringLiteral("FileSystem");

SafetyCopy::Outcome failed(int code, const QString& description) {
    return {std::nullopt, {kDomain, code, description}};
}

SafetyCopy::Outcome fileSystemError(int error, const QString& what) {
    return {std::nullopt,
            {kFileSystem, error, what + QStringLiteral(": ") + FileCopy::errorText(error) + u'.'}};
}

QString quoted(const QString& path) {
    return u'\u201C' + path + u'\u201D';
}

QString text(const QByteArray& path) {
    return QFile::decodeName(path);
}

// Says that a link stood at `path` in the destination: nothing is ever written through one, so
// a copy that meets one ends there.
SafetyCopy::Outcome linkInTheWay(const QByteArray& path) {
    return failed(1, QStringLiteral("a link is in the way at ") + quoted(text(path)) +
                         QStringLiteral("; nothing was written through it"));
}

// Folders below one held open, reached one component at a time and never through a link, so
// whatever becomes of a path after it was checked, the work stays in the folders the walk and
// the copy opened. The folders on the way to the last one reached stay open: in depth-first
// order each folder is opened once, and no more are held than the tree is deep.
class FolderChain {
public:
    explicit FolderChain(OpenFolder top) : m_top(std::move(top)) {}

    const OpenFolder& top() const { return m_top; }

    struct Reached {
        const OpenFolder* folder = nullptr; // while nothing else is reached
        int error = 0;                      // the errno of the step that failed
        QByteArray failedAt;                // the relative path of that step
        bool link = false;                  // a link stood there
    };

    // The folder at `relative` ("/a/b"; "" for the top). With `create`, the folders missing
    // on the way are made; one already there is used, anything else there fails the step.
    Reached reach(const QByteArray& relative, bool create) {
        std::vector<QByteArray> parts;
        for (const QByteArray& part : relative.split('/')) {
            if (!part.isEmpty())
                parts.push_back(part);
        }
        std::size_t common = 0;
        while (common < m_chain.size() && common < parts.size() && m_chain[common].first == parts[common])
            ++common;
        m_chain.erase(m_chain.begin() + std::ptrdiff_t(common), m_chain.end());
        QByteArray path;
        for (std::size_t i = 0; i < common; ++i)
            path += '/' + parts[i];
        for (std::size_t i = common; i < parts.size(); ++i) {
            const OpenFolder& parent = m_chain.empty() ? m_top : m_chain.back().second;
            const QByteArray& name = parts[i];
            path += '/' + name;
            if (create && ::mkdirat(parent.fd(), name.constData(), 0777) != 0 && errno != EEXIST)
                return failure(errno, path, parent, name);
            OpenFolder child = parent.child(name);
            if (!child)
                return failure(child.errorCode(), path, parent, name);
            m_chain.emplace_back(name, std::move(child));
        }
        return {m_chain.empty() ? &m_top : &m_chain.back().second, 0, {}, false};
    }

private:
    static Reached failure(int error, const QByteArray& path, const OpenFolder& parent,
                           const QByteArray& name) {
        const std::optional<ItemFacts> there = parent.entryFacts(name);
        const bool link = there && there->isLink();
        // The system says "not a folder" of a link it was told not to follow; "a link" says
        // what stood there.
        return {nullptr, link ? ELOOP : error, path, link};
    }

    OpenFolder m_top;
    std::vector<std::pair<QByteArray, OpenFolder>> m_chain;
};

struct Walked {
    std::vector<QByteArray> folders; // relative paths, each beginning with "/"
    struct File {
        QByteArray relative;
        qint64 size = 0;
    };
    std::vector<File> files;
};

// Lists the library folder by folder from a stack of our own, so a skipped folder is never
// opened and a link never followed. False when a folder cannot be listed: a copy that lacked
// part of the database would be worse than none.
bool walk(const QByteArray& root, FolderChain& library, const SafetyCopy::Hooks& hooks, Walked& into) {
    const QSet<QString>& skipped = SafetyCopy::skipDirs();
    std::vector<QByteArray> pending{QByteArray()};
    while (!pending.empty()) {
        const QByteArray relative = std::move(pending.back());
        pending.pop_back();
        if (hooks.unlistable && hooks.unlistable(text(root + relative)))
            return false;
        const FolderChain::Reached reached = library.reach(relative, false);
        if (!reached.folder)
            return false;
        const OpenFolder& folder = *reached.folder;
        std::vector<QByteArray> names;
        const bool complete = folder.names(names) == 0;
        // Walk order is name order, so a copy that stops does so at the same file every time.
        std::sort(names.begin(), names.end());
        std::vector<QByteArray> below;
        for (const QByteArray& name : names) {
            const QByteArray path = relative + '/' + name;
            const std::optional<ItemFacts> facts = folder.entryFacts(name);
            if (!facts) {
                // Gone since the listing, or its facts cannot be read: a file of unknown
                // length, which the copy then reports on.
                into.files.push_back({path, 0});
                continue;
            }
            if (facts->isLink())
                continue;
            if (facts->isFolder()) {
                if (skipped.contains(text(name)))
                    continue;
                into.folders.push_back(path);
                below.push_back(path);
                continue;
            }
            into.files.push_back({path, facts->size});
        }
        if (!complete)
            return false;
        // Depth first, in name order: the first folder below is listed next.
        for (auto it = below.rbegin(); it != below.rend(); ++it)
            pending.push_back(std::move(*it));
    }
    return true;
}

// Writes `bytes` as a new file `name` in the open folder, whole or not at all: through a hidden
// temporary file that takes the name only if nothing (a link included) has it by then.
void writeNewFile(const OpenFolder& folder, const QByteArray& name, const QByteArray& bytes) {
    const QByteArray temporary =
        '.' + name + ".tmp-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
    const int fd = ::openat(folder.fd(), temporary.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return;
    bool written = true;
    for (qsizetype at = 0; written && at < bytes.size();) {
        const ssize_t wrote = ::write(fd, bytes.constData() + at, std::size_t(bytes.size() - at));
        if (wrote > 0)
            at += wrote;
        else if (wrote < 0 && errno != EINTR)
            written = false;
    }
    written = ::fsync(fd) == 0 && written;
    written = ::close(fd) == 0 && written;
    if (!written || FileCopy::renameWithoutReplacing(folder.fd(), temporary, folder.fd(), name) != 0)
        ::unlinkat(folder.fd(), temporary.constData(), 0);
}

// The path as it lies on the disk, links resolved as far as the path exists.
QString resolved(const QString& path) {
    QString existing = path;
    QString rest;
    while (!existing.isEmpty() && !QFileInfo::exists(existing)) {
        rest = u'/' + PathText::lastComponent(existing) + rest;
        const qsizetype slash = existing.lastIndexOf(u'/');
        existing = slash > 0 ? existing.left(slash) : QString();
    }
    const QString canonical = existing.isEmpty() ? QString() : QFileInfo(existing).canonicalFilePath();
    return (canonical.isEmpty() ? existing : canonical) + rest;
}

} // namespace

QString SafetyCopy::storageRoot() {
    const QString chosen = platform::CurrentSettings::text(folderKey, QLatin1StringView());
    if (!chosen.isEmpty())
        return chosen;
    return QDir(Paths::programSupportFolder()).filePath(QString(defaultFolderName));
}

const QSet<QString>& SafetyCopy::skipDirs() {
    static const QSet<QString> names = {
        QStringLiteral("Original Media"), QStringLiteral("Render Files"), QStringLiteral("Transcoded Media"),
        QStringLiteral("Analysis Files"), QStringLiteral("Shared Items"), QStringLiteral("__Temp"),
        QStringLiteral("__AsyncCopying"),
    };
    return names;
}

QString SafetyCopy::readMe(const QString& library, const QDateTime& made) {
    return QStringLiteral("Safety copy of the non-media files of\n") + library + QStringLiteral("\nmade ") +
           made.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" +0000") +
           QStringLiteral("\nRestore by copying these files back over the library after quitting Final Cut "
                          "Pro.\n");
}

SafetyCopy::Outcome SafetyCopy::make(const QString& library, const QString& destination, const Hooks& hooks) {
    const QString libraryPath = PathText::absoluteCleanPath(library);
    const QString destinationPath = PathText::absoluteCleanPath(destination);
    struct stat facts {};
    const QByteArray root = QFile::encodeName(libraryPath);
    if (::stat(root.constData(), &facts) != 0 || !S_ISDIR(facts.st_mode))
        return failed(1, QStringLiteral("can't read the library"));
    // Checked before anything is created: the copy would land in the library it copies.
    if (PathText::isAtOrBelow(resolved(destinationPath), resolved(libraryPath)))
        return failed(4, QStringLiteral("a safety copy can't be made inside the library"));

    // Read through folders held open from the library's own folder down, so a folder of the
    // library swapped for a link midway never makes the copy read from where the link leads.
    FolderChain source(OpenFolder::open(root, OpenFolder::LastLink::followed));
    Walked walked;
    if (!walk(root, source, hooks, walked))
        return failed(1, QStringLiteral("can't read the library"));
    if (hooks.afterWalk)
        hooks.afterWalk();
    qint64 total = 0;
    for (const Walked::File& file : walked.files)
        total += file.size;

    // The folders above the destination are the caller's choice and may be reached through
    // links; from the destination down, everything is made by the copy itself, and an item
    // already there that is a link ends the copy instead of taking it elsewhere.
    const QByteArray target = QFile::encodeName(destinationPath);
    const auto cannotCreate = [&](int error, const QByteArray& folder) {
        return fileSystemError(error,
                               QStringLiteral("Couldn\u2019t create the folder ") + quoted(text(folder)));
    };
    const qsizetype slash = target.lastIndexOf('/');
    if (slash > 0) {
        if (const int error = FileCopy::makeFolders(target.left(slash)))
            return cannotCreate(error, target);
    }
    if (::mkdir(target.constData(), 0777) != 0 && errno != EEXIST)
        return cannotCreate(errno, target);
    OpenFolder top = OpenFolder::open(target);
    if (!top) {
        const std::optional<ItemFacts> there = itemFactsAt(AT_FDCWD, target);
        return there && there->isLink() ? linkInTheWay(target) : cannotCreate(top.errorCode(), target);
    }
    // Asked once, before the first file: a copy that runs out of room half-way helps nobody.
    const std::shared_ptr<platform::VolumeFacts> volumes = platform::services().volumes;
    const std::optional<platform::VolumeFacts::Capacity> capacity =
        volumes ? volumes->capacity(destinationPath) : std::nullopt;
    if (capacity && capacity->available && *capacity->available > 0 &&
        *capacity->available < total + spaceMargin) {
        // The amount named is the amount the rule asks for, so a user who frees that much
        // is not refused again.
        return failed(2, QStringLiteral("not enough free space for the safety copy (") +
                             ByteCount::file(total + spaceMargin) + QStringLiteral(" needed)"));
    }

    FolderChain copy(std::move(top));
    const auto notMade = [&](const FolderChain::Reached& reached) {
        return reached.link ? linkInTheWay(target + reached.failedAt)
                            : cannotCreate(reached.error, target + reached.failedAt);
    };
    for (const QByteArray& folder : walked.folders) {
        if (const FolderChain::Reached reached = copy.reach(folder, true); !reached.folder)
            return notMade(reached);
    }
    Result result;
    for (const Walked::File& file : walked.files) {
        const qsizetype last = file.relative.lastIndexOf('/');
        const QByteArray parent = file.relative.left(last);
        const QByteArray name = file.relative.mid(last + 1);
        const auto cannotCopy = [&](int error, const QString& reason) -> Outcome {
            return {std::nullopt,
                    {kFileSystem, error,
                     QStringLiteral("Couldn\u2019t copy %1 to %2: %3.")
                         .arg(quoted(text(file.relative)), quoted(destinationPath), reason)}};
        };
        const FolderChain::Reached from = source.reach(parent, false);
        if (!from.folder)
            return cannotCopy(from.error, FileCopy::errorText(from.error));
        const FolderChain::Reached reached = copy.reach(parent, true);
        if (!reached.folder)
            return notMade(reached);
        const OpenFolder& to = *reached.folder;
        const FileCopy::Outcome copied = FileCopy::copyAt(from.folder->fd(), name, to.fd(), name);
        if (!copied.size) {
            const std::optional<ItemFacts> there = to.entryFacts(name);
            if (copied.errorCode == EEXIST && there && there->isLink())
                return linkInTheWay(target + file.relative);
            return cannotCopy(copied.errorCode, copied.error);
        }
        if (*copied.size != file.size)
            return failed(3, QStringLiteral("copy of ") + text(file.relative) +
                                 QStringLiteral(" doesn't match the original"));
        ++result.files;
        result.bytes += file.size;
    }
    // A copy without its note is still a good copy; a note in place of the library's own
    // "READ ME.txt", just copied, would not be.
    const QByteArray note = QByteArrayLiteral("READ ME.txt");
    const OpenFolder& destinationFolder = copy.top();
    const std::optional<ItemFacts> there = destinationFolder.entryFacts(note);
    if (there && there->isLink())
        return linkInTheWay(target + '/' + note);
    if (!there)
        writeNewFile(destinationFolder, note, readMe(library, QDateTime::currentDateTimeUtc()).toUtf8());
    return {result, {}};
}

} // namespace pellimor
