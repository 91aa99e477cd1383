// How a free-up-space run scales with the number of its targets, on one event whose proxy
// folder holds an orphan, so that each proxy file is a target of its own. Prints its figures;
// never fails on speed.
//
//   bench_cleanup_run [--sizes N,N,...] [--rounds N] [--baseline-up-to N]
//
// For each size the run goes to a Trash that says every item went and touches nothing, so the
// same plan runs again each round. It is measured against listing the targets in the same run
// (a bare pass that lists the proxy folder and looks up each entry), and against the run's old
// per-target check, which read the event's originals again for every target (measured once, up
// to --baseline-up-to targets: it grows with the square of the size). It also prints the one
// lookup per target that the run's check is made of (the target in its folder held open), so
// what the run adds to it shows.
// Every other figure is the median of its rounds with a warm file system cache.

#include "FreeUpSpace/Cleanup.h"
#include "Platform/Services.h"
#include "Platform/Trash.h"
#include "bench/BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace pellimor;

namespace {

using bench::measure;
using bench::millisecondsOf;

struct Options {
    std::vector<int> sizes{1000, 10'000, 100'000};
    int rounds = 3;
    int baselineUpTo = 2000;
};

bool parse(const QStringList& args, Options& options) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (i + 1 >= args.size())
            return false;
        const QString& name = args.at(i);
        const QString value = args.at(++i);
        bool ok = true;
        if (name == QLatin1String("--sizes")) {
            options.sizes.clear();
            for (const QString& size : value.split(u',', Qt::SkipEmptyParts)) {
                options.sizes.push_back(size.toInt(&ok));
                if (!ok || options.sizes.back() < 1)
                    return false;
            }
        } else if (name == QLatin1String("--rounds")) {
            options.rounds = value.toInt(&ok);
        } else if (name == QLatin1String("--baseline-up-to")) {
            options.baselineUpTo = value.toInt(&ok);
        } else {
            return false;
        }
        if (!ok)
            return false;
    }
    return !options.sizes.empty() && options.rounds >= 1;
}

// A Trash that says every item went and touches nothing.
class NullTrash final : public platform::Trash {
public:
    Result<void> moveToTrash(const platform::TrashItem&) override { return {}; }
    Result<void> remove(const platform::TrashItem&) override { return {}; }
};

void touch(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0)
        ::close(fd);
}

QByteArray clipName(int index) {
    return QByteArray("C") + QByteArray::number(index).rightJustified(6, '0') + ".mov";
}

// A library whose one event "Ev" holds `count` originals and a proxy of each, and one proxy
// without an original. The files are empty: only their number matters here. Written directly,
// without the fixture builder, so that 100,000 of them take seconds.
QString writeLibrary(const QString& root, int count) {
    const QString lib = root + QStringLiteral("/Bench.fcpbundle");
    const QString event = lib + QStringLiteral("/Ev");
    const QString originals = event + QStringLiteral("/Original Media");
    const QString proxies = event + QStringLiteral("/Transcoded Media/Proxy Media");
    QDir().mkpath(originals);
    QDir().mkpath(proxies);
    touch(QFile::encodeName(lib + QStringLiteral("/CurrentVersion.flexolibrary")));
    touch(QFile::encodeName(event + QStringLiteral("/CurrentVersion.fcpevent")));
    const QByteArray originalsBytes = QFile::encodeName(originals) + '/';
    const QByteArray proxiesBytes = QFile::encodeName(proxies) + '/';
    for (int i = 0; i < count; ++i) {
        touch(originalsBytes + clipName(i));
        touch(proxiesBytes + clipName(i));
    }
    touch(proxiesBytes + "orphan.mov");
    return lib;
}

// The bare listing: the proxy folder read once, each entry looked up in it.
qsizetype listTargets(const QByteArray& folder) {
    qsizetype seen = 0;
    DIR* listing = ::opendir(folder.constData());
    if (!listing)
        return 0;
    const int fd = ::dirfd(listing);
    while (const dirent* entry = ::readdir(listing)) {
        if (entry->d_name[0] == '.')
            continue;
        struct stat facts {};
        if (::fstatat(fd, entry->d_name, &facts, AT_SYMLINK_NOFOLLOW) == 0)
            ++seen;
    }
    ::closedir(listing);
    return seen;
}

// The run's per-target checks as they were before the originals were read once per event:
// the path checks, the measure, and every original of the event read again for each target.
// Kept here only to measure against.
qsizetype oldPerTargetChecks(const CleanupPlan& plan, const QString& library) {
    qsizetype passed = 0;
    for (const CleanupTarget& target : plan.targets) {
        if (!Cleanup::validate(target.url, library, target.event) || !Cleanup::safeSize(target.url))
            continue;
        const QString event = library + u'/' + target.event;
        const QString name = target.url.mid(target.url.lastIndexOf(u'/') + 1);
        if (Cleanup::originalNames(event).contains(Cleanup::baseName(name)))
            ++passed;
    }
    return passed;
}

// The lookup each target needs however the run is written: the item in its folder held open,
// which is what the Trash is handed.
void lookupsAlone(const std::vector<QByteArray>& names, int proxiesFd) {
    constexpr unsigned wanted = STATX_BASIC_STATS | STATX_MNT_ID;
    constexpr int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;
    for (const QByteArray& name : names) {
        struct statx item {};
        ::statx(proxiesFd, name.constData(), flags, wanted, &item);
    }
}

