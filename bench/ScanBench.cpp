// How long a whole scan run takes through the catalogue, on a tree of synthetic libraries
// written by the fixture builder: a first full scan into an empty catalogue and a rescan with
// nothing changed, at 1, 2 and 4 parallel reads. Then how the costs grow: one line per size of
// a tree of smaller libraries (500 and 2000 by default; "--sizes 500,2000,8000" adds the large
// one), each run in a process of its own so that its peak memory is its own. Prints its
// figures and the allocator it ran with; never fails on speed.
//
//   bench_scan [--libraries N] [--events N] [--media N] [--projects N] [--rounds N] [--tree FOLDER]
//              [--sizes N,N,...] [--tovlin PROGRAM]
//
// The baseline is a bare discovery walk of the same tree (LibraryReader::discover, no
// catalogue), measured in the same process run, so the ratios hold on any machine. Every
// figure is the median of its rounds with a warm file-system cache. Each first scan starts
// from an empty data folder of its own; each rescan reuses the catalogue its first scan made.
// With --tree the tree is written into FOLDER when it is not there yet and kept, and the trees
// of the sizes beside it, as FOLDER-500 and so on.

#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Records/PendingDir.h"
#include "Catalogue/Store/Catalog.h"
#include "Support/WorkPool.h"
#include "bench/BenchSupport.h"
#include "bench/SyntheticScan.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
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
    QList<int> sizes{500, 2000};
    // Set in the process that measures one size.
    std::optional<int> growthSize;
    // The program whose --discover is timed; the one of this build unless given.
    QString tovlin;
    // Set in the process that is one unchanged rescan: the data folder and the root.
    QStringList rescanProcess;
};

// The libraries of the growth trees: smaller than the detailed run's, so that 8000 of them
// are written in minutes; the media files of a tree grow in proportion to its libraries.
bench::TreeOptions growthShape(int libraries) {
    return bench::TreeOptions{libraries, 2, 24, 2, 3, {}};
}

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

