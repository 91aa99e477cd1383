#pragma once

#include "Browser/SearchQuery.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Plugins/PNode.h"
#include "Plugins/PackHealth.h"
#include "Plugins/PackSummary.h"
#include "Plugins/PluginSort.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

// The Plug-ins tab as plain logic: the tree of pack rows and their library rows over the
// listed libraries, the header's counts and the empty state. Main thread only when `health` is
// packHealth (the checker's cache is main-thread state).
namespace pellimor::PluginTree {

using Health = std::function<PackHealth(const PackSummary& summary)>;
using Online = std::function<bool(const LibraryInfo& library)>;

struct Inputs {
    QList<LibraryInfo> libraries; // the listed ones, in the window's order
    SearchQuery query;
    bool onlyMissing = false; // "Only problems": missing and incomplete packs alone
    PluginSort sort;
};

// The sorted pack rows, each with its sorted library rows. A pack stays when it passes the
// filters; it then keeps all its libraries. `online` is asked once per library.
QList<PNode> build(const Inputs& in, const Health& health, const Online& online);

// Whether a pack made of these summaries (one per library, with the libraries' names and
// places) passes the search: a hit in its name or items, else in one of its libraries' names,
// else in one of its place labels, each within its context (the pack's name and kind, the
// library's name and the pack's name, the label and the pack's name). True without terms.
bool passes(const SearchQuery& query, const QString& kind, const QString& pack,
            const QList<std::pair<const LibraryInfo*, const PackSummary*>>& libs);

// The header: how many pack rows, how many of them missing, how many incomplete.
struct Counts {
    qsizetype packs = 0;
    qsizetype missing = 0;
    qsizetype partial = 0;
};
Counts counts(const QList<PNode>& packRows);
QString packsText(qsizetype packs);        // "N third-party plug-in packs used in your libraries"
QString missingText(qsizetype missing);    // "· N not installed"
QString incompleteText(qsizetype partial); // "· N incomplete"

QString onlyProblemsTitle();
QString onlyProblemsTip();
QString recheckTitle();
QString recheckTip();
QString note();

// The empty state's title, and its line about libraries not read yet.
QString emptyTitle(bool onlyMissing);
QString notReadLine();
// Whether any project of any library (the whole catalogue's, not only the listed ones) has
// never had its plug-ins read.
bool anyNotRead(const QList<LibraryInfo>& all);

// The listed library a row stands for: a library row's own path, found among `libraries`;
// none for a pack row, an unknown id, or a library no longer listed.
std::optional<LibraryInfo> library(const std::optional<QString>& id, const QList<PNode>& rows,
                                   const QList<LibraryInfo>& libraries);

// The row with `id` in the tree, or null.
const PNode* find(const QList<PNode>& rows, const QString& id);

} // namespace pellimor::PluginTree
