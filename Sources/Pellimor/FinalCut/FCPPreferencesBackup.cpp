#include "FinalCut/FCPPreferencesBackup.h"

#include "FinalCut/SafetyCopy.h"
#include "Platform/FinalCutApp.h"
#include "Platform/Services.h"
#include "Support/FileCopy.h"
#include "Support/OpenFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
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

// What a test that stops a save gets back; no user sees it.
Outcome stopped() {
    return {std::nullopt, {Problem::fileSystem, QStringLiteral("The save was stopped by a test.")}};
}

// The length of a regular file in the open folder; -1 for anything else or nothing.
qint64 sizeAt(const OpenFolder& folder, const QByteArray& name) {
    const std::optional<ItemFacts> facts = folder.entryFacts(name);
    return facts && facts->isRegularFile() ? facts->size : -1;
}

// Hidden folders beside the saved one that only a save makes: "." + its name + ".pellimor-"
// + "new" (a set being made, or, once exchanged, the previous set) or "old" (the previous
// set moved aside) + "-" + eight hex digits.
QByteArray leftoverName(const QByteArray& savedName, const char* kind) {
    return '.' + savedName + ".pellimor-" + kind + '-' +
           QByteArray::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, '0');
}

// The kind ("new" or "old") when `name` has exactly the form of leftoverName(savedName, ...).
QByteArray leftoverKind(const QByteArray& name, const QByteArray& savedName) {
    const QByteArray head = '.' + savedName + ".pellimor-";
    if (!name.startsWith(head) || name.size() != head.size() + 12)
        return {};
    const QByteArray kind = name.mid(head.size(), 3);
    if ((kind != "new" && kind != "old") || name.at(head.size() + 3) != '-')
        return {};
    for (const char c : name.mid(head.size() + 4)) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return {};
    }
    return kind;
}

// Every name in the open folder, hidden ones included, sorted; none when it cannot be listed.
std::vector<QByteArray> namesIn(const OpenFolder& folder) {
    std::vector<QByteArray> names = folder.names();
    std::sort(names.begin(), names.end());
    return names;
}

// The folders of a stopped save beside the saved one: real folders of exactly that form.
QList<QByteArray> leftovers(const OpenFolder& root, const QByteArray& savedName) {
    QList<QByteArray> found;
    for (const QByteArray& name : namesIn(root)) {
        const std::optional<ItemFacts> facts = root.entryFacts(name);
        if (!leftoverKind(name, savedName).isEmpty() && facts && facts->isFolder())
            found.append(name);
    }
    return found;
}

// A saved set moved aside by a save that was stopped before the new set took its name goes
// back to its place, so the saved folder is never missing for longer than that moment.
void settle(const OpenFolder& root, const QByteArray& savedName) {
    if (root.entryFacts(savedName))
        return;
    for (const QByteArray& name : leftovers(root, savedName)) {
        if (leftoverKind(name, savedName) == "old" &&
            FileCopy::renameWithoutReplacing(root.fd(), name, root.fd(), savedName) == 0)
            return;
    }
}

