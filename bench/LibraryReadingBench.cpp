// How fast the library reader finds, fingerprints and reads libraries, on a tree of synthetic
// libraries written by the fixture builder. Prints its figures; never fails on speed.
//
//   bench_library_reading [--libraries N] [--events N] [--media N] [--projects N]
//                         [--rounds N] [--tree FOLDER] [--tovlin PROGRAM]
//                         [--only discover|signature|read|ordinary]
//
// Discovery is measured against `find ROOT -type d` on the same tree, run in the same process
// run, so the ratio holds on any machine. Every figure is the median of its rounds, with a
// warm file-system cache (the tree was just written, and one unmeasured round goes first).
// With --tree the tree is written into FOLDER when it is not there yet and kept, so a profiler
// can run one phase alone (--only) without paying for the writing.
//
// "ordinary" times the whole program, `tovlin --discover ROOT`, against `find ROOT -type d`
// as whole processes, turn and turn about, on a tree of 10,000 ordinary folders with a few
// files each (no library at all): what a walk of a drive full of other things costs, start-up
// included. With strace installed it also counts the lookups (stat calls) each makes.

#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/MediaEntry.h"
#include "Catalogue/Records/PendingDir.h"
#include "Tests/Fixtures/CollectionRow.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Fixtures/PlistValue.h"
#include "bench/BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

using namespace pellimor;
using fixtures::CollectionRow;
using fixtures::LibraryBuilder;
using fixtures::PlistValue;
namespace FixtureFiles = fixtures::FixtureFiles;

