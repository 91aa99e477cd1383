#include "Browser/BrowserTree.h"

#include "Browser/TreeSort.h"
#include "Tests/Browser/BrowserTreeFixtures.h"
#include "Tests/Support/QtPrinters.h"
#include "Tests/Support/Scopes.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace pellimor;
using namespace pellimor::test::tree;

namespace {

// The hit rows under one event "E" of library L1, for the given event-level hits.
QList<BNode> hitRows(const QList<SearchHit>& hits,
                     const std::optional<QMap<QString, qint64>>& keywords = {}) {
    LibraryInfo lib = library(L1, QStringLiteral("Alpha"));
    EventInfo e = event(QStringLiteral("E"));
    e.keywords = keywords;
    lib.events = {e};
    TreeInputs in;
    in.libraries = {lib};
    in.query = SearchQuery(QStringLiteral("x"));
    in.result.id = 1;
    in.result.libraries[L1].events[QStringLiteral("E")].hits = hits;
    in.expansion.follow(in.query);
    FakeTreeQueries queries;
    const BuiltTree tree = BrowserTree::build(in, queries);
    return tree.nodes.value(0).children.value(0).children;
}

QList<SearchHit> keywordHits(const QStringList& texts) {
    QList<SearchHit> hits;
    for (const QString& text : texts)
        hits.append({SearchArea::keywords, text});
    return hits;
}

QStringList sorted(QStringList list) {
    std::sort(list.begin(), list.end());
    return list;
}

} // namespace

TEST(BrowserTreeBuild, WithoutASearchEveryLibraryIsOneClosedRow) {
    TreeInputs in;
    in.libraries = threeLibraries();
    FakeTreeQueries queries;
    const BuiltTree tree = BrowserTree::build(in, queries);

    EXPECT_EQ(namesOf(tree.nodes), QStringList({"Alpha", "Beta", "Gamma"}));
    for (const BNode& node : tree.nodes) {
        EXPECT_EQ(node.kind, BNode::Kind::library);
        EXPECT_TRUE(node.children.isEmpty()) << node.id.toStdString();
        EXPECT_EQ(node.hasChildren, node.name != QLatin1String("Gamma")) << node.id.toStdString();
        EXPECT_FALSE(node.autoOpen) << node.id.toStdString();
        EXPECT_TRUE(node.reasons.isEmpty()) << node.id.toStdString();
    }
    EXPECT_EQ(tree.stats, TreeStats());

    // Opened by the user, a library lists every event and every project, none dimmed.
    in.expansion.setOpen(L1, true, in.query);
    in.expansion.setOpen(L1 + "|E1", true, in.query);
    EXPECT_EQ(outline(BrowserTree::build(in, queries).nodes),
              QStringList({L1, L1 + "|E1", L1 + "|E1|P1", L1 + "|E1|P2", L1 + "|E2", L1 + "|E2|P3",
                           L1 + "|E3", L2, L3}));
}

