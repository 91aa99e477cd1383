// The run: the only code of free up space that removes anything.

#include "Catalogue/Logs/ErrorLog.h"
#include "FreeUpSpace/Cleanup.h"
#include "FreeUpSpace/CleanupChecks.h"
#include "FreeUpSpace/CleanupFiles.h"
#include "Platform/Services.h"
#include "Platform/Trash.h"
#include "Support/ByteSum.h"
#include "Support/LogFile.h"
#include "Support/OpenFolder.h"
#include "Support/PathText.h"

#include <fcntl.h>

namespace pellimor::Cleanup {

namespace {

const QString kArea = QStringLiteral("free-up-space");

// A line of the deletion log. One that cannot be written is lost: the log only ever grows, and
// the removal it records has happened all the same.
void logLine(const std::optional<QString>& logPath, const QString& text) {
    if (logPath)
        (void)LogFile::appendLine(*logPath, text);
}

void logError(const QString& message, const QString& path) {
    ErrorLog::log(ErrorLog::Level::error, kArea, message, path);
}

// The event the run is in, held open from the library's folder for all its targets, with the
// names of the originals its proxy and optimized files depend on, read when its first such
// target comes: once per event and run, since reading them for every target made a run over
// many single files grow with the square of their number.
struct EventInRun {
    QString name;
    OpenFolder folder;
    std::optional<QSet<QString>> originals;
    // The folder of the last target, held for the next one in the same folder, with its path
    // as the plan wrote it.
    QString parentPath;
    OpenFolder parent;
};

// A target as its check found it through the open folders, ready to be handed to the Trash.
struct Checked {
    const OpenFolder* folder = nullptr;
    QString text;    // its name as text
    QByteArray name; // and as the file system's bytes
    ItemFacts facts;
};

// The safety check just before a target goes, made through open folders: its place in the
// event judged by the path's text, then the item reached from the event's open folder without
// following a link or crossing into another mount, and looked at and measured there (it must
// hold no link and no other mount). The folder holding the item is opened once for all the
// targets in it, and only while its path still leads to the folder opened; from then on the
// run acts through that open folder alone, and the Trash is handed it with the facts seen, so
// whatever the paths lead to later, a call acts on the item checked or on nothing, never
// elsewhere.
std::optional<Checked> check(const CleanupTarget& target, const QString& lib, const OpenFolder& library,
                             std::optional<EventInRun>& event) {
    if (!isSingleName(QStringView(target.event)))
        return std::nullopt;
    if (!event || event->name != target.event)
        event = EventInRun{target.event, library.child(CleanupFiles::native(target.event)), {}, {}, {}};
    if (!event->folder)
        return std::nullopt;
    const QString path = CleanupFiles::standardised(target.url);
    const qsizetype slash = path.lastIndexOf(u'/');
    const QStringView parentPath = QStringView(path).left(slash);
    const QString itemName = path.mid(slash + 1);
    if (event->parent && parentPath == event->parentPath) {
        // The folder was judged for the target before; only the item's own name is left.
        if (itemName.isEmpty() || protectedNames().contains(itemName))
            return std::nullopt;
    } else {
        const Result<QStringList> pieces = placeInEvent(path, lib, target.event);
        if (!pieces)
            return std::nullopt;
        event->parentPath = parentPath.toString();
        event->parent = openParent(event->folder, *pieces).folder;
        // What the run reports and logs by path must be what it removes: a folder reached by
        // its path as another folder (swapped since the plan) is not used.
        const std::optional<ItemFacts> atPath =
            itemFactsAt(AT_FDCWD, CleanupFiles::native(event->parentPath));
        if (event->parent && (!atPath || !atPath->sameItem(event->parent.facts())))
            event->parent = OpenFolder();
    }
    if (!event->parent)
        return std::nullopt;
    const QByteArray name = CleanupFiles::native(itemName);
    const Measured measured = measure(event->parent, name);
    if (measured.refusal != Refusal::none)
        return std::nullopt;
    return Checked{&event->parent, itemName, name, *measured.facts};
}

// Whether a proxy or optimized target still has its originals: a folder only files that do, a
// file its own, by the event's originals as this run read them.
bool stillHasOriginals(const CleanupTarget& target, const Checked& checked, EventInRun& event,
                       const QString& lib) {
    if (!event.originals)
        event.originals = originalNames(PathText::childPath(lib, event.name));
    const QSet<QString>& originals = *event.originals;
    const auto hasOriginal = [&](const QString& base) { return originals.contains(base); };
    if (checked.facts.isFolder())
        return sortFiles(target.url, hasOriginal).orphans.isEmpty();
    return hasOriginal(baseName(checked.text));
}

} // namespace

Result2 run(const CleanupPlan& plan, const QString& library, bool permanent, bool checkFCP,
            const std::optional<QString>& logPath, const Progress& progress, std::stop_token stop) {
    Result2 result;
    if (checkFCP && fcpIsRunning()) {
        result.errors.append(QStringLiteral("Final Cut Pro is running."));
        return result;
    }
    // Resolved now, not when planned: a library renamed, moved or replaced by a link since then
    // no longer holds the targets' paths, and every target is refused.
    const QString lib = CleanupFiles::resolved(library);
    const OpenFolder libraryFolder = OpenFolder::open(lib);
    const std::shared_ptr<platform::Trash> trash = platform::services().trash;
    std::optional<EventInRun> event;

    qint64 before = 0;
    for (qsizetype index = 0; index < plan.targets.size(); ++index) {
        if (stop.stop_requested()) {
            result.notReached = plan.targets.size() - index;
            break;
        }
        const CleanupTarget& target = plan.targets.at(index);
        if (progress)
            progress(int(index), before, target);
        before = ByteSum::saturatingAdd(before, target.bytes);

        const QString name = PathText::lastComponent(target.url);
        const std::optional<Checked> checked = check(target, lib, libraryFolder, event);
        if (!checked) {
            result.errors.append(QStringLiteral("Skipped ") + name +
                                 QStringLiteral(": failed the safety check just before deleting."));
            logError(QStringLiteral("Skipped a file: it failed the safety check just before deleting."),
                     target.url);
            continue;
        }
        // Final Cut Pro rebuilds proxy and optimized media only from their originals; render
        // files need none.
        if (target.kind != GeneratedKind::render && !stillHasOriginals(target, *checked, *event, lib)) {
            result.errors.append(QStringLiteral("Skipped ") + name +
                                 QStringLiteral(": its original is no longer in the event."));
            logError(QStringLiteral("Skipped a file: its original is no longer in the event."), target.url);
            continue;
        }

        const platform::TrashItem item{*checked->folder, checked->name, target.url, checked->facts};
        const Result<void> removed = permanent ? trash->remove(item) : trash->moveToTrash(item);
        if (!removed) {
            result.errors.append(name + QStringLiteral(": ") + removed.error());
            logLine(logPath, QStringLiteral("FAILED ") + target.url + QStringLiteral(": ") + removed.error());
            logError(QStringLiteral("A file could not be removed: ") + removed.error(), target.url);
            continue;
        }
        result.freed = ByteSum::saturatingAdd(result.freed, target.bytes);
        result.done.append(target.url);
        // The line is only made when there is a log to take it.
        if (logPath)
            logLine(logPath, (permanent ? QStringLiteral("DELETED ") : QStringLiteral("TRASHED ")) +
                                 rawValue(target.kind) + u' ' + QString::number(target.bytes) +
                                 QStringLiteral(" bytes  ") + target.url);
    }
    return result;
}

} // namespace pellimor::Cleanup
