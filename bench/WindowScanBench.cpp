// What the open main window costs a scan: the same tree of synthetic libraries scanned through
// the catalogue alone and through the windowed application with its main window shown
// (offscreen), at each size, as a first full scan into an empty catalogue and as a rescan
// with nothing changed. Prints both times and their ratio; never fails on speed.
//
//   bench_window_scan [--sizes N,N,...] [--tab NAME] [--events N] [--media N] [--projects N]
//                     [--rounds N] [--tree FOLDER]
//
// Each size runs in a process of its own, on a tree of bench_scan's growth shape (2 events, 24
// media files and 2 projects a library unless given), so that with the same --tree both
// benchmarks scan the same FOLDER-N trees; then the first scan per library of each size is
// set against the smallest's.
//
// The sizes are library counts (500 and 2000 unless given); the window shows the tab NAME
// ("Browser" unless given, as a new window does). A scan with the window is timed
// from the scan's start until the window has taken in its end, so a redraw put off until
// then counts. Every figure is the median of its rounds with a warm file-system cache, and the
// two roads alternate, so both see the same machine. With --tree each size's tree is written
// into FOLDER-N when it is not there yet and kept.

#include "App/Mode.h"
#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Store/Catalog.h"
#include "Shell/Views/MainContent.h"
#include "Shell/Views/PellimorApp.h"
#include "Shell/WindowSettings.h"
#include "Widgets/Prompts.h"
#include "bench/BenchSupport.h"
#include "bench/SyntheticScan.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

using namespace pellimor;

