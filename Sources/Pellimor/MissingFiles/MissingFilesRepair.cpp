// The repair: the only code of missing files that changes a library.

#include "Catalogue/Logs/ErrorLog.h"
#include "FreeUpSpace/Cleanup.h"
#include "FreeUpSpace/CleanupFiles.h"
#include "MissingFiles/MissingFiles.h"
#include "Platform/Services.h"
#include "Platform/VolumeFacts.h"
#include "Support/FileCopy.h"
#include "Support/IsoTime.h"
#include "Support/LogFile.h"
#include "Support/PathText.h"

#include <QDir>
#include <QFile>
#include <QUuid>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pellimor::MissingFiles {

namespace {

const QString kArea = QStringLiteral("missing-files");
const QString kNotBroken = QStringLiteral("is no longer a broken link, left alone");

QString systemMessage(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// A single name inside its folder. Beyond "/" and "..", an empty name or "." would name the
// folder itself, and a NUL would cut the path short on its way to the system.
bool isPlainName(const QString& name) {
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') &&
           !name.contains(QChar(0));
}

// The destination text of the link at `path` while it is still a link to nothing; none when
// something else stands there, the destination exists again, or the text cannot be read.
std::optional<QByteArray> brokenLinkTarget(const QByteArray& path) {
    const std::optional<struct stat> item = CleanupFiles::itemFacts(path);
    if (!item || !S_ISLNK(item->st_mode))
        return std::nullopt;
    struct stat followed {};
    if (::stat(path.constData(), &followed) == 0)
        return std::nullopt;
    std::vector<char> buffer(size_t(item->st_size > 0 ? item->st_size : 0) + 4096);
    const ssize_t length = ::readlink(path.constData(), buffer.data(), buffer.size());
    if (length < 0 || size_t(length) >= buffer.size())
        return std::nullopt;
    return QByteArray(buffer.data(), length);
}

void removeTemporary(const QByteArray& path) {
    (void)::unlink(path.constData());
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

} // namespace

RepairResult repair(const QList<RepairItem>& items, RepairMode mode, bool checkFCP,
                    const std::optional<QString>& logPath, const RepairSeams& seams) {
    RepairResult result;
    if (checkFCP && Cleanup::fcpIsRunning()) {
        result.skipped.append(QStringLiteral("Final Cut Pro is running. Quit it first."));
        return result;
    }

    for (const RepairItem& item : items) {
        const MissingFile& file = item.file;
        const auto skip = [&](const QString& reason) {
            result.skipped.append(file.name + QStringLiteral(": ") + reason);
            ErrorLog::log(ErrorLog::Level::error, kArea, QStringLiteral("A link was not repaired: ") + reason,
                          file.libraryPath);
        };

        if (!isPlainName(file.name) || !isPlainName(file.event)) {
            skip(QStringLiteral("unexpected name"));
            continue;
        }
        const QString folder = PathText::childPath(PathText::childPath(file.libraryPath, file.event),
                                                   QStringLiteral("Original Media"));
        const QString link = PathText::childPath(folder, file.name);
        const QByteArray linkBytes = CleanupFiles::native(link);

        const std::optional<QByteArray> oldTarget = brokenLinkTarget(linkBytes);
        if (!oldTarget) {
            skip(kNotBroken);
            continue;
        }

        // Only a full path names a file; a relative one would be taken from wherever the
        // program happens to run.
        const QString source =
            QDir::isAbsolutePath(item.source) ? CleanupFiles::resolved(item.source) : QString();
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

        const QString temporary = PathText::childPath(
            folder, QString::fromLatin1(kTemporaryPrefix) +
                        QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + u'.' + linkExtension);
        const QByteArray temporaryBytes = CleanupFiles::native(temporary);
        if (mode == RepairMode::link) {
            if (::symlink(sourceBytes.constData(), temporaryBytes.constData()) != 0) {
                skip(systemMessage(errno));
                continue;
            }
        } else {
            // A copy that fails leaves nothing behind; one that succeeds is on the disk
            // before it takes the link's place.
            const FileCopy::Outcome copied =
                FileCopy::copy(sourceBytes, temporaryBytes, FileCopy::Flush::toDisk);
            if (!copied.size) {
                skip(copied.error);
                continue;
            }
        }
        if (seams.afterMade)
            seams.afterMade(temporary, link);

        if (mode == RepairMode::copy) {
            const std::optional<qint64> copied = fileSize(temporary);
            if (!copied || *copied != size) {
                removeTemporary(temporaryBytes);
                skip(QStringLiteral("the copy did not match the found file"));
                continue;
            }
        }

        // A copy may have taken minutes; whatever came to stand at the link meanwhile is kept.
        if (brokenLinkTarget(linkBytes) != oldTarget) {
            removeTemporary(temporaryBytes);
            skip(kNotBroken);
            continue;
        }

        const int renameError =
            seams.rename ? seams.rename(temporary, link)
                         : (::rename(temporaryBytes.constData(), linkBytes.constData()) == 0 ? 0 : errno);
        if (renameError != 0) {
            removeTemporary(temporaryBytes);
            skip(QStringLiteral("could not replace the link (") + systemMessage(renameError) + u')');
            continue;
        }

        ++result.done;
        if (mode == RepairMode::copy)
            result.bytes += size;
        result.libraries.insert(file.libraryPath);
        if (logPath)
            (void)LogFile::append(*logPath, logEntry(mode, link, QFile::decodeName(*oldTarget), source));
    }
    return result;
}

} // namespace pellimor::MissingFiles