struct Figures {
    int size = 0;
    double listing = 0;
    double lookups = 0;
    double run = 0;
    double logged = 0;
    std::optional<double> old;
    double perTarget() const { return run * 1000.0 / size; }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Options options;
    if (!parse(QCoreApplication::arguments(), options)) {
        std::fprintf(stderr,
                     "usage: bench_cleanup_run [--sizes N,N,...] [--rounds N] [--baseline-up-to N]\n");
        return 2;
    }
    platform::ScopedServices scope([] {
        platform::Services services;
        services.trash = std::make_shared<NullTrash>();
        return services;
    }());
    std::printf("allocator: %s\n", qPrintable(bench::allocatorName()));

    std::vector<Figures> all;
    for (const int size : options.sizes) {
        QTemporaryDir temporary(QDir::temp().filePath(QStringLiteral("tovlin-bench-XXXXXX")));
        const double writing = millisecondsOf([&] { writeLibrary(temporary.path(), size); });
        const QString lib = temporary.path() + QStringLiteral("/Bench.fcpbundle");
        CleanupPlan plan;
        const double planning = millisecondsOf(
            [&] { plan = Cleanup::plan(lib, {QStringLiteral("Ev")}, {GeneratedKind::proxy}, false); });
        if (plan.targets.size() != size) {
            std::fprintf(stderr, "the plan for %d holds %lld targets\n", size,
                         static_cast<long long>(plan.targets.size()));
            return 1;
        }
        const QByteArray proxies =
            QFile::encodeName(lib + QStringLiteral("/Ev/Transcoded Media/Proxy Media"));
        const QString log = temporary.path() + QStringLiteral("/deletion-log.txt");

        Figures figures;
        figures.size = size;
        qsizetype listed = 0;
        figures.listing = std::max(0.001, measure(options.rounds, [&] { listed = listTargets(proxies); }));
        {
            std::vector<QByteArray> names;
            for (const CleanupTarget& target : plan.targets)
                names.push_back(QFile::encodeName(target.url.mid(target.url.lastIndexOf(u'/') + 1)));
            const int proxiesFd = ::open(proxies.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            figures.lookups = measure(options.rounds, [&] { lookupsAlone(names, proxiesFd); });
            ::close(proxiesFd);
        }
        Cleanup::Result2 result;
        figures.run =
            measure(options.rounds, [&] { result = Cleanup::run(plan, lib, true, false, std::nullopt); });
        if (result.done.size() != size || !result.errors.isEmpty()) {
            std::fprintf(stderr, "the run over %d targets removed %lld: %s\n", size,
                         static_cast<long long>(result.done.size()), qPrintable(result.errors.value(0)));
            return 1;
        }
        figures.logged = measure(options.rounds, [&] {
            QFile::remove(log);
            Cleanup::run(plan, lib, true, false, log);
        });
        if (size <= options.baselineUpTo) {
            qsizetype passed = 0;
            figures.old = millisecondsOf([&] { passed = oldPerTargetChecks(plan, lib); });
            if (passed != size)
                std::fprintf(stderr, "the old checks passed %lld of %d\n", static_cast<long long>(passed),
                             size);
        }

        std::printf("%d targets (tree written in %.0f ms, planned in %.1f ms, %lld listed):\n", size, writing,
                    planning, static_cast<long long>(listed));
        std::printf("  listing the targets: %.2f ms, %.2f us per target\n", figures.listing,
                    figures.listing * 1000.0 / size);
        std::printf("  the one lookup per target alone: %.2f ms, %.2fx the listing\n", figures.lookups,
                    figures.lookups / figures.listing);
        std::printf(
            "  run: %.2f ms, ratio run / listing %.2f (goal: at most 2 at 100,000), %.2f us per target\n",
            figures.run, figures.run / figures.listing, figures.perTarget());
        std::printf("  run with its deletion log: %.2f ms, %.2f us per target\n", figures.logged,
                    figures.logged * 1000.0 / size);
        if (figures.old)
            std::printf("  old per-target checks: %.2f ms, %.2f us per target, %.1fx the run\n", *figures.old,
                        *figures.old * 1000.0 / size, *figures.old / figures.run);
        else
            std::printf(
                "  old per-target checks: not measured above %d targets (they grow with the square)\n",
                options.baselineUpTo);
        std::fflush(stdout);
        all.push_back(figures);
    }
    if (all.size() >= 2) {
        const Figures& first = all.front();
        const Figures& last = all.back();
        std::printf("cost per target from %d to %d targets: %.2f -> %.2f us (x%.2f; goal: flat)\n",
                    first.size, last.size, first.perTarget(), last.perTarget(),
                    last.perTarget() / first.perTarget());
        if (first.old && all.size() >= 2) {
            const Figures* lastOld = &first;
            for (const Figures& f : all)
                if (f.old)
                    lastOld = &f;
            if (lastOld != &first)
                std::printf("old cost per target from %d to %d targets: %.2f -> %.2f us (x%.2f)\n",
                            first.size, lastOld->size, *first.old * 1000.0 / first.size,
                            *lastOld->old * 1000.0 / lastOld->size,
                            (*lastOld->old / lastOld->size) / (*first.old / first.size));
        }
    }
    return 0;
}
