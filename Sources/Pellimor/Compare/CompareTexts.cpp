#include "Compare/CompareTexts.h"

#include "Catalogue/Records/Fmt.h"
#include "Catalogue/Records/RowDate.h"

#include <QLatin1Char>

namespace pellimor::CompareTexts {

namespace {

QString files(int n) {
    return QString::number(n) + (n == 1 ? QStringLiteral(" file") : QStringLiteral(" files"));
}

// The drive name of a copy path; "?" for a path no copy has.
QString driveOf(const CompareGroup& group, const QString& path) {
    const CompareGroup::Copy* copy = group.copy(path);
    return copy ? copy->lib.volumeName : QStringLiteral("?");
}

QString drivesOf(const CompareGroup& group, const QStringList& paths) {
    QStringList names;
    for (const QString& path : paths)
        names.append(driveOf(group, path));
    return names.join(QStringLiteral(", "));
}

} // namespace

CompareDetail detail(const CompareGroup& group, const Comparer::MediaReport& media, bool showIdentical) {
    CompareDetail panel;
    const bool behind = !group.isBehind.isEmpty();
    panel.symbol =
        behind ? QStringLiteral("exclamationmark.triangle.fill") : QStringLiteral("checkmark.circle.fill");
    panel.symbolTone = behind ? CompareTone::orange : CompareTone::green;
    panel.name = group.name;
    panel.verdict = group.verdict;
    panel.media = mediaLine(group, media);
    for (const CompareGroup::Diff& diff : group.diffs) {
        if (showIdentical || !diff.missing.isEmpty() || !diff.older.isEmpty())
            panel.rows.append(diffRow(diff, group));
    }
    panel.listsProjects = !panel.rows.isEmpty();
    if (panel.rows.isEmpty() && !showIdentical)
        panel.note = QStringLiteral("No projects differ. Tick “Show unchanged projects” to list them all.");
    return panel;
}

CompareDetail::Media mediaLine(const CompareGroup& group, const Comparer::MediaReport& media) {
    CompareDetail::Media line;
    if (media.total == 0)
        return line;
    line.shown = true;
    if (media.identical && media.extra.isEmpty()) {
        line.symbol = QStringLiteral("checkmark.seal");
        line.heading = QStringLiteral("Original media: identical in all copies (") +
                       QString::number(media.total) + QStringLiteral(" files, compared by name and size)");
        line.tone = CompareTone::green;
        return line;
    }
    line.symbol = QStringLiteral("exclamationmark.triangle");
    line.heading = QStringLiteral("Original media differs between copies");
    line.tone = CompareTone::orange;
    line.bold = true;
    for (const CompareGroup::Copy& copy : group.copies) {
        const int missing = media.missing.value(copy.lib.path, 0);
        const int extra = media.extra.value(copy.lib.path, 0);
        QStringList parts;
        if (missing > 0)
            parts.append(QStringLiteral("missing ") + files(missing) +
                         QStringLiteral(" that exist in another copy"));
        if (extra > 0)
            parts.append(QStringLiteral("has ") + files(extra) + QStringLiteral(" the others lack"));
        if (!parts.isEmpty())
            line.lines.append(copy.lib.volumeName + QStringLiteral(": ") + parts.join(QStringLiteral("; ")));
    }
    return line;
}

CompareDetail::DiffRow diffRow(const CompareGroup::Diff& diff, const CompareGroup& group) {
    CompareDetail::DiffRow row;
    row.key = diff.key;
    QStringList parts;
    if (!diff.older.isEmpty()) {
        const QString date = Fmt::dateOrDash(diff.dates.value(diff.winner, RowDate::distantPast()));
        parts.append(QStringLiteral("newest on ") + driveOf(group, diff.winner) + QStringLiteral(" (") +
                     date + QStringLiteral("); older on ") + drivesOf(group, diff.older));
        row.tone = CompareTone::orange;
    }
    if (!diff.missing.isEmpty()) {
        parts.append(QStringLiteral("missing on ") + drivesOf(group, diff.missing));
        row.tone = CompareTone::red;
    }
    if (parts.isEmpty())
        parts.append(diff.resaved ? QStringLiteral("same content (re-saved by Final Cut on some copies)")
                                  : QStringLiteral("same in every copy"));
    row.parts = parts.join(QStringLiteral(" · "));
    return row;
}

QString notice() {
    return QStringLiteral("Some libraries were scanned before content comparison existed. Use Scan ▸ Refresh "
                          "Watched Folders to update them; until then their dates are used, which can be "
                          "misleading.");
}

QStringList help() {
    return {
        QStringLiteral("How copies are compared"),
        QStringLiteral(
            "• Copies are matched by the library's internal ID, so renamed copies and backups are found."),
        QStringLiteral(
            "• Each project gets a fingerprint of its internal structure. Same fingerprint = same "
            "project, whatever its dates say. Final Cut re-saves every project whenever a library is "
            "opened or updated, which changes the dates but not the content."),
        QStringLiteral(
            "• Only when fingerprints differ is a project really different. The copy with the later "
            "save date then holds the newer edit."),
        QStringLiteral(
            "• Original media is compared by file name and size, so a backup that skipped files is "
            "flagged."),
        QStringLiteral("• If nothing was edited since your last backup, the copies show as Identical."),
        QStringLiteral("• Select a library to see the details underneath."),
    };
}

} // namespace pellimor::CompareTexts