double bareWalk(const QString& root, int rounds, LibraryReader::LookAhead lookAhead = {}) {
    return measure(rounds, [&] {
        QList<PendingDir> pending{PendingDir{root, 0}};
        QStringList found;
        LibraryReader::discover(pending, found, 8, true, true, {}, {}, {}, nullptr, lookAhead);
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
    workPool()->waitForDone();
    QCoreApplication::sendPostedEvents();
    return measure(rounds, [&] { catalog.save(); });
}

std::optional<Options> parse(const QStringList& args) {
    Options options;
    const bool ok = bench::parseTreeOptions(args, options, [&](const QString& name, const QString& value) {
        if (name == QLatin1String("--sizes")) {
            options.sizes.clear();
            for (const QString& item : value.split(u',', Qt::SkipEmptyParts)) {
                bool isNumber = false;
                const int size = item.toInt(&isNumber);
                if (!isNumber || size < 1)
                    return false;
                options.sizes.append(size);
            }
            return true;
        }
        if (name == QLatin1String("--tovlin")) {
            options.tovlin = value;
            return true;
        }
        if (name == QLatin1String("--rescan-process")) {
            options.rescanProcess = value.split(u'\n');
            return options.rescanProcess.size() == 2;
        }
        if (name == QLatin1String("--growth-size")) {
            bool isNumber = false;
            options.growthSize = value.toInt(&isNumber);
            return isNumber && *options.growthSize >= 1;
        }
        return false;
    });
    if (!ok)
        return std::nullopt;
    return options;
}

// The environment of a whole process of the program: a data folder of its own.
QProcessEnvironment programEnvironment(const QString& dataDir) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TOVLIN_DATA_DIR"), dataDir);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

// One line of how the costs grow, for a tree of `libraries` growth libraries kept at `tree`
// (written when missing; a temporary one when empty): a first scan with 4 parallel reads per
// library and the bytes this process wrote meanwhile against the data folder it left, the
// unchanged rescan against the bare walk (each the median of its rounds, taken in turns), the
// unchanged rescan as a whole new process (as a user starting the program meets it) against
// the program's --discover of the same root, the catalogue's save, and this process's peak
// memory. Then the same figures as one line for the parent to read.
int growthLine(int libraries, const QString& tree, int rounds, const QString& tovlin) {
    const bench::ScanSandbox work(QStringLiteral("scan-growth"));
    if (!work.isValid())
        return 1;
    const QString root = tree.isEmpty() ? work.path(QStringLiteral("tree")) : tree;
    const std::optional<QStringList> written = bench::scanTree(root, growthShape(libraries));
    if (!written)
        return 1;
    const QString dataDir = work.path(QStringLiteral("data"));
    const bench::WrittenBytes before = bench::writtenSoFar();
    const ScanTime first = timeScan(dataDir, root, 4);
    const bench::WrittenBytes after = bench::writtenSoFar();
    const qint64 dataBytes = bench::folderBytes(dataDir);
    // Unmeasured, as in the detailed run: it warms the catalogue file.
    timeScan(dataDir, root, 4);
    std::vector<double> walks;
    std::vector<double> rescans;
    std::vector<double> processes;
    std::vector<double> discovers;
    const QString program = bench::tovlinProgram(tovlin);
    const QProcessEnvironment environment = programEnvironment(work.path(QStringLiteral("discover-data")));
    for (int round = 0; round < rounds; ++round) {
        walks.push_back(bareWalk(root, 1));
        rescans.push_back(timeScan(dataDir, root, 4).milliseconds);
        const std::optional<double> process =
            bench::processMilliseconds(QCoreApplication::applicationFilePath(),
                                       {QStringLiteral("--rescan-process"), dataDir + u'\n' + root});
        const std::optional<double> discover =
            bench::processMilliseconds(program, {QStringLiteral("--discover"), root}, environment);
        if (!process || !discover)
            return 1;
        processes.push_back(*process);
        discovers.push_back(*discover);
    }
    const double walk = median(walks);
    const double rescan = median(rescans);
    const double process = median(processes);
    const double discover = median(discovers);
    const double save = saveMilliseconds(dataDir, rounds);
    const double perLibrary = first.milliseconds / double(written->size());
    const qint64 handed = after.handed - before.handed;
    const qint64 stored = after.stored - before.stored;
    std::printf(
        "  %5lld libraries: first scan %6.2f ms per library, wrote %.1f MB (%.1f MB to storage) for a "
        "data folder of %.1f MB: %.1f x; unchanged rescan %5.2f x the bare walk (%.1f against %.1f ms); "
        "as a new process %.1f ms, %.2f x tovlin --discover (%.1f ms); one save %6.1f ms (%.1f us per "
        "library); peak memory %.0f MiB\n",
        static_cast<long long>(written->size()), perLibrary, double(handed) / 1e6, double(stored) / 1e6,
        double(dataBytes) / 1e6, double(handed) / double(std::max<qint64>(dataBytes, 1)), rescan / walk,
        rescan, walk, process, process / discover, discover, save, save * 1000.0 / double(written->size()),
        bench::peakMemoryMiB());
    std::printf("@growth %lld %.6f %lld %lld %.3f %.3f\n", static_cast<long long>(written->size()),
                perLibrary, static_cast<long long>(handed), static_cast<long long>(dataBytes), process,
                discover);
    return 0;
}

// One unchanged rescan as the program meets it when it starts: the catalogue loaded from the
// data folder, its start-up's background work settled, the scan run to its end.
int rescanProcess(const QString& dataDir, const QString& root) {
    qputenv("TOVLIN_DATA_DIR", dataDir.toUtf8());
    Catalog catalog;
    bench::settleBackgroundWork();
    bench::runScan(catalog, bench::scanJob(root, 4));
    return 0;
}

// A tree of `folders` ordinary folders (no library among them), a few small files in each:
// a hundred folders under each of the top ones.
bool writeOrdinaryTree(const QString& root, int folders) {
    if (QFileInfo::exists(root + QStringLiteral("/.complete")))
        return true;
    QDir().mkpath(root);
    const QByteArray bytes(512, 'x');
    for (int i = 0; i < folders; ++i) {
        const QString folder =
            root + QStringLiteral("/%1/%2").arg(i / 100, 3, 10, QLatin1Char('0')).arg(i % 100);
        if (!QDir().mkpath(folder))
            return false;
        for (int f = 0; f < 3; ++f) {
            QFile file(folder + QStringLiteral("/file%1.txt").arg(f));
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                return false;
        }
    }
    QFile done(root + QStringLiteral("/.complete"));
    return done.open(QIODevice::WriteOnly);
}

// The program's --discover against `find ROOT -type d` on 10,000 ordinary folders, whole
// processes taken in turns; the ratio of their medians.
std::optional<double> discoverAgainstFind(const QString& root, const QString& tovlin, int rounds,
                                          const QString& dataDir) {
    if (!writeOrdinaryTree(root, 10000))
        return std::nullopt;
    const QString program = bench::tovlinProgram(tovlin);
    const QProcessEnvironment environment = programEnvironment(dataDir);
    std::vector<double> discovers;
    std::vector<double> finds;
    for (int round = 0; round < std::max(rounds, 7); ++round) {
        const std::optional<double> discover =
            bench::processMilliseconds(program, {QStringLiteral("--discover"), root}, environment);
        const std::optional<double> find = bench::processMilliseconds(
            QStringLiteral("find"), {root, QStringLiteral("-type"), QStringLiteral("d")}, environment);
        if (!discover || !find)
            return std::nullopt;
        discovers.push_back(*discover);
        finds.push_back(*find);
    }
    const double discover = median(discovers);
    const double find = median(finds);
    std::printf(
        "tovlin --discover of 10,000 ordinary folders with 3 files each: %.1f ms, find -type d: %.1f ms: "
        "%.2f x (target: at most 1.0) %s\n",
        discover, find, discover / find, discover <= find ? "met" : "not met");
    return discover / find;
}

} // namespace

int main(int argc, char** argv) {
    // As the program does, before anything allocates in earnest.
    MallocTuning::apply();
    QCoreApplication app(argc, argv);
    // As the program does, before writing the tree starts SQLite.
    LibraryReader::prepareDatabaseEngine();
    const std::optional<Options> parsed = parse(QCoreApplication::arguments());
    if (!parsed) {
        std::fprintf(stderr, "usage: bench_scan [--libraries N] [--events N] [--media N] [--projects N] "
                             "[--rounds N] [--tree FOLDER] [--sizes N,N,...] [--tovlin PROGRAM]\n");
        return 2;
    }
    const Options& options = *parsed;
    ErrorLog::setHeadless(true);
    if (options.rescanProcess.size() == 2)
        return rescanProcess(options.rescanProcess.at(0), options.rescanProcess.at(1));
    if (options.growthSize)
        return growthLine(*options.growthSize, options.tree, options.rounds, options.tovlin);
    std::printf("allocator: %s\n", qPrintable(bench::allocatorName()));

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
    // A scan with 4 parallel reads walks with 3 helpers listing ahead of it (fewer on a machine
    // with fewer than 4 processors); the ratios below stay against the walk alone.
    std::printf(
        "  the same walk with 3 helpers listing ahead, as a scan with 4 parallel reads walks: %.2f ms\n",
        bareWalk(root, options.rounds * 3, LibraryReader::LookAhead{3}));

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
    std::printf("first scan, 4 parallel reads against 1: %.2f x faster (target: at least 3)\n",
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
        "  one save of the catalogue (%lld libraries): %.1f ms; a scan's saves are written off the main "
        "thread, in order: a first scan asks for one after every third library read (%lld, about %.0f ms "
        "if each were written), and one asked for while another is written takes the place of any still "
        "waiting; a rescan saves once per root, and its end waits for that save\n",
        static_cast<long long>(libraries.size()), saveMs, static_cast<long long>(libraries.size() / 3),
        saveMs * double(libraries.size() / 3) / 2.0);
    std::printf("  peak memory of this process: %.0f MiB\n", bench::peakMemoryMiB());

    const bench::TreeOptions shape = growthShape(0);
    std::printf("how the costs grow (%d events, %d media files, %d projects a library; 4 parallel reads):\n",
                shape.events, shape.media, shape.projects);
    struct Growth {
        int libraries = 0;
        double perLibrary = 0;
        double handed = 0;
        double dataBytes = 0;
        double process = 0;
        double discover = 0;
    };
    QList<Growth> growth;
    for (const int size : options.sizes) {
        QStringList args{QStringLiteral("--growth-size"), QString::number(size), QStringLiteral("--rounds"),
                         QString::number(options.rounds)};
        if (!options.tree.isEmpty())
            args << QStringLiteral("--tree") << options.tree + QStringLiteral("-%1").arg(size);
        if (!options.tovlin.isEmpty())
            args << QStringLiteral("--tovlin") << options.tovlin;
        const std::optional<QByteArray> lines = bench::runAgain(args);
        if (!lines)
            return 1;
        for (const QByteArray& line : lines->split('\n')) {
            if (line.startsWith("@growth ")) {
                const QList<QByteArray> f = line.mid(8).split(' ');
                if (f.size() == 6)
                    growth.append(Growth{f[0].toInt(), f[1].toDouble(), f[2].toDouble(), f[3].toDouble(),
                                         f[4].toDouble(), f[5].toDouble()});
            } else if (!line.isEmpty()) {
                std::printf("%s\n", line.constData());
            }
        }
    }
    const QString ordinaryRoot = options.tree.isEmpty() ? work.path(QStringLiteral("ordinary"))
                                                        : options.tree + QStringLiteral("-ordinary");
    const std::optional<double> againstFind = discoverAgainstFind(
        ordinaryRoot, options.tovlin, options.rounds, work.path(QStringLiteral("discover-data")));
    if (!againstFind)
        return 1;

    std::printf("goals:\n");
    const auto verdict = [](bool met) { return met ? "met" : "not met"; };
    if (!growth.isEmpty()) {
        const Growth& smallest = growth.front();
        for (const Growth& size : std::as_const(growth)) {
            if (&size != &smallest) {
                const double ratio = size.perLibrary / smallest.perLibrary;
                std::printf("  first scan per library at %d against %d: %.2f x (target: at most 1.5) %s\n",
                            size.libraries, smallest.libraries, ratio, verdict(ratio <= 1.5));
            }
            const double writes = size.handed / std::max(size.dataBytes, 1.0);
            std::printf(
                "  bytes written in a first scan of %d against the data folder: %.1f x (target: at most "
                "10 from 2,000 libraries) %s\n",
                size.libraries, writes, verdict(writes <= 10.0));
            const double rescan = size.process / size.discover;
            std::printf(
                "  unchanged rescan of %d as a new process against tovlin --discover: %.2f x (target: at "
                "most 4 from 2,000 libraries) %s\n",
                size.libraries, rescan, verdict(rescan <= 4.0));
        }
    }
    std::printf("  tovlin --discover against find -type d: %.2f x (target: at most 1.0) %s\n", *againstFind,
                verdict(*againstFind <= 1.0));
    return 0;
}
