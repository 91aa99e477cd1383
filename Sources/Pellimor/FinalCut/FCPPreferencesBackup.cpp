#include "FinalCut/FCPPreferencesBackup.h"

#include "FinalCut/SafetyCopy.h"
#include "Platform/FinalCutApp.h"
#include "Platform/Services.h"
#include "Support/FileCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellimor {

namespace {

using Outcome = FCPPreferencesBackup::Outcome;
using Problem = FCPPreferencesBackup::Problem;

const QString kTemporarySuffix = QStringLiteral(".pellimor-tmp");
const QString kBundleMark = QStringLiteral(".fcpbundle");

Outcome refused(Problem problem, const QString& name = {}) {
    return {std::nullopt, {problem, FCPPreferencesBackup::describe(problem, name)}};
}

Outcome fileSystemError(const QString& what, const QString& reason) {
    return {std::nullopt, {Problem::fileSystem, what + QStringLiteral(": ") + reason + u'.'}};
}

QString quoted(const QString& path) {
    return u'\u201C' + path + u'\u201D';
}

QByteArray bytes(const QString& path) {
    return QFile::encodeName(path);
}

// The item's own length (a link is not followed); -1 when it cannot be read.
qint64 fileSize(const QString& path) {
    struct stat facts {};
    if (::lstat(bytes(path).constData(), &facts) != 0)
        return -1;
    return qint64(facts.st_size);
}

bool exists(const QString& path, struct stat* facts = nullptr) {
    struct stat own {};
    return ::lstat(bytes(path).constData(), facts ? facts : &own) == 0;
}

QString temporaryFor(const QString& folder, const QString& name) {
    return QDir(folder).filePath(u'.' + name + kTemporarySuffix);
}

// Removes what a step left at `path`; empty, or the reason it could not.
QString removeItem(const QString& path) {
    if (::unlink(bytes(path).constData()) == 0 || errno == ENOENT)
        return {};
    return FileCopy::errorText(errno);
}

bool isPreferenceName(const QString& name) {
    return name.startsWith(QLatin1String("com.apple.FinalCut")) && name.endsWith(QLatin1String(".plist")) &&
           !name.toLower().contains(QLatin1String("finalcutpro"));
}

} // namespace

QString FCPPreferencesBackup::describe(Problem problem, const QString& name) {
    switch (problem) {
    case Problem::mismatch:
        return QStringLiteral("The copy of ") + name +
               QStringLiteral(" does not match. Nothing else was changed.");
    case Problem::unsafe:
        return QStringLiteral("Refused to touch ") + name + u'.';
    case Problem::noneFound:
        return QStringLiteral("Final Cut Pro settings were not found in the preferences folder.");
    case Problem::noBackup:
        return QStringLiteral("There is no saved copy of Final Cut Pro settings yet.");
    case Problem::finalCutRunning:
        return QStringLiteral("Quit Final Cut Pro before putting settings back.");
    case Problem::fileSystem:
        break;
    }
    return name;
}

QString FCPPreferencesBackup::liveFolder() {
    return QDir(QDir::homePath())
        .filePath(QStringLiteral("Library/Containers/com.apple.FinalCut/Data/Library/Preferences"));
}

QString FCPPreferencesBackup::savedFolder() {
    return QDir(SafetyCopy::storageRoot()).filePath(QStringLiteral("Final Cut preferences"));
}

QStringList FCPPreferencesBackup::preferenceFiles(const QString& folder) {
    QStringList names;
    DIR* listing = ::opendir(bytes(folder).constData());
    if (!listing)
        return {};
    const int fd = ::dirfd(listing);
    while (const dirent* entry = ::readdir(listing)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name.startsWith(u'.') || !isPreferenceName(name))
            continue;
        struct stat facts {};
        if (::fstatat(fd, entry->d_name, &facts, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(facts.st_mode))
            continue;
        names.append(name);
    }
    ::closedir(listing);
    std::sort(names.begin(), names.end());
    QStringList files;
    const QDir dir(folder);
    for (const QString& name : std::as_const(names)) {
        const QString path = dir.filePath(name);
        if (!path.contains(kBundleMark))
            files.append(path);
    }
    return files;
}

std::optional<FCPPreferencesBackup::Error> FCPPreferencesBackup::requireInside(const QString& file,
                                                                               const QString& folder) {
    const QString clean = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
    const QString parent = clean.left(std::max<qsizetype>(clean.lastIndexOf(u'/'), 1));
    if (parent == QDir::cleanPath(QFileInfo(folder).absoluteFilePath()) && !clean.contains(kBundleMark))
        return std::nullopt;
    const QString name = QFileInfo(clean).fileName();
    return Error{Problem::unsafe, describe(Problem::unsafe, name)};
}

