// How fast the search engine builds its corpus and answers the search field, on a catalogue
// built in memory. Prints its figures; never fails on speed. It fails when the engine answers
// wrongly where the answer is known: "café" and "cafe" must find the same, an absent term
// nothing, and a media file's name at least that file.
//
//   bench_search [--libraries N] [--events N] [--projects N] [--media N] [--rounds N] [--seed N]
//
// Defaults: 2000 libraries of about 25 events (20 to 30) with 4 projects each, the varied texts
// of bench/SyntheticCatalogue.h, and 1000 media files per library (2,000,000 media rows);
// 20 applied runs per query. "--media" counts files per library; "--tree" is not used.
//
// Figures:
// - the cold build (prepare() with a new key; median of up to 5), a cached prepare() (median of
//   1000), the folded text's size, and the memory the first corpus added (VmRSS before and
//   after, each read after returning freed memory to the system);
// - baselines over the same folded texts, single-threaded: per term, a memmem pass over every
//   library's folded UTF-8 finding every occurrence (resuming after each), the same pass with
//   QString::indexOf over the folded text in UTF-16, and one TextFold::fold pass over every
//   indexed text. A query's baseline is the sum over its distinct terms; the empty query's is
//   one pass for an absent term, the cost of reading the text once;
// - per query, the median and 95th percentile of the applied runs (run() on the cached corpus,
//   the result's destruction left out and shown apart), its hits, and the ratios to both
//   baselines.

#include "Browser/SearchEngine.h"
#include "Support/TextFold.h"
#include "Support/WorkPool.h"
#include "bench/BenchSupport.h"
#include "bench/SyntheticCatalogue.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>
#include <QThreadPool>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <vector>

using namespace pellimor;

