// How fast the search for missing files walks a drive, on a synthetic tree of libraries and
// decoys written by the fixture builder. Prints its figures; never fails on speed.
//
//   bench_missing_walk [--libraries N] [--events N] [--media N] [--rounds N] [--tree FOLDER]
//
// The walk looks for 50 names, some of them in the tree, and is measured against `find ROOT`
// on the same tree in the same run (which, like the walk, reads no attributes of the entries),
// so the ratio holds on any machine. Every figure is the median of its rounds with a warm file
// system cache. With --tree the tree is written into FOLDER when it is not there yet and kept.

#include "Catalogue/Reader/LibraryReader.h"
#include "MissingFiles/MissingFiles.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "bench/BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

using namespace pellimor;
using fixtures::LibraryBuilder;
namespace FixtureFiles = fixtures::FixtureFiles;

namespace {

using bench::at;
using bench::measure;
using bench::millisecondsOf;

struct Options : bench::TreeOptions {
    Options() : bench::TreeOptions{40, 10, 5000, 0, 5, {}} {}
};

QString mediaName(int event, int index) {
    return QStringLiteral("A%1_C%2.mov")
        .arg(event, 3, 10, QLatin1Char('0'))
        .arg(index, 4, 10, QLatin1Char('0'));
}

// One library: the media shared out over the events, with a few proxies and render files each.
LibraryBuilder library(int index, const Options& options) {
    LibraryBuilder lib(QStringLiteral("Library %1").arg(index, 2, 10, QLatin1Char('0')));
    for (int e = 0; e < options.events; ++e) {
        auto& event = lib.event(QStringLiteral("Day %1").arg(e + 1));
        const int mediaHere = options.media / options.events + (e < options.media % options.events ? 1 : 0);
        for (int m = 0; m < mediaHere; ++m)
            event.media(mediaName(e, m), 64);
        for (int p = 0; p < 20; ++p)
            event.proxy(mediaName(e, p), 64);
        for (int r = 0; r < 5; ++r)
            event.render(QStringLiteral("Peaks Data/peak-%1").arg(r), 64);
    }
    return lib;
}

// Fifty names: ten that the libraries hold (a proxy of each too), forty that nothing holds.
QSet<QString> wantedNames(const Options& options) {
    QSet<QString> names;
    for (int i = 0; i < 10; ++i)
        names.insert(MissingFiles::nameKey(mediaName(i % options.events, i * 7 % 20)));
    for (int i = 0; i < 40; ++i)
        names.insert(QStringLiteral("gone_%1.mov").arg(i));
    return names;
}

double processStartMilliseconds(int rounds) {
    return measure(rounds, [] {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(QStringLiteral("true"), {});
        process.waitForFinished(-1);
    });
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // As the program does, before writing the tree starts SQLite.
    LibraryReader::prepareDatabaseEngine();
    Options options;
    if (!bench::parseTreeOptions(QCoreApplication::arguments(), options)) {
        std::fprintf(stderr,
                     "usage: bench_missing_walk [--libraries N] [--events N] [--media N] [--rounds N] "
                     "[--tree FOLDER]\n");
        return 2;
    }

    std::unique_ptr<QTemporaryDir> temporary;
    QString root = options.tree;
    if (root.isEmpty()) {
        temporary =
            std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("tovlin-bench-XXXXXX")));
        root = temporary->path();
    }
    const QString marker = at(root, QStringLiteral(".bench-tree"));
    try {
        if (!QFileInfo::exists(marker)) {
            const bench::Decoys decoys{
                .cards = 30, .clipsPerCard = 10, .packages = 50, .trashBundles = 20, .hiddenAndLoop = true};
            const double writing = millisecondsOf([&] {
                bench::writeTree(root, options.libraries, decoys,
                                 [&](int index) { return library(index, options); });
            });
            FixtureFiles::writeBytes(marker, QByteArray());
            std::printf("tree written in %.1f s\n", writing / 1000.0);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "could not write the tree: %s\n", error.what());
        return 1;
    }

    // The entries find lists (the root itself is not an entry of the walk).
    qsizetype entries = 0;
    {
        QProcess count;
        count.start(QStringLiteral("find"), {root});
        count.waitForFinished(-1);
        entries = count.readAllStandardOutput().count('\n') - 1;
    }

    const QSet<QString> names = wantedNames(options);
    MissingFiles::Found found;
    const double walk = measure(options.rounds, [&] {
        found.clear();
        MissingFiles::searchFolders({root}, names, std::make_shared<MissingFiles::Stop>(), found);
    });
    qsizetype texts = 0;
    for (const QStringList& list : found)
        texts += list.size();

    const double spawn = processStartMilliseconds(options.rounds);
    const double find = std::max(0.001, measure(options.rounds, [&] {
                                            QProcess process;
                                            process.setStandardOutputFile(QProcess::nullDevice());
                                            process.start(QStringLiteral("find"), {root});
                                            process.waitForFinished(-1);
                                        }) - spawn);

    std::printf("tree: %lld entries under %s (find's count, hidden ones included)\n",
                static_cast<long long>(entries), qPrintable(root));
    std::printf("walk for %lld names: %.2f ms, %lld paths found for %lld names\n",
                static_cast<long long>(names.size()), walk, static_cast<long long>(texts),
                static_cast<long long>(found.size()));
    std::printf("find ROOT: %.2f ms (process start %.2f ms taken off)\n", find, spawn);
    std::printf("ratio walk / find: %.2f (goal: at most 1.3)\n", walk / find);
    return 0;
}
