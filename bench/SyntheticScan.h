#pragma once

// What the scanning benchmarks share: the synthetic library they scan, the tree of them, the
// job a scan runs, and the timing of one scan run through a catalogue.

#include "Catalogue/Records/ScanJob.h"
#include "Catalogue/Store/Catalog.h"
#include "Platform/Services.h"
#include "Platform/SettingsStore.h"
#include "Support/WorkPool.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "bench/BenchSupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThreadPool>
#include <cstdio>
#include <exception>
#include <functional>
#include <optional>

namespace pellimor::bench {

// Where a scan benchmark runs, for its lifetime: a temporary work folder, the program's
// settings kept in memory, and a volumes root inside the work folder that holds no drive, so
// nothing of the machine it runs on is read or changed.
class ScanSandbox {
public:
    explicit ScanSandbox(const QString& name)
        : m_work(QDir::temp().filePath(QStringLiteral("tovlin-%1-XXXXXX").arg(name))), m_scope(inMemory()) {
        qputenv("TOVLIN_VOLUMES_ROOT", path(QStringLiteral("volumes")).toUtf8());
        QDir().mkpath(path(QStringLiteral("volumes")));
    }

    bool isValid() const { return m_work.isValid(); }
    // `name` inside the work folder.
    QString path(const QString& name) const { return at(m_work.path(), name); }

private:
    static platform::Services inMemory() {
        platform::Services services;
        services.settings = std::make_shared<platform::SettingsStore>(QString());
        return services;
    }

    QTemporaryDir m_work;
    const platform::ScopedServices m_scope;
};

// A library of `options.events` events sharing `options.media` original media files, with
// proxies, render and analysis files, keywords, markers, clips and `options.projects` projects.
inline fixtures::LibraryBuilder scanLibrary(int index, const TreeOptions& options) {
    fixtures::LibraryBuilder lib(QStringLiteral("Library %1").arg(index, 3, 10, QLatin1Char('0')));
    for (int e = 0; e < options.events; ++e) {
        auto& event = lib.event(QStringLiteral("Day %1").arg(e + 1));
        const int mediaHere = options.media / options.events + (e < options.media % options.events ? 1 : 0);
        for (int m = 0; m < mediaHere; ++m)
            event.media(
                QStringLiteral("A%1_C%2.mov").arg(e, 3, 10, QLatin1Char('0')).arg(m, 4, 10, QLatin1Char('0')),
                512);
        for (int p = 0; p < 5; ++p)
            event.proxy(
                QStringLiteral("A%1_C%2.mov").arg(e, 3, 10, QLatin1Char('0')).arg(p, 4, 10, QLatin1Char('0')),
                256);
        event.render(QStringLiteral("Peaks Data/peak-1"), 256);
        event.analysis(QStringLiteral("Faces/faces-1"), 256);
        for (int k = 0; k < 3; ++k)
            event.keyword(QStringLiteral("Keyword %1").arg(k));
        event.keywordRange({QStringLiteral("Keyword 1")});
        event.marker(QStringLiteral("Marker"));
        for (int c = 0; c < 10; ++c)
            event.clip(
                QStringLiteral("A%1_C%2").arg(e, 3, 10, QLatin1Char('0')).arg(c, 4, 10, QLatin1Char('0')));
    }
    for (int p = 0; p < options.projects; ++p) {
        auto& event = lib.event(QStringLiteral("Day %1").arg(p % options.events + 1));
        event.project(QStringLiteral("Edit %1").arg(p + 1))
            .clips(40)
            .transitions(4)
            .keywordRange({QStringLiteral("Keyword 1")})
            .marker(QStringLiteral("Music starts"));
    }
    return lib;
}

// `options.libraries` such libraries over four drives with their decoys; the libraries' paths.
inline QStringList writeScanTree(const QString& root, const TreeOptions& options) {
    const Decoys decoys{.cards = 40, .clipsPerCard = 8, .packages = 30};
    return writeTree(root, options.libraries, decoys, [&](int index) { return scanLibrary(index, options); });
}

// The libraries of the tree at `root`: the ones written there before (listed in its
// ".bench-tree"), else a new tree written now. None, after a message, when writing failed.
inline std::optional<QStringList> scanTree(const QString& root, const TreeOptions& options) {
    const QString marker = at(root, QStringLiteral(".bench-tree"));
    if (QFileInfo::exists(marker))
        return QString::fromUtf8(readFile(marker)).split(u'\n', Qt::SkipEmptyParts);
    try {
        QStringList libraries;
        const double writing = millisecondsOf([&] { libraries = writeScanTree(root, options); });
        fixtures::FixtureFiles::writeBytes(marker, libraries.join(u'\n').toUtf8());
        std::printf("tree written in %.1f s\n", writing / 1000.0);
        return libraries;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "could not write the tree: %s\n", error.what());
        return std::nullopt;
    }
}

// A job that walks `root` eight folders deep and remembers it as a watched folder.
inline ScanJob scanJob(const QString& root, int concurrency) {
    ScanJob job;
    job.roots = {root};
    job.maxDepth = 8;
    job.remember = true;
    job.concurrency = concurrency;
    job.updatedAt = QDateTime::currentDateTimeUtc();
    return job;
}

// Lets the background work already started (media lists, free space) hand its results back.
inline void settleBackgroundWork() {
    workPool()->waitForDone();
    QCoreApplication::sendPostedEvents();
}

// Runs `job` through `catalog`: the time from run() until the scan has ended and `afterEnd`
// (what else is timed with it) has returned. Afterwards the background work the run started
// has settled.
inline double runScan(Catalog& catalog, const ScanJob& job, const std::function<void()>& afterEnd = {}) {
    QEventLoop loop;
    QObject::connect(&catalog, &Catalog::isScanningChanged, &loop, [&] {
        if (!catalog.isScanning())
            loop.quit();
    });
    const double milliseconds = millisecondsOf([&] {
        catalog.run(job);
        if (catalog.isScanning())
            loop.exec();
        if (afterEnd)
            afterEnd();
    });
    settleBackgroundWork();
    return milliseconds;
}

} // namespace pellimor::bench
