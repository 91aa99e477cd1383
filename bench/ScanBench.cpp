// How long a whole scan run takes through the catalogue, on a tree of synthetic libraries
// written by the fixture builder: a first full scan into an empty catalogue and a rescan with
// nothing changed, at 1, 2 and 4 parallel reads. Prints its figures; never fails on speed.
//
//   bench_scan [--libraries N] [--events N] [--media N] [--projects N] [--rounds N] [--tree FOLDER]
//
// The baseline is a bare discovery walk of the same tree (LibraryReader::discover, no
// catalogue), measured in the same process run, so the ratios hold on any machine. Every
// figure is the median of its rounds with a warm file-system cache. Each first scan starts
// from an empty data folder of its own; each rescan reuses the catalogue its first scan made.
// With --tree the tree is written into FOLDER when it is not there yet and kept.

#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Records/PendingDir.h"
#include "Catalogue/Store/Catalog.h"
#include "bench/BenchSupport.h"
#include "bench/SyntheticScan.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

using namespace pellimor;

namespace {

using bench::at;
using bench::measure;
using bench::median;
using bench::millisecondsOf;

struct Options : bench::TreeOptions {
    Options() : bench::TreeOptions{200, 3, 120, 4, 3, {}} {}
};

// Runs one job through a catalogue whose data folder is `dataDir`; the time from run() until
// the scan has ended, and the closing status line.
struct ScanTime {
    double milliseconds = 0;
    QString status;
};

ScanTime timeScan(const QString& dataDir, const QString& root, int concurrency) {
    qputenv("TOVLIN_DATA_DIR", dataDir.toUtf8());
    Catalog catalog;
    // Let the start-up's own background work (media lists, free space) settle first.
    bench::settleBackgroundWork();

    ScanTime time;
    time.milliseconds = bench::runScan(catalog, bench::scanJob(root, concurrency));
    time.status = catalog.status();
    return time;
}

double bareWalk(const QString& root, int rounds) {
    return measure(rounds, [&] {
        QList<PendingDir> pending{PendingDir{root, 0}};
        QStringList found;
        LibraryReader::discover(pending, found, 8, true, true, {}, {});
    });
}

// What an unchanged library costs a worker: the readability test and the change signature.
double signatureMilliseconds(const QStringList& libraries, int rounds) {
    return measure(rounds, [&] {
        for (const QString& library : libraries)
            if (LibraryReader::isReadable(library))
                (void)LibraryReader::signature(library);
    });
}

// Full reads of every library with no catalogue, spread over `threads` threads: how far the
// reads themselves scale, apart from what the scan adds on the main thread.
double readsMilliseconds(const QStringList& libraries, int threads) {
    std::atomic<qsizetype> next{0};
    return millisecondsOf([&] {
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t)
            workers.emplace_back([&] {
                for (qsizetype i; (i = next++) < libraries.size();) {
                    QList<MediaEntry> media;
                    (void)LibraryReader::read(libraries.at(i), LibraryReader::signature(libraries.at(i)),
                                              media);
                }
            });
        for (std::thread& worker : workers)
            worker.join();
    });
}

// One save of the catalogue a first scan left in `dataDir`, on the main thread.
double saveMilliseconds(const QString& dataDir, int rounds) {
    qputenv("TOVLIN_DATA_DIR", dataDir.toUtf8());
    Catalog catalog;
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::sendPostedEvents();
    return measure(rounds, [&] { catalog.save(); });
}

