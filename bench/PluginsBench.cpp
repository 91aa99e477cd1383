// How fast the Plug-ins tab works out what it shows, on a catalogue built in memory. Prints its
// figures; never fails on speed. It fails when the tree is plainly wrong (a pack or a library
// row missing).
//
//   bench_plugins [--libraries N] [--packs N] [--places N] [--rounds N]
//
// Defaults: 2000 listed libraries, each using 12 packs (of a pool of 60, so every pack is
// shared by some 400 libraries) in each of 3 projects, two items per pack; a third of the packs
// are templates that are missing, a third plug-ins found on disk, a third FxPlug plug-ins the
// checker cannot verify. The checker's cache is warm (one build before measuring); median of 5
// rounds after one unmeasured round.
//
// Figures, each against the baseline measured in the same run: a bare pass that visits every
// use of every listed library once. The tree build (PluginTree::build with the checker's
// answers), the same with the column widths measured as the table asks for them
// (PluginColumns::widths), and one Catalog::pluginStats pass over all libraries, counted
// afresh (the statistics cache emptied, the checker's kept) and from the cache.
// Goal: the warm tree build with its widths within 3× the bare pass.

#include "App/ColumnWidths.h"
#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Store/Catalog.h"
#include "Plugins/PackHealth.h"
#include "Plugins/PackStats.h"
#include "Plugins/PluginColumns.h"
#include "Plugins/PluginTree.h"
#include "Widgets/UiTextMeasurer.h"
#include "bench/BenchSupport.h"
#include "bench/SyntheticScan.h"

#include <QApplication>
#include <QDir>
#include <QSet>
#include <cstdio>
#include <memory>

using namespace pellimor;

