// How fast the catalogue store writes and reads "catalog.json" and the media lists, on a
// synthetic catalogue built in memory. Prints its figures and the allocator it ran with; never
// fails on speed.
//
//   bench_catalogue_store [--sizes N,N,...] [--rounds N]
//   bench_catalogue_store --libraries N [--events N] [--projects N] [--media N] [--rounds N]
//
// The first form tells how the costs grow: one line per catalogue size (500 and 2000 libraries
// by default; "--sizes 500,2000,8000" adds the large one), each measured in a process of its
// own so that its peak memory is its own, with the load, the save and the media lists' load,
// and the goals for the largest size. Every library has 20 events and 10 projects, and 500
// media entries.
//
// The second form tells where the time goes at one size. Defaults: 2000 libraries, each with
// 20 events and 10 projects and every tag list filled, and 1000000 media entries spread evenly
// over the libraries. The catalogue's load is the
// Catalog's construction in a data folder holding only "catalog.json"; it is measured against
// QJsonDocument::fromJson alone on the same bytes. The media lists are written one library at a
// time with the store's own saveMedia and loaded with loadAllMedia (from the call until the
// list is published on the main thread); their baseline is QJsonDocument::fromJson over the
// same files, read in advance. Every figure is the median of its rounds after one unmeasured
// round, with a warm file-system cache.

#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/MediaEntry.h"
#include "Catalogue/Records/RecordJson.h"
#include "Catalogue/Records/RecordReader.h"
#include "Catalogue/Store/Catalog.h"
#include "Support/AtomicFile.h"
#include "Support/Result.h"
#include "Support/WorkPool.h"
#include "Tests/Support/CatalogSeeding.h"
#include "bench/BenchSupport.h"
#include "bench/SyntheticCatalogue.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QMap>
#include <QTemporaryDir>
#include <QThreadPool>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

using namespace pellimor;

namespace {

using bench::measure;
using bench::measureTimed;
using bench::median;
using bench::millisecondsOf;
using bench::readFile;

struct Options {
    int libraries = 2000;
    int events = 20;   // per library
    int projects = 10; // per library
    qint64 media = 1000000;
    int rounds = 5;
    bool detail = false; // one size, where the time goes
    QList<int> sizes{500, 2000};
    std::optional<int> growthSize; // set in the process that measures one size
};

// The media entries of a library in the growth lines: as many as in the detailed form's
// default catalogue.
constexpr qint64 kGrowthMediaPerLibrary = 500;
// The figures the goals speak of, and the size they are compared with.
constexpr int kGoalSize = 8000;
constexpr int kGoalBaseSize = 2000;
constexpr double kGoalMilliseconds = 2000;

void waitFor(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(600000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
}

// Lets the catalogue's own background work (free space, earlier loads) end before a timing.
void settle() {
    workPool()->waitForDone();
    QCoreApplication::sendPostedEvents();
}

bool parseArgs(const QStringList& args, Options& o) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto next = [&](auto& out) {
            if (i + 1 >= args.size())
                return false;
            bool ok = false;
            out = decltype(+out)(args[++i].toLongLong(&ok));
            return ok && out > 0;
        };
        bool ok = false;
        if (a == "--libraries" || a == "--events" || a == "--projects" || a == "--media")
            o.detail = true;
        if (a == "--libraries")
            ok = next(o.libraries);
        else if (a == "--events")
            ok = next(o.events);
        else if (a == "--projects")
            ok = next(o.projects);
        else if (a == "--media")
            ok = next(o.media);
        else if (a == "--rounds")
            ok = next(o.rounds);
        else if (a == "--growth-size") {
            int size = 0;
            ok = next(size);
            o.growthSize = size;
        } else if (a == "--sizes" && i + 1 < args.size()) {
            o.sizes.clear();
            ok = true;
            for (const QString& item : args[++i].split(u',', Qt::SkipEmptyParts)) {
                bool isNumber = false;
                o.sizes.append(item.toInt(&isNumber));
                ok = ok && isNumber && o.sizes.last() > 0;
            }
        }
        if (!ok) {
            std::fprintf(stderr, "usage: bench_catalogue_store [--sizes N,N,...] [--rounds N]\n"
                                 "       bench_catalogue_store --libraries N [--events N] [--projects N] "
                                 "[--media N] [--rounds N]\n");
            return false;
        }
    }
    return true;
}

