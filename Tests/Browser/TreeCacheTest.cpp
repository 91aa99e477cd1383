#include "Browser/TreeCache.h"

#include "Tests/Browser/BrowserTreeFixtures.h"
#include "Tests/Support/QtPrinters.h"

#include <functional>
#include <gtest/gtest.h>

using namespace pellimor;
using namespace pellimor::test::tree;

namespace {

// The libraries whose rows show their children.
QStringList openLibraries(const BuiltTree& tree) {
    QStringList open;
    for (const BNode& node : tree.nodes) {
        if (!node.children.isEmpty())
            open.append(node.id);
    }
    return open;
}

// What the view does when the window applies a search: the new query and result, then the
// expansion state follows the query.
void apply(TreeInputs& in, const QString& text, const SearchResult& result) {
    in.query = SearchQuery(text);
    in.result = result;
    in.expansion.follow(in.query);
}

} // namespace

TEST(TreeCache, EqualInputsReuseTheTree) {
    TreeInputs in = searching(QStringLiteral("zoom"), alphaAndBeta());
    FakeTreeQueries queries;
    TreeCache cache;
    const BuiltTree first = cache.cachedBuild(in, queries);
    const QString key = cache.key();
    EXPECT_FALSE(key.isEmpty());
    EXPECT_EQ(queries.updateAsked, 2);

    // Equal inputs, even a copy with the sets rebuilt in another order: no build, but every
    // library's online state asked again.
    TreeInputs copy = in;
    copy.expansion.expanded = {L2, L1};
    in.expansion.expanded = {L1, L2};
    cache.cachedBuild(in, queries);
    const int built = queries.updateAsked;
    const int online = queries.onlineAsked;
    EXPECT_EQ(cache.cachedBuild(copy, queries), cache.tree());
    EXPECT_EQ(queries.updateAsked, built);
    EXPECT_EQ(queries.onlineAsked, online + 3);
}

TEST(TreeCache, EachHashedInputChangesTheKey) {
    using Change = std::function<void(TreeInputs&, FakeTreeQueries&)>;
    struct Case {
        const char* what;
        Change change;
    };
    const auto first = [](TreeInputs& in) -> LibraryInfo& { return in.libraries.first(); };
    const QList<Case> cases = {
        {"query", [](TreeInputs& in, FakeTreeQueries&) { in.query = SearchQuery(QStringLiteral("zoom")); }},
        // "zoom␞out" is one term; joined, "zoom out" would give the same text.
        {"term with U+001E",
         [](TreeInputs& in, FakeTreeQueries&) {
             in.query = SearchQuery(QStringLiteral("zoom") + QChar(0x1E) + QStringLiteral("out"));
         }},
        {"date mode", [](TreeInputs& in, FakeTreeQueries&) { in.dateMode = QStringLiteral("created"); }},
        {"grouping", [](TreeInputs& in, FakeTreeQueries&) { in.groupByDrive = true; }},
        {"result id", [](TreeInputs& in, FakeTreeQueries&) { in.result.id = 8; }},
        {"expansion query",
         [](TreeInputs& in, FakeTreeQueries&) { in.expansion.query = {QStringLiteral("x")}; }},
        {"expanded", [](TreeInputs& in, FakeTreeQueries&) { in.expansion.expanded.insert(L3); }},
        {"collapsed", [](TreeInputs& in, FakeTreeQueries&) { in.expansion.collapsed.insert(L1); }},
        {"sort", [](TreeInputs& in, FakeTreeQueries&) { in.sort.keys.first().ascending = false; }},
        {"path", [&](TreeInputs& in, FakeTreeQueries&) { first(in).path += QStringLiteral("x"); }},
        {"events",
         [&](TreeInputs& in, FakeTreeQueries&) { first(in).events.append(event(QStringLiteral("New"))); }},
        {"projects",
         [&](TreeInputs& in, FakeTreeQueries&) { first(in).events.first().projects.append(project("New")); }},
        {"total size", [&](TreeInputs& in, FakeTreeQueries&) { first(in).extraSize += 4096; }},
        {"modified appears", [&](TreeInputs& in, FakeTreeQueries&) { first(in).modified = utc(2024, 1, 1); }},
        {"online", [](TreeInputs&, FakeTreeQueries& q) { q.offline.insert(L2); }},
        {"libraries", [](TreeInputs& in, FakeTreeQueries&) { in.libraries.removeLast(); }},
    };
    for (const Case& c : cases) {
        TreeInputs in = searching(QStringLiteral("zoom out"), alphaAndBeta());
        FakeTreeQueries queries;
        TreeCache cache;
        cache.cachedBuild(in, queries);
        const QString key = cache.key();
        const int built = queries.updateAsked;
        c.change(in, queries);
        cache.cachedBuild(in, queries);
        EXPECT_NE(cache.key(), key) << c.what;
        EXPECT_GT(queries.updateAsked, built) << c.what;
    }

    // A changed date counts, not only its presence.
    TreeInputs in = searching(QStringLiteral("zoom"), alphaAndBeta());
    in.libraries.first().modified = utc(2024, 1, 1);
    FakeTreeQueries queries;
    TreeCache cache;
    cache.cachedBuild(in, queries);
    const QString key = cache.key();
    in.libraries.first().modified = utc(2024, 1, 2);
    cache.cachedBuild(in, queries);
    EXPECT_NE(cache.key(), key);
}