namespace {

struct Options {
    int libraries = 2000;
    int packs = 12;
    int places = 3;
    int rounds = 5;
};

constexpr int kPool = 60;

QList<LibraryInfo> syntheticLibraries(const Options& o, const QString& volumes, const QString& installed) {
    QList<LibraryInfo> libraries;
    libraries.reserve(o.libraries);
    for (int l = 0; l < o.libraries; ++l) {
        LibraryInfo library;
        library.name = QStringLiteral("Library %1").arg(l + 1);
        library.volumeName = QStringLiteral("Drive %1").arg(l % 8 + 1);
        library.path = QStringLiteral("%1/%2/%3.fcpbundle").arg(volumes, library.volumeName, library.name);
        EventInfo event;
        event.name = QStringLiteral("Shoot");
        event.plugins = QList<PluginUse>{};
        for (int p = 0; p < o.places; ++p) {
            ProjectInfo project;
            project.name = QStringLiteral("Cut %1").arg(p + 1);
            QList<PluginUse> uses;
            for (int k = 0; k < o.packs; ++k) {
                const int pack = (l + k * 5) % kPool;
                const QString name = QStringLiteral("Pack %1").arg(pack);
                for (int item = 0; item < 2; ++item) {
                    const QString itemName = QStringLiteral("Item %1").arg(item);
                    QString id;
                    switch (pack % 3) {
                    case 0:
                        id = QStringLiteral("~/Titles.localized/%1/%2.moti").arg(name, itemName);
                        break;
                    case 1:
                        id = installed;
                        break;
                    default:
                        id = QStringLiteral("FxPlug:%1-1111-4111-8111-%2")
                                 .arg(pack, 8, 10, QLatin1Char('0'))
                                 .arg(item, 12, 10, QLatin1Char('0'));
                    }
                    uses.append(PluginUse{pack % 3 == 0 ? QStringLiteral("Title") : QStringLiteral("Effect"),
                                          name, itemName, id, 1});
                }
            }
            project.plugins = uses;
            event.projects.append(project);
        }
        library.events.append(event);
        libraries.append(library);
    }
    return libraries;
}

bool parse(const QStringList& arguments, Options& o) {
    for (qsizetype i = 1; i < arguments.size(); i += 2) {
        if (i + 1 >= arguments.size())
            return false;
        bool ok = false;
        const int n = arguments[i + 1].toInt(&ok);
        if (!ok || n < 1)
            return false;
        const QString& name = arguments[i];
        if (name == QLatin1String("--libraries"))
            o.libraries = n;
        else if (name == QLatin1String("--packs"))
            o.packs = std::min(n, kPool);
        else if (name == QLatin1String("--places"))
            o.places = n;
        else if (name == QLatin1String("--rounds"))
            o.rounds = n;
        else
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // Text is measured with the fonts a window would use; no display is needed for that.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Options o;
    if (!parse(app.arguments(), o)) {
        std::fprintf(stderr, "usage: bench_plugins [--libraries N] [--packs N] [--places N] [--rounds N]\n");
        return 2;
    }

    bench::ScanSandbox sandbox(QStringLiteral("plugins"));
    if (!sandbox.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        qputenv(name, sandbox.path(QString::fromLatin1(name)).toUtf8());
    qputenv("TOVLIN_DATA_DIR", sandbox.path(QStringLiteral("data")).toUtf8());
    ErrorLog::setHeadless(true);

    const QString installed = sandbox.path(QStringLiteral("Plug-ins/Here.bundle"));
    QDir().mkpath(installed);
    const QList<LibraryInfo> libraries =
        syntheticLibraries(o, sandbox.path(QStringLiteral("volumes")), installed);
    auto catalog = std::make_unique<Catalog>();
    catalog->setPluginCounter(PackStats::counter());
    catalog->seed({.libraries = libraries});
    catalog->recordMounted();

    const PluginTree::Inputs in{libraries, SearchQuery(), false, PluginSort()};
    const auto online = [&](const LibraryInfo& library) { return catalog->isOnline(library); };
    // Warm the checker's cache, and check the tree.
    const QList<PNode> tree = PluginTree::build(in, packHealth, online);
    qint64 libraryRows = 0;
    for (const PNode& pack : tree)
        libraryRows += pack.kids.size();
    const qint64 expectedRows = qint64(o.libraries) * o.packs;
    QSet<QString> packKeys;
    for (const LibraryInfo& library : libraries) {
        for (const ProjectInfo& project : library.events.first().projects) {
            for (const PluginUse& use : *project.plugins)
                packKeys.insert(use.kind + QLatin1Char('|') + use.pack);
        }
    }
    if (tree.size() != packKeys.size() || libraryRows != expectedRows) {
        std::fprintf(stderr, "wrong tree: %lld packs and %lld library rows (expected %lld library rows)\n",
                     static_cast<long long>(tree.size()), static_cast<long long>(libraryRows),
                     static_cast<long long>(expectedRows));
        return 1;
    }
    std::printf("catalogue: %d libraries × %d packs × %d places; %lld pack rows, %lld library rows\n",
                o.libraries, o.packs, o.places, static_cast<long long>(tree.size()),
                static_cast<long long>(libraryRows));

    // The baseline: every use of every listed library visited once.
    qint64 sink = 0;
    const double bare = bench::measure(o.rounds, [&] {
        for (const LibraryInfo& library : libraries) {
            for (const EventInfo& event : library.events) {
                for (const PluginUse& use : event.plugins.value_or(QList<PluginUse>{}))
                    sink += use.count + use.id.size();
                for (const ProjectInfo& project : event.projects) {
                    if (!project.plugins)
                        continue;
                    for (const PluginUse& use : *project.plugins)
                        sink += use.count + use.id.size();
                }
            }
        }
    });

    const double build =
        bench::measure(o.rounds, [&] { sink += PluginTree::build(in, packHealth, online).size(); });
    const UiTextMeasurer measurer;
    double widthsOnly = 0;
    const double withWidths = bench::measureTimed(o.rounds, [&] {
        const bench::Clock::time_point start = bench::Clock::now();
        const QList<PNode> rows = PluginTree::build(in, packHealth, online);
        const bench::Clock::time_point built = bench::Clock::now();
        sink += PluginColumns::widths(rows, ColumnWidths(1.0, measurer)).size();
        const bench::Clock::time_point end = bench::Clock::now();
        widthsOnly = std::chrono::duration<double, std::milli>(end - built).count();
        return std::chrono::duration<double, std::milli>(end - start).count();
    });
    const double counted = bench::measureTimed(o.rounds, [&] {
        catalog->pluginStatsCache().clear();
        return bench::millisecondsOf([&] {
            for (const LibraryInfo& library : libraries)
                sink += catalog->pluginStats(library).packs;
        });
    });
    const double cached = bench::measure(o.rounds, [&] {
        for (const LibraryInfo& library : libraries)
            sink += catalog->pluginStats(library).packs;
    });

    const auto line = [&](const char* label, double ms, const char* goal) {
        std::printf("%-44s %9.2f ms  %6.2f× the bare pass%s\n", label, ms, bare > 0 ? ms / bare : 0.0, goal);
    };
    std::printf("%-44s %9.2f ms\n", "bare pass over every use", bare);
    line("tree build (warm checker)", build, "");
    line("tree build with column widths", withWidths, "  (goal: within 3×)");
    std::printf("%-44s %9.2f ms  (the last round)\n", "  of which the column widths", widthsOnly);
    line("pluginStats pass, counted afresh", counted, "");
    line("pluginStats pass, from the cache", cached, "");
    std::printf("(checksum %lld)\n", static_cast<long long>(sink));
    return 0;
}