// Everything the catalogue touches lives in `temp`.
void useSandbox(const QTemporaryDir& temp) {
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        qputenv(name, QDir(temp.path()).filePath(QString::fromLatin1(name)).toUtf8());
    const QString volumes = QDir(temp.path()).filePath(QStringLiteral("Volumes"));
    QDir().mkpath(volumes);
    qputenv("TOVLIN_VOLUMES_ROOT", volumes.toUtf8());
    qputenv("TOVLIN_DATA_DIR", QDir(temp.path()).filePath(QStringLiteral("data")).toUtf8());
    ErrorLog::setHeadless(true);
}

// The published media list's load, from the call until it is published on the main thread,
// with every list of `libraries` on disk; the median of `rounds` after one unmeasured round.
double mediaLoadMilliseconds(Catalog& catalog, const QList<LibraryInfo>& libraries, int rounds) {
    int published = 0;
    const QMetaObject::Connection counting =
        QObject::connect(&catalog, &Catalog::mediaChanged, [&] { ++published; });
    const double milliseconds = measureTimed(rounds, [&] {
        // From an empty published list, so every load publishes.
        catalog.seed({.libraries = QList<LibraryInfo>{}});
        catalog.loadAllMedia();
        waitFor([&] { return catalog.media().isEmpty(); });
        settle();
        catalog.seed({.libraries = libraries});
        const int before = published;
        return millisecondsOf([&] {
            catalog.loadAllMedia();
            waitFor([&] { return published > before; });
        });
    });
    QObject::disconnect(counting);
    return milliseconds;
}

// One line of how the costs grow, for a catalogue of `size` libraries, and a line of figures
// for the process that asked for it (starting with "#").
int growthLine(int size, int rounds) {
    QTemporaryDir temp;
    if (!temp.isValid())
        return 1;
    useSandbox(temp);
    const QList<LibraryInfo> libraries = bench::syntheticLibraries({size, 20, 10});

    double save = 0;
    {
        auto writer = std::make_unique<Catalog>();
        settle();
        writer->seed({.libraries = libraries});
        save = measure(rounds, [&] { writer->save(); });
        settle();
    }
    qsizetype loaded = 0;
    const double load = measureTimed(rounds, [&] {
        std::unique_ptr<Catalog> reader;
        const double ms = millisecondsOf([&] { reader = std::make_unique<Catalog>(); });
        loaded = reader->libraries().size();
        settle();
        return ms;
    });
    if (loaded != libraries.size()) {
        std::fprintf(stderr, "the catalogue loaded %lld of %d libraries\n", static_cast<long long>(loaded),
                     size);
        return 1;
    }
    const qint64 catalogueBytes =
        QFileInfo(QDir(qEnvironmentVariable("TOVLIN_DATA_DIR")).filePath(QStringLiteral("catalog.json")))
            .size();

    // The lists are written as the store writes them, without waiting for the disk: only
    // their load is measured here.
    auto catalog = std::make_unique<Catalog>();
    settle();
    for (int l = 0; l < size; ++l) {
        const Result<QByteArray> bytes = RecordJson::encodeListBytes(
            bench::syntheticMedia(l, kGrowthMediaPerLibrary), RecordJson::DateForm::Since1970);
        if (!bytes.ok() || !AtomicFile::write(catalog->scanHost()->mediaFile(libraries.at(l).path),
                                              bytes.value(), AtomicFile::Durability::unsynced)
                                .ok()) {
            std::fprintf(stderr, "could not write the media lists\n");
            return 1;
        }
    }
    const double mediaLoad = mediaLoadMilliseconds(*catalog, libraries, rounds);
    const qint64 entries = qint64(size) * kGrowthMediaPerLibrary;
    if (catalog->media().size() != entries) {
        std::fprintf(stderr, "the media lists loaded %lld of %lld entries\n",
                     static_cast<long long>(catalog->media().size()), static_cast<long long>(entries));
        return 1;
    }
    catalog.reset();
    settle();
    std::printf("  %5d libraries (%5.1f MB): load %7.1f ms (%5.1f us a library), save %7.1f ms (%5.1f us a "
                "library); %8lld media entries load in %7.1f ms (%4.2f us an entry); peak memory %5.0f MiB\n",
                size, double(catalogueBytes) / 1e6, load, load * 1000.0 / size, save, save * 1000.0 / size,
                static_cast<long long>(entries), mediaLoad, mediaLoad * 1000.0 / double(entries),
                bench::peakMemoryMiB());
    std::printf("# %d %f %f\n", size, load, save);
    return 0;
}

