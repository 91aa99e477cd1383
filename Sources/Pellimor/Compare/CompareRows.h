#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "Compare/CNode.h"
#include "Compare/CompareGroup.h"
#include "Compare/CompareSort.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

// What the Compare screen lists: the groups it shows, their rows in the table's order, and
// which group or copy a row id names. Plain functions over values; safe from any thread.
namespace pellimor::CompareRows {

// The screen's check boxes and the window's applied search text.
struct Filter {
    QString search;
    bool onlyOutOfSync = false;
    bool includeLeftovers = false;
    bool operator==(const Filter&) const = default;
};

// Comparer::groups of `libraries`, in its order; with `onlyOutOfSync` only those where some
// copy is behind; with search terms only those whose name, drive names and library paths hold
// every term, ignoring case and diacritics (SearchQuery::allIn).
QList<CompareGroup> groups(const QList<LibraryInfo>& libraries, const Filter& filter);

// Some project of some library of `libraries` (grouped or not) has no fingerprint, so dates
// stand in for content somewhere.
bool missingFingerprints(const QList<LibraryInfo>& libraries);

QString groupRowId(const QString& groupId);
QString copyRowId(const QString& groupId, const QString& path);

// Whether a copy's drive is connected (Catalog::isOnline on the screen).
using Online = std::function<bool(const LibraryInfo&)>;

// One group row per group with its copy rows as kids, both levels sorted by `sort`.
QList<CNode> nodes(const QList<CompareGroup>& groups, const CompareSort& sort, const Online& online);

// Sorts rows (one level) by `sort`, stably.
void sortRows(QList<CNode>& rows, const CompareSort& sort);

// The group a row id belongs to. The id is matched against the rows of `shown` first, so a
// group id that itself holds "|" is still found; an id of no shown group gives the text between
// its first and second "|" (after the first when there is no second); an id without "|", or
// none, gives none.
std::optional<QString> groupID(const std::optional<QString>& id, const QList<CompareGroup>& shown);

// The first group of `shown` the row id belongs to, or null: the group whose details are shown.
const CompareGroup* selectedGroup(const std::optional<QString>& id, const QList<CompareGroup>& shown);

// The library of a copy row: the row of `rows` with that id names its path; an id of no such
// row is read as "c|<group id>|<path>" split at its first two "|" (so a path holding "|" is
// taken whole). The first of `libraries` with that exact path; none for a group row, an id of
// another form or a path no longer listed.
std::optional<LibraryInfo> copyLibrary(const std::optional<QString>& id, const QList<CNode>& rows,
                                       const QList<LibraryInfo>& libraries);

} // namespace pellimor::CompareRows
