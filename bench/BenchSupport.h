#pragma once

// What the benchmarks share: timing, their command-line options, and the synthetic tree of
// drives and libraries the reading and scanning benchmarks walk.

#include "Support/MallocTuning.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <functional>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace pellimor::bench {

using Clock = std::chrono::steady_clock;

inline double millisecondsOf(const std::function<void()>& work) {
    const Clock::time_point start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

// The median of `rounds` timings, after one unmeasured round. `work` returns its own time,
// so it can leave out what it does before and after the measured part.
inline double measureTimed(int rounds, const std::function<double()>& work) {
    work();
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i)
        times.push_back(work());
    return median(times);
}

// The same for work timed as a whole.
inline double measure(int rounds, const std::function<void()>& work) {
    return measureTimed(rounds, [&] { return millisecondsOf(work); });
}

// Which allocator serves malloc() in this process: one linked in (or preloaded) answers to its
// own entry points; glibc's own may have had its thresholds set at start-up, as the program
// sets them, or through GLIBC_TUNABLES.
inline QString allocatorName() {
    if (::dlsym(RTLD_DEFAULT, "mi_version"))
        return QStringLiteral("mimalloc");
    if (::dlsym(RTLD_DEFAULT, "mallctl"))
        return QStringLiteral("jemalloc");
    if (::dlsym(RTLD_DEFAULT, "tc_malloc"))
        return QStringLiteral("tcmalloc");
    const QByteArray tunables = qgetenv("GLIBC_TUNABLES");
    if (tunables.contains("glibc.malloc."))
        return MallocTuning::description() + QStringLiteral(" (%1)").arg(QString::fromLatin1(tunables));
    return MallocTuning::description();
}

// The most memory this process has held at once so far, in MiB.
inline double peakMemoryMiB() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Runs this benchmark again with `args` in a process of its own, so that the peak memory the
// run reports is its own; what it prints to standard output, or none when it did not end well.
// What it prints to standard error (its progress) passes straight on.
inline std::optional<QByteArray> runAgain(const QStringList& args) {
    std::fflush(stdout);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), args);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        std::fprintf(stderr, "the run with %s did not end well\n", qPrintable(args.join(u' ')));
        return std::nullopt;
    }
    return child.readAllStandardOutput();
}

// What this process has written so far, from /proc/self/io: every byte handed to write() and
// its kin ("wchar"), and those that went on to the storage layer ("write_bytes").
struct WrittenBytes {
    qint64 handed = 0;
    qint64 stored = 0;
};
inline WrittenBytes writtenSoFar() {
    QFile io(QStringLiteral("/proc/self/io"));
    WrittenBytes bytes;
    if (!io.open(QIODevice::ReadOnly))
        return bytes;
    for (const QByteArray& line : io.readAll().split('\n')) {
        if (line.startsWith("wchar: "))
            bytes.handed = line.mid(7).trimmed().toLongLong();
        else if (line.startsWith("write_bytes: "))
            bytes.stored = line.mid(13).trimmed().toLongLong();
    }
    return bytes;
}

// The sizes of the regular files in and below `folder`.
inline qint64 folderBytes(const QString& folder) {
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

// The wall time of a whole process of `program` with `args`, its output thrown away; nullopt
// when it did not end well.
inline std::optional<double>
processMilliseconds(const QString& program, const QStringList& args,
                    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setStandardOutputFile(QProcess::nullDevice());
    child.setStandardErrorFile(QProcess::nullDevice());
    const auto started = Clock::now();
    child.start(program, args);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        std::fprintf(stderr, "%s %s did not end well\n", qPrintable(program), qPrintable(args.join(u' ')));
        return std::nullopt;
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - started).count();
}

// The program beside the benchmarks in the build folder, unless `given`.
inline QString tovlinProgram(const QString& given) {
    if (!given.isEmpty())
        return given;
    return QDir(QCoreApplication::applicationDirPath())
        .absoluteFilePath(QStringLiteral("../Sources/Pellimor/tovlin"));
}

