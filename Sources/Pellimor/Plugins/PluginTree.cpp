#include "Plugins/PluginTree.h"

#include "Support/NodeTree.h"
#include "Support/TextCompare.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace pellimor::PluginTree {

namespace {

const QString kBar = QStringLiteral("|");
const QString kEllipsis = QStringLiteral(" \u2026");

// One pack across the listed libraries, in the order they were visited.
struct Global {
    QString key;
    QString kind;
    QString pack;
    QList<std::pair<const LibraryInfo*, PackSummary>> libs;
    QList<PluginStatus> statuses; // each pair's health
    PluginStatus status = PluginStatus::installed;
    QStringList missingNames;
};

QStringList sortedPlain(QStringList texts) {
    std::sort(texts.begin(), texts.end(), TextCompare::codePointLess);
    return texts;
}

QString joinedFirst(const QStringList& texts, qsizetype count) {
    return QStringList(texts.mid(0, count)).join(QStringLiteral(", "));
}

QString packDetails(const Global& g) {
    if (!g.missingNames.isEmpty()) {
        QString text = g.status == PluginStatus::missing ? QStringLiteral("Not installed: ")
                                                         : QStringLiteral("Missing items: ");
        text += joinedFirst(g.missingNames, 6);
        if (g.missingNames.size() >= 7)
            text += QStringLiteral(" \u2026 +") + QString::number(g.missingNames.size() - 6) +
                    QStringLiteral(" more");
        return text;
    }
    QSet<QString> names;
    for (const auto& pair : g.libs) {
        for (auto item = pair.second.items.cbegin(); item != pair.second.items.cend(); ++item)
            names.insert(item.key());
    }
    const QStringList items = sortedPlain(QStringList(names.cbegin(), names.cend()));
    QString text = QStringLiteral("Items used: ") + joinedFirst(items, 6);
    if (items.size() >= 7)
        text += kEllipsis;
    return text;
}

QString placesDetails(const PackSummary& summary) {
    const QStringList places = sortedPlain(QStringList(summary.projects.cbegin(), summary.projects.cend()));
    QString text = joinedFirst(places, 4);
    if (places.size() > 4)
        text += kEllipsis;
    return text;
}

qint64 saturatedAdd(qint64 a, qint64 b) {
    qint64 sum = 0;
    return qAddOverflow(a, b, &sum) ? std::numeric_limits<qint64>::max() : sum;
}

bool hits(const SearchQuery& query, const QString& text, const QString& context) {
    return query.anyIn(text) && query.allIn(context + QLatin1Char(' ') + text);
}

} // namespace

bool passes(const SearchQuery& query, const QString& kind, const QString& pack,
            const QList<std::pair<const LibraryInfo*, const PackSummary*>>& libs) {
    if (!query.isActive())
        return true;
    QSet<QString> seen;
    QString items = pack;
    for (const auto& [library, summary] : libs) {
        for (auto item = summary->items.cbegin(); item != summary->items.cend(); ++item) {
            if (!seen.contains(item.key())) {
                seen.insert(item.key());
                items += QLatin1Char(' ') + item.key();
            }
        }
    }
    if (hits(query, items, pack + QLatin1Char(' ') + kind))
        return true;
    for (const auto& [library, summary] : libs) {
        if (hits(query, library->name, library->name + QLatin1Char(' ') + pack))
            return true;
    }
    for (const auto& [library, summary] : libs) {
        for (const QString& label : summary->projects) {
            if (hits(query, label, label + QLatin1Char(' ') + pack))
                return true;
        }
    }
    return false;
}