namespace {

using bench::at;
using bench::median;

struct Options : bench::TreeOptions {
    // The shape of bench_scan's growth trees, so both benchmarks can share one tree per size.
    Options() : bench::TreeOptions{2000, 2, 24, 2, 1, {}} {}
    QList<int> sizes{500, 2000};
    Mode tab = Mode::browser;
    std::optional<int> oneSize; // set in the process that measures one size
};

// Declines every question, so the window's start-up never waits for a dialog ("Refresh the
// scan?" is asked as soon as the catalogue holds libraries).
class Declining final : public Prompts {
public:
    std::optional<QString> confirm(const QString&, const QString&, const QList<Action>&, Style) override {
        return std::nullopt;
    }
    std::optional<QStringList> chooseFolders(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> chooseFolder(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    void tell(const QString&, const QString&) override {}
    std::optional<QString> chooseSaveFile(const QString&, const QString&, const QString&,
                                          const QString&) override {
        return std::nullopt;
    }
};

// Runs the event loop until `done` holds.
void waitUntil(const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(5);
    if (!done())
        loop.exec();
}

// Lets whatever the end of a scan set off on the main thread (the window's last redraw among
// it) run to its end.
void drainEvents() {
    for (int turn = 0; turn < 3; ++turn) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

double scanAlone(const QString& dataDir, const QString& root, int concurrency) {
    qputenv("TOVLIN_DATA_DIR", dataDir.toUtf8());
    Catalog catalog;
    bench::settleBackgroundWork();
    return bench::runScan(catalog, bench::scanJob(root, concurrency));
}

double scanWithWindow(const QString& dataDir, const QString& root, int concurrency, Mode tab) {
    qputenv("TOVLIN_DATA_DIR", dataDir.toUtf8());
    PellimorApp app(QStringList{QStringLiteral("tovlin")});
    app.mainContent().setPrompts(std::make_shared<Declining>());
    app.mainContent().setMode(tab);
    app.showMainWindow();
    // The first appearance has run and anything it started has ended.
    waitUntil([&] { return app.mainContent().isIdle() && !app.catalog().isScanning(); });
    bench::settleBackgroundWork();
    drainEvents();
    return bench::runScan(app.catalog(), bench::scanJob(root, concurrency), drainEvents);
}

struct Figures {
    double first = 0;
    double rescan = 0;
};

// The median first scan and unchanged rescan of `rounds` rounds, each round in a data folder of
// its own; one unmeasured rescan warms what the first scan left cold (the catalogue file).
Figures measure(const std::function<double(const QString& dataDir)>& scan, const QString& dataDir) {
    Figures figures;
    figures.first = scan(dataDir);
    scan(dataDir);
    figures.rescan = scan(dataDir);
    QDir(dataDir).removeRecursively();
    return figures;
}

std::optional<Options> parse(const QStringList& args) {
    Options options;
    const bool ok = bench::parseTreeOptions(args, options, [&](const QString& name, const QString& value) {
        if (name == QLatin1String("--tab")) {
            const auto mode = std::find_if(allModes().begin(), allModes().end(),
                                           [&](Mode mode) { return rawValue(mode) == value; });
            if (mode == allModes().end())
                return false;
            options.tab = *mode;
            return true;
        }
        if (name == QLatin1String("--one-size")) {
            bool number = false;
            options.oneSize = value.toInt(&number);
            return number && *options.oneSize >= 1;
        }
        if (name != QLatin1String("--sizes"))
            return false;
        options.sizes.clear();
        for (const QString& size : value.split(u',')) {
            bool number = false;
            const int libraries = size.toInt(&number);
            if (!number || libraries < 1)
                return false;
            options.sizes.append(libraries);
        }
        return !options.sizes.isEmpty();
    });
    if (!ok)
        return std::nullopt;
    return options;
}

// The figures of one size: the first scan and the unchanged rescan alone and with the window,
// then the first scans per library as one line for the parent to read. With --tree the size's
// tree is FOLDER-N, as bench_scan keeps it.
int oneSize(const Options& options, int size, const bench::ScanSandbox& work, int concurrency) {
    bench::TreeOptions treeOptions = options;
    treeOptions.libraries = size;
    const QString root = options.tree.isEmpty() ? work.path(QStringLiteral("tree"))
                                                : options.tree + QStringLiteral("-%1").arg(size);
    const std::optional<QStringList> libraries = bench::scanTree(root, treeOptions);
    if (!libraries)
        return 1;

    int dataIndex = 0;
    std::vector<double> firstAlone, firstWindow, rescanAlone, rescanWindow;
    for (int round = 0; round < options.rounds; ++round) {
        const Figures alone = measure([&](const QString& dir) { return scanAlone(dir, root, concurrency); },
                                      work.path(QStringLiteral("data-%1").arg(++dataIndex)));
        const Figures window =
            measure([&](const QString& dir) { return scanWithWindow(dir, root, concurrency, options.tab); },
                    work.path(QStringLiteral("data-%1").arg(++dataIndex)));
        firstAlone.push_back(alone.first);
        rescanAlone.push_back(alone.rescan);
        firstWindow.push_back(window.first);
        rescanWindow.push_back(window.rescan);
    }
    const auto line = [](const char* what, double alone, double window) {
        std::printf("  %s: %.1f ms alone, %.1f ms with the window: %.2f x (target: at most 1.3)\n", what,
                    alone, window, window / alone);
    };
    const double count = double(libraries->size());
    std::printf("%lld libraries:\n", static_cast<long long>(libraries->size()));
    line("first full scan", median(firstAlone), median(firstWindow));
    std::printf("    per library: %.2f ms alone, %.2f ms with the window\n", median(firstAlone) / count,
                median(firstWindow) / count);
    line("unchanged rescan", median(rescanAlone), median(rescanWindow));
    std::printf("@window %lld %.6f %.6f\n", static_cast<long long>(libraries->size()),
                median(firstAlone) / count, median(firstWindow) / count);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    LibraryReader::prepareDatabaseEngine();
    const std::optional<Options> parsed = parse(QCoreApplication::arguments());
    if (!parsed) {
        std::fprintf(stderr,
                     "usage: bench_window_scan [--sizes N,N,...] [--tab NAME] [--events N] [--media N] "
                     "[--projects N] [--rounds N] [--tree FOLDER]\n");
        return 2;
    }
    const Options& options = *parsed;
    ErrorLog::setHeadless(true);

    const bench::ScanSandbox work(QStringLiteral("window-scan-bench"));
    if (!work.isValid()) {
        std::fprintf(stderr, "could not make a temporary folder\n");
        return 1;
    }
    const int concurrency = WindowSettings::read().concurrency();

    if (options.oneSize)
        return oneSize(options, *options.oneSize, work, concurrency);
    std::printf("%d parallel reads (the window's setting), %d events, %d media files, %d projects per "
                "library; the window shows %s\n",
                concurrency, options.events, options.media, options.projects,
                qPrintable(rawValue(options.tab)));

    // Each size in a process of its own, so that what one leaves behind (memory, caches of the
    // window) does not weigh on the next.
    struct Line {
        int libraries = 0;
        double alone = 0;  // first scan per library
        double window = 0; // the same with the window
    };
    QList<Line> lines;
    for (const int size : options.sizes) {
        QStringList args{QStringLiteral("--one-size"),    QString::number(size),   QStringLiteral("--rounds"),
                         QString::number(options.rounds), QStringLiteral("--tab"), rawValue(options.tab)};
        if (!options.tree.isEmpty())
            args << QStringLiteral("--tree") << options.tree;
        const std::optional<QByteArray> output = bench::runAgain(args);
        if (!output)
            return 1;
        for (const QByteArray& line : output->split('\n')) {
            if (line.startsWith("@window ")) {
                const QList<QByteArray> f = line.mid(8).split(' ');
                if (f.size() == 3)
                    lines.append(Line{f[0].toInt(), f[1].toDouble(), f[2].toDouble()});
            } else if (!line.isEmpty()) {
                std::printf("%s\n", line.constData());
            }
        }
    }
    if (lines.size() >= 2) {
        std::printf("goals:\n");
        const Line& smallest = lines.front();
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const Line& size = lines.at(i);
            const double alone = size.alone / smallest.alone;
            const double window = size.window / smallest.window;
            std::printf(
                "  first scan per library at %d against %d: %.2f x alone, %.2f x with the window (target: "
                "at most 1.5) %s\n",
                size.libraries, smallest.libraries, alone, window,
                alone <= 1.5 && window <= 1.5 ? "met" : "not met");
        }
    }
    return 0;
}
