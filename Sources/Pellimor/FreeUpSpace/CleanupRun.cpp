// The run: the only code of free up space that removes anything.

#include "Catalogue/Logs/ErrorLog.h"
#include "FreeUpSpace/Cleanup.h"
#include "FreeUpSpace/CleanupFiles.h"
#include "Platform/Services.h"
#include "Platform/Trash.h"
#include "Support/ByteSum.h"
#include "Support/LogFile.h"
#include "Support/OpenFolder.h"
#include "Support/PathText.h"

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
    const std::shared_ptr<platform::Trash> trash = platform::services().trash;

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
        if (!validate(target.url, lib, target.event) || !safeSize(target.url)) {
            result.errors.append(QStringLiteral("Skipped ") + name +
                                 QStringLiteral(": failed the safety check just before deleting."));
            logError(QStringLiteral("Skipped a file: it failed the safety check just before deleting."),
                     target.url);
            continue;
        }
        // Final Cut Pro rebuilds proxy and optimized media only from their originals; render
        // files need none.
        if (target.kind != GeneratedKind::render && !originalsStillThere(target, lib)) {
            result.errors.append(QStringLiteral("Skipped ") + name +
                                 QStringLiteral(": its original is no longer in the event."));
            logError(QStringLiteral("Skipped a file: its original is no longer in the event."), target.url);
            continue;
        }

        const QString parent = target.url.left(target.url.lastIndexOf(u'/'));
        const OpenFolder folder = OpenFolder::open(parent, OpenFolder::LastLink::followed);
        const std::optional<ItemFacts> facts = folder.entryFacts(CleanupFiles::native(name));
        const platform::TrashItem item{folder, CleanupFiles::native(name), target.url,
                                       facts.value_or(ItemFacts{})};
        const Result<void> removed = permanent ? trash->remove(item) : trash->moveToTrash(item);
        if (!removed) {
            result.errors.append(name + QStringLiteral(": ") + removed.error());
            logLine(logPath, QStringLiteral("FAILED ") + target.url + QStringLiteral(": ") + removed.error());
            logError(QStringLiteral("A file could not be removed: ") + removed.error(), target.url);
            continue;
        }
        result.freed = ByteSum::saturatingAdd(result.freed, target.bytes);
        result.done.append(target.url);
        logLine(logPath, (permanent ? QStringLiteral("DELETED ") : QStringLiteral("TRASHED ")) +
                             rawValue(target.kind) + u' ' + QString::number(target.bytes) +
                             QStringLiteral(" bytes  ") + target.url);
    }
    return result;
}

} // namespace pellimor::Cleanup