namespace {

using bench::median;
using bench::millisecondsOf;

double percentile95(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    if (values.empty())
        return 0;
    const auto rank = size_t(std::ceil(0.95 * double(values.size())));
    return values[std::max<size_t>(rank, 1) - 1];
}

// The resident memory in bytes, after handing freed heap memory back to the system so that
// only what is held counts.
qint64 residentBytes() {
    ::malloc_trim(0);
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

qint64 countHits(const SearchResult& result) {
    qint64 hits = 0;
    for (const SearchResult::Library& library : result.libraries) {
        hits += library.hits.size();
        for (const SearchResult::Event& event : library.events) {
            hits += event.hits.size();
            for (const QList<SearchHit>& project : event.projects)
                hits += project.size();
        }
    }
    return hits;
}

// The baselines' passes over the corpus's folded text.
class Baselines {
public:
    explicit Baselines(const SearchCorpus& corpus) : m_corpus(corpus) {
        m_utf16.reserve(corpus.libraries.size());
        for (const SearchCorpus::Library& library : corpus.libraries)
            m_utf16.push_back(QString::fromUtf8(library.blob));
    }

    double memmemPass(const QByteArray& term, qint64* found = nullptr) const {
        qint64 count = 0;
        const double ms = millisecondsOf([&] {
            for (const SearchCorpus::Library& library : m_corpus.libraries) {
                const char* blob = library.blob.constData();
                const size_t size = size_t(library.blob.size());
                size_t from = 0;
                while (from < size) {
                    const void* at =
                        ::memmem(blob + from, size - from, term.constData(), size_t(term.size()));
                    if (!at)
                        break;
                    ++count;
                    from = size_t(static_cast<const char*>(at) - blob) + size_t(term.size());
                }
            }
        });
        if (found)
            *found = count;
        return ms;
    }

    double qstringPass(const QString& term) const {
        qint64 count = 0;
        const double ms = millisecondsOf([&] {
            for (const QString& text : m_utf16) {
                for (qsizetype at = text.indexOf(term); at >= 0; at = text.indexOf(term, at + term.size()))
                    ++count;
            }
        });
        m_sink += count;
        return ms;
    }

    double foldPass() const {
        qint64 units = 0;
        const double ms = millisecondsOf([&] {
            for (const SearchCorpus::Library& library : m_corpus.libraries) {
                for (qsizetype i = 0; i < library.itemCount(); ++i)
                    units += TextFold::fold(library.text(i)).size();
            }
        });
        m_sink += units;
        return ms;
    }

    // A query's two baselines: the sums over its distinct folded terms.
    std::pair<double, double> of(const QStringList& folded, int rounds) const {
        QSet<QString> seen;
        double viaMemmem = 0;
        double viaQString = 0;
        for (const QString& term : folded) {
            if (seen.contains(term))
                continue;
            seen.insert(term);
            const QByteArray utf8 = term.toUtf8();
            viaMemmem += bench::measure(rounds, [&] { memmemPass(utf8); });
            viaQString += bench::measure(rounds, [&] { qstringPass(term); });
        }
        return {viaMemmem, viaQString};
    }

private:
    const SearchCorpus& m_corpus;
    std::vector<QString> m_utf16;
    mutable qint64 m_sink = 0; // keeps the passes' results alive
};

struct Query {
    const char* label;
    QString text;
    SearchScope scope;
    const char* goal;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    bench::TreeOptions o;
    o.libraries = 2000;
    o.events = 25;
    o.media = 1000;
    o.projects = 4;
    o.rounds = 20;
    std::uint32_t seed = 18;
    const bool parsed =
        bench::parseTreeOptions(app.arguments(), o, [&](const QString& name, const QString& value) {
            bool ok = false;
            seed = value.toUInt(&ok);
            return name == QLatin1String("--seed") && ok;
        });
    if (!parsed) {
        std::fprintf(stderr, "usage: bench_search [--libraries N] [--events N] [--projects N] [--media N] "
                             "[--rounds N] [--seed N]\n");
        return 2;
    }

    const QList<LibraryInfo> libraries = bench::syntheticLibraries(
        {o.libraries, o.events, o.projects, bench::CatalogueShape::Texts::varied, seed});
    const QList<Catalog::MediaEntry2> media = bench::syntheticMediaRows(libraries, o.media, seed);
    qint64 events = 0;
    qint64 projects = 0;
    for (const LibraryInfo& library : libraries) {
        events += library.events.size();
        projects += library.projectCount();
    }
    std::printf("catalogue: %lld libraries, %lld events, %lld projects, %lld media rows (seed %u)\n",
                static_cast<long long>(libraries.size()), static_cast<long long>(events),
                static_cast<long long>(projects), static_cast<long long>(media.size()), seed);
    std::printf("thread pool: %d threads; times in ms\n\n", workPool()->maxThreadCount());

    // ---- The corpus
    SearchEngine engine;
    const qint64 before = residentBytes();
    SearchEngine::Corpus corpus;
    std::vector<double> colds{millisecondsOf([&] { corpus = engine.prepare(1, libraries, media); })};
    const qint64 added = residentBytes() - before;
    const int coldRounds = std::min(o.rounds, 5);
    for (int key = 2; key <= coldRounds; ++key)
        colds.push_back(millisecondsOf([&] { corpus = engine.prepare(key, libraries, media); }));
    const qint64 key = coldRounds;
    std::vector<double> cached;
    for (int i = 0; i < 1000; ++i)
        cached.push_back(millisecondsOf([&] { (void)engine.prepare(key, libraries, media); }));

    const Baselines baselines(*corpus);
    const double fold = bench::measure(3, [&] { baselines.foldPass(); });
    const double cold = median(colds);
    const double folded = double(corpus->foldedBytes());
    std::printf("corpus: %lld items, %.1f MB folded UTF-8\n", static_cast<long long>(corpus->itemCount()),
                folded / 1e6);
    std::printf(
        "  cold build (prepare, new key)   %8.1f   %5.2fx one TextFold::fold pass (%.1f)   goal <= 2x\n",
        cold, cold / fold, fold);
    std::printf("  cached prepare                  %8.4f   goal < 1 ms\n", median(cached));
    std::printf("  memory added by the corpus      %8.1f MB  %5.2fx its folded bytes   goal <= 3x\n\n",
                added / 1e6, added / folded);

    // ---- Queries
    const QByteArray absent("zzqx");
    const double scan = bench::measure(3, [&] { baselines.memmemPass(absent); });
    const double scan16 = bench::measure(3, [&] { baselines.qstringPass(QString::fromLatin1(absent)); });
    std::printf("one pass over the folded text (absent term): memmem %.1f, QString::indexOf %.1f\n\n", scan,
                scan16);

    SearchScope keywordsOnly;
    keywordsOnly.all = false;
    keywordsOnly.areas = {SearchArea::keywords};
    // A camera file's name from the middle of the list: one term.
    QString mediaName = QStringLiteral("A000_C000");
    for (qsizetype i = media.size() / 2; i < media.size(); ++i) {
        if (!media.at(i).entry.name.contains(QLatin1Char(' '))) {
            mediaName = media.at(i).entry.name;
            break;
        }
    }
    const QList<Query> queries = {
        {"absent", QString::fromLatin1(absent), {}, "<= 1.0x, median <= 25, p95 < 50"},
        {"one media name", mediaName, {}, "<= 1.5x, median <= 25, p95 < 50"},
        {"two terms", QStringLiteral("smith interview"), {}, "<= 1.5x, median <= 25, p95 < 50"},
        {"accented", QStringLiteral("café"), {}, "<= 1.5x, median <= 25, p95 < 50"},
        {"three terms", QStringLiteral("smith wedding drone"), {}, "<= 1.5x, median <= 25, p95 < 50"},
        {"two terms, Keywords only", QStringLiteral("smith interview"), keywordsOnly,
         "<= 1.5x, median <= 25, p95 < 50"},
        {"empty", QString(), {}, "<= 1.5x, median <= 25, p95 < 50"},
        {"broad", QStringLiteral("e"), {}, "<= 5x"},
    };
    std::printf("%-26s %-22s %9s %9s %10s %9s %8s %8s  %s\n", "query", "text", "median", "p95", "hits",
                "drop", "/memmem", "/QString", "goal (median, /memmem)");
    bool wrong = false;
    for (const Query& q : queries) {
        const SearchQuery query(q.text);
        std::vector<double> times;
        qint64 hits = 0;
        double drop = 0;
        for (int r = 0; r <= o.rounds; ++r) {
            auto result = std::make_unique<SearchResult>();
            const double ms =
                millisecondsOf([&] { *result = engine.run(key, libraries, media, query, q.scope); });
            hits = countHits(*result);
            drop = millisecondsOf([&] { result.reset(); });
            if (r > 0)
                times.push_back(ms);
        }
        auto [viaMemmem, viaQString] = baselines.of(query.folded, 3);
        if (query.folded.isEmpty()) {
            viaMemmem = scan;
            viaQString = scan16;
        }
        const double at = median(times);
        const QString shown = q.text.size() > 22 ? q.text.left(21) + QStringLiteral("…") : q.text;
        std::printf("%-26s %-22s %9.2f %9.2f %10lld %9.2f %7.2fx %7.2fx  %s\n", q.label,
                    ('"' + shown + '"').toUtf8().constData(), at, percentile95(times),
                    static_cast<long long>(hits), drop, at / viaMemmem, at / viaQString, q.goal);

        if (q.text == QLatin1String(absent) && hits != 0) {
            std::fprintf(stderr, "the absent term found %lld rows\n", static_cast<long long>(hits));
            wrong = true;
        }
        if (q.text == mediaName && !media.isEmpty() && hits == 0) {
            std::fprintf(stderr, "the media name \"%s\" found nothing\n", qPrintable(mediaName));
            wrong = true;
        }
    }
    const SearchResult accented = engine.run(key, libraries, media, SearchQuery(QStringLiteral("café")), {});
    const SearchResult plain = engine.run(key, libraries, media, SearchQuery(QStringLiteral("cafe")), {});
    if (accented.libraries != plain.libraries) {
        std::fprintf(stderr, "\"café\" and \"cafe\" found different rows (%lld and %lld)\n",
                     static_cast<long long>(countHits(accented)), static_cast<long long>(countHits(plain)));
        wrong = true;
    }
    std::printf("\n\"café\" and \"cafe\" find the same %lld rows\n",
                static_cast<long long>(countHits(plain)));
    return wrong ? 1 : 0;
}