// Empties a set that is no longer the saved one and removes its folder: its preference files
// (and restore temporaries) are this program's copies and go; anything else moves into the
// saved folder, unless something there has its name, and then stays, as does the folder.
// False when a test stopped it.
bool retire(const OpenFolder& root, const QByteArray& name, const QByteArray& savedName,
            const std::function<bool(FCPPreferencesBackup::Step)>& stop) {
    const OpenFolder set = root.child(name);
    const OpenFolder saved = root.child(savedName);
    if (!set || !saved)
        return true;
    for (const QByteArray& entry : namesIn(set)) {
        const QString text = QFile::decodeName(entry);
        const bool copy = !text.startsWith(u'.') && isPreferenceName(text);
        const bool temporary = text.startsWith(u'.') && text.endsWith(kTemporarySuffix) &&
                               isPreferenceName(text.mid(1, text.size() - 1 - kTemporarySuffix.size()));
        const std::optional<ItemFacts> facts = set.entryFacts(entry);
        if ((copy || temporary) && facts && facts->isRegularFile())
            ::unlinkat(set.fd(), entry.constData(), 0);
        else
            FileCopy::renameWithoutReplacing(set.fd(), entry, saved.fd(), entry);
        if (stop(FCPPreferencesBackup::Step::retired))
            return false;
    }
    ::unlinkat(root.fd(), name.constData(), AT_REMOVEDIR);
    return true;
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

FCPPreferencesBackup::Outcome FCPPreferencesBackup::save(const QString& from, const QString& to) {
    return save(from, to, Hooks{});
}

FCPPreferencesBackup::Outcome FCPPreferencesBackup::save(const QString& from, const QString& to,
                                                         const Hooks& hooks) {
    const QStringList files = preferenceFiles(from);
    if (files.isEmpty())
        return refused(Problem::noneFound);
    const QString savedPath = QDir::cleanPath(QFileInfo(to).absoluteFilePath());
    const QString rootPath = QFileInfo(savedPath).absolutePath();
    const QByteArray savedName = bytes(QFileInfo(savedPath).fileName());
    const auto cannotCreate = [&](const QString& folder, int error) {
        return fileSystemError(QStringLiteral("Couldn\u2019t create the folder ") + quoted(folder),
                               FileCopy::errorText(error));
    };
    // The safety-copy folder itself is the user's choice, and may be reached through a link.
    if (const int error = FileCopy::makeFolders(bytes(rootPath)))
        return cannotCreate(to, error);
    const OpenFolder root = OpenFolder::open(rootPath, OpenFolder::LastLink::followed);
    if (!root)
        return cannotCreate(to, root.errorCode());
    const std::optional<ItemFacts> before = root.entryFacts(savedName);
    if (before && before->isLink())
        return refused(Problem::unsafe, QFile::decodeName(savedName));
    if (before && !before->isFolder())
        return cannotCreate(to, ENOTDIR);
    settle(root, savedName);
    const OpenFolder source = OpenFolder::open(from, OpenFolder::LastLink::followed);
    const auto cannotCopy = [&](const QString& name, const QString& reason) {
        return fileSystemError(QStringLiteral("Couldn\u2019t copy %1 to %2").arg(quoted(name), quoted(to)),
                               reason);
    };
    const auto stop = [&hooks](Step step) { return hooks.stopAt && hooks.stopAt(step); };

    // The new set, whole and checked, in a hidden folder of its own beside the saved one.
    QByteArray setName;
    for (int attempt = 0; attempt < 16 && setName.isEmpty(); ++attempt) {
        const QByteArray name = leftoverName(savedName, "new");
        if (::mkdirat(root.fd(), name.constData(), 0777) == 0)
            setName = name;
        else if (errno != EEXIST)
            return cannotCreate(QDir(rootPath).filePath(QFile::decodeName(name)), errno);
    }
    if (setName.isEmpty())
        return cannotCreate(QDir(rootPath).filePath(QFile::decodeName(leftoverName(savedName, "new"))),
                            EEXIST);
    const QString setPath = QDir(rootPath).filePath(QFile::decodeName(setName));
    const OpenFolder set = root.child(setName);
    QList<QByteArray> copied;
    // Until the new set takes the saved folder's place it is nobody's: a failure removes it.
    const auto abandon = [&](Outcome outcome) {
        if (set) {
            for (const QByteArray& name : std::as_const(copied))
                ::unlinkat(set.fd(), name.constData(), 0);
        }
        ::unlinkat(root.fd(), setName.constData(), AT_REMOVEDIR);
        return outcome;
    };
    if (!set)
        return abandon(cannotCreate(setPath, set.errorCode()));
    if (!source)
        return abandon(cannotCopy(QFileInfo(files.first()).fileName(), source.errorText()));
    if (before)
        ::fchmod(set.fd(), before->mode & 07777);

    Result result;
    QList<qint64> sizes;
    for (const QString& file : files) {
        const QString name = QFileInfo(file).fileName();
        const QByteArray native = bytes(name);
        if (const std::optional<Error> unsafe = requireInside(file, from))
            return abandon({std::nullopt, *unsafe});
        const FileCopy::Outcome copy =
            FileCopy::copyAt(source.fd(), native, set.fd(), native, FileCopy::Flush::toDisk);
        if (!copy.size)
            return abandon(cannotCopy(name, copy.error));
        copied.append(native);
        if (hooks.afterCopy)
            hooks.afterCopy(QDir(setPath).filePath(name));
        if (stop(Step::copied))
            return stopped();
        const std::optional<ItemFacts> original = source.entryFacts(native);
        const qint64 size = original && original->isRegularFile() ? original->size : -1;
        if (size < 0 || sizeAt(set, native) != size)
            return abandon(refused(Problem::mismatch, name));
        result.files.append(name);
        result.bytes += size;
        sizes.append(size);
    }
    // Checked once more as a whole right before it becomes the saved set.
    for (qsizetype i = 0; i < copied.size(); ++i) {
        if (sizeAt(set, copied.at(i)) != sizes.at(i))
            return abandon(refused(Problem::mismatch, result.files.at(i)));
    }
    ::fsync(set.fd());
    if (stop(Step::complete))
        return stopped();

    // One step: the new set takes the saved folder's name, and the previous set the new one's.
    QByteArray previous;
    const std::optional<ItemFacts> now = root.entryFacts(savedName);
    if (now && now->isLink())
        return abandon(refused(Problem::unsafe, QFile::decodeName(savedName)));
    if (!now) {
        if (const int error = FileCopy::renameWithoutReplacing(root.fd(), setName, root.fd(), savedName))
            return abandon(fileSystemError(QStringLiteral("Couldn\u2019t replace ") + quoted(to),
                                           FileCopy::errorText(error)));
    } else if (!hooks.withoutExchange && ::renameat2(root.fd(), setName.constData(), root.fd(),
                                                     savedName.constData(), RENAME_EXCHANGE) == 0) {
        previous = setName;
    } else if (hooks.withoutExchange || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
        // Two steps where the file system has no exchange: the saved set aside under a name
        // that says what it is, so the next save or restore can put it back should a kill
        // come between them.
        QByteArray aside;
        int error = EEXIST;
        for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
            aside = leftoverName(savedName, "old");
            error = FileCopy::renameWithoutReplacing(root.fd(), savedName, root.fd(), aside);
        }
        if (error)
            return abandon(fileSystemError(QStringLiteral("Couldn\u2019t replace ") + quoted(to),
                                           FileCopy::errorText(error)));
        if (stop(Step::setAside))
            return stopped();
        if (const int failed = FileCopy::renameWithoutReplacing(root.fd(), setName, root.fd(), savedName)) {
            FileCopy::renameWithoutReplacing(root.fd(), aside, root.fd(), savedName);
            return abandon(fileSystemError(QStringLiteral("Couldn\u2019t replace ") + quoted(to),
                                           FileCopy::errorText(failed)));
        }
        previous = aside;
    } else {
        const int error = errno;
        return abandon(fileSystemError(QStringLiteral("Couldn\u2019t replace ") + quoted(to),
                                       FileCopy::errorText(error)));
    }
    ::fsync(root.fd());
    if (stop(Step::committed))
        return stopped();

    // The previous set first, then whatever stopped saves left: what is ours goes, anything
    // else joins the saved set. What cannot be tidied now stays hidden for the next save.
    if (!previous.isEmpty() && !retire(root, previous, savedName, stop))
        return stopped();
    for (const QByteArray& name : leftovers(root, savedName)) {
        if (!retire(root, name, savedName, stop))
            return stopped();
    }
    return {result, {}};
}

FCPPreferencesBackup::Outcome FCPPreferencesBackup::restore(const QString& from, const QString& to,
                                                            bool finalCutRunning) {
    return restore(from, to, finalCutRunning, Hooks{});
}

FCPPreferencesBackup::Outcome FCPPreferencesBackup::restore(const QString& from, const QString& to,
                                                            bool finalCutRunning, const Hooks& hooks) {
    if (finalCutRunning)
        return refused(Problem::finalCutRunning);
    // A save stopped between its two renames may have left the saved set aside.
    {
        const QString saved = QDir::cleanPath(QFileInfo(from).absoluteFilePath());
        const OpenFolder root =
            OpenFolder::open(QFileInfo(saved).absolutePath(), OpenFolder::LastLink::followed);
        if (root)
            settle(root, bytes(QFileInfo(saved).fileName()));
    }
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