TEST(BrowserTreeBuild, SearchingShowsResultLibrariesOpenedByTheSearchOrByTheUser) {
    const QString E1 = L1 + "|E1";
    const QString hit = E1 + "|#keywords|zoom";
    struct Case {
        const char* what;
        QStringList opened; // by the user
        QStringList closed; // by the user
        QStringList outline;
    };
    const QList<Case> cases = {
        // Gamma has no result; Alpha opens by itself onto the one event with hits; Beta matched
        // only at library level, so it stays closed.
        {"as found", {}, {}, {L1, E1, E1 + "|P1", hit, L2}},
        // Opened explicitly, Alpha lists every event, those without hits dimmed.
        {"Alpha opened", {L1}, {}, {L1, E1, E1 + "|P1", hit, "~" + L1 + "|E2", "~" + L1 + "|E3", L2}},
        // Opened, Beta lists all its events, each dimmed.
        {"Beta opened", {L2}, {}, {L1, E1, E1 + "|P1", hit, L2, "~" + L2 + "|F1"}},
        // An event the user opens lists its projects without hits too, dimmed.
        {"E1 opened", {E1}, {}, {L1, E1, E1 + "|P1", "~" + E1 + "|P2", hit, L2}},
        {"Alpha closed", {}, {L1}, {L1, L2}},
    };
    for (const Case& c : cases) {
        TreeInputs in = searching(QStringLiteral("zoom"), alphaAndBeta());
        for (const QString& id : c.opened)
            in.expansion.setOpen(id, true, in.query);
        for (const QString& id : c.closed)
            in.expansion.setOpen(id, false, in.query);
        FakeTreeQueries queries;
        const BuiltTree tree = BrowserTree::build(in, queries);
        EXPECT_EQ(outline(tree.nodes), c.outline) << c.what;
        const BNode* alpha = find(tree.nodes, L1);
        const BNode* beta = find(tree.nodes, L2);
        ASSERT_TRUE(alpha && beta) << c.what;
        EXPECT_EQ(alpha->autoOpen, !c.closed.contains(L1)) << c.what;
        EXPECT_FALSE(beta->autoOpen) << c.what;
        EXPECT_TRUE(beta->hasChildren) << c.what;
        EXPECT_EQ(beta->reasons, QStringList({"library name"})) << c.what;
    }
}

TEST(BrowserTreeBuild, UntilTheExpansionStateFollowsTheQueryNothingOpensBySearch) {
    TreeInputs in = searching(QStringLiteral("zoom"), alphaAndBeta());
    in.expansion.query = {QStringLiteral("earlier")};
    in.expansion.expanded = {L2};
    FakeTreeQueries queries;
    const BuiltTree tree = BrowserTree::build(in, queries);
    EXPECT_EQ(outline(tree.nodes), QStringList({L1, L2}));
    EXPECT_TRUE(find(tree.nodes, L1)->autoOpen);
}