namespace {

using bench::at;
using bench::measure;
using bench::millisecondsOf;
using bench::readFile;

struct Options : bench::TreeOptions {
    Options() : bench::TreeOptions{40, 10, 2000, 20, 5, {}} {}
    QString only;   // one phase: "discover", "signature", "read" or "ordinary"
    QString tovlin; // the program, for "ordinary"; by default the one built beside the bench
};

// One library of the tree. Events share the media files out evenly, and projects likewise;
// each event also holds proxies, render and analysis files and the rows the reader queries
// (keywords, markers, clips, camera data, plug-ins).
LibraryBuilder library(int index, const Options& options) {
    LibraryBuilder lib(QStringLiteral("Library %1").arg(index, 2, 10, QLatin1Char('0')));
    const QString grain = LibraryBuilder::stableUuid(QStringLiteral("grain"));
    for (int e = 0; e < options.events; ++e) {
        auto& event = lib.event(QStringLiteral("Day %1").arg(e + 1));
        const int mediaHere = options.media / options.events + (e < options.media % options.events ? 1 : 0);
        for (int m = 0; m < mediaHere; ++m)
            event.media(
                QStringLiteral("A%1_C%2.mov").arg(e, 3, 10, QLatin1Char('0')).arg(m, 4, 10, QLatin1Char('0')),
                512);
        for (int p = 0; p < 20; ++p)
            event.proxy(
                QStringLiteral("A%1_C%2.mov").arg(e, 3, 10, QLatin1Char('0')).arg(p, 4, 10, QLatin1Char('0')),
                256);
        for (int r = 0; r < 5; ++r)
            event.render(QStringLiteral("Peaks Data/peak-%1").arg(r), 256);
        event.analysis(QStringLiteral("Faces/faces-1"), 256);
        for (int k = 0; k < 5; ++k)
            event.keyword(QStringLiteral("Keyword %1").arg(k));
        for (int k = 0; k < 10; ++k)
            event.keywordRange({QStringLiteral("Keyword %1").arg(k % 5)});
        for (int k = 0; k < 10; ++k)
            event.marker(QStringLiteral("Marker %1").arg(k));
        for (int c = 0; c < 30; ++c)
            event.clip(
                QStringLiteral("A%1_C%2").arg(e, 3, 10, QLatin1Char('0')).arg(c, 4, 10, QLatin1Char('0')));
        event.camera({.videoCodecName = PlistValue("Apple ProRes 422"), .cameraName = PlistValue("A-Cam")});
        event.row(CollectionRow::fxPlug(grain, QStringLiteral("Film Grain")));
        event.row(CollectionRow::audioUnit("aufx", "Rvb7", "Lmnr", QStringLiteral("Room Reverb")));
    }
    for (int p = 0; p < options.projects; ++p) {
        auto& event = lib.event(QStringLiteral("Day %1").arg(p % options.events + 1));
        event.project(QStringLiteral("Edit %1").arg(p + 1))
            .info({.mediaRange = PlistValue("0/1s 5405400/30000s"),
                   .timecodeFrameDuration = PlistValue("1001/30000"),
                   .videoFormatKey = PlistValue("FFVideoFormat1080p2997"),
                   .hasAudio = PlistValue(true),
                   .audioSampleRate = PlistValue(48000)})
            .sequence({.displayName = PlistValue(QStringLiteral("Edit %1").arg(p + 1)),
                       .shareTags = PlistValue("client review")})
            .clips(100)
            .transitions(10)
            .favorites(3)
            .keywordRange({QStringLiteral("Keyword 1")})
            .marker(QStringLiteral("Music starts"))
            .row(CollectionRow::fxPlug(grain, QStringLiteral("Film Grain")));
    }
    return lib;
}

struct Tree {
    QString root;
    QStringList libraries;
};

Tree writeTree(const QString& root, const Options& options) {
    const bench::Decoys decoys{
        .cards = 30, .clipsPerCard = 10, .packages = 50, .trashBundles = 20, .hiddenAndLoop = true};
    return {root, bench::writeTree(root, options.libraries, decoys,
                                   [&](int index) { return library(index, options); })};
}

// Counts the lines a `find` prints, and times it with its output thrown away.
struct FindRun {
    double milliseconds = 0;
    int folders = 0;
};

FindRun runFind(const QStringList& arguments, int rounds) {
    FindRun run;
    {
        QProcess count;
        count.start(QStringLiteral("find"), arguments);
        count.waitForFinished(-1);
        run.folders = static_cast<int>(count.readAllStandardOutput().count('\n'));
    }
    run.milliseconds = measure(rounds, [&] {
        QProcess find;
        find.setStandardOutputFile(QProcess::nullDevice());
        find.start(QStringLiteral("find"), arguments);
        find.waitForFinished(-1);
    });
    return run;
}

// The cost of starting a process at all, taken off the `find` times.
double processStartMilliseconds(int rounds) {
    return measure(rounds, [] {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(QStringLiteral("true"), {});
        process.waitForFinished(-1);
    });
}

void benchDiscovery(const Tree& tree, const Options& options) {
    int listed = 0;
    QStringList found;
    const double ours = measure(options.rounds, [&] {
        QList<PendingDir> pending{PendingDir{tree.root, 0}};
        found.clear();
        listed = 0;
        LibraryReader::discover(
            pending, found, std::nullopt, true, true, [](const auto&, const auto&) {},
            [&](const QString&) { ++listed; });
    });
    std::printf("discovery: %.2f ms, found %lld libraries, listed %d folders\n", ours,
                static_cast<long long>(found.size()), listed);
    if (!options.only.isEmpty())
        return;
    const double spawn = processStartMilliseconds(options.rounds);
    const FindRun all = runFind({tree.root, QStringLiteral("-type"), QStringLiteral("d")}, options.rounds);
    const FindRun pruned =
        runFind({tree.root, QStringLiteral("-type"), QStringLiteral("d"), QStringLiteral("-name"),
                 QStringLiteral("*.fcpbundle"), QStringLiteral("-prune"), QStringLiteral("-o"),
                 QStringLiteral("-type"), QStringLiteral("d"), QStringLiteral("-print")},
                options.rounds);
    const double findAll = std::max(0.001, all.milliseconds - spawn);
    const double findPruned = std::max(0.001, pruned.milliseconds - spawn);
    std::printf("  find ROOT -type d: %.2f ms (%d folders; process start %.2f ms taken off)\n", findAll,
                all.folders, spawn);
    std::printf("  ratio discovery / find: %.2f (target: within 1.5)\n", ours / findAll);
    std::printf("  find pruned at bundles: %.2f ms (%d folders), ratio %.2f\n", findPruned, pruned.folders,
                ours / findPruned);
}

// 100 folders of 100 folders (10,000 below the root besides), each with three small files.
QString writeOrdinaryTree(const QString& root) {
    const QString tree = at(root, QStringLiteral("ordinary"));
    for (int top = 0; top < 100; ++top)
        for (int below = 0; below < 99; ++below) {
            const QString folder = QStringLiteral("%1/t%2/b%3").arg(tree).arg(top).arg(below);
            for (int file = 0; file < 3; ++file)
                FixtureFiles::writeBytes(QStringLiteral("%1/notes-%2.txt").arg(folder).arg(file), "x");
        }
    return tree;
}

// Stat calls a process makes, from strace's summary; nothing when strace is not there.
std::optional<qint64> statCalls(const QString& program, const QStringList& arguments) {
    QProcess strace;
    strace.setStandardOutputFile(QProcess::nullDevice());
    strace.start(QStringLiteral("strace"),
                 QStringList{QStringLiteral("-c"), QStringLiteral("-f"), QStringLiteral("-e"),
                             QStringLiteral("trace=%stat,statx,newfstatat"), program} +
                     arguments);
    if (!strace.waitForFinished(-1) || strace.exitCode() != 0)
        return std::nullopt;
    const QList<QByteArray> lines = strace.readAllStandardError().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        // "100.00 0.001 8 346 242 total": the calls are the fourth field.
        if (fields.size() >= 5 && fields.last() == "total")
            return fields.at(3).toLongLong();
    }
    return qint64(0);
}