FCPPreferencesBackup::Outcome FCPPreferencesBackup::save(const QString& from, const QString& to,
                                                         const Hooks& hooks) {
    const QStringList files = preferenceFiles(from);
    if (files.isEmpty())
        return refused(Problem::noneFound);
    if (const int error = FileCopy::makeFolders(bytes(to)))
        return fileSystemError(QStringLiteral("Couldn\u2019t create the folder ") + quoted(to),
                               FileCopy::errorText(error));

    // The saved set changes only once every new copy is known to be good: until then the new
    // copies carry hidden names, which are never listed, so whatever goes wrong on the way
    // leaves the last good set as it was and nothing half-made to restore.
    QStringList temporaries;
    const auto abandon = [&temporaries](Outcome outcome) {
        for (const QString& temporary : std::as_const(temporaries))
            removeItem(temporary);
        return outcome;
    };
    Result result;
    for (const QString& file : files) {
        const QString name = QFileInfo(file).fileName();
        if (const std::optional<Error> unsafe = requireInside(file, from))
            return abandon({std::nullopt, *unsafe});
        const QString temporary = temporaryFor(to, name);
        if (const QString reason = removeItem(temporary); !reason.isEmpty())
            return abandon(
                fileSystemError(QStringLiteral("Couldn\u2019t remove ") + quoted(temporary), reason));
        const FileCopy::Outcome copied = FileCopy::copy(bytes(file), bytes(temporary));
        if (!copied.size)
            return abandon(fileSystemError(
                QStringLiteral("Couldn\u2019t copy %1 to %2").arg(quoted(name), quoted(to)), copied.error));
        temporaries.append(temporary);
        if (hooks.afterCopy)
            hooks.afterCopy(temporary);
        const qint64 size = fileSize(file);
        if (size < 0 || fileSize(temporary) != size)
            return abandon(refused(Problem::mismatch, name));
        result.files.append(name);
        result.bytes += size;
    }
    for (qsizetype i = 0; i < temporaries.size(); ++i) {
        const QString target = QDir(to).filePath(result.files.at(i));
        if (::rename(bytes(temporaries.at(i)).constData(), bytes(target).constData()) != 0) {
            const QString reason = FileCopy::errorText(errno);
            return abandon(
                fileSystemError(QStringLiteral("Couldn\u2019t replace ") + quoted(target), reason));
        }
    }
    temporaries.clear();
    // What the live folder no longer has is no longer part of the settings.
    for (const QString& saved : preferenceFiles(to)) {
        if (result.files.contains(QFileInfo(saved).fileName()))
            continue;
        if (const QString reason = removeItem(saved); !reason.isEmpty())
            return fileSystemError(QStringLiteral("Couldn\u2019t remove ") + quoted(saved), reason);
    }
    return {result, {}};
}

FCPPreferencesBackup::Outcome FCPPreferencesBackup::restore(const QString& from, const QString& to,
                                                            bool finalCutRunning, const Hooks& hooks) {
    if (finalCutRunning)
        return refused(Problem::finalCutRunning);
    const QStringList files = preferenceFiles(from);
    if (files.isEmpty())
        return refused(Problem::noBackup);
    if (const int error = FileCopy::makeFolders(bytes(to)))
        return fileSystemError(QStringLiteral("Couldn\u2019t create the folder ") + quoted(to),
                               FileCopy::errorText(error));
    Result result;
    for (const QString& file : files) {
        const QString name = QFileInfo(file).fileName();
        if (const std::optional<Error> unsafe = requireInside(file, from))
            return {std::nullopt, *unsafe};
        const QString target = QDir(to).filePath(name);
        struct stat facts {};
        if (exists(target, &facts) && S_ISLNK(facts.st_mode))
            return refused(Problem::unsafe, name);
        const QString temporary = temporaryFor(to, name);
        if (const QString reason = removeItem(temporary); !reason.isEmpty())
            return fileSystemError(QStringLiteral("Couldn\u2019t remove ") + quoted(temporary), reason);
        const FileCopy::Outcome copied = FileCopy::copy(bytes(file), bytes(temporary));
        if (!copied.size)
            return fileSystemError(
                QStringLiteral("Couldn\u2019t copy %1 to %2").arg(quoted(name), quoted(to)), copied.error);
        if (hooks.afterCopy)
            hooks.afterCopy(temporary);
        // Checked before the copy takes the live file's place, so a bad copy never does.
        const qint64 size = fileSize(file);
        if (size < 0 || fileSize(temporary) != size) {
            removeItem(temporary);
            return refused(Problem::mismatch, name);
        }
        if (::rename(bytes(temporary).constData(), bytes(target).constData()) != 0) {
            const QString reason = FileCopy::errorText(errno);
            removeItem(temporary);
            return fileSystemError(QStringLiteral("Couldn\u2019t replace ") + quoted(target), reason);
        }
        result.files.append(name);
        result.bytes += size;
    }
    return {result, {}};
}

