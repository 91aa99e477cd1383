// How fast the library browser builds its tree, on a catalogue built in memory. Prints its
// figures; never fails on speed. It fails when a tree is plainly wrong: a row missing for a
// library, a search that does not open its libraries, or a cache hit that hands back
// another tree.
//
//   bench_browser_tree [--libraries N] [--events N] [--projects N] [--rounds N] [--searched N]
//                      [--hits N]
//
// Defaults: 2000 libraries of 20 events and 10 projects each (bench/SyntheticCatalogue.h, plain
// texts), on eight drives that are mounted in a temporary volumes root, each bundle a folder
// there, so every online test meets a real folder; a search result touching --searched
// libraries (a quarter of them unless given, 500 by default), --hits hits in each of their
// events (20: keywords and clip names, so an area overflows into its "more" row) and one on
// every project; median of 5 rounds after one unmeasured round.
//
// Figures, each against the baseline measured in the same run: TableRows::libraryRows over the
// same catalogue, the Libraries table's row build, which asks the catalogue the same questions
// per library. The closed build (no search, nothing open); the build after Expand All; the
// build of the search result, as it opens by itself; and a cache hit (TreeCache::cachedBuild
// with nothing changed, which still asks every library's online state).

#include "Browser/BrowserTree.h"
#include "Browser/CatalogTreeQueries.h"
#include "Browser/TreeCache.h"
#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Store/Catalog.h"
#include "Shell/TableRows.h"
#include "bench/BenchSupport.h"
#include "bench/SyntheticCatalogue.h"
#include "bench/SyntheticScan.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <memory>

using namespace pellimor;

namespace {

qint64 rowsIn(const QList<BNode>& nodes) {
    qint64 rows = nodes.size();
    for (const BNode& node : nodes)
        rows += rowsIn(node.children);
    return rows;
}

// `hits` event-level hits on every event of every fourth library (up to `searched` of them),
// keywords first, then clip names, and one project-name hit on every project.
SearchResult resultFor(const QList<LibraryInfo>& libraries, int searched, int hits) {
    SearchResult result;
    result.id = 1;
    const int every = std::max(1, int(libraries.size()) / std::max(1, searched));
    for (qsizetype l = 0; l < libraries.size() && result.libraries.size() < searched; l += every) {
        const LibraryInfo& library = libraries.at(l);
        SearchResult::Library& found = result.libraries[library.path];
        for (const EventInfo& event : library.events) {
            SearchResult::Event& e = found.events[event.name];
            for (int h = 0; h < hits; ++h)
                e.hits.append(
                    h < 8 ? SearchHit{SearchArea::keywords, QStringLiteral("keyword %1").arg(h + 1)}
                          : SearchHit{SearchArea::clipNames, QStringLiteral("A001_C0 %1").arg(h - 7)});
            for (const ProjectInfo& project : event.projects)
                e.projects.insert(project.name, {{SearchArea::projectName, project.name}});
        }
    }
    return result;
}

struct Figure {
    const char* label;
    double ms;
    qint64 rows;
    const char* goal;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    bench::TreeOptions o;
    o.libraries = 2000;
    o.events = 20;
    o.projects = 10;
    o.rounds = 5;
    int searched = -1;
    int hits = 20;
    const bool parsed =
        bench::parseTreeOptions(app.arguments(), o, [&](const QString& name, const QString& value) {
            bool ok = false;
            const int n = value.toInt(&ok);
            if (!ok || n < 0)
                return false;
            if (name == QLatin1String("--searched"))
                searched = n;
            else if (name == QLatin1String("--hits"))
                hits = n;
            else
                return false;
            return true;
        });
    if (!parsed) {
        std::fprintf(stderr, "usage: bench_browser_tree [--libraries N] [--events N] [--projects N] "
                             "[--rounds N] [--searched N] [--hits N]\n");
        return 2;
    }
    if (searched < 0)
        searched = std::max(1, o.libraries / 4);