QList<PNode> build(const Inputs& in, const Health& health, const Online& online) {
    QHash<QString, qsizetype> index;
    QList<Global> globals;
    for (const LibraryInfo& library : in.libraries) {
        for (PackSummary& summary : packSummaries(library)) {
            const QString key = summary.id();
            auto found = index.constFind(key);
            if (found == index.constEnd()) {
                found = index.insert(key, globals.size());
                Global g;
                g.key = key;
                g.kind = summary.kind;
                g.pack = summary.pack;
                globals.append(std::move(g));
            }
            globals[found.value()].libs.append({&library, std::move(summary)});
        }
    }
    // Records in key order, so rows that tie under every comparator come out the same way
    // on every run.
    std::sort(globals.begin(), globals.end(),
              [](const Global& a, const Global& b) { return TextCompare::codePointLess(a.key, b.key); });

    QList<PNode> rows;
    QHash<const LibraryInfo*, bool> onlineOf;
    for (Global& g : globals) {
        QSet<QString> missing;
        for (const auto& pair : g.libs) {
            const PackHealth h = health(pair.second);
            g.statuses.append(h.status);
            if (statusRank(h.status) < statusRank(g.status))
                g.status = h.status;
            for (const QString& name : h.missing)
                missing.insert(name);
        }
        g.missingNames = sortedPlain(QStringList(missing.cbegin(), missing.cend()));
        if (in.onlyMissing && g.status != PluginStatus::missing && g.status != PluginStatus::partial)
            continue;
        if (in.query.isActive()) {
            QList<std::pair<const LibraryInfo*, const PackSummary*>> libs;
            libs.reserve(g.libs.size());
            for (const auto& pair : g.libs)
                libs.append({pair.first, &pair.second});
            if (!passes(in.query, g.kind, g.pack, libs))
                continue;
        }

        PNode pack;
        pack.id = g.key;
        pack.isPack = true;
        pack.name = g.pack;
        pack.kind = g.kind;
        pack.status = g.status;
        pack.libraries = g.libs.size();
        pack.details = packDetails(g);
        pack.kids.reserve(g.libs.size());
        for (qsizetype i = 0; i < g.libs.size(); ++i) {
            const LibraryInfo& library = *g.libs[i].first;
            const PackSummary& summary = g.libs[i].second;
            PNode row;
            row.id = g.key + kBar + library.path;
            row.name = library.name;
            row.kind = library.volumeName;
            row.status = g.statuses[i];
            row.projects = summary.projects.size();
            row.uses = summary.uses();
            row.details = placesDetails(summary);
            row.libPath = library.path;
            auto known = onlineOf.constFind(&library);
            if (known == onlineOf.constEnd())
                known = onlineOf.insert(&library, online(library));
            row.online = known.value();
            pack.projects = saturatedAdd(pack.projects, row.projects);
            pack.uses = saturatedAdd(pack.uses, row.uses);
            pack.kids.append(std::move(row));
        }
        in.sort.sort(pack.kids);
        rows.append(std::move(pack));
    }
    in.sort.sort(rows);
    return rows;
}

Counts counts(const QList<PNode>& packRows) {
    Counts c;
    c.packs = packRows.size();
    for (const PNode& row : packRows) {
        if (row.status == PluginStatus::missing)
            ++c.missing;
        else if (row.status == PluginStatus::partial)
            ++c.partial;
    }
    return c;
}

QString packsText(qsizetype packs) {
    return QString::number(packs) + QStringLiteral(" third-party plug-in packs used in your libraries");
}

QString missingText(qsizetype missing) {
    return QStringLiteral("\u00b7 ") + QString::number(missing) + QStringLiteral(" not installed");
}

QString incompleteText(qsizetype partial) {
    return QStringLiteral("\u00b7 ") + QString::number(partial) + QStringLiteral(" incomplete");
}

QString onlyProblemsTitle() {
    return QStringLiteral("Only problems");
}

QString onlyProblemsTip() {
    return QStringLiteral(
        "Show just the packs that are missing or incomplete on this Mac \u2014 the ones that "
        "cause an error screen");
}

QString recheckTitle() {
    return QStringLiteral("Recheck");
}

QString recheckTip() {
    return QStringLiteral("Look again at what is installed, after adding or removing a plug-in");
}

QString note() {
    return QStringLiteral(
        "Checked against this Mac only. Apple's built-in effects are left out. Compiled video "
        "plug-ins can't always be verified and show a ? instead. Click a heading to sort; "
        "expand a pack to see its libraries.");
}

QString emptyTitle(bool onlyMissing) {
    return onlyMissing ? QStringLiteral("No problems found on this Mac")
                       : QStringLiteral("No third-party plug-ins found");
}

QString notReadLine() {
    return QStringLiteral(
        "Some libraries haven't been read for plug-ins yet. Use Scan \u25b8 Refresh Watched Folders.");
}

bool anyNotRead(const QList<LibraryInfo>& all) {
    for (const LibraryInfo& library : all) {
        for (const EventInfo& event : library.events) {
            for (const ProjectInfo& project : event.projects) {
                if (!project.plugins)
                    return true;
            }
        }
    }
    return false;
}

const PNode* find(const QList<PNode>& rows, const QString& id) {
    return findNode(rows, id);
}

std::optional<LibraryInfo> library(const std::optional<QString>& id, const QList<PNode>& rows,
                                   const QList<LibraryInfo>& libraries) {
    if (!id)
        return std::nullopt;
    const PNode* row = find(rows, *id);
    if (!row || !row->libPath)
        return std::nullopt;
    for (const LibraryInfo& candidate : libraries) {
        if (candidate.path == *row->libPath)
            return candidate;
    }
    return std::nullopt;
}

} // namespace pellimor::PluginTree
