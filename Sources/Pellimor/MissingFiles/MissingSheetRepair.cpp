// Putting found files back from the missing-files sheet: its lists and texts.

#include "MissingFiles/MissingSheetRepair.h"

#include "MissingFiles/MissingSheet.h"
#include "Support/ByteCount.h"
#include "Support/PathText.h"

#include <algorithm>

namespace pellimor::MissingSheet {

namespace {

using MissingFiles::RepairMode;

QString number(qsizetype value) {
    return QString::number(value);
}

QString plural(qsizetype count, const char* one, const char* many) {
    return QString::fromLatin1(count == 1 ? one : many);
}

// At most this many skip reasons are spelled out; the rest are counted.
constexpr qsizetype kReasonsShown = 4;

} // namespace

QList<RepairEntry> repairable(const MissingSheetState& state) {
    QList<Row> rows;
    for (const MissingFile& file : files(state))
        if (state.selection.isEmpty() || state.selection.contains(file.id()))
            rows.append(row(state, file));
    return repairable(rows, state.selection);
}

QList<RepairEntry> repairable(const QList<Row>& rows, const QSet<QString>& selection) {
    QList<RepairEntry> entries;
    for (const Row& judged : rows) {
        if (!selection.isEmpty() && !selection.contains(judged.file.id()))
            continue;
        if (!judged.choice.path)
            continue;
        entries.append(
            {{judged.file, *judged.choice.path}, judged.choice.match && judged.choice.match->isStrong()});
    }
    return entries;
}

QList<MissingFiles::RepairItem> items(const QList<RepairEntry>& entries) {
    QList<MissingFiles::RepairItem> list;
    list.reserve(entries.size());
    for (const RepairEntry& entry : entries)
        list.append(entry.item);
    return list;
}

bool showsRepairStep(const MissingSheetState& state) {
    return state.searchedOnce || state.searchedIn.has_value();
}

bool canRepair(const MissingSheetState& state) {
    return state.searchedIn.has_value() && !state.searching && !state.working;
}

QString repairCount(const MissingSheetState& state, qsizetype count) {
    return number(count) + QStringLiteral(" found file") + plural(count, "", "s") +
           QStringLiteral(" can be put back (") +
           (state.selection.isEmpty() ? QStringLiteral("all rows; select rows to do only some")
                                      : QStringLiteral("the selected rows")) +
           QStringLiteral(").");
}

QString nothingToRepair(const MissingSheetState& state) {
    if (state.selection.isEmpty())
        return QStringLiteral(
            "Nothing can be put back yet. Click a row: if several different files were found, "
            "Quick Look them and press Use This One. Otherwise tick more places in step 2, or "
            "connect the drive a file is listed on.");
    return QStringLiteral(
        "Tovlin can't tell which found file is right. In the details above, look at each with "
        "Quick Look and press Use This One on the right file.");
}

QString repairButton(RepairMode mode) {
    return mode == RepairMode::copy ? QStringLiteral("Copy Into Library") : QStringLiteral("Repair Links");
}

std::optional<RepairQuestion> question(const MissingSheetState& state, const QList<RepairEntry>& entries) {
    if (!state.pendingRepair || entries.isEmpty())
        return std::nullopt;
    return RepairQuestion{repairTitle(state, entries), repairMessage(state, entries),
                          repairButton(*state.pendingRepair)};
}

QString repairTitle(const MissingSheetState& state, const QList<RepairEntry>& entries) {
    const qsizetype n = entries.size();
    if (state.pendingRepair == RepairMode::copy) {
        QSet<QString> libraries;
        for (const RepairEntry& entry : entries)
            libraries.insert(entry.item.file.libraryPath);
        return QStringLiteral("Copy ") + number(n) + QStringLiteral(" found file") + plural(n, "", "s") +
               QStringLiteral(" into the librar") + plural(libraries.size(), "y", "ies") + u'?';
    }
    return QStringLiteral("Repair ") + number(n) + QStringLiteral(" link") + plural(n, "", "s") + u'?';
}

QString repairMessage(const MissingSheetState& state, const QList<RepairEntry>& entries) {
    QString text = state.selection.isEmpty() ? QStringLiteral("All found files in the list")
                                             : QStringLiteral("The selected files");
    text += QStringLiteral(" will be used. ");
    if (state.pendingRepair == RepairMode::copy)
        text += QStringLiteral(
            "Each broken link in the library's Original Media is replaced with a copy of the "
            "found file. The found file stays where it is, and no existing media is changed or "
            "deleted.");
    else
        text += QStringLiteral(
            "Each broken link is pointed at the found file, which stays where it is. Nothing is "
            "copied. To bring the files into the library afterwards, use File ▸ Consolidate "
            "Library Media in Final Cut.");
    const qsizetype weak = std::count_if(entries.cbegin(), entries.cend(),
                                         [](const RepairEntry& entry) { return !entry.strong; });
    text += QStringLiteral("\n\n");
    if (weak >= 1)
        text += number(weak) +
                QStringLiteral(" of them matched by name only (orange in the Match column) — look at "
                               "those with Quick Look first, because camera file names repeat.");
    else
        text += QStringLiteral("All of them are strong matches.");
    text += QStringLiteral(" Final Cut Pro must be closed. Every change is written to repair-log.txt.");
    return text;
}

QString repairNote(RepairMode mode, const MissingFiles::RepairResult& result) {
    const int done = result.done;
    QString text;
    if (mode == RepairMode::copy) {
        text = QStringLiteral("Copied ") + number(done) + QStringLiteral(" file") + plural(done, "", "s") +
               QStringLiteral(" into the library (") + ByteCount::file(result.bytes) + QStringLiteral(").");
        if (done >= 1)
            text += QStringLiteral(" Open the library in Final Cut to check the clips. If one still shows as "
                                   "missing, select it and use File ▸ Relink Files.");
    } else {
        text = QStringLiteral("Repaired ") + number(done) + QStringLiteral(" link") + plural(done, "", "s") +
               u'.';
        if (done >= 1)
            text +=
                QStringLiteral(" Open the library in Final Cut to check the clips, then File ▸ Consolidate "
                               "Library Media to copy them into the library.");
    }
    if (!result.skipped.isEmpty()) {
        text +=
            QStringLiteral("\nSkipped: ") + result.skipped.mid(0, kReasonsShown).join(QStringLiteral("; "));
        if (result.skipped.size() > kReasonsShown)
            text += QStringLiteral("; and ") + number(result.skipped.size() - kReasonsShown) +
                    QStringLiteral(" more");
    }
    return text;
}

QString repairLogPath(const QString& dataFolder) {
    return PathText::childPath(dataFolder, QStringLiteral("repair-log.txt"));
}

QList<LibraryInfo> toReread(const QSet<QString>& changed, const QList<LibraryInfo>& catalogued) {
    QList<LibraryInfo> list;
    for (const QString& path : changed)
        for (const LibraryInfo& library : catalogued)
            if (library.path == path) {
                list.append(library);
                break;
            }
    return list;
}

} // namespace pellimor::MissingSheet
