// How fast the library reader finds, fingerprints and reads libraries, on a tree of synthetic
// libraries written by the fixture builder. Prints its figures; never fails on speed.
//
//   bench_library_reading [--libraries N] [--events N] [--media N] [--projects N]
//                         [--rounds N] [--tree FOLDER] [--only discover|signature|read]
//
// Discovery is measured against `find ROOT -type d` on the same tree, run in the same process
// run, so the ratio holds on any machine. Every figure is the median of its rounds, with a
// warm file-system cache (the tree was just written, and one unmeasured round goes first).
// With --tree the tree is written into FOLDER when it is not there yet and kept, so a profiler
// can run one phase alone (--only) without paying for the writing.

#include "Catalogue/LibraryInfo.h"
#include "Catalogue/LibraryReader.h"
#include "Catalogue/MediaEntry.h"
#include "Catalogue/PendingDir.h"
#include "Tests/Fixtures/CollectionRow.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Fixtures/PlistValue.h"

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

using Clock = std::chrono::steady_clock;

struct Options {
    int libraries = 40;
    int events = 10;   // per library
    int media = 2000;  // original media files per library
    int projects = 20; // per library
    int rounds = 5;
    QString tree; // keep the tree here (written when missing)
    QString only; // one phase: "discover", "signature" or "read"
};

double millisecondsOf(const std::function<void()>& work) {
    const Clock::time_point start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

// The median of `rounds` timings, after one unmeasured round.
double measure(int rounds, const std::function<void()>& work) {
    work();
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i)
        times.push_back(millisecondsOf(work));
    return median(times);
}

QString at(const QString& folder, const QString& name) {
    return QDir(folder).filePath(name);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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

// Folders a walk must pass through or stay out of: footage cards, a cache of another editing
// application holding a bundle, automatic backups, a photo library, node modules, a trash,
// hidden folders and a link back up the tree.
void writeDecoys(const QString& drive, int driveIndex) {
    for (int card = 0; card < 30; ++card) {
        const QString cardFolder =
            at(drive, QStringLiteral("Footage/Shoot %1/Card %2").arg(driveIndex).arg(card));
        for (int clip = 0; clip < 10; ++clip)
            FixtureFiles::writeRandom(at(cardFolder, QStringLiteral("CLIP%1/clip.mov").arg(clip)), 128);
    }
    FixtureFiles::makeFolder(
        at(drive, QStringLiteral("CacheClip/audio/Volumes/X/Fake.fcpbundle/Ev/Original Media")));
    FixtureFiles::makeFolder(
        at(drive, QStringLiteral("Final Cut Backups.localized/Lib/20250101_0900.fcpbundle")));
    for (int i = 0; i < 50; ++i)
        FixtureFiles::makeFolder(
            at(drive, QStringLiteral("Photos Library.photoslibrary/resources/%1").arg(i)));
    for (int i = 0; i < 50; ++i)
        FixtureFiles::makeFolder(at(drive, QStringLiteral("Tools/site/node_modules/pkg%1/lib").arg(i)));
    for (int i = 0; i < 20; ++i)
        FixtureFiles::makeFolder(at(drive, QStringLiteral(".Trashes/501/Old %1.fcpbundle").arg(i)));
    FixtureFiles::makeFolder(at(drive, QStringLiteral(".hidden/deep/er")));
    FixtureFiles::makeLink(at(drive, QStringLiteral("Footage/back up")), QStringLiteral(".."));
}

struct Tree {
    QString root;
    QStringList libraries;
};

// Four drives; the libraries spread over client and year folders at three depths.
Tree writeTree(const QString& root, const Options& options) {
    Tree tree{root, {}};
    const int drives = 4;
    for (int d = 0; d < drives; ++d)
        writeDecoys(at(root, QStringLiteral("Drive %1").arg(d + 1)), d);
    for (int i = 0; i < options.libraries; ++i) {
        const QString drive = at(root, QStringLiteral("Drive %1").arg(i % drives + 1));
        QString folder;
        switch (i % 3) {
        case 0:
            folder = at(drive, QStringLiteral("Libraries"));
            break;
        case 1:
            folder = at(drive, QStringLiteral("Clients/Client %1/%2").arg(i % 7).arg(2020 + i % 5));
            break;
        default:
            folder = at(drive, QStringLiteral("Archive/%1/Jobs/Job %2/Edit").arg(2018 + i % 4).arg(i));
            break;
        }
        tree.libraries.append(library(i, options).write(folder));
        std::fprintf(stderr, "\rwriting the tree: %d of %d libraries", i + 1, options.libraries);
    }
    std::fprintf(stderr, "\n");
    return tree;
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
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& name = args.at(i);
        if (i + 1 >= args.size())
            return std::nullopt;
        const QString value = args.at(++i);
        bool ok = true;
        if (name == QLatin1String("--libraries"))
            options.libraries = value.toInt(&ok);
        else if (name == QLatin1String("--events"))
            options.events = value.toInt(&ok);
        else if (name == QLatin1String("--media"))
            options.media = value.toInt(&ok);
        else if (name == QLatin1String("--projects"))
            options.projects = value.toInt(&ok);
        else if (name == QLatin1String("--rounds"))
            options.rounds = value.toInt(&ok);
        else if (name == QLatin1String("--tree"))
            options.tree = QDir(value).absolutePath();
        else if (name == QLatin1String("--only"))
            options.only = value;
        else
            return std::nullopt;
        if (!ok)
            return std::nullopt;
    }
    if (options.libraries < 1 || options.events < 1 || options.media < 0 || options.projects < 0 ||
        options.rounds < 1)
        return std::nullopt;
    if (!options.only.isEmpty() && options.only != QLatin1String("discover") &&
        options.only != QLatin1String("signature") && options.only != QLatin1String("read"))
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
        std::fprintf(stderr,
                     "usage: bench_library_reading [--libraries N] [--events N] [--media N] "
                     "[--projects N] [--rounds N] [--tree FOLDER] [--only discover|signature|read]\n");
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
    return 0;
}