TEST(BrowserTreeBuild, HitRowsPerAreaWithAMoreRowPastEight) {
    QStringList eight;
    for (int i = 1; i <= 8; ++i)
        eight.append(QStringLiteral("k%1").arg(i));
    QMap<QString, qint64> uses;
    for (int i = 1; i <= 7; ++i)
        uses.insert(QStringLiteral("k%1").arg(i), 10 - i);
    uses.insert(QStringLiteral("a"), 1);
    uses.insert(QStringLiteral("b"), 1);

    QList<SearchHit> thousands;
    for (int i = 0; i < 3000; ++i)
        thousands.append({SearchArea::clipNames, QStringLiteral("clip %1").arg(i)});
    const QList<SearchHit> oneRepeated(3000, SearchHit{SearchArea::clipNames, QStringLiteral("same")});

    struct Case {
        const char* what;
        QList<SearchHit> hits;
        QStringList names;
    };
    const QList<Case> cases = {
        {"eight keywords", keywordHits(eight), eight},
        // The eight most used; on equal counts the first by text.
        {"nine keywords",
         keywordHits({"b", "k7", "k6", "a", "k5", "k4", "k3", "k2", "k1"}),
         {"+ 1 more keywords", "a", "k1", "k2", "k3", "k4", "k5", "k6", "k7"}},
        // Identical hits are one row, before the cut at eight.
        {"eight and a repeat", keywordHits(eight + QStringList{"k1"}), eight},
        {"thousands",
         thousands,
         {"+ 2992 more clip names", "clip 0", "clip 1", "clip 2", "clip 3", "clip 4", "clip 5", "clip 6",
          "clip 7"}},
        {"one hit thousands of times", oneRepeated, {"same"}},
        // Event-name hits give no row.
        {"event name", {{SearchArea::eventName, QStringLiteral("E")}}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sorted(namesOf(hitRows(c.hits, uses))), sorted(c.names)) << c.what;

    const QList<BNode> nine =
        hitRows(keywordHits({"b", "k7", "k6", "a", "k5", "k4", "k3", "k2", "k1"}), uses);
    const BNode* more = find(nine, L1 + "|E|#more|keywords");
    ASSERT_TRUE(more);
    EXPECT_EQ(more->kind, BNode::Kind::more);
    EXPECT_TRUE(more->details.isEmpty());
    EXPECT_TRUE(find(nine, L1 + "|E|#keywords|k1"));
}

TEST(BrowserTreeBuild, HitRowsTellTheirKindAndDetails) {
    const QMap<QString, qint64> uses{{"never", 0}, {"once", 1}, {"thrice", 3}};
    struct Case {
        SearchHit hit;
        std::optional<QMap<QString, qint64>> keywords;
        BNode::Kind kind;
        QString details;
    };
    const QList<Case> cases = {
        {{SearchArea::keywords, "never"}, uses, BNode::Kind::keyword, "keyword in this event"},
        {{SearchArea::keywords, "absent"}, uses, BNode::Kind::keyword, "keyword in this event"},
        {{SearchArea::keywords, "once"}, std::nullopt, BNode::Kind::keyword, "keyword in this event"},
        {{SearchArea::keywords, "once"}, uses, BNode::Kind::keyword, "keyword, used on 1 clip range"},
        {{SearchArea::keywords, "thrice"}, uses, BNode::Kind::keyword, "keyword, used on 3 clip ranges"},
        {{SearchArea::metaTags, "t"}, uses, BNode::Kind::metaTag, "meta tag"},
        {{SearchArea::notesMarkers, "t"}, uses, BNode::Kind::marker, "note or marker"},
        {{SearchArea::mediaFiles, "t"}, uses, BNode::Kind::media, "media file"},
        {{SearchArea::clipNames, "t"}, uses, BNode::Kind::hit, "clip name"},
        {{SearchArea::cameraFormat, "t"}, uses, BNode::Kind::hit, "camera or format"},
    };
    for (const Case& c : cases) {
        const QList<BNode> rows = hitRows({c.hit}, c.keywords);
        ASSERT_EQ(rows.size(), 1) << c.hit.text.toStdString();
        const BNode& row = rows.first();
        EXPECT_EQ(row.id, L1 + "|E|#" + rawValue(c.hit.area) + "|" + c.hit.text);
        EXPECT_EQ(row.kind, c.kind) << c.hit.text.toStdString();
        EXPECT_EQ(row.details, c.details) << c.hit.text.toStdString();
        EXPECT_FALSE(row.hasDate);
        EXPECT_TRUE(row.online);
    }
}

TEST(BrowserTreeBuild, HitsTakeTheirPlaceAmongProjectsInTheSortOrder) {
    LibraryInfo lib = library(L1, QStringLiteral("Alpha"));
    lib.events = {eventWith("E", {"Beach cut", "Dawn cut"})};
    TreeInputs in;
    in.libraries = {lib};
    in.query = SearchQuery(QStringLiteral("cut"));
    in.result.id = 3;
    SearchResult::Event& e = in.result.libraries[L1].events[QStringLiteral("E")];
    e.hits = {{SearchArea::clipNames, QStringLiteral("Cutaway")}};
    e.projects.insert(QStringLiteral("Beach cut"), {{SearchArea::projectName, QStringLiteral("Beach cut")}});
    e.projects.insert(QStringLiteral("Dawn cut"), {{SearchArea::projectName, QStringLiteral("Dawn cut")},
                                                   {SearchArea::keywords, QStringLiteral("cut-in")},
                                                   {SearchArea::notesMarkers, QStringLiteral("cut here")}});
    in.expansion.follow(in.query);
    FakeTreeQueries queries;
    const QList<BNode> rows = BrowserTree::build(in, queries).nodes.value(0).children.value(0).children;
    EXPECT_EQ(namesOf(rows), QStringList({"Beach cut", "Cutaway", "Dawn cut"}));
    // A project's reason is its first hit not on its name; a match by name alone gives none.
    EXPECT_EQ(rows.at(0).reasons, QStringList());
    EXPECT_EQ(rows.at(2).reasons, QStringList({"keyword: cut-in"}));
    EXPECT_FALSE(rows.at(0).dim);
}

TEST(BrowserTreeBuild, LibraryAndEventRowsCarryTheirFigures) {
    test::ScopedEnvironment root("TOVLIN_VOLUMES_ROOT", QStringLiteral("/Volumes"));
    LibraryInfo lib = library(QStringLiteral("/Volumes/Media/Clients/2024/A.fcpbundle"), QStringLiteral("A"));
    lib.fcpVersion = QStringLiteral("10.8");
    lib.problem = QStringLiteral("unreadable database");
    lib.extraSize = 1000;
    EventInfo e1 = event(QStringLiteral("E1"));
    e1.originalSize = 100;
    e1.optimizedSize = 10;
    e1.proxySize = 20;
    e1.renderSize = 30;
    e1.analysisSize = 5;
    e1.otherSize = 7;
    e1.mediaFileCount = 5;
    e1.linkedMediaCount = 2;
    e1.brokenLinkCount = 1;
    EventInfo e2 = event(QStringLiteral("E2"));
    e2.originalSize = 1;
    e2.otherSize = 2;
    e2.brokenLinkCount = 3;
    lib.events = {e1, e2};

    TreeInputs in;
    in.libraries = {lib};
    in.expansion.setOpen(lib.path, true, in.query);
    FakeTreeQueries queries;
    queries.offline = {lib.path};
    queries.updates[lib.path] = Catalog::UpdateStatus::needsUpdate;
    queries.plugins[lib.path] = {4, 2, 1, 0};
    queries.backups = {lib.path};
    queries.installed = QStringLiteral("11.0");
    const BNode row = BrowserTree::build(in, queries).nodes.value(0);

    EXPECT_EQ(row.details, QStringLiteral("Media/Clients/2024"));
    EXPECT_EQ(row.size, 1175);
    EXPECT_EQ(row.original, 101);
    EXPECT_EQ(row.optimized, 10);
    EXPECT_EQ(row.proxy, 20);
    EXPECT_EQ(row.render, 30);
    EXPECT_EQ(row.other, 5 + 7 + 2 + 1000);
    EXPECT_EQ(row.reclaimable(), 60);
    EXPECT_FALSE(row.online);
    EXPECT_EQ(row.update, Catalog::UpdateStatus::needsUpdate);
    EXPECT_EQ(row.missingPlugins, 2);
    EXPECT_EQ(row.partialPlugins, 1);
    EXPECT_EQ(row.pluginProblems(), 2001);
    EXPECT_EQ(row.missingFiles, 4);
    EXPECT_TRUE(row.isBackup);
    EXPECT_TRUE(row.damaged);
    EXPECT_EQ(row.alertScore(), 3);
    EXPECT_EQ(row.fcpVersion, QStringLiteral("10.8"));
    EXPECT_EQ(row.fcpInstalled, QStringLiteral("11.0"));
    EXPECT_EQ(row.drive, QStringLiteral("Media"));

    ASSERT_EQ(row.children.size(), 2);
    const BNode& event1 = row.children.at(0);
    EXPECT_EQ(event1.size, 172);
    EXPECT_EQ(event1.other, 12);
    EXPECT_EQ(event1.details, QStringLiteral("3 internal media, 2 external media — 1 missing"));
    EXPECT_FALSE(event1.online);
    EXPECT_EQ(event1.update, Catalog::UpdateStatus::current);
    EXPECT_FALSE(event1.isBackup);
    EXPECT_TRUE(event1.fcpVersion.isEmpty() && event1.drive.isEmpty());
    EXPECT_FALSE(event1.hasChildren);
}

TEST(BrowserTreeBuild, DatesShowWhereKnown) {
    const QDateTime epoch = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
    struct Case {
        const char* what;
        std::optional<QDateTime> created;
        std::optional<QDateTime> modified;
        QString mode;
        QDateTime shown;
        bool eventHasDate;
        bool libraryHasDate; // libraries and projects show any date they have
    };
    const QList<Case> cases = {
        {"modified", utc(2020, 1, 1), utc(2024, 6, 1), "modified", utc(2024, 6, 1), true, true},
        {"created", utc(2020, 1, 1), utc(2024, 6, 1), "created", utc(2020, 1, 1), true, true},
        {"absent", utc(2020, 1, 1), std::nullopt, "modified", RowDate::distantPast(), false, false},
        {"at 1970", std::nullopt, epoch, "modified", epoch, false, true},
        {"before 1970", std::nullopt, utc(1960, 1, 1), "modified", utc(1960, 1, 1), false, true},
    };
    for (const Case& c : cases) {
        LibraryInfo lib = library(L1, QStringLiteral("Alpha"));
        lib.created = c.created;
        lib.modified = c.modified;
        EventInfo e = event(QStringLiteral("E"));
        e.created = c.created;
        e.modified = c.modified;
        ProjectInfo p = project(QStringLiteral("P"));
        p.created = c.created;
        p.modified = c.modified;
        e.projects = {p};
        lib.events = {e};
        TreeInputs in;
        in.libraries = {lib};
        in.dateMode = c.mode;
        in.expansion.expandAll(in.libraries, in.query);
        FakeTreeQueries queries;
        const BNode row = BrowserTree::build(in, queries).nodes.value(0);
        const BNode eventRow = row.children.value(0);
        const BNode projectRow = eventRow.children.value(0);
        EXPECT_EQ(row.modified, c.shown) << c.what;
        EXPECT_EQ(eventRow.modified, c.shown) << c.what;
        EXPECT_EQ(projectRow.modified, c.shown) << c.what;
        EXPECT_EQ(eventRow.hasDate, c.eventHasDate) << c.what;
        EXPECT_EQ(row.hasDate, c.libraryHasDate) << c.what;
        EXPECT_EQ(projectRow.hasDate, c.libraryHasDate) << c.what;
    }
}

TEST(BrowserTreeBuild, StatsCountTheResultAndSumItsAreas) {
    SearchResult result = alphaAndBeta();
    SearchResult::Event e2;
    e2.hits = {{SearchArea::keywords, QStringLiteral("zoom")},
               {SearchArea::clipNames, QStringLiteral("zoom in")},
               {SearchArea::eventName, QStringLiteral("E2")}};
    e2.projects.insert(QStringLiteral("P3"), {{SearchArea::projectName, QStringLiteral("P3")}});
    result.libraries[L1].events.insert(QStringLiteral("E2"), e2);
    SearchResult::Event f1;
    f1.hits = {{SearchArea::clipNames, QStringLiteral("zoom out")}};
    result.libraries[L2].events.insert(QStringLiteral("F1"), f1);
    FakeTreeQueries queries;
    const TreeStats stats = BrowserTree::build(searching(QStringLiteral("zoom"), result), queries).stats;
    EXPECT_EQ(stats.libraries, 2);
    EXPECT_EQ(stats.events, 3);
    EXPECT_EQ(stats.projects, 2);
    EXPECT_EQ(stats.areas, (QMap<SearchArea, qint64>{{SearchArea::keywords, 2}, {SearchArea::clipNames, 2}}));
}

TEST(BrowserTreeBuild, BadInputGivesASoundTree) {
    FakeTreeQueries queries;
    // White space only: no search, so every library and no reasons, whatever the result holds.
    {
        const BuiltTree tree = BrowserTree::build(searching(QStringLiteral(" \t "), alphaAndBeta()), queries);
        EXPECT_EQ(idsOf(tree.nodes), QStringList({L1, L2, L3}));
        EXPECT_TRUE(tree.nodes.at(1).reasons.isEmpty());
        EXPECT_EQ(tree.stats, TreeStats());
    }
    // A result naming a library, an event and a project the catalogue no longer has: left out
    // of the rows, the counts and the reasons.
    {
        SearchResult result = alphaAndBeta();
        result.libraries[QStringLiteral("/Volumes/Media/Gone.fcpbundle")].hits = {
            {SearchArea::libraryName, QStringLiteral("Gone")}};
        result.libraries[L1].events[QStringLiteral("E1")].projects.insert(
            QStringLiteral("Old cut"), {{SearchArea::projectName, QStringLiteral("Old cut")}});
        result.libraries[L2].events[QStringLiteral("Gone event")].hits = {
            {SearchArea::keywords, QStringLiteral("zoom")}};
        const BuiltTree tree = BrowserTree::build(searching(QStringLiteral("zoom"), result), queries);
        EXPECT_EQ(outline(tree.nodes),
                  QStringList({L1, L1 + "|E1", L1 + "|E1|P1", L1 + "|E1|#keywords|zoom", L2}));
        EXPECT_EQ(tree.stats.libraries, 2);
        EXPECT_EQ(tree.stats.events, 1);
        EXPECT_EQ(tree.stats.projects, 1);
        EXPECT_EQ(tree.stats.areas, (QMap<SearchArea, qint64>{{SearchArea::keywords, 1}}));
        EXPECT_EQ(find(tree.nodes, L1 + "|E1")->reasons, QStringList({"1 keyword", "1 project"}));
        EXPECT_FALSE(find(tree.nodes, L2)->autoOpen);
    }
    // A term holding U+001E is one term like any other.
    {
        SearchResult result;
        result.id = 2;
        result.libraries[L2].hits = {{SearchArea::libraryName, QStringLiteral("Beta")}};
        const QString text = QStringLiteral("be") + QChar(0x1E) + QStringLiteral("ta");
        const BuiltTree tree = BrowserTree::build(searching(text, result), queries);
        EXPECT_EQ(idsOf(tree.nodes), QStringList({L2}));
    }
}

TEST(BrowserTreeLines, ParentPathDropsTheVolume) {
    struct Case {
        QString root;
        QString path;
        QString parent;
    };
    const QList<Case> cases = {
        {"/Volumes", "/Volumes/Media/Clients/2024/A.fcpbundle", "Clients/2024"},
        {"/Volumes", "/Users/ann/Movies/A.fcpbundle", "Users/ann/Movies"},
        {"/Volumes", "/Volumes/Media/A.fcpbundle", ""},
        {"/Volumes", "/Volumes/A.fcpbundle", "Volumes"},
        {"/Volumes", "/A.fcpbundle", ""},
        // A volumes root of several components.
        {"/run/media/ann", "/run/media/ann/Media/Jobs/A.fcpbundle", "Jobs"},
        {"/run/media/ann", "/Volumes/Media/Jobs/A.fcpbundle", "Volumes/Media/Jobs"},
    };
    for (const Case& c : cases) {
        test::ScopedEnvironment root("TOVLIN_VOLUMES_ROOT", c.root);
        EXPECT_EQ(BrowserTree::parentPath(library(c.path, "A")), c.parent) << c.path.toStdString();
    }

    // The library row's details put the volume's name in front.
    test::ScopedEnvironment root("TOVLIN_VOLUMES_ROOT", QStringLiteral("/Volumes"));
    TreeInputs in;
    in.libraries = {library("/Users/ann/Movies/A.fcpbundle", "A", "Macintosh HD"),
                    library("/Volumes/Media/B.fcpbundle", "B", "Media")};
    FakeTreeQueries queries;
    const BuiltTree tree = BrowserTree::build(in, queries);
    EXPECT_EQ(tree.nodes.at(0).details, QStringLiteral("Macintosh HD/Users/ann/Movies"));
    EXPECT_EQ(tree.nodes.at(1).details, QStringLiteral("Media/"));
}

TEST(BrowserTreeLines, ProjectAndMediaLines) {
    struct ProjectCase {
        QString name;
        std::optional<double> duration;
        std::optional<QString> format;
        QString line;
    };
    const QList<ProjectCase> projects = {
        {"Cut 1 Snapshot", std::nullopt, std::nullopt, "snapshot"},
        {"SNAPSHOT before notes", 65, QString("1080p HD 25p"), "1:05 · 1080p HD 25p · snapshot"},
        {"Final", 3725, std::nullopt, "1:02:05"},
        {"Final", std::nullopt, QString(), ""},
    };
    for (const ProjectCase& c : projects) {
        ProjectInfo p = project(c.name);
        p.duration = c.duration;
        p.format = c.format;
        EXPECT_EQ(BrowserTree::projectLine(p), c.line) << c.name.toStdString();
    }

    struct MediaCase {
        qint64 files;
        qint64 linked;
        qint64 broken;
        std::optional<QMap<QString, qint64>> volumes;
        QString line;
    };
    const QList<MediaCase> media = {
        {5, 2, 0, std::nullopt, "3 internal media, 2 external media"},
        {5, 2, 0, QMap<QString, qint64>{}, "3 internal media, 2 external media"},
        {5, 2, 1, QMap<QString, qint64>{{"b", 1}, {"Archive", 1}, {"B", 1}},
         "3 internal media, 2 external media on Archive, B, b — 1 missing"},
        {1, 4, 0, std::nullopt, "0 internal media, 4 external media"},
    };
    for (const MediaCase& c : media) {
        EventInfo e = event("E");
        e.mediaFileCount = c.files;
        e.linkedMediaCount = c.linked;
        e.brokenLinkCount = c.broken;
        e.externalVolumes = c.volumes;
        EXPECT_EQ(BrowserTree::mediaLine(e), c.line);
    }
}

TEST(BrowserTreeSort, ColumnsSortByTheirOwnFields) {
    const auto node = [](const QString& name, int missing, int partial, qint64 size) {
        BNode n;
        n.id = name;
        n.name = name;
        n.missingPlugins = missing;
        n.partialPlugins = partial;
        n.size = size;
        return n;
    };
    const QList<BNode> nodes = {node("Event 10", 2, 0, 5), node("event 2", 1, 999, 7),
                                node("Event 1", 0, 5, 5)};
    struct Case {
        QList<TreeSortKey> keys;
        QStringList order;
    };
    const QList<Case> cases = {
        {{{"name", true}}, {"Event 1", "event 2", "Event 10"}},
        {{{"name", false}}, {"Event 10", "event 2", "Event 1"}},
        // One missing pack outweighs 999 partial ones.
        {{{"missingPlugins", true}}, {"Event 1", "event 2", "Event 10"}},
        {{{"size", false}, {"name", true}}, {"event 2", "Event 1", "Event 10"}},
        // Unknown columns are passed over; with none left, the name order.
        {{{"colour", false}}, {"Event 1", "event 2", "Event 10"}},
        {{{"colour", true}, {"size", true}}, {"Event 10", "Event 1", "event 2"}},
        {{}, {"Event 1", "event 2", "Event 10"}},
    };
    for (const Case& c : cases) {
        QList<BNode> sortedNodes = nodes;
        const TreeSort sort{c.keys};
        sort.apply(sortedNodes);
        EXPECT_EQ(namesOf(sortedNodes), c.order) << sort.text().toStdString();
    }
    EXPECT_EQ((TreeSort{{{"name", true}, {"size", false}}}.text()),
              QStringLiteral("name ascending, size descending"));
}
