#include "Catalogue/Reader/LibraryReader.h"
#include "Platform/VolumesRoot.h"
#include "Support/FileTimes.h"
#include "Support/PathText.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <climits>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pellimor::LibraryReader {

namespace {

// The walk works on the file system's own bytes, so a name that is not valid UTF-8 is still
// opened, measured and examined; only the texts it reports are decoded.
QByteArray joinNative(const QByteArray& folder, const QByteArray& name) {
    if (folder.endsWith('/'))
        return folder + name;
    return folder + '/' + name;
}

// Direct entries of a folder, without "." and "..", in byte order so that the media list
// comes out the same on every run. Nothing when the folder cannot be opened.
std::optional<std::vector<QByteArray>> listNative(const QByteArray& folder) {
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return std::nullopt;
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

struct Frame {
    QByteArray path;        // the folder being walked
    QStringList components; // its path relative to the event folder
    std::vector<QByteArray> names;
    size_t next = 0;
};

void countOriginal(EventInfo& event, QList<MediaEntry>& media, const QByteArray& folder,
                   const QByteArray& name, const struct stat& st, qint64 size) {
    event.originalSize += size;
    // Hidden files (".DS_Store" and the like) take space but are not media.
    if (name.startsWith('.'))
        return;
    const QString displayName = QFile::decodeName(name);
    event.mediaFileCount += 1;
    QString extension = PathText::extension(displayName).toLower();
    if (extension.isEmpty())
        extension = QStringLiteral("(none)");
    event.extensions[extension] += 1;

    if (S_ISLNK(st.st_mode)) {
        event.linkedMediaCount += 1;
        QByteArray destination(PATH_MAX + 1, '\0');
        const ssize_t length =
            ::readlink(joinNative(folder, name).constData(), destination.data(), size_t(destination.size()));
        // A destination that fills the whole buffer may have been cut short: treat it as unreadable.
        if (length >= 0 && length < destination.size()) {
            destination.truncate(qsizetype(length));
            if (!destination.startsWith('/'))
                destination = joinNative(folder, destination);
            if (!event.externalVolumes)
                event.externalVolumes.emplace();
            const QString cleaned = QDir::cleanPath(QFile::decodeName(destination));
            // The destination was written on a Mac: "/Volumes/<drive>/…" names that drive,
            // whatever folder drives mount under here.
            (*event.externalVolumes)[VolumesRoot::linkDriveName(cleaned)] += 1;
            // The target is followed to its end, so a chain of links that ends nowhere (or
            // loops) counts as broken rather than as the size of the link in between.
            struct stat target {};
            if (::stat(destination.constData(), &target) == 0)
                size = qint64(target.st_size);
            else
                event.brokenLinkCount += 1;
        }
    }
    media.append(MediaEntry{displayName, size, event.name});
}

void countItem(EventInfo& event, QList<MediaEntry>& media, const Frame& frame, const QByteArray& name,
               const struct stat& st) {
    const qint64 size = qint64(st.st_blocks) * 512;
    const QString first = frame.components.isEmpty() ? QFile::decodeName(name) : frame.components.first();
    if (first == u"Original Media") {
        countOriginal(event, media, frame.path, name, st, size);
    } else if (first == u"Render Files") {
        event.renderSize += size;
    } else if (first == u"Transcoded Media") {
        // "Transcoded Media/Proxy Media/<file>": the sub-folder counts only with a file below it.
        if (frame.components.size() >= 2 && frame.components.at(1) == u"Proxy Media")
            event.proxySize += size;
        else
            event.optimizedSize += size;
    } else if (first == u"Analysis Files") {
        event.analysisSize += size;
    } else {
        event.otherSize += size;
    }
}

} // namespace

EventInfo walkEvent(const QString& eventFolder, QList<MediaEntry>& media, std::stop_token stop) {
    EventInfo event;
    event.name = PathText::lastComponent(eventFolder);

    const QByteArray root = QFile::encodeName(eventFolder);
    auto rootNames = listNative(root);
    if (!rootNames)
        return event;

    // Depth first, a folder's contents right after the folder, like the platform's
    // enumerator; symbolic links are examined, never entered, so a link loop cannot trap us.
    std::vector<Frame> stack;
    stack.push_back(Frame{root, {}, std::move(*rootNames), 0});
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next >= frame.names.size()) {
            stack.pop_back();
            continue;
        }
        if (stop.stop_requested())
            break;
        const QByteArray name = frame.names[frame.next++];
        const QByteArray path = joinNative(frame.path, name);
        struct stat st {};
        // An item that vanished since its folder was listed is skipped.
        if (::lstat(path.constData(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            auto names = listNative(path);
            if (names) {
                QStringList components = frame.components;
                components.append(QFile::decodeName(name));
                stack.push_back(Frame{path, std::move(components), std::move(*names), 0});
            }
            continue;
        }
        if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
            continue;
        countItem(event, media, frame, name, st);
    }
    return event;
}

std::pair<QDateTime, QDateTime> eventDates(const QString& eventFolder) {
    const QDateTime epoch = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
    const std::optional<QDateTime> folderCreated = FileTimes::created(eventFolder);
    const std::optional<QDateTime> folderModified = FileTimes::modified(eventFolder);
    const std::optional<QDateTime> databaseModified =
        FileTimes::modified(QDir(eventFolder).filePath(QStringLiteral("CurrentVersion.fcpevent")));
    // File systems without a birth time (and those that do not report it) give the epoch, the
    // same as an unreadable folder: the catalogue then knows the date is not real.
    const QDateTime created = folderCreated.value_or(epoch);
    const QDateTime modified = databaseModified ? *databaseModified : folderModified.value_or(epoch);
    return {created, modified};
}

} // namespace pellimor::LibraryReader
