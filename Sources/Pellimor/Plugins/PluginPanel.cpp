#include "Plugins/PluginPanel.h"

#include "Support/TextCompare.h"

#include <algorithm>

namespace pellimor::PluginPanel {

namespace {

const QString kEllipsis = QStringLiteral(" \u2026");

QStringList sortedPlain(QStringList texts) {
    std::sort(texts.begin(), texts.end(), TextCompare::codePointLess);
    return texts;
}

QString statusLine(PluginStatus status) {
    switch (status) {
    case PluginStatus::installed:
        return QStringLiteral("Installed on this Mac.");
    case PluginStatus::missing:
        return QStringLiteral("Not installed on this Mac. Projects that use it will show it as missing.");
    case PluginStatus::unverified:
        break;
    case PluginStatus::partial:
        return QStringLiteral("Installed, but some of the items these projects use are missing.");
    }
    return QStringLiteral("Tovlin can't tell whether this is installed.");
}

} // namespace

Content content(const LibraryInfo& library, const Health& health) {
    Content c;
    for (const EventInfo& event : library.events) {
        for (const ProjectInfo& project : event.projects) {
            if (!project.plugins)
                c.notRead = true;
        }
    }
    for (PackSummary& summary : packSummaries(library)) {
        PackHealth h = health(summary);
        c.rows.append(Row{std::move(summary), std::move(h)});
    }
    std::stable_sort(c.rows.begin(), c.rows.end(), [](const Row& a, const Row& b) {
        const int ra = statusRank(a.health.status);
        const int rb = statusRank(b.health.status);
        if (ra != rb)
            return ra < rb;
        const int byName = TextCompare::localizedStandard(a.summary.pack, b.summary.pack);
        if (byName != 0)
            return byName < 0;
        // One name under two kinds: the same order every time.
        return TextCompare::codePointLess(a.summary.kind, b.summary.kind);
    });
    for (const Row& row : c.rows) {
        if (row.health.status == PluginStatus::missing || row.health.status == PluginStatus::partial)
            ++c.problems;
    }
    return c;
}

QString title() {
    return QStringLiteral("Third-party plug-ins used");
}

Line summary(const Content& content) {
    if (content.notRead)
        return {QStringLiteral("Not read yet \u2014 use Scan \u25b8 Refresh Watched Folders."),
                PluginTone::secondary};
    if (content.rows.isEmpty())
        return {QStringLiteral("This library uses no third-party effects."), PluginTone::secondary};
    const QString rows = QString::number(content.rows.size());
    if (content.problems == 0)
        return {rows + QStringLiteral(" packs, all found on this Mac."), PluginTone::secondary};
    return {QString::number(content.problems) + QStringLiteral(" of ") + rows +
                QStringLiteral(
                    " packs have missing items on this Mac \u2014 projects using them can show an error."),
            PluginTone::red};
}

qsizetype shownRows(qsizetype rows, bool showAll) {
    return showAll || rows <= 8 ? rows : 8;
}

std::optional<QString> toggleTitle(qsizetype rows, bool showAll) {
    if (rows < 9)
        return std::nullopt;
    return showAll ? QStringLiteral("Show fewer") : QStringLiteral("Show all ") + QString::number(rows);
}

QString placesText(const PackSummary& summary) {
    return QString::number(summary.projects.size()) + QStringLiteral(" proj");
}

QString rowTip(bool expanded) {
    return expanded ? QStringLiteral("Hide the details")
                    : QStringLiteral("Show which items are used, which are missing, and in which projects");
}

QList<Line> details(const Row& row) {
    QList<Line> lines;
    const PluginStatus status = row.health.status;
    lines.append({statusLine(status), statusTone(status)});
    const QStringList& missing = row.health.missing;
    if (!missing.isEmpty()) {
        QString text = QStringLiteral("Missing ") + QString::number(missing.size()) + QStringLiteral(" of ") +
                       QString::number(row.health.total) + QStringLiteral(": ") +
                       QStringList(missing.mid(0, 6)).join(QStringLiteral(", "));
        if (missing.size() >= 7)
            text += kEllipsis;
        lines.append({text, status == PluginStatus::missing ? PluginTone::red : PluginTone::orange});
    }
    QStringList names = sortedPlain(row.summary.items.keys());
    QStringList used;
    for (const QString& name : names.mid(0, 6))
        used.append(name + QStringLiteral(" \u00d7") + QString::number(row.summary.items.value(name)));
    lines.append({QStringLiteral("Used: ") + used.join(QStringLiteral(", ")), PluginTone::secondary});
    const QStringList places =
        sortedPlain(QStringList(row.summary.projects.cbegin(), row.summary.projects.cend()));
    QString in = QStringLiteral("In: ") + QStringList(places.mid(0, 5)).join(QStringLiteral(", "));
    if (places.size() >= 6)
        in += kEllipsis;
    lines.append({in, PluginTone::secondary});
    return lines;
}

} // namespace pellimor::PluginPanel
