// What presenting the main window's Libraries and Media Files tables costs, against building
// their rows. Prints its figures; never fails on speed. It fails when a table is plainly wrong:
// a row missing, or a width estimate without its name column.
//
//   bench_main_tables [--libraries N] [--media N] [--rounds N]
//
// Defaults: 2000 libraries of 20 events and 10 projects each (bench/SyntheticCatalogue.h), on
// drives mounted in a temporary volumes root, and a media list of 5000 entries that all match
// the search "mov"; median of 5 rounds after one unmeasured round. Offscreen, with a
// QApplication, so the widths are measured with the real fonts.
//
// Figures, each against its baseline measured in the same run: the table's rebuild (its typed
// cells, a model reset with them, and its width estimate through the interface font's
// measurer) against the row build of the same table (TableRows::libraryRows, mediaRows).

#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Store/Catalog.h"
#include "Shell/MainTableWidths.h"
#include "Shell/MainTables.h"
#include "Shell/TableRows.h"
#include "Shell/Views/RowTableModel.h"
#include "Widgets/UiTextMeasurer.h"
#include "bench/BenchSupport.h"
#include "bench/SyntheticCatalogue.h"
#include "bench/SyntheticScan.h"

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <memory>

using namespace pellimor;

namespace {

struct Figure {
    const char* label;
    double baseline;
    double ms;
    qint64 rows;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int libraryCount = 2000;
    int mediaCount = 5000;
    int rounds = 5;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); i += 2) {
        bool ok = i + 1 < args.size();
        const int value = ok ? args.at(i + 1).toInt(&ok) : 0;
        if (ok && value > 0 && args.at(i) == QLatin1String("--libraries"))
            libraryCount = value;
        else if (ok && value > 0 && args.at(i) == QLatin1String("--media"))
            mediaCount = value;
        else if (ok && value > 0 && args.at(i) == QLatin1String("--rounds"))
            rounds = value;
        else {
            std::fprintf(stderr, "usage: bench_main_tables [--libraries N] [--media N] [--rounds N]\n");
            return 2;
        }
    }

    // Everything the catalogue touches lives in a temporary folder.
    bench::ScanSandbox sandbox(QStringLiteral("main-tables"));
    if (!sandbox.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        qputenv(name, sandbox.path(QString::fromLatin1(name)).toUtf8());
    qputenv("TOVLIN_DATA_DIR", sandbox.path(QStringLiteral("data")).toUtf8());
    ErrorLog::setHeadless(true);

    QList<LibraryInfo> libraries = bench::syntheticLibraries({libraryCount, 20, 10});
    const QString volumes = sandbox.path(QStringLiteral("volumes"));
    for (LibraryInfo& library : libraries) {
        library.path = volumes + library.path.mid(QStringLiteral("/Volumes").size());
        QDir().mkpath(library.path);
    }
    QList<Catalog::MediaEntry2> media;
    media.reserve(mediaCount);
    for (int i = 0; i < mediaCount; ++i) {
        const LibraryInfo& library = libraries.at(i % libraries.size());
        media.append({library.path, bench::syntheticMedia(i % libraries.size(), 1).first()});
        media.last().entry.name = QStringLiteral("A%1_C%2.mov").arg(i % 1000, 3, 10, QLatin1Char('0')).arg(i);
    }
    auto catalog = std::make_unique<Catalog>();
    catalog->seed({.libraries = libraries});
    catalog->seed({.media = media});
    catalog->recordMounted();
    const QString installed = catalog->installedFCP().value_or(QString());
    const UiTextMeasurer measurer;

    std::printf("catalogue: %d libraries; a media list of %d entries matching \"mov\"\n", libraryCount,
                mediaCount);
    std::printf("median of %d rounds after one unmeasured round; times in ms\n\n", rounds);

    bool wrong = false;
    const auto check = [&](bool ok, const char* what) {
        if (!ok) {
            std::fprintf(stderr, "wrong: %s\n", what);
            wrong = true;
        }
    };
    QList<Figure> figures;

    // ---- The Libraries table.
    {
        const TableRows::RowInputs in{libraries, SearchQuery(), SearchResult(), QStringLiteral("modified")};
        const SortOrder<LibraryField> bySize{{LibraryField::size, false}};
        QList<LibraryRow> rows;
        const double baseline =
            bench::measure(rounds, [&] { rows = TableRows::libraryRows(*catalog, in, bySize); });
        RowTableModel model;
        QHash<QString, double> widths;
        const double ms = bench::measureTimed(rounds, [&] {
            model.replace({}, {});
            return bench::millisecondsOf([&] {
                MainTables::Table table = MainTables::libraries(rows, in.dateMode, installed);
                model.replace(std::move(table.columns), std::move(table.rows));
                widths = MainTableWidths::libraryWidths(rows, installed, measurer);
            });
        });
        check(model.rowCount() == libraries.size(), "the Libraries table lacks rows");
        check(widths.value(QStringLiteral("Library")) > 35,
              "the Libraries table's name column was not measured");
        figures.append({"Libraries table rebuild", baseline, ms, model.rowCount()});
    }

    // ---- The Media Files table.
    {
        const TableRows::RowInputs in{libraries, SearchQuery(QStringLiteral("mov")), SearchResult(),
                                      QStringLiteral("modified")};
        const SortOrder<MediaField> bySize{{MediaField::size, false}};
        QList<MediaRow> rows;
        const double baseline =
            bench::measure(rounds, [&] { rows = TableRows::mediaRows(*catalog, in, bySize); });
        RowTableModel model;
        QHash<QString, double> widths;
        const double ms = bench::measureTimed(rounds, [&] {
            model.replace({}, {});
            return bench::millisecondsOf([&] {
                MainTables::Table table = MainTables::media(rows);
                model.replace(std::move(table.columns), std::move(table.rows));
                widths = MainTableWidths::mediaWidths(rows, measurer);
            });
        });
        check(model.rowCount() == std::min<qsizetype>(mediaCount, TableRows::kMediaRowCap),
              "the Media Files table lacks rows");
        check(widths.value(QStringLiteral("File")) > 13,
              "the Media Files table's name column was not measured");
        figures.append({"Media Files table rebuild", baseline, ms, model.rowCount()});
    }

    std::printf("%-30s %12s %10s %10s %9s  %s\n", "", "rows (ms)", "rebuild", "rows", "/rows", "goal");
    for (const Figure& f : figures)
        std::printf("%-30s %12.2f %10.2f %10lld %8.2fx  %s\n", f.label, f.baseline, f.ms,
                    static_cast<long long>(f.rows), f.baseline > 0 ? f.ms / f.baseline : 0.0, "<= 1.5x");
    return wrong ? 1 : 0;
}