std::optional<Options> parse(const QStringList& args) {
    Options options;
    if (!bench::parseTreeOptions(args, options))
        return std::nullopt;
    return options;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // As the program does, before writing the tree starts SQLite.
    LibraryReader::prepareDatabaseEngine();
    const std::optional<Options> parsed = parse(QCoreApplication::arguments());
    if (!parsed) {
        std::fprintf(stderr, "usage: bench_scan [--libraries N] [--events N] [--media N] [--projects N] "
                             "[--rounds N] [--tree FOLDER]\n");
        return 2;
    }
    const Options& options = *parsed;
    ErrorLog::setHeadless(true);

    const bench::ScanSandbox work(QStringLiteral("scan-bench"));
    if (!work.isValid()) {
        std::fprintf(stderr, "could not make a temporary folder\n");
        return 1;
    }

    const QString root = options.tree.isEmpty() ? work.path(QStringLiteral("tree")) : options.tree;
    const std::optional<QStringList> written = bench::scanTree(root, options);
    if (!written)
        return 1;
    const QStringList& libraries = *written;
    std::printf("tree: %lld libraries under %s (%d events, %d media files, %d projects each)\n",
                static_cast<long long>(libraries.size()), qPrintable(root), options.events, options.media,
                options.projects);

    const double walk = bareWalk(root, options.rounds * 3);
    std::printf("bare discovery walk: %.2f ms\n", walk);

    std::vector<double> firstScans;
    double saveMs = 0;
    int dataIndex = 0;
    for (const int concurrency : {1, 2, 4}) {
        std::vector<double> first;
        std::vector<double> again;
        QString firstStatus;
        QString againStatus;
        for (int round = 0; round < options.rounds; ++round) {
            const QString dataDir = work.path(QStringLiteral("data-%1").arg(++dataIndex));
            const ScanTime full = timeScan(dataDir, root, concurrency);
            first.push_back(full.milliseconds);
            firstStatus = full.status;
            // One unmeasured rescan warms what the first one left cold (the catalogue file).
            timeScan(dataDir, root, concurrency);
            const ScanTime rescan = timeScan(dataDir, root, concurrency);
            again.push_back(rescan.milliseconds);
            againStatus = rescan.status;
            if (saveMs == 0)
                saveMs = saveMilliseconds(dataDir, options.rounds);
            QDir(dataDir).removeRecursively();
        }
        const double firstMs = median(first);
        const double againMs = median(again);
        firstScans.push_back(firstMs);
        std::printf("%d parallel read%s:\n", concurrency, concurrency == 1 ? "" : "s");
        std::printf("  first full scan: %.1f ms (%.2f ms per library)  [%s]\n", firstMs,
                    firstMs / double(libraries.size()), qPrintable(firstStatus));
        std::printf("  unchanged rescan: %.1f ms, %.2f x the bare walk (target: at most 1.5)  [%s]\n",
                    againMs, againMs / walk, qPrintable(againStatus));
    }
    std::printf("first scan, 4 parallel reads against 1: %.2f x faster (target: at least 2.5)\n",
                firstScans.front() / firstScans.back());
    std::printf("first scan, 2 parallel reads against 1: %.2f x faster\n",
                firstScans.front() / firstScans.at(1));

    // Where the time goes: work every run does besides walking.
    const double signatures = signatureMilliseconds(libraries, options.rounds);
    std::printf("where the time goes:\n");
    const double readsAlone1 = readsMilliseconds(libraries, 1);
    const double readsAlone4 = readsMilliseconds(libraries, 4);
    std::printf("  full reads alone, no catalogue: %.1f ms on 1 thread, %.1f ms on 4 (%.2f x)\n", readsAlone1,
                readsAlone4, readsAlone1 / readsAlone4);
    std::printf(
        "  readability test and change signature: %.3f ms per library, %.1f ms for all of them on one "
        "thread\n",
        signatures / double(libraries.size()), signatures);
    std::printf(
        "  one save of the catalogue (%lld libraries): %.1f ms on the main thread; a first scan saves after "
        "every third library read (%lld saves, about %.0f ms as the catalogue grows), a rescan once per "
        "root\n",
        static_cast<long long>(libraries.size()), saveMs, static_cast<long long>(libraries.size() / 3),
        saveMs * double(libraries.size() / 3) / 2.0);
    return 0;
}