void benchOrdinary(const QString& root, const Options& options) {
    const QString program = options.tovlin.isEmpty() ? QCoreApplication::applicationDirPath() +
                                                           QStringLiteral("/../Sources/Pellimor/tovlin")
                                                     : options.tovlin;
    if (!QFileInfo(program).isExecutable()) {
        std::printf("ordinary folders: no program at %s (--tovlin PROGRAM)\n", qPrintable(program));
        return;
    }
    const QString tree = QFileInfo::exists(at(root, QStringLiteral("ordinary")))
                             ? at(root, QStringLiteral("ordinary"))
                             : writeOrdinaryTree(root);
    const QStringList ours{QStringLiteral("--discover"), tree};
    const QStringList find{tree, QStringLiteral("-type"), QStringLiteral("d")};
    // The program's own folders in the bench's temporary home, never the user's.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TOVLIN_DATA_DIR"), at(root, QStringLiteral("data")));
    const auto run = [&](const QString& name, const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(name, arguments);
        process.waitForFinished(-1);
    };
    // Turn and turn about, so a busy moment of the machine falls on both.
    const int rounds = std::max(5, options.rounds * 2);
    std::vector<double> oursTimes;
    std::vector<double> findTimes;
    run(program, ours);
    run(QStringLiteral("find"), find);
    for (int round = 0; round < rounds; ++round) {
        oursTimes.push_back(millisecondsOf([&] { run(program, ours); }));
        findTimes.push_back(millisecondsOf([&] { run(QStringLiteral("find"), find); }));
    }
    const auto median = [](std::vector<double> times) {
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    };
    const double oursMedian = median(oursTimes);
    const double findMedian = median(findTimes);
    std::printf("ordinary folders (10,000, three files each), whole processes, median of %d:\n", rounds);
    std::printf(
        "  tovlin --discover: %.1f ms; find ROOT -type d: %.1f ms; ratio %.2f (target: at most 1.0)\n",
        oursMedian, findMedian, oursMedian / findMedian);
    const std::optional<qint64> oursStats = statCalls(program, ours);
    const std::optional<qint64> findStats = statCalls(QStringLiteral("find"), find);
    if (oursStats && findStats)
        std::printf("  stat calls: tovlin --discover %lld, find %lld\n", static_cast<long long>(*oursStats),
                    static_cast<long long>(*findStats));
}

