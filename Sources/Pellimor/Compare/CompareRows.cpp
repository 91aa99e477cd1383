#include "Compare/CompareRows.h"

#include "Browser/SearchQuery.h"
#include "Compare/Comparer.h"
#include "Support/NodeTree.h"
#include "Support/TextCompare.h"

#include <QStringList>
#include <algorithm>

namespace pellimor::CompareRows {

namespace {

const QString kBar = QStringLiteral("|");

// The search text of a group: its name, then each copy's drive name and path.
QString searchText(const CompareGroup& group) {
    QStringList pieces{group.name};
    for (const CompareGroup::Copy& copy : group.copies)
        pieces << copy.lib.volumeName << copy.lib.path;
    return pieces.join(QLatin1Char(' '));
}

struct Label {
    QString text;
    int rank = 0;
};

Label groupLabel(const CompareGroup& group) {
    if (group.isBehind.isEmpty())
        return {QStringLiteral("In sync"), 2};
    if (group.diverged)
        return {QStringLiteral("Diverged"), 0};
    return {QStringLiteral("Behind"), 0};
}

Label copyLabel(const CompareGroup& group, const QString& path) {
    if (path == group.newestPath) {
        if (group.isBehind.isEmpty())
            return {QStringLiteral("Same"), 2};
        if (group.diverged)
            return {QStringLiteral("Mixed"), 0};
        return {QStringLiteral("Newest"), 1};
    }
    if (group.isBehind.contains(path))
        return {QStringLiteral("Behind"), 0};
    return {QStringLiteral("Same"), 2};
}

CNode copyRow(const CompareGroup& group, const CompareGroup::Copy& copy, const Online& online) {
    const Label label = copyLabel(group, copy.lib.path);
    CNode row;
    row.id = copyRowId(group.id, copy.lib.path);
    row.isGroup = false;
    row.name = copy.lib.volumeName;
    row.label = label.text;
    row.rank = label.rank;
    row.details = copy.lib.path;
    if (group.isBehind.contains(copy.lib.path))
        row.details += QStringLiteral(" — ") + QString::number(copy.older) + QStringLiteral(" older, ") +
                       QString::number(copy.missing) + QStringLiteral(" missing");
    row.copies = 1;
    row.lastSaved = copy.lastSaved;
    row.projects = copy.lib.projectCount();
    row.size = copy.lib.totalSize();
    row.libPath = copy.lib.path;
    row.online = online ? online(copy.lib) : true;
    return row;
}

int compareField(const CNode& a, const CNode& b, CompareSort::Field field) {
    const auto three = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
    switch (field) {
    case CompareSort::Field::rank:
        return three(a.rank, b.rank);
    case CompareSort::Field::name:
        return TextCompare::localizedStandard(a.name, b.name);
    case CompareSort::Field::copies:
        return three(a.copies, b.copies);
    case CompareSort::Field::lastSaved:
        return three(a.lastSaved, b.lastSaved);
    case CompareSort::Field::projects:
        return three(a.projects, b.projects);
    case CompareSort::Field::size:
        return three(a.size, b.size);
    }
    return 0;
}

// The split rule: the piece after the first "|", up to the next.
std::optional<QString> splitGroupID(const QString& id) {
    const QStringList pieces = id.split(kBar);
    if (pieces.size() < 2)
        return std::nullopt;
    return pieces.at(1);
}

bool belongs(const QString& id, const CompareGroup& group) {
    if (id == groupRowId(group.id))
        return true;
    for (const CompareGroup::Copy& copy : group.copies) {
        if (id == copyRowId(group.id, copy.lib.path))
            return true;
    }
    return false;
}

} // namespace

QList<CompareGroup> groups(const QList<LibraryInfo>& libraries, const Filter& filter) {
    const SearchQuery query(filter.search);
    QList<CompareGroup> shown;
    for (CompareGroup& group : Comparer::groups(libraries, filter.includeLeftovers)) {
        if (filter.onlyOutOfSync && group.isBehind.isEmpty())
            continue;
        if (query.isActive() && !query.allIn(searchText(group)))
            continue;
        shown.append(std::move(group));
    }
    return shown;
}

bool missingFingerprints(const QList<LibraryInfo>& libraries) {
    for (const LibraryInfo& library : libraries) {
        for (const EventInfo& event : library.events) {
            for (const ProjectInfo& project : event.projects) {
                if (!project.fingerprint)
                    return true;
            }
        }
    }
    return false;
}

QString groupRowId(const QString& groupId) {
    return QStringLiteral("g|") + groupId;
}

QString copyRowId(const QString& groupId, const QString& path) {
    return QStringLiteral("c|") + groupId + kBar + path;
}

QList<CNode> nodes(const QList<CompareGroup>& groups, const CompareSort& sort, const Online& online) {
    QList<CNode> rows;
    rows.reserve(groups.size());
    for (const CompareGroup& group : groups) {
        const Label label = groupLabel(group);
        CNode row;
        row.id = groupRowId(group.id);
        row.isGroup = true;
        row.name = group.name;
        row.label = label.text;
        row.rank = label.rank;
        row.details = group.verdict;
        row.copies = group.copies.size();
        if (!group.copies.isEmpty()) {
            const CompareGroup::Copy& first = group.copies.first();
            row.lastSaved = first.lastSaved;
            row.projects = first.lib.projectCount();
            row.size = first.lib.totalSize();
        }
        row.online = true;
        for (const CompareGroup::Copy& copy : group.copies)
            row.kids.append(copyRow(group, copy, online));
        sortRows(row.kids, sort);
        rows.append(std::move(row));
    }
    sortRows(rows, sort);
    return rows;
}

void sortRows(QList<CNode>& rows, const CompareSort& sort) {
    std::stable_sort(rows.begin(), rows.end(), [&sort](const CNode& a, const CNode& b) {
        for (const CompareSort::Key& key : sort.keys) {
            const int c = compareField(a, b, key.field);
            if (c != 0)
                return key.ascending ? c < 0 : c > 0;
        }
        return false;
    });
}

std::optional<QString> groupID(const std::optional<QString>& id, const QList<CompareGroup>& shown) {
    if (!id)
        return std::nullopt;
    for (const CompareGroup& group : shown) {
        if (belongs(*id, group))
            return group.id;
    }
    return splitGroupID(*id);
}

const CompareGroup* selectedGroup(const std::optional<QString>& id, const QList<CompareGroup>& shown) {
    const std::optional<QString> group = groupID(id, shown);
    if (!group)
        return nullptr;
    for (const CompareGroup& candidate : shown) {
        if (candidate.id == *group)
            return &candidate;
    }
    return nullptr;
}

std::optional<LibraryInfo> copyLibrary(const std::optional<QString>& id, const QList<CNode>& rows,
                                       const QList<LibraryInfo>& libraries) {
    if (!id || !id->startsWith(QStringLiteral("c|")))
        return std::nullopt;
    std::optional<QString> path;
    if (const CNode* row = findNode(rows, *id))
        path = row->libPath;
    else {
        const qsizetype first = id->indexOf(kBar);
        const qsizetype second = id->indexOf(kBar, first + 1);
        if (second >= 0)
            path = id->mid(second + 1);
    }
    if (!path)
        return std::nullopt;
    for (const LibraryInfo& library : libraries) {
        if (library.path == *path)
            return library;
    }
    return std::nullopt;
}

} // namespace pellimor::CompareRows