    // Everything the catalogue touches lives in a temporary folder.
    bench::ScanSandbox sandbox(QStringLiteral("browser-tree"));
    if (!sandbox.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        qputenv(name, sandbox.path(QString::fromLatin1(name)).toUtf8());
    qputenv("TOVLIN_DATA_DIR", sandbox.path(QStringLiteral("data")).toUtf8());
    ErrorLog::setHeadless(true);

    // The synthetic drives become folders under the sandbox's volumes root, each bundle too.
    QList<LibraryInfo> libraries = bench::syntheticLibraries({o.libraries, o.events, o.projects});
    const QString volumes = sandbox.path(QStringLiteral("volumes"));
    for (LibraryInfo& library : libraries) {
        library.path = volumes + library.path.mid(QStringLiteral("/Volumes").size());
        QDir().mkpath(library.path);
    }
    auto catalog = std::make_unique<Catalog>();
    catalog->seed({.libraries = libraries});
    catalog->recordMounted();
    CatalogTreeQueries queries(*catalog);

    qint64 projects = 0;
    for (const LibraryInfo& library : libraries)
        projects += library.projectCount();
    std::printf("catalogue: %d libraries, %d events and %lld projects in all; %lld mounted drives\n",
                o.libraries, o.libraries * o.events, static_cast<long long>(projects),
                static_cast<long long>(catalog->mounted().size() - 1));
    std::printf("median of %d rounds after one unmeasured round; times in ms\n\n", o.rounds);

    bool wrong = false;
    const auto check = [&](bool ok, const char* what) {
        if (!ok) {
            std::fprintf(stderr, "wrong: %s\n", what);
            wrong = true;
        }
    };

    // ---- Baseline: the Libraries table's rows.
    TableRows::RowInputs rowInputs{libraries, SearchQuery(), SearchResult(), QStringLiteral("modified")};
    const SortOrder<LibraryField> bySize{{LibraryField::size, false}};
    qint64 baselineRows = 0;
    const double baseline = bench::measure(
        o.rounds, [&] { baselineRows = TableRows::libraryRows(*catalog, rowInputs, bySize).size(); });

    QList<Figure> figures;
    TreeInputs closed;
    closed.libraries = libraries;
    closed.dateMode = QStringLiteral("modified");
    BuiltTree tree;
    figures.append({"closed build",
                    bench::measure(o.rounds, [&] { tree = BrowserTree::build(closed, queries); }), 0,
                    "<= 1.5x"});
    figures.last().rows = rowsIn(tree.nodes);
    check(tree.nodes.size() == libraries.size(), "the closed tree lacks libraries");

    TreeInputs expanded = closed;
    expanded.expansion.expandAll(libraries, expanded.query);
    figures.append({"Expand All build",
                    bench::measure(o.rounds, [&] { tree = BrowserTree::build(expanded, queries); }), 0, "-"});
    figures.last().rows = rowsIn(tree.nodes);
    check(rowsIn(tree.nodes) == libraries.size() * (1 + o.events) + projects, "Expand All lacks rows");

    TreeInputs search = closed;
    search.query = SearchQuery(QStringLiteral("keyword"));
    search.result = resultFor(libraries, searched, hits);
    search.expansion.follow(search.query);
    figures.append({"search build",
                    bench::measure(o.rounds, [&] { tree = BrowserTree::build(search, queries); }), 0, "-"});
    figures.last().rows = rowsIn(tree.nodes);
    check(tree.nodes.size() == search.result.libraries.size() && tree.stats.libraries == tree.nodes.size(),
          "the search tree lacks result libraries");
    check(!tree.nodes.isEmpty() && tree.nodes.first().children.size() == o.events,
          "the search did not open its libraries");

    TreeCache cache;
    const BuiltTree first = cache.cachedBuild(closed, queries);
    figures.append({"cache hit", bench::measure(o.rounds, [&] { cache.cachedBuild(closed, queries); }),
                    rowsIn(cache.tree().nodes), "<= 0.5x"});
    check(cache.tree() == first, "the cache hit gave another tree");

    std::printf("%-36s %10s %10s %9s  %s\n", "", "median", "rows", "/baseline", "goal");
    std::printf("%-36s %10.2f %10lld %9s\n", "baseline: TableRows::libraryRows", baseline,
                static_cast<long long>(baselineRows), "1.00x");
    for (const Figure& f : figures)
        std::printf("%-36s %10.2f %10lld %8.2fx  %s\n", f.label, f.ms, static_cast<long long>(f.rows),
                    f.ms / baseline, f.goal);
    std::printf("\nsearch: %lld libraries in the result, %d hits per event\n",
                static_cast<long long>(search.result.libraries.size()), hits);
    return wrong ? 1 : 0;
}
