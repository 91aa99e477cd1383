#include "FinalCut/SafetyCopy.h"

#include "Platform/CurrentSettings.h"
#include "Platform/Paths.h"
#include "Platform/Services.h"
#include "Platform/VolumeFacts.h"
#include "Support/AtomicFile.h"
#include "Support/ByteCount.h"
#include "Support/FileCopy.h"
#include "Support/PathText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
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
bool walk(const QByteArray& root, const SafetyCopy::Hooks& hooks, Walked& into) {
    const QSet<QString>& skipped = SafetyCopy::skipDirs();
    std::vector<QByteArray> pending{QByteArray()};
    while (!pending.empty()) {
        const QByteArray relative = std::move(pending.back());
        pending.pop_back();
        const QByteArray folder = root + relative;
        if (hooks.unlistable && hooks.unlistable(text(folder)))
            return false;
        DIR* listing = ::opendir(folder.constData());
        if (!listing)
            return false;
        const int fd = ::dirfd(listing);
        std::vector<QByteArray> names;
        errno = 0;
        while (const dirent* entry = ::readdir(listing)) {
            const char* name = entry->d_name;
            if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
                names.emplace_back(name);
            errno = 0;
        }
        const bool complete = errno == 0;
        // Walk order is name order, so a copy that stops does so at the same file every time.
        std::sort(names.begin(), names.end());
        std::vector<QByteArray> below;
        for (const QByteArray& name : names) {
            const QByteArray path = relative + '/' + name;
            struct stat facts {};
            if (::fstatat(fd, name.constData(), &facts, AT_SYMLINK_NOFOLLOW) != 0) {
                // Gone since the listing, or its facts cannot be read: a file of unknown
                // length, which the copy then reports on.
                into.files.push_back({path, 0});
                continue;
            }
            if (S_ISLNK(facts.st_mode))
                continue;
            if (S_ISDIR(facts.st_mode)) {
                if (skipped.contains(text(name)))
                    continue;
                into.folders.push_back(path);
                below.push_back(path);
                continue;
            }
            into.files.push_back({path, qint64(facts.st_size)});
        }
        ::closedir(listing);
        if (!complete)
            return false;
        // Depth first, in name order: the first folder below is listed next.
        for (auto it = below.rbegin(); it != below.rend(); ++it)
            pending.push_back(std::move(*it));
    }
    return true;
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

    Walked walked;
    if (!walk(root, hooks, walked))
        return failed(1, QStringLiteral("can't read the library"));
    if (hooks.afterWalk)
        hooks.afterWalk();
    qint64 total = 0;
    for (const Walked::File& file : walked.files)
        total += file.size;

    const QByteArray target = QFile::encodeName(destinationPath);
    if (const int error = FileCopy::makeFolders(target))
        return fileSystemError(error,
                               QStringLiteral("Couldn\u2019t create the folder ") + quoted(destinationPath));
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

    for (const QByteArray& folder : walked.folders) {
        if (const int error = FileCopy::makeFolders(target + folder))
            return fileSystemError(error, QStringLiteral("Couldn\u2019t create the folder ") +
                                              quoted(text(target + folder)));
    }
    Result result;
    for (const Walked::File& file : walked.files) {
        const QByteArray to = target + file.relative;
        if (const int error = FileCopy::makeFolders(to.left(to.lastIndexOf('/'))))
            return fileSystemError(error, QStringLiteral("Couldn\u2019t create the folder ") +
                                              quoted(text(to.left(to.lastIndexOf('/')))));
        const FileCopy::Outcome copied = FileCopy::copy(root + file.relative, to);
        if (!copied.size) {
            return {std::nullopt,
                    {kFileSystem, copied.errorCode,
                     QStringLiteral("Couldn\u2019t copy %1 to %2: %3.")
                         .arg(quoted(text(file.relative)), quoted(destinationPath), copied.error)}};
        }
        if (*copied.size != file.size)
            return failed(3, QStringLiteral("copy of ") + text(file.relative) +
                                 QStringLiteral(" doesn't match the original"));
        ++result.files;
        result.bytes += file.size;
    }
    // A copy without its note is still a good copy; a note in place of the library's own
    // "READ ME.txt", just copied, would not be.
    const QString note = QDir(destinationPath).filePath(QStringLiteral("READ ME.txt"));
    struct stat there {};
    if (::lstat(QFile::encodeName(note).constData(), &there) != 0)
        (void)AtomicFile::write(note, readMe(library, QDateTime::currentDateTimeUtc()).toUtf8());
    return {result, {}};
}

} // namespace pellimor
