#include "FreeUpSpace/CleanupSheet.h"

#include "Support/ByteCount.h"
#include "Support/ByteSum.h"

#include <algorithm>

namespace pellimor::CleanupSheet {

QString title(const QString& libraryName) {
    return QStringLiteral("Free up space in “") + libraryName + QStringLiteral("”");
}

QString kindLabel(GeneratedKind kind) {
    switch (kind) {
    case GeneratedKind::proxy:
        return QStringLiteral("Proxy media");
    case GeneratedKind::optimized:
        return QStringLiteral("Optimized media");
    case GeneratedKind::render:
        return QStringLiteral("Render files");
    }
    return {};
}

QString kindDescription(GeneratedKind kind) {
    switch (kind) {
    case GeneratedKind::proxy:
        return QStringLiteral(
            "Small stand-in files. Final Cut recreates them from your originals when you ask.");
    case GeneratedKind::optimized:
        return QStringLiteral(
            "ProRes copies of your originals. Final Cut recreates them from your originals.");
    case GeneratedKind::render:
        return QStringLiteral("Cached renders, waveforms and thumbnails. Rebuilt automatically.");
    }
    return {};
}

LibraryInfo library(const QList<LibraryInfo>& catalogued, const LibraryInfo& snapshot) {
    for (const LibraryInfo& entry : catalogued) {
        if (entry.path == snapshot.path)
            return entry;
    }
    return snapshot;
}

qint64 size(const EventInfo& event, const QSet<GeneratedKind>& kinds) {
    qint64 bytes = 0;
    if (kinds.contains(GeneratedKind::proxy))
        bytes = ByteSum::saturatingAdd(bytes, event.proxySize);
    if (kinds.contains(GeneratedKind::optimized))
        bytes = ByteSum::saturatingAdd(bytes, event.optimizedSize);
    if (kinds.contains(GeneratedKind::render))
        bytes = ByteSum::saturatingAdd(bytes, event.renderSize);
    return bytes;
}

bool eventEnabled(const EventInfo& event, const QSet<GeneratedKind>& kinds) {
    return size(event, kinds) != 0;
}

QSet<QString> firstChoice(const LibraryInfo& library) {
    return selectAll(library, {GeneratedKind::proxy});
}

QSet<QString> selectAll(const LibraryInfo& library, const QSet<GeneratedKind>& kinds) {
    QSet<QString> names;
    for (const EventInfo& event : library.events) {
        if (size(event, kinds) > 0)
            names.insert(event.name);
    }
    return names;
}

QStringList planEvents(const LibraryInfo& library, const QSet<QString>& chosen) {
    QStringList names;
    QSet<QString> left = chosen;
    for (const EventInfo& event : library.events) {
        if (left.remove(event.name))
            names.append(event.name);
    }
    QStringList rest(left.begin(), left.end());
    std::sort(rest.begin(), rest.end());
    return names + rest;
}

QString checkingText() {
    return QStringLiteral("Checking the library on disk…");
}

Preview preview(const CleanupSheetState& state) {
    Preview shown;
    if (state.planning) {
        shown.shows = Preview::Shows::checking;
        shown.summary = checkingText();
        return shown;
    }
    if (!state.plan)
        return shown;
    const CleanupPlan& plan = *state.plan;
    shown.shows = Preview::Shows::plan;
    const qsizetype count = plan.targets.size();
    if (count > 0) {
        shown.summary = QString::number(count) + QStringLiteral(" item") +
                        (count == 1 ? QString() : QStringLiteral("s")) + QStringLiteral(" · ") +
                        ByteCount::file(plan.totalBytes()) + QStringLiteral(" will be freed");
    } else {
        shown.summary = QStringLiteral("Nothing to remove with these choices.");
        shown.nothingToRemove = true;
    }
    shown.blockers = plan.blockers;
    shown.blockersScroll = plan.blockers.size() >= kBlockersScrollFrom;
    return shown;
}

bool actionsEnabled(const CleanupSheetState& state) {
    // While a plan is being made the one held answers a choice the user has just changed.
    return !state.working && !state.planning && state.plan && !state.plan->targets.isEmpty();
}

CleanupSheetState::Progress starting() {
    return {0, QStringLiteral("Starting…")};
}

CleanupSheetState::Progress progress(bool permanent, int index, int count, const CleanupTarget& target,
                                     qint64 before, qint64 total) {
    CleanupSheetState::Progress shown;
    shown.fraction = double(before) / double(std::max<qint64>(total, 1));
    shown.text = (permanent ? QStringLiteral("Deleting") : QStringLiteral("Moving to Trash")) + u' ' +
                 QString::number(index + 1) + QStringLiteral(" of ") + QString::number(count) +
                 QStringLiteral(": ") + target.event + QStringLiteral(" — ") + kindLabel(target.kind) +
                 QStringLiteral(" (") + ByteCount::file(target.bytes) + QStringLiteral(") · ") +
                 ByteCount::file(before) + QStringLiteral(" of ") + ByteCount::file(total) +
                 QStringLiteral(" done");
    return shown;
}

QString resultText(const Cleanup::Result2& result, bool permanent) {
    QString text = (permanent ? QStringLiteral("Deleted") : QStringLiteral("Moved to Trash")) +
                   QStringLiteral(": ") + ByteCount::file(result.freed) + QStringLiteral(" in ") +
                   QString::number(result.done.size()) + QStringLiteral(" item(s).");
    if (!result.errors.isEmpty()) {
        text += u'\n' + result.errors.join(u'\n');
        // Whatever went wrong: some drives (network shares, some external formats) have no
        // Trash at all, and the user should know the other way.
        if (!permanent)
            text += QStringLiteral(
                "\nThis drive may not support the Trash. Use “Delete Permanently…” if you're sure.");
    }
    if (result.notReached > 0)
        text += QStringLiteral("\nStopped: ") + QString::number(result.notReached) +
                QStringLiteral(" item(s) left in place.");
    return text;
}

QList<CleanupTarget> removed(const CleanupPlan& plan, const QStringList& done) {
    const QSet<QString> gone(done.begin(), done.end());
    QList<CleanupTarget> targets;
    for (const CleanupTarget& target : plan.targets) {
        if (gone.contains(target.url))
            targets.append(target);
    }
    return targets;
}

} // namespace pellimor::CleanupSheet