bool FCPPreferencesBackup::finalCutIsRunning() {
    const std::shared_ptr<platform::FinalCutApp> app = platform::services().finalCut;
    return app && !app->running().isEmpty();
}

FCPPreferencesBackup::Outcome FCPPreferencesBackup::saveLive() {
    return save(liveFolder(), savedFolder());
}

FCPPreferencesBackup::Outcome FCPPreferencesBackup::restoreLive() {
    return restore(savedFolder(), liveFolder(), finalCutIsRunning());
}

namespace {

bool writeText(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

QByteArray readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString listDescription(const QStringList& names) {
    QStringList quotedNames;
    for (const QString& name : names)
        quotedNames.append(u'"' + name + u'"');
    return u'[' + quotedNames.join(QStringLiteral(", ")) + u']';
}

} // namespace

bool FCPPreferencesBackup::selfTest(const std::function<void(const QString& line)>& print) {
    const QString root = QDir(QDir::tempPath())
                             .filePath(QStringLiteral("pellimor-prefs-") +
                                       QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    struct RemoveRoot {
        QString root;
        ~RemoveRoot() { QDir(root).removeRecursively(); }
    } removeRoot{root};
    const QString live = QDir(root).filePath(QStringLiteral("Preferences"));
    const QString saved = QDir(root).filePath(QStringLiteral("Safety copies/Final Cut preferences"));
    const QString main = QDir(live).filePath(QStringLiteral("com.apple.FinalCut.plist"));
    const QString unrelated = QDir(live).filePath(QStringLiteral("com.apple.imagecapture.plist"));
    const QString media = QDir(root).filePath(QStringLiteral("Job.fcpbundle/Original Media/clip.mov"));
    const auto failWith = [&print](const QString& description) {
        print(QStringLiteral("prefs test failed: ") + description);
        return false;
    };

    const bool written =
        writeText(main, "settings-v1") &&
        writeText(QDir(live).filePath(QStringLiteral("com.apple.FinalCut.UserDestinations8.plist")),
                  "destinations") &&
        writeText(unrelated, "leave-me") &&
        QFile::link(QStringLiteral("/tmp/not-ours"),
                    QDir(live).filePath(QStringLiteral("com.apple.security.plist"))) &&
        writeText(media, "media");
    if (!written)
        return failWith(QStringLiteral("Couldn\u2019t write the sample files in ") + quoted(root) + u'.');

    const Outcome first = save(live, saved);
    if (!first)
        return failWith(first.error.description);
    const QStringList expected = {QStringLiteral("com.apple.FinalCut.UserDestinations8.plist"),
                                  QStringLiteral("com.apple.FinalCut.plist")};
    if (first.result->files != expected) {
        print(QStringLiteral("prefs test: saved the wrong files ") + listDescription(first.result->files));
        return false;
    }
    if (preferenceFiles(saved).size() != 2) {
        print(QStringLiteral("prefs test: backup count"));
        return false;
    }
    if (readText(media) != "media") {
        print(QStringLiteral("prefs test: original media was touched"));
        return false;
    }
    if (!writeText(main, "settings-v2"))
        return failWith(QStringLiteral("Couldn\u2019t write ") + quoted(main) + u'.');
    const Outcome refusedRestore = restore(saved, live, true);
    if (refusedRestore)
        return failWith(QStringLiteral("a restore went ahead while Final Cut Pro was running."));
    if (refusedRestore.error.problem != Problem::finalCutRunning)
        return failWith(refusedRestore.error.description);
    if (readText(main) != "settings-v2") {
        print(QStringLiteral("prefs test: a refused restore changed the file"));
        return false;
    }
    const Outcome restored = restore(saved, live, false);
    if (!restored)
        return failWith(restored.error.description);
    if (readText(main) != "settings-v1") {
        print(QStringLiteral("prefs test: restore did not put the saved settings back"));
        return false;
    }
    if (readText(unrelated) != "leave-me") {
        print(QStringLiteral("prefs test: an unrelated plist was changed"));
        return false;
    }
    return true;
}

} // namespace pellimor
