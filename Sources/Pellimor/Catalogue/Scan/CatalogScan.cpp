#include "Catalogue/Scan/ScanHost.h"
#include "Catalogue/Scan/ScanRun.h"
#include "Catalogue/Store/Catalog.h"
#include "Platform/VolumesRoot.h"

#include <QSet>
#include <algorithm>
#include <memory>

namespace pellimor {

// ---- Catalog ----------------------------------------------------------------------------------

// The catalogue as one run sees it: each step forwards to the catalogue's own.
class Catalog::ScanAdapter final : public ScanHost {
public:
    explicit ScanAdapter(Catalog& catalog) : m_catalog(catalog) {}

    const QList<LibraryInfo>& libraries() const override { return m_catalog.m_libraries; }
    const QList<ScanRoot>& roots() const override { return m_catalog.m_roots; }
    const QMap<QString, QDateTime>& favorites() const override { return m_catalog.m_favorites; }
    const QSet<QString>& mounted() const override { return m_catalog.m_mounted; }
    Contents contents() const override {
        return Contents{m_catalog.m_libraries, m_catalog.m_roots, m_catalog.m_driveRoles,
                        m_catalog.m_favorites};
    }

    void setLibraries(QList<LibraryInfo> libraries) override {
        // A run adds a library by appending it: those past the old count are the new ones.
        bool newDrive = false;
        for (qsizetype i = m_catalog.m_libraries.size(); i < libraries.size(); ++i)
            newDrive = freeSpaceUnasked(libraries.at(i).path) || newDrive;
        m_catalog.setLibraries(std::move(libraries));
        // A drive whose first libraries this run found shows its free space now, not after the
        // next mount event or start.
        if (newDrive)
            m_catalog.refreshVolumeSpace();
    }
    void setFavorites(QMap<QString, QDateTime> favorites) override {
        m_catalog.setFavorites(std::move(favorites));
    }
    void setRoots(QList<ScanRoot> roots) override { m_catalog.setRoots(std::move(roots)); }
    void setStatus(const QString& status) override { m_catalog.setStatus(status); }
    void setProgress(std::optional<Progress> progress) override { m_catalog.setProgress(progress); }
    void save() override { m_catalog.save(Catalog::Timing::later); }

    QString mediaFile(const QString& libraryPath) const override { return m_catalog.mediaFile(libraryPath); }
    void saveMedia(const QList<MediaEntry>& media, const QString& libraryPath) override {
        m_catalog.saveMedia(media, libraryPath);
    }
    void deleteMedia(const QString& libraryPath) override { m_catalog.deleteMedia(libraryPath); }
    bool mediaListLost(const QString& libraryPath) const override {
        return m_catalog.mediaListLost(libraryPath);
    }
    void mediaListPlaced(const QString& libraryPath) override { m_catalog.mediaListPlaced(libraryPath); }
    void reloadMedia() override { m_catalog.loadAllMedia(); }
    void carryPosters(const LibraryInfo& from, LibraryInfo& to) const override {
        m_catalog.carryPosters(from, to);
    }
    void generatePosters(std::stop_token stop, std::function<void()> done) override {
        m_catalog.generatePosters(std::move(stop), std::move(done));
    }

    ScanJob& job() override { return m_catalog.m_currentJob; }
    void persistJob() override { m_catalog.persistJob(Catalog::Timing::later); }
    void clearJob() override { m_catalog.clearJob(); }
    void afterWrites(std::function<void()> done) override { m_catalog.afterWrites(std::move(done)); }
    void keepPausedJob() override { m_catalog.setPausedJob(m_catalog.m_currentJob); }
    bool stopDiscardsResume() const override { return m_catalog.m_stopDiscardsResume; }
    void ended(const ScanRun& run) override {
        if (m_catalog.m_scan.get() == &run)
            m_catalog.m_scan.reset();
        m_catalog.setProgress(std::nullopt);
        m_catalog.setScanning(false);
    }

private:
    // The library's drive is mounted and has no free-space figures, and this run has not asked
    // for them yet; from now on it has. Once per drive, so a drive that cannot tell its
    // capacity (a network share) is not asked again for each of its libraries.
    bool freeSpaceUnasked(const QString& libraryPath) {
        const QString mount = VolumesRoot::mountOf(libraryPath);
        if (!m_catalog.m_mounted.contains(mount) || m_catalog.m_volumeSpace.contains(mount) ||
            m_spaceAsked.contains(mount))
            return false;
        m_spaceAsked.insert(mount);
        return true;
    }

    Catalog& m_catalog;
    QSet<QString> m_spaceAsked; // mounts whose free space this run asked for
};

std::unique_ptr<ScanHost> Catalog::scanHost() {
    return std::make_unique<ScanAdapter>(*this);
}

void Catalog::run(const ScanJob& job) {
    // One scan at a time: the running one wins, as every request already makes sure. Two
    // runs would write the same job and catalogue over each other.
    if (m_scan || m_isScanning)
        return;

    // The catalogue's operations save what they change, so what it holds now is what
    // "catalog.json" holds; the watched folders this job adds below are saved with the run.
    auto host = std::make_unique<ScanAdapter>(*this);
    ScanHost::Contents savedNow = host->contents();
    const auto scan = std::make_shared<ScanRun>(std::move(host), std::move(savedNow));

    setScanning(true);
    setProgress(std::nullopt);
    m_currentJob = job;
    // A job from a damaged file could point before its first root.
    if (m_currentJob.rootIndex < 0)
        m_currentJob.startRoot(0);
    setPausedJob(std::nullopt);

    if (m_currentJob.remember) {
        QList<ScanRoot> roots = m_roots;
        for (const QString& path : std::as_const(m_currentJob.roots)) {
            const bool watched = std::any_of(roots.begin(), roots.end(),
                                             [&](const ScanRoot& root) { return root.path == path; });
            if (!watched) {
                ScanRoot root;
                root.path = path;
                roots.append(root);
            }
        }
        // Saved with the catalogue later in the run.
        setRoots(std::move(roots));
    }
    persistJob();

    m_scan = scan;
    m_scan->start();
}

void Catalog::pause() {
    m_stopDiscardsResume = false;
    if (m_scan)
        m_scan->cancel();
}

void Catalog::stop() {
    m_stopDiscardsResume = true;
    if (m_scan)
        m_scan->cancel();
}

} // namespace pellimor
