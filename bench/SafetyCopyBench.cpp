// How fast a safety copy is, against `cp -r` of the same kept files. Prints its figures; never
// fails on speed. It fails when a copy is plainly wrong: a count or a byte total that is not
// the kept part's.
//
//   bench_safety_copy [--files N] [--events N] [--skipped N] [--rounds N]
//
// Defaults: a library whose kept part is 5,000 small files (100 to 4,000 bytes) in 40 event
// folders, and whose media and render folders hold 20,000 more; the same library without its
// skipped folders; median of 5 rounds after one unmeasured round, the three copies taking turns,
// each into a fresh folder on the same disk.
//
// Figures, each against `cp -r` of the library without its skipped folders, measured in the same
// run: the safety copy of the whole library (goal: at most 1.5×), and how much the skipped
// folders add to it against the copy of the library without them (goal: at most 10 %).

#include "FinalCut/SafetyCopy.h"
#include "bench/BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

using namespace pellimor;
using bench::at;

namespace {

struct Options {
    int files = 5000;
    int events = 40;
    int skipped = 20000;
    int rounds = 5;
};

bool parse(const QStringList& args, Options& options) {
    for (qsizetype i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size())
            return false;
        bool ok = false;
        const int value = args.at(i + 1).toInt(&ok);
        if (!ok || value < 1)
            return false;
        if (args.at(i) == u"--files")
            options.files = value;
        else if (args.at(i) == u"--events")
            options.events = value;
        else if (args.at(i) == u"--skipped")
            options.skipped = value;
        else if (args.at(i) == u"--rounds")
            options.rounds = value;
        else
            return false;
    }
    return true;
}

void writeFile(const QString& path, qsizetype size, char fill) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(size, fill)) != size) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(2);
    }
}

// A library of `files` kept files spread over the events (and its database at the top), with
// `skipped` more in the media, proxy and render folders of the events. The kept files' bytes.
qint64 writeLibrary(const QString& bundle, const Options& options, int skipped) {
    qint64 bytes = 0;
    QDir().mkpath(bundle);
    writeFile(at(bundle, QStringLiteral("CurrentVersion.flexolibrary")), 400, 'l');
    bytes += 400;
    const char* const skippedFolders[] = {"Original Media", "Transcoded Media/Proxy Media",
                                          "Render Files/Peaks Data"};
    for (int e = 0; e < options.events; ++e) {
        const QString event = at(bundle, QStringLiteral("Event %1").arg(e, 3, 10, QLatin1Char('0')));
        QDir().mkpath(event);
        const int keptHere =
            (options.files - 1) / options.events + (e < (options.files - 1) % options.events ? 1 : 0);
        for (int f = 0; f < keptHere; ++f) {
            const qsizetype size = 100 + (qsizetype(e) * 131 + f * 977) % 3900;
            writeFile(at(event, QStringLiteral("Clip %1.plist").arg(f)), size, 'k');
            bytes += size;
        }
        const int skippedHere = skipped / options.events + (e < skipped % options.events ? 1 : 0);
        for (int f = 0; f < skippedHere; ++f) {
            const QString folder = at(event, QString::fromLatin1(skippedFolders[f % 3]));
            if (f < 3)
                QDir().mkpath(folder);
            writeFile(at(folder, QStringLiteral("Media %1.mov").arg(f)), 2000, 'm');
        }
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Options options;
    if (!parse(app.arguments(), options)) {
        std::fprintf(stderr,
                     "usage: bench_safety_copy [--files N] [--events N] [--skipped N] [--rounds N]\n");
        return 2;
    }
    QTemporaryDir work;
    if (!work.isValid())
        return 2;
    const QString whole = at(work.path(), QStringLiteral("Whole.fcpbundle"));
    const QString keptOnly = at(work.path(), QStringLiteral("Kept.fcpbundle"));
    std::fprintf(stderr, "writing the libraries...\n");
    const qint64 keptBytes = writeLibrary(whole, options, options.skipped);
    writeLibrary(keptOnly, options, 0);

    int round = 0;
    bool wrong = false;
    const auto copyInto = [&](const std::function<void(const QString&)>& copy) {
        return [&, copy] {
            const QString destination = at(work.path(), QStringLiteral("copy-%1").arg(++round));
            const double ms = bench::millisecondsOf([&] { copy(destination); });
            QDir(destination).removeRecursively();
            return ms;
        };
    };
    const auto safetyCopyOf = [&](const QString& library) {
        return [&, library](const QString& destination) {
            const SafetyCopy::Outcome made = SafetyCopy::make(library, destination);
            if (!made || made.result->files != options.files || made.result->bytes != keptBytes) {
                std::fprintf(stderr, "wrong copy of %s: %s\n", qPrintable(library),
                             made ? qPrintable(QStringLiteral("%1 files, %2 bytes")
                                                   .arg(made.result->files)
                                                   .arg(made.result->bytes))
                                  : qPrintable(made.error.description));
                wrong = true;
            }
        };
    };
    // The three take turns, round after round, so a busy disk or a flush of earlier rounds
    // weighs on each alike.
    const std::vector<std::function<double()>> runs = {
        copyInto([&](const QString& destination) {
            if (QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), keptOnly, destination}) != 0)
                wrong = true;
        }),
        copyInto(safetyCopyOf(whole)),
        copyInto(safetyCopyOf(keptOnly)),
    };
    std::vector<std::vector<double>> times(runs.size());
    for (int r = 0; r <= options.rounds; ++r) {
        for (size_t i = 0; i < runs.size(); ++i) {
            const size_t which = (i + size_t(r)) % runs.size();
            const double ms = runs[which]();
            if (r > 0)
                times[which].push_back(ms);
        }
    }
    const double cp = bench::median(times[0]);
    const double safetyWhole = bench::median(times[1]);
    const double safetyKept = bench::median(times[2]);
    if (wrong)
        return 1;

    std::printf(
        "safety copy: %d kept files (%lld bytes) in %d events, %d more in skipped folders; median of %d\n",
        options.files, static_cast<long long>(keptBytes), options.events, options.skipped, options.rounds);
    std::printf("  cp -r of the kept files alone          %8.1f ms  (baseline)\n", cp);
    std::printf("  safety copy of the whole library       %8.1f ms  %.2fx cp -r  (goal: at most 1.5x)\n",
                safetyWhole, safetyWhole / cp);
    std::printf("  safety copy without the skipped folders %7.1f ms  %.2fx cp -r\n", safetyKept,
                safetyKept / cp);
    std::printf("  the skipped folders add                 %+6.1f %%  (goal: at most 10 %%)\n",
                (safetyWhole / safetyKept - 1.0) * 100.0);
    return 0;
}
