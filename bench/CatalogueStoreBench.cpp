// How fast the catalogue store writes and reads "catalog.json" and the media lists, on a
// synthetic catalogue built in memory. Prints its figures; never fails on speed.
//
//   bench_catalogue_store [--libraries N] [--events N] [--projects N] [--media N] [--rounds N]
//
// Defaults: 2000 libraries, each with 20 events and 10 projects and every tag list filled,
// and 1000000 media entries spread evenly over the libraries. The catalogue's load is the
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
#include "Tests/Support/CatalogTestAccess.h"
#include "bench/BenchSupport.h"
#include "bench/SyntheticCatalogue.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QThreadPool>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
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
};

void waitFor(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(600000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
}

// Lets the catalogue's own background work (free space, earlier loads) end before a timing.
void settle() {
    QThreadPool::globalInstance()->waitForDone();
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
        if (!ok) {
            std::fprintf(stderr, "usage: bench_catalogue_store [--libraries N] [--events N] [--projects N] "
                                 "[--media N] [--rounds N]\n");
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Options o;
    if (!parseArgs(app.arguments(), o))
        return 2;

    // Everything the catalogue touches lives in a temporary folder.
    QTemporaryDir temp;
    if (!temp.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    const QString dataDir = QDir(temp.path()).filePath(QStringLiteral("data"));
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        qputenv(name, QDir(temp.path()).filePath(QString::fromLatin1(name)).toUtf8());
    const QString volumes = QDir(temp.path()).filePath(QStringLiteral("Volumes"));
    QDir().mkpath(volumes);
    qputenv("TOVLIN_VOLUMES_ROOT", volumes.toUtf8());
    qputenv("TOVLIN_DATA_DIR", dataDir.toUtf8());
    ErrorLog::setHeadless(true);

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
        CatalogTestAccess::setLibraries(*writer, libraries);
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
            CatalogTestAccess::saveMedia(*catalog, lists[l], libraries[l].path);
    });
    lists.clear();

    QList<QByteArray> files;
    qint64 mediaBytes = 0;
    for (const LibraryInfo& library : libraries) {
        files.append(readFile(CatalogTestAccess::mediaFile(*catalog, library.path)));
        mediaBytes += files.last().size();
    }
    // The file writing alone: the same bytes written atomically over the same files.
    const double writeMedia = measure(o.rounds, [&] {
        for (int l = 0; l < o.libraries; ++l)
            (void)AtomicFile::write(CatalogTestAccess::mediaFile(*catalog, libraries[l].path), files[l]);
    });
    const double parseMedia = measure(o.rounds, [&] {
        for (const QByteArray& file : files)
            (void)QJsonDocument::fromJson(file);
    });
    files.clear();

    int published = 0;
    QObject::connect(catalog.get(), &Catalog::mediaChanged, [&] { ++published; });
    const double loadMedia = measureTimed(o.rounds, [&] {
        // From an empty published list, so every load publishes.
        CatalogTestAccess::setLibraries(*catalog, {});
        catalog->loadAllMedia();
        waitFor([&] { return catalog->media().isEmpty(); });
        settle();
        CatalogTestAccess::setLibraries(*catalog, libraries);
        const int before = published;
        return millisecondsOf([&] {
            catalog->loadAllMedia();
            waitFor([&] { return published > before; });
        });
    });
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
    catalog.reset();
    settle();
    return 0;
}
