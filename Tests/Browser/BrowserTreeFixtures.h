#pragma once

// The catalogue's answers for the browser tree's tests, and ways to read a tree back.

#include "Browser/BNode.h"
#include "Browser/TreeInputs.h"
#include "Browser/TreeQueries.h"
#include "Tests/Browser/SearchEngineFixtures.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

namespace pellimor::test::tree {

using search::event;
using search::library;
using search::project;

// Answers from what the test set; every library is online unless listed offline. Counts the
// questions, so a test can tell whether a build ran (a build asks every library's update
// status; a cache hit asks only online states).
class FakeTreeQueries final : public TreeQueries {
public:
    QSet<QString> offline;
    QHash<QString, Catalog::UpdateStatus> updates;
    QHash<QString, Catalog::PluginStats> plugins;
    QSet<QString> backups; // library paths on backup drives
    std::optional<QString> installed;

    int onlineAsked = 0;
    int updateAsked = 0;

    bool isOnline(const LibraryInfo& library) override {
        ++onlineAsked;
        return !offline.contains(library.path);
    }
    Catalog::UpdateStatus updateStatus(const LibraryInfo& library) override {
        ++updateAsked;
        return updates.value(library.path, Catalog::UpdateStatus::current);
    }
    Catalog::PluginStats pluginStats(const LibraryInfo& library) override {
        return plugins.value(library.path);
    }
    bool isBackupDrive(const LibraryInfo& library) override { return backups.contains(library.path); }
    std::optional<QString> installedFCP() override { return installed; }
};

inline QStringList idsOf(const QList<BNode>& nodes) {
    QStringList ids;
    for (const BNode& node : nodes)
        ids.append(node.id);
    return ids;
}

inline QStringList namesOf(const QList<BNode>& nodes) {
    QStringList names;
    for (const BNode& node : nodes)
        names.append(node.name);
    return names;
}

// The rows, depth first, as "id" with a "~" in front of dimmed ones.
inline QStringList outline(const QList<BNode>& nodes) {
    QStringList lines;
    for (const BNode& node : nodes) {
        lines.append((node.dim ? QStringLiteral("~") : QString()) + node.id);
        lines.append(outline(node.children));
    }
    return lines;
}

inline const BNode* find(const QList<BNode>& nodes, const QString& id) {
    for (const BNode& node : nodes) {
        if (node.id == id)
            return &node;
        if (const BNode* below = find(node.children, id))
            return below;
    }
    return nullptr;
}

inline EventInfo eventWith(const QString& name, const QStringList& projects) {
    EventInfo info = event(name);
    for (const QString& p : projects)
        info.projects.append(project(p));
    return info;
}

inline const QString L1 = QStringLiteral("/Volumes/Media/L1.fcpbundle");
inline const QString L2 = QStringLiteral("/Volumes/Media/L2.fcpbundle");
inline const QString L3 = QStringLiteral("/Volumes/Media/L3.fcpbundle");

inline QDateTime utc(int year, int month, int day) {
    return QDateTime(QDate(year, month, day), QTime(0, 0), Qt::UTC);
}

// Three libraries: Alpha (E1 with P1 and P2, E2 with P3, E3 empty), Beta (F1 with Q1) and an
// empty Gamma.
inline QList<LibraryInfo> threeLibraries() {
    LibraryInfo alpha = library(L1, QStringLiteral("Alpha"));
    alpha.events = {eventWith("E1", {"P1", "P2"}), eventWith("E2", {"P3"}), eventWith("E3", {})};
    LibraryInfo beta = library(L2, QStringLiteral("Beta"));
    beta.events = {eventWith("F1", {"Q1"})};
    return {beta, library(L3, QStringLiteral("Gamma")), alpha};
}

// A search that found a keyword and a project in Alpha's E1 and Beta's name only.
inline SearchResult alphaAndBeta() {
    SearchResult result;
    result.id = 7;
    SearchResult::Event e1;
    e1.hits = {{SearchArea::keywords, QStringLiteral("zoom")}};
    e1.projects.insert(QStringLiteral("P1"), {{SearchArea::projectName, QStringLiteral("P1")}});
    result.libraries[L1].events.insert(QStringLiteral("E1"), e1);
    result.libraries[L2].hits = {{SearchArea::libraryName, QStringLiteral("Beta")}};
    return result;
}

inline TreeInputs searching(const QString& text, const SearchResult& result) {
    TreeInputs in;
    in.libraries = threeLibraries();
    in.query = SearchQuery(text);
    in.result = result;
    in.expansion.follow(in.query);
    return in;
}

} // namespace pellimor::test::tree