void benchSignature(const Tree& tree, const Options& options) {
    const int rounds = options.rounds * 4;
    const double total = measure(rounds, [&] {
        for (const QString& library : tree.libraries)
            (void)LibraryReader::signature(library);
    });
    std::printf(
        "signature: %.3f ms per library (%lld libraries, median of %d rounds; target: well under 1 ms)\n",
        total / tree.libraries.size(), static_cast<long long>(tree.libraries.size()), rounds);
}

void benchRead(const Tree& tree, const Options& options) {
    QStringList signatures;
    for (const QString& library : tree.libraries)
        signatures.append(LibraryReader::signature(library));
    qsizetype media = 0;
    qsizetype events = 0;
    qsizetype projects = 0;
    const int rounds = std::max(1, options.rounds / 2);
    const double total = measure(rounds, [&] {
        media = events = projects = 0;
        for (qsizetype i = 0; i < tree.libraries.size(); ++i) {
            QList<MediaEntry> list;
            const LibraryInfo info = LibraryReader::read(tree.libraries.at(i), signatures.at(i), list);
            media += list.size();
            events += info.events.size();
            projects += info.projectCount();
        }
    });
    const double perLibrary = total / tree.libraries.size();
    std::printf(
        "full read: %.2f ms per library, %.2f ms per 1,000 media files (%lld media files, %lld events, "
        "%lld projects, median of %d rounds)\n",
        perLibrary, media ? total / media * 1000.0 : 0.0, static_cast<long long>(media),
        static_cast<long long>(events), static_cast<long long>(projects), rounds);
}

std::optional<Options> parse(const QStringList& args) {
    Options options;
    const bool parsed =
        bench::parseTreeOptions(args, options, [&](const QString& name, const QString& value) {
            if (name == QLatin1String("--only"))
                options.only = value;
            else if (name == QLatin1String("--tovlin"))
                options.tovlin = value;
            else
                return false;
            return true;
        });
    if (!parsed)
        return std::nullopt;
    if (!options.only.isEmpty() && options.only != QLatin1String("discover") &&
        options.only != QLatin1String("signature") && options.only != QLatin1String("read") &&
        options.only != QLatin1String("ordinary"))
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
        std::fprintf(stderr, "usage: bench_library_reading [--libraries N] [--events N] [--media N] "
                             "[--projects N] [--rounds N] [--tree FOLDER] [--tovlin PROGRAM] "
                             "[--only discover|signature|read|ordinary]\n");
        return 2;
    }
    const Options& options = *parsed;

    std::unique_ptr<QTemporaryDir> temporary;
    QString root = options.tree;
    if (root.isEmpty()) {
        temporary =
            std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("tovlin-bench-XXXXXX")));
        root = temporary->path();
    }
    if (options.only == QLatin1String("ordinary")) {
        benchOrdinary(root, options);
        return 0;
    }
    const QString marker = at(root, QStringLiteral(".bench-tree"));

    Tree tree;
    try {
        if (QFileInfo::exists(marker)) {
            tree.root = root;
            tree.libraries = QString::fromUtf8(readFile(marker)).split('\n', Qt::SkipEmptyParts);
        } else {
            const double writing = millisecondsOf([&] { tree = writeTree(root, options); });
            FixtureFiles::writeBytes(marker, tree.libraries.join('\n').toUtf8());
            std::printf("tree written in %.1f s\n", writing / 1000.0);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "could not write the tree: %s\n", error.what());
        return 1;
    }
    std::printf("tree: %lld libraries under %s\n", static_cast<long long>(tree.libraries.size()),
                qPrintable(root));

    if (options.only.isEmpty() || options.only == QLatin1String("discover"))
        benchDiscovery(tree, options);
    if (options.only.isEmpty() || options.only == QLatin1String("signature"))
        benchSignature(tree, options);
    if (options.only.isEmpty() || options.only == QLatin1String("read"))
        benchRead(tree, options);
    if (options.only.isEmpty()) {
        // Beside the tree of libraries, never inside it, so a later --tree run walks what it wrote.
        const QTemporaryDir ordinary(QDir::temp().filePath(QStringLiteral("tovlin-bench-XXXXXX")));
        benchOrdinary(ordinary.path(), options);
    }
    return 0;
}