TEST(TreeCache, WhatTheKeyLeavesOutWaitsForTheNextChange) {
    TreeInputs in;
    in.libraries = threeLibraries();
    FakeTreeQueries queries;
    TreeCache cache;
    cache.cachedBuild(in, queries);
    const QString key = cache.key();

    queries.backups = {L1};
    queries.plugins[L1] = {3, 1, 0, 0};
    queries.updates[L1] = Catalog::UpdateStatus::tooNew;
    const BNode* alpha = find(cache.cachedBuild(in, queries).nodes, L1);
    EXPECT_EQ(cache.key(), key);
    EXPECT_FALSE(alpha->isBackup);
    EXPECT_EQ(alpha->missingPlugins, 0);
    EXPECT_EQ(alpha->update, Catalog::UpdateStatus::current);

    // The next hashed change brings them in.
    in.dateMode = QStringLiteral("created");
    alpha = find(cache.cachedBuild(in, queries).nodes, L1);
    EXPECT_TRUE(alpha->isBackup);
    EXPECT_EQ(alpha->missingPlugins, 1);
    EXPECT_EQ(alpha->update, Catalog::UpdateStatus::tooNew);
}

TEST(TreeCache, TheInstalledFinalCutProRebuildsTheTreeWhenItChanges) {
    // Found, updated or removed while the program was in the background: the "FCP version"
    // column follows at the next redraw, with nothing else changed.
    using Installed = std::optional<QString>;
    const struct {
        const char* what;
        Installed before;
        Installed after;
    } cases[] = {
        {"found", std::nullopt, QStringLiteral("11.0")},
        {"updated", QStringLiteral("10.8"), QStringLiteral("11.0")},
        {"removed", QStringLiteral("11.0"), std::nullopt},
    };
    for (const auto& c : cases) {
        TreeInputs in;
        in.libraries = threeLibraries();
        FakeTreeQueries queries;
        queries.installed = c.before;
        TreeCache cache;
        cache.cachedBuild(in, queries);
        const QString key = cache.key();

        queries.installed = c.after;
        queries.updates[L1] = c.after ? Catalog::UpdateStatus::needsUpdate : Catalog::UpdateStatus::unknown;
        const BNode* alpha = find(cache.cachedBuild(in, queries).nodes, L1);
        EXPECT_NE(cache.key(), key) << c.what;
        EXPECT_EQ(alpha->fcpInstalled, c.after.value_or(QString())) << c.what;
        EXPECT_EQ(alpha->update, queries.updates[L1]) << c.what;

        // The same version again is no change.
        const QString settled = cache.key();
        const int built = queries.updateAsked;
        cache.cachedBuild(in, queries);
        EXPECT_EQ(cache.key(), settled) << c.what;
        EXPECT_EQ(queries.updateAsked, built) << c.what;
    }
}

TEST(TreeExpansion, DisclosureFollowsTheUserThenTheSearch) {
    const SearchQuery zoom(QStringLiteral("zoom"));
    const SearchQuery other(QStringLiteral("other"));
    struct Case {
        const char* what;
        SearchQuery belongsTo;
        QSet<QString> expanded;
        QSet<QString> collapsed;
        bool autoOpen;
        bool shown;
    };
    const QList<Case> cases = {
        {"another query's state: auto", other, {"r"}, {}, false, false},
        {"another query's state: auto open", other, {}, {"r"}, true, true},
        {"opened", zoom, {"r"}, {}, false, true},
        {"opened beats closed", zoom, {"r"}, {"r"}, true, true},
        {"not auto", zoom, {}, {}, false, false},
        {"auto", zoom, {}, {}, true, true},
        {"auto, closed", zoom, {}, {"r"}, true, false},
    };
    for (const Case& c : cases) {
        TreeExpansion expansion{c.expanded, c.collapsed, c.belongsTo.tokens};
        EXPECT_EQ(expansion.isShown(QStringLiteral("r"), c.autoOpen, zoom), c.shown) << c.what;
    }

    // Setting a row takes the state over for the current query, keeping the sets.
    TreeExpansion expansion{{"a"}, {"b"}, other.tokens};
    expansion.setOpen(QStringLiteral("b"), true, zoom);
    EXPECT_EQ(expansion, (TreeExpansion{{"a", "b"}, {}, zoom.tokens}));
    expansion.setOpen(QStringLiteral("a"), false, zoom);
    EXPECT_EQ(expansion, (TreeExpansion{{"b"}, {"a"}, zoom.tokens}));
}

