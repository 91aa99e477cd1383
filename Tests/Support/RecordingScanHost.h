#pragma once

#include "Catalogue/Scan/ScanHost.h"
#include "Catalogue/Scan/ScanRun.h"
#include "Platform/Clock.h"
#include "Platform/Services.h"

#include <QCoreApplication>
#include <QHash>
#include <QMetaObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace pellimor::test {

// A scan host that keeps the catalogue in memory and records every step a run takes, in order,
// so a test drives a ScanRun over real folders without a Catalog and checks what the run asked
// for, and when. Writes "reach the disk" at once: afterWrites() callbacks run queued on the
// main thread, unless the test holds them (holdWrites) and lets them go with releaseWrites().
//
// Main thread only, like every host.
class RecordingScanHost final : public ScanHost {
public:
    // One step the run took.
    struct Step {
        QString what;                  // "save", "persistJob", "clearJob", "status", "posters", ...
        std::chrono::nanoseconds at{}; // the program's clock then
        qsizetype libraries = 0;       // catalogued libraries then
        qsizetype jobDone = 0;         // libraries the job counted as done then
        QString text;                  // the status line, for "status"
    };

    QList<LibraryInfo> libraryList;
    QList<ScanRoot> rootList;
    QMap<QString, QDateTime> favoriteMap;
    QSet<QString> mountedSet;
    // Where the media lists go: a real folder, since a read stages its list there itself.
    QString mediaDir;
    QHash<QString, QList<MediaEntry>> mediaLists; // written through saveMedia()
    QSet<QString> placedLists;                    // staged by a read and committed
    ScanJob currentJob;
    std::optional<ScanProgress> progress;
    bool discardsResume = false;
    bool holdWrites = false;
    bool hasEnded = false;
    QList<Step> steps;
    // Called after each progress the run reports, once per library it applied.
    std::function<void()> onProgress;

    // The steps named `what`, in order.
    QList<Step> stepsOf(const QString& what) const {
        QList<Step> found;
        for (const Step& step : steps)
            if (step.what == what)
                found.append(step);
        return found;
    }

    // Runs the afterWrites() callbacks held so far.
    void releaseWrites() {
        const QList<std::function<void()>> held = std::exchange(m_held, {});
        for (const std::function<void()>& done : held)
            done();
    }

    // ScanCatalogue
    const QList<LibraryInfo>& libraries() const override { return libraryList; }
    const QList<ScanRoot>& roots() const override { return rootList; }
    const QMap<QString, QDateTime>& favorites() const override { return favoriteMap; }
    const QSet<QString>& mounted() const override { return mountedSet; }
    Contents contents() const override { return Contents{libraryList, rootList, {}, favoriteMap}; }
    void setLibraries(QList<LibraryInfo> libraries) override { libraryList = std::move(libraries); }
    void setFavorites(QMap<QString, QDateTime> favorites) override { favoriteMap = std::move(favorites); }
    void setRoots(QList<ScanRoot> roots) override { rootList = std::move(roots); }

    // ScanReport
    void setStatus(const QString& status) override { record(QStringLiteral("status"), status); }
    void setProgress(std::optional<ScanProgress> value) override {
        progress = value;
        if (value && onProgress)
            onProgress();
    }

    // ScanMediaLists
    QString mediaFile(const QString& libraryPath) const override {
        return QStringLiteral("/nonexistent/media/") + QString::number(qHash(libraryPath)) +
               QStringLiteral(".json");
    }
    void saveMedia(const QList<MediaEntry>& media, const QString& libraryPath) override {
        mediaLists.insert(libraryPath, media);
    }
    void deleteMedia(const QString& libraryPath) override { mediaLists.remove(libraryPath); }
    bool mediaListLost(const QString&) const override { return false; }
    void mediaListPlaced(const QString& libraryPath) override { placedLists.insert(libraryPath); }
    void reloadMedia() override { record(QStringLiteral("reloadMedia")); }
    void carryPosters(const LibraryInfo&, LibraryInfo&) const override {}
    void generatePosters(std::stop_token, std::function<void()> done) override {
        record(QStringLiteral("posters"));
        later(std::move(done));
    }

    // ScanRecord
    void save() override { record(QStringLiteral("save")); }
    ScanJob& job() override { return currentJob; }
    void persistJob() override { record(QStringLiteral("persistJob")); }
    void clearJob() override { record(QStringLiteral("clearJob")); }
    void afterWrites(std::function<void()> done) override {
        if (holdWrites)
            m_held.append(std::move(done));
        else
            later(std::move(done));
    }
    void keepPausedJob() override { record(QStringLiteral("keepPausedJob")); }
    bool stopDiscardsResume() const override { return discardsResume; }
    void ended(const ScanRun&) override {
        record(QStringLiteral("ended"));
        progress.reset();
        hasEnded = true;
    }

private:
    void record(const QString& what, const QString& text = {}) {
        const auto clock = platform::services().clock;
        steps.append(Step{what, clock ? clock->monotonic() : std::chrono::nanoseconds(0), libraryList.size(),
                          currentJob.done.size(), text});
    }
    static void later(std::function<void()> done) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(done), Qt::QueuedConnection);
    }

    QList<std::function<void()>> m_held;
};

} // namespace pellimor::test
