// How long the problem report's name hiding takes over the error-log excerpt when the catalogue
// is large, against the least any hiding must do: one case-insensitive QString::indexOf pass per
// name over the same text. The report is rebuilt on the main thread whenever its window is
// shown or its switch flipped, so this is time the window stands still. Prints its figures;
// never fails on speed. It fails when the hiding is wrong where the answer is known: every
// library named in the log must be gone from the hidden text.
//
//   bench_name_hiding [--libraries N] [--rounds N]
//
// Defaults: 5000 libraries on 40 drives, 150 log lines of which every third names one library
// and every fifth ends with a path; 20 measured rounds (medians after one unmeasured round).
//
// Figures: building the hider from the names alone, building it and hiding the text (what a
// refresh does), the same for a log whose messages carry typographic quotes and apostrophes
// (as the program's own do), the baseline, and the ratio of a refresh to the baseline.

#include "Manual/NameHider.h"
#include "bench/BenchSupport.h"

#include <QCoreApplication>
#include <cstdio>

using namespace pellimor;

namespace {

struct Options {
    int libraries = 5000;
    int rounds = 20;
};

bool parse(const QStringList& args, Options& options) {
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        bool ok = false;
        const int value = args.at(i + 1).toInt(&ok);
        if (!ok || value < 1)
            return false;
        if (args.at(i) == u"--libraries")
            options.libraries = value;
        else if (args.at(i) == u"--rounds")
            options.rounds = value;
        else
            return false;
    }
    return args.size() % 2 == 1;
}

QString libraryName(int i) {
    static const QStringList words = {"Wedding",     "Interview", "Holiday",   "Commercial", "Documentary",
                                      "Music Video", "Trailer",   "Corporate", "Short Film", "Promo"};
    return words.at(i % words.size()) + QStringLiteral(" %1").arg(i, 4, 10, QLatin1Char('0'));
}

// The error log's excerpt, and the library names it holds as the log spells them. With
// `typographic`, the messages are worded as the program's own are, with “ ” and ’.
QString logText(int libraries, bool typographic, QStringList& named) {
    QStringList lines;
    for (int i = 0; i < 150; ++i) {
        QString line =
            QStringLiteral("2026-01-05T10:%1:00Z ERROR scan: ").arg(i % 60, 2, 10, QLatin1Char('0'));
        if (i % 3 == 0) {
            const QString library = libraryName((i * 37) % libraries);
            named.append(library);
            line += typographic ? QStringLiteral("\u201C") + library +
                                      QStringLiteral("\u201D couldn\u2019t be read. Is the drive ready?")
                                : library + QStringLiteral(" could not be read. Is the drive ready?");
        } else {
            line += typographic ? QStringLiteral("The catalogue couldn\u2019t be saved: the disk is full.")
                                : QStringLiteral("The catalogue could not be saved: the disk is full.");
        }
        if (i % 5 == 0)
            line += QStringLiteral("  path: /Volumes/Drive 3/Jobs/Client %1.fcpbundle").arg(i);
        lines.append(line);
    }
    return lines.join(u'\n');
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    Options options;
    if (!parse(application.arguments(), options)) {
        std::fprintf(stderr, "usage: bench_name_hiding [--libraries N] [--rounds N]\n");
        return 2;
    }

    QList<NameHider::Name> names = {
        {"user", "jsmith"}, {"user", "Jane Smith"}, {"mac", "Jane's MacBook Pro"}};
    for (int i = 0; i < options.libraries; ++i) {
        names.append({"drive", QStringLiteral("Drive %1").arg(i % 40)});
        names.append({"library", libraryName(i)});
    }
    QStringList named;
    const QString text = logText(options.libraries, false, named);
    const QString typographicText = logText(options.libraries, true, named);
    QString hidden;
    QString typographicHidden;
    const double build = bench::measure(options.rounds, [&] { NameHider hider(names); });
    const double hiding = bench::measure(options.rounds, [&] {
        NameHider hider(names);
        hidden = hider.hide(text);
    });
    const double typographicHiding = bench::measure(options.rounds, [&] {
        NameHider hider(names);
        typographicHidden = hider.hide(typographicText);
    });
    qsizetype found = 0;
    const double baseline = bench::measure(options.rounds, [&] {
        found = 0;
        for (const NameHider::Name& name : names)
            found += text.indexOf(name.value, 0, Qt::CaseInsensitive) >= 0 ? 1 : 0;
    });

    std::printf("names: %lld, text: %lld characters in %lld lines, %lld names occur\n",
                static_cast<long long>(names.size()), static_cast<long long>(text.size()),
                static_cast<long long>(text.count(u'\n') + 1), static_cast<long long>(found));
    std::printf("build the hider:            %8.2f ms\n", build);
    std::printf("build and hide (a refresh): %8.2f ms\n", hiding);
    std::printf("the same, typographic log:  %8.2f ms\n", typographicHiding);
    std::printf("indexOf per name (baseline): %7.2f ms\n", baseline);
    std::printf("ratio to the baseline:       %7.2f x\n", baseline > 0 ? hiding / baseline : 0.0);

    for (const QString& library : named) {
        if (hidden.contains(library) || typographicHidden.contains(library)) {
            std::fprintf(stderr, "bench_name_hiding: \"%s\" was not hidden\n", qPrintable(library));
            return 1;
        }
    }
    return 0;
}