// The growth lines of every size, each from a process of its own, and the goals.
int growthLines(const Options& o) {
    std::printf("allocator: %s\n", qPrintable(bench::allocatorName()));
    std::printf("how the costs grow: libraries of 20 events and 10 projects with full tag lists, %lld media "
                "entries each; median of %d rounds after one unmeasured round\n",
                static_cast<long long>(kGrowthMediaPerLibrary), o.rounds);
    QMap<int, std::pair<double, double>> figures; // size: load, save
    for (const int size : o.sizes) {
        const std::optional<QByteArray> output =
            bench::runAgain({QStringLiteral("--growth-size"), QString::number(size),
                             QStringLiteral("--rounds"), QString::number(o.rounds)});
        if (!output)
            return 1;
        for (const QByteArray& line : output->split('\n')) {
            if (line.startsWith("# ")) {
                const QList<QByteArray> fields = line.mid(2).split(' ');
                if (fields.size() == 3)
                    figures.insert(fields.at(0).toInt(), {fields.at(1).toDouble(), fields.at(2).toDouble()});
            } else if (!line.isEmpty()) {
                std::printf("%s\n", line.constData());
            }
        }
    }
    if (figures.contains(kGoalSize)) {
        const auto [load, save] = figures.value(kGoalSize);
        std::printf("%d libraries: load %.0f ms and save %.0f ms (target: each under %.0f ms)\n", kGoalSize,
                    load, save, kGoalMilliseconds);
        if (figures.contains(kGoalBaseSize)) {
            const auto [baseLoad, baseSave] = figures.value(kGoalBaseSize);
            const double scale = double(kGoalSize) / kGoalBaseSize;
            std::printf("  per library against %d libraries: load %.2f x, save %.2f x (target: at most 1)\n",
                        kGoalBaseSize, load / (baseLoad * scale), save / (baseSave * scale));
        }
    } else {
        std::printf("(the %d-library goals are checked with --sizes 500,2000,8000)\n", kGoalSize);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // As the program does, before anything allocates in earnest.
    MallocTuning::apply();
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Options o;
    if (!parseArgs(app.arguments(), o))
        return 2;
    if (o.growthSize)
        return growthLine(*o.growthSize, o.rounds);
    if (!o.detail)
        return growthLines(o);

    // Everything the catalogue touches lives in a temporary folder.
    QTemporaryDir temp;
    if (!temp.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    const QString dataDir = QDir(temp.path()).filePath(QStringLiteral("data"));
    useSandbox(temp);

    std::printf("allocator: %s\n", qPrintable(bench::allocatorName()));
    std::printf("catalogue: %d libraries x %d events, %d projects each, full tag lists; %lld media entries\n",
                o.libraries, o.events, o.projects, static_cast<long long>(o.media));
    std::printf("median of %d rounds after one unmeasured round; times in ms\n\n", o.rounds);

    QList<LibraryInfo> libraries = bench::syntheticLibraries({o.libraries, o.events, o.projects});
    const QString catalogFile = QDir(dataDir).filePath(QStringLiteral("catalog.json"));

    // ---- "catalog.json"
    double save = 0;
    {
        auto writer = std::make_unique<Catalog>();
        settle();
        writer->seed({.libraries = libraries});
        save = measure(o.rounds, [&] { writer->save(); });
        settle();
    }
    const QByteArray bytes = readFile(catalogFile);
    if (bytes.isEmpty()) {
        std::fprintf(stderr, "the catalogue was not written\n");
        return 1;
    }
    const double serialise = measureTimed(o.rounds, [&] {
        const QJsonDocument document = QJsonDocument::fromJson(bytes);
        return millisecondsOf([&] { (void)document.toJson(QJsonDocument::Compact); });
    });
    const double parse = measure(o.rounds, [&] { (void)QJsonDocument::fromJson(bytes); });
    qsizetype loaded = 0;
    const double load = measureTimed(o.rounds, [&] {
        std::unique_ptr<Catalog> reader;
        const double ms = millisecondsOf([&] { reader = std::make_unique<Catalog>(); });
        loaded = reader->libraries().size();
        settle();
        return ms;
    });
    if (loaded != libraries.size()) {
        std::fprintf(stderr, "the catalogue loaded %lld of %lld libraries\n", static_cast<long long>(loaded),
                     static_cast<long long>(libraries.size()));
        return 1;
    }
    // Where the time goes: the same steps as the store, one at a time, over the list of
    // libraries (the bulk of the file).
    double encode = 0, write = 0, parseOwn = 0, decode = 0;
    {
        std::vector<double> encodes, writes, parses, decodes;
        const QString scratch = QDir(temp.path()).filePath(QStringLiteral("scratch.json"));
        for (int round = 0; round <= o.rounds; ++round) {
            Result<QByteArray> text = Failure{};
            const double e = millisecondsOf(
                [&] { text = RecordJson::encodeListBytes(libraries, RecordJson::DateForm::Since1970); });
            const double w = millisecondsOf([&] { (void)AtomicFile::write(scratch, text.value()); });
            const double p = millisecondsOf([&] {
                rapidjson::Document document;
                (void)RecordJson::parse(text.value(), RecordJson::Shape::array, document);
            });
            qsizetype decoded = 0;
            const double d = millisecondsOf([&] {
                decoded =
                    RecordJson::decodeListBytes<LibraryInfo>(text.value(), RecordJson::DateForm::Since1970)
                        ->size();
            });
            if (decoded != libraries.size()) {
                std::fprintf(stderr, "the libraries did not decode\n");
                std::exit(1);
            }
            if (round > 0) {
                encodes.push_back(e);
                writes.push_back(w);
                parses.push_back(p);
                decodes.push_back(d);
            }
        }
        encode = median(encodes);
        write = median(writes);
        parseOwn = median(parses);
        decode = median(decodes);
    }

    std::printf("catalog.json                %10.1f MB\n", bytes.size() / 1e6);
    std::printf("  save (Catalog::save)      %10.1f   %5.2fx QJsonDocument::toJson alone (%.1f)\n", save,
                save / serialise, serialise);
    std::printf("  load (new Catalog)        %10.1f   %5.2fx QJsonDocument::fromJson alone (%.1f)\n", load,
                load / parse, parse);
    std::printf("  save steps: records to bytes %.1f, atomic write %.1f\n", encode, write);
    std::printf("  load steps: bytes to records %.1f, of which parsing (RapidJSON document) %.1f\n\n", decode,
                parseOwn);

    // ---- Media lists
    QList<QList<MediaEntry>> lists;
    lists.reserve(o.libraries);
    for (int l = 0; l < o.libraries; ++l) {
        const qint64 count = o.media / o.libraries + (l < o.media % o.libraries ? 1 : 0);
        lists.append(bench::syntheticMedia(l, count));
    }
    auto catalog = std::make_unique<Catalog>();
    settle();
    const double saveMedia = measure(o.rounds, [&] {
        for (int l = 0; l < o.libraries; ++l)
            catalog->scanHost()->saveMedia(lists[l], libraries[l].path);
    });
    lists.clear();

    QList<QByteArray> files;
    qint64 mediaBytes = 0;
    for (const LibraryInfo& library : libraries) {
        files.append(readFile(catalog->scanHost()->mediaFile(library.path)));
        mediaBytes += files.last().size();
    }
    // The file writing alone: the same bytes written atomically over the same files.
    const double writeMedia = measure(o.rounds, [&] {
        for (int l = 0; l < o.libraries; ++l)
            (void)AtomicFile::write(catalog->scanHost()->mediaFile(libraries[l].path), files[l]);
    });
    const double parseMedia = measure(o.rounds, [&] {
        for (const QByteArray& file : files)
            (void)QJsonDocument::fromJson(file);
    });
    files.clear();

    const double loadMedia = mediaLoadMilliseconds(*catalog, libraries, o.rounds);
    if (catalog->media().size() != o.media) {
        std::fprintf(stderr, "the media lists loaded %lld of %lld entries\n",
                     static_cast<long long>(catalog->media().size()), static_cast<long long>(o.media));
        return 1;
    }
    std::printf("media lists                 %10.1f MB in %d files\n", mediaBytes / 1e6, o.libraries);
    std::printf("  save (saveMedia each)     %10.1f   of which atomic writes of the same bytes alone %.1f\n",
                saveMedia, writeMedia);
    std::printf("  load (loadAllMedia)       %10.1f   %5.2fx QJsonDocument::fromJson alone (%.1f)\n",
                loadMedia, loadMedia / parseMedia, parseMedia);
    std::printf("peak memory %.0f MiB\n", bench::peakMemoryMiB());
    catalog.reset();
    settle();
    return 0;
}