inline QString at(const QString& folder, const QString& name) {
    return QDir(folder).filePath(name);
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The size of a synthetic tree and how often to measure it.
struct TreeOptions {
    int libraries = 0;
    int events = 0;   // per library
    int media = 0;    // original media files per library
    int projects = 0; // per library
    int rounds = 0;
    QString tree; // keep the tree here (written when missing)
};

// Reads "--libraries", "--events", "--media", "--projects", "--rounds" and "--tree", each with
// a value, over `options` (which holds the defaults); `other` may take further names (true
// when it did). None on anything else, a missing or malformed value, or a size out of range.
inline bool
parseTreeOptions(const QStringList& args, TreeOptions& options,
                 const std::function<bool(const QString& name, const QString& value)>& other = {}) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& name = args.at(i);
        if (i + 1 >= args.size())
            return false;
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
        else if (!other || !other(name, value))
            return false;
        if (!ok)
            return false;
    }
    return options.libraries >= 1 && options.events >= 1 && options.media >= 0 && options.projects >= 0 &&
           options.rounds >= 1;
}

// Folders a walk passes through, or must stay out of, on real drives: footage cards, a cache
// of another editing application holding a bundle, automatic backups, a photo library, node
// modules; and, where asked, a trash, hidden folders and a link back up the tree.
struct Decoys {
    int cards = 0; // footage cards, each holding `clipsPerCard` clip folders
    int clipsPerCard = 0;
    int packages = 0;     // folders in the photo library and in node_modules each
    int trashBundles = 0; // bundles in the trash
    bool hiddenAndLoop = false;
};

inline void writeDecoys(const QString& drive, int driveIndex, const Decoys& decoys) {
    namespace FixtureFiles = fixtures::FixtureFiles;
    for (int card = 0; card < decoys.cards; ++card) {
        const QString cardFolder =
            at(drive, QStringLiteral("Footage/Shoot %1/Card %2").arg(driveIndex).arg(card));
        for (int clip = 0; clip < decoys.clipsPerCard; ++clip)
            FixtureFiles::writeRandom(at(cardFolder, QStringLiteral("CLIP%1/clip.mov").arg(clip)), 128);
    }
    FixtureFiles::makeFolder(
        at(drive, QStringLiteral("CacheClip/audio/Volumes/X/Fake.fcpbundle/Ev/Original Media")));
    FixtureFiles::makeFolder(
        at(drive, QStringLiteral("Final Cut Backups.localized/Lib/20250101_0900.fcpbundle")));
    for (int i = 0; i < decoys.packages; ++i)
        FixtureFiles::makeFolder(
            at(drive, QStringLiteral("Photos Library.photoslibrary/resources/%1").arg(i)));
    for (int i = 0; i < decoys.packages; ++i)
        FixtureFiles::makeFolder(at(drive, QStringLiteral("Tools/site/node_modules/pkg%1/lib").arg(i)));
    for (int i = 0; i < decoys.trashBundles; ++i)
        FixtureFiles::makeFolder(at(drive, QStringLiteral(".Trashes/501/Old %1.fcpbundle").arg(i)));
    if (decoys.hiddenAndLoop) {
        FixtureFiles::makeFolder(at(drive, QStringLiteral(".hidden/deep/er")));
        FixtureFiles::makeLink(at(drive, QStringLiteral("Footage/back up")), QStringLiteral(".."));
    }
}

// Four drives with their decoys; `libraries` libraries made by `library(index)` spread over
// them, in client and year folders at three depths. The libraries' paths.
inline QStringList writeTree(const QString& root, int libraries, const Decoys& decoys,
                             const std::function<fixtures::LibraryBuilder(int index)>& library) {
    constexpr int kDrives = 4;
    constexpr int kProgressEvery = 20;
    const bool toTerminal = ::isatty(::fileno(stderr)) != 0;
    for (int d = 0; d < kDrives; ++d)
        writeDecoys(at(root, QStringLiteral("Drive %1").arg(d + 1)), d, decoys);
    QStringList paths;
    for (int i = 0; i < libraries; ++i) {
        const QString drive = at(root, QStringLiteral("Drive %1").arg(i % kDrives + 1));
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
        paths.append(library(i).write(folder));
        // A terminal gets one line rewritten in place; a log gets a line now and then.
        const int written = i + 1;
        if (toTerminal)
            std::fprintf(stderr, "\rwriting the tree: %d of %d libraries", written, libraries);
        else if (written % kProgressEvery == 0 || written == libraries)
            std::fprintf(stderr, "writing the tree: %d of %d libraries\n", written, libraries);
    }
    if (toTerminal)
        std::fprintf(stderr, "\n");
    return paths;
}

} // namespace pellimor::bench