TEST(TreeExpansion, OpenSearchClearLeavesTheLibraryClosed) {
    TreeInputs in;
    in.libraries = threeLibraries();
    FakeTreeQueries queries;
    TreeCache cache;
    in.expansion.setOpen(L1, true, in.query);
    EXPECT_EQ(openLibraries(cache.cachedBuild(in, queries)), QStringList({L1}));

    apply(in, QStringLiteral("zoom"), alphaAndBeta());
    EXPECT_EQ(openLibraries(cache.cachedBuild(in, queries)), QStringList({L1}));
    EXPECT_TRUE(in.expansion.expanded.isEmpty());

    apply(in, QString(), SearchResult{8, {}});
    EXPECT_EQ(openLibraries(cache.cachedBuild(in, queries)), QStringList());
    EXPECT_FALSE(in.expansion.isShown(L1, false, in.query));
}

TEST(TreeExpansion, ALibraryTheUserClosedStaysClosedUntilTheTextChanges) {
    TreeInputs in;
    in.libraries = threeLibraries();
    FakeTreeQueries queries;
    TreeCache cache;
    apply(in, QStringLiteral("zoom"), alphaAndBeta());
    const BNode alpha = *find(cache.cachedBuild(in, queries).nodes, L1);
    EXPECT_TRUE(in.expansion.isShown(L1, alpha.autoOpen, in.query));

    in.expansion.setOpen(L1, false, in.query);
    EXPECT_FALSE(in.expansion.isShown(L1, alpha.autoOpen, in.query));
    EXPECT_EQ(openLibraries(cache.cachedBuild(in, queries)), QStringList());

    // The same terms searched again (a new result, a rescan) keep it closed.
    SearchResult again = alphaAndBeta();
    again.id = 9;
    apply(in, QStringLiteral(" zoom "), again);
    EXPECT_EQ(openLibraries(cache.cachedBuild(in, queries)), QStringList());

    apply(in, QStringLiteral("zoo"), again);
    EXPECT_EQ(openLibraries(cache.cachedBuild(in, queries)), QStringList({L1}));
}

TEST(TreeExpansion, CollapseAllAndExpandAllDuringASearch) {
    TreeInputs in;
    in.libraries = threeLibraries();
    FakeTreeQueries queries;
    TreeCache cache;
    apply(in, QStringLiteral("zoom"), alphaAndBeta());

    in.expansion.collapseAll(in.libraries, in.query);
    const BuiltTree collapsed = cache.cachedBuild(in, queries);
    EXPECT_EQ(openLibraries(collapsed), QStringList());
    for (const BNode& node : collapsed.nodes)
        EXPECT_FALSE(in.expansion.isShown(node.id, node.autoOpen, in.query)) << node.id.toStdString();

    in.expansion.expandAll(in.libraries, in.query);
    const BuiltTree expanded = cache.cachedBuild(in, queries);
    EXPECT_EQ(openLibraries(expanded), QStringList({L1, L2}));
    // Every event of the result libraries shows, with all its projects.
    EXPECT_EQ(outline(expanded.nodes),
              QStringList({L1, L1 + "|E1", L1 + "|E1|P1", "~" + L1 + "|E1|P2", L1 + "|E1|#keywords|zoom",
                           "~" + L1 + "|E2", "~" + L1 + "|E2|P3", "~" + L1 + "|E3", L2, "~" + L2 + "|F1",
                           "~" + L2 + "|F1|Q1"}));
    for (const QString& id : outline(expanded.nodes)) {
        const QString plain = id.startsWith(u'~') ? id.mid(1) : id;
        const BNode* node = find(expanded.nodes, plain);
        if (node->kind == BNode::Kind::library || node->kind == BNode::Kind::event) {
            EXPECT_TRUE(in.expansion.isShown(plain, node->autoOpen, in.query)) << plain.toStdString();
        }
    }
}
