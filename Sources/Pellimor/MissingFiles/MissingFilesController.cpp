#include "MissingFiles/MissingFilesController.h"

#include "App/AppAction.h"
#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Store/Catalog.h"
#include "MissingFiles/MissingFiles.h"
#include "Platform/Services.h"
#include "Support/AtomicFile.h"
#include "Support/WorkPool.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThreadPool>
#include <algorithm>
#include <utility>

namespace pellimor {

namespace {

// Runs calls on the main thread through the application's event loop, which outlives every
// controller; each call checks that its controller is still there. Called from workers.
MissingFiles::Post mainThread() {
    return [](std::function<void()> call) {
        if (QCoreApplication* app = QCoreApplication::instance())
            MissingFiles::postTo(app)(std::move(call));
    };
}

} // namespace

MissingFilesController::MissingFilesController(Catalog& catalog, MissingRequest request, QObject* parent)
    : QObject(parent), m_catalog(&catalog), m_request(std::move(request)) {
    // The drives offered as places follow the drives plugged in.
    connect(&catalog, &Catalog::mountedChanged, this, &MissingFilesController::changed);
}

QList<MissingFile> MissingFilesController::files() const {
    return MissingSheet::files(m_state);
}

QList<MissingSheet::Place> MissingFilesController::places() const {
    return MissingSheet::places(QDir::homePath(), AppAction::mountedVolumes(), m_state.extra);
}

void MissingFilesController::start() {
    load();
}

void MissingFilesController::load() {
    if (!m_catalog)
        return;
    QList<LibraryInfo> online;
    for (const LibraryInfo& library : m_request.libraries)
        if (m_catalog->isOnline(library))
            online.append(library);
    const int skipped = int(m_request.libraries.size() - online.size());
    ++m_loadsOut;
    const QPointer<MissingFilesController> self(this);
    workPool()->start([self, online, skipped] {
        const QList<MissingFile> files = MissingFiles::collect(online);
        mainThread()([self, files, skipped] {
            if (self)
                self->loadArrived(files, skipped);
        });
    });
}

void MissingFilesController::loadArrived(const QList<MissingFile>& files, int skipped) {
    --m_loadsOut;
    if (!m_closed) {
        m_state.all = files;
        m_state.skipped = skipped;
        m_state.loading = false;
        const bool repaired = m_noteAfterLoad && m_loadsOut == 0;
        if (repaired)
            m_state.note = std::exchange(m_noteAfterLoad, std::nullopt);
        Q_EMIT changed();
        Q_EMIT loaded();
        if (repaired)
            Q_EMIT repairFinished();
    }
    deleteWhenDone();
}

void MissingFilesController::setDrive(const QString& drive) {
    if (m_state.searching || drive == m_state.drive)
        return;
    m_state.drive = drive;
    Q_EMIT changed();
}

void MissingFilesController::setUseCatalog(bool on) {
    if (m_state.searching || on == m_state.useCatalog)
        return;
    m_state.useCatalog = on;
    Q_EMIT changed();
}

void MissingFilesController::setChosen(const QString& path, bool on) {
    if (m_state.searching)
        return;
    if (on)
        m_state.chosen.insert(path);
    else
        m_state.chosen.remove(path);
    Q_EMIT changed();
}

void MissingFilesController::addFolders(const QStringList& folders) {
    if (m_state.searching)
        return;
    MissingSheet::addFolders(m_state, folders);
    Q_EMIT changed();
}

void MissingFilesController::setSelection(const QSet<QString>& ids) {
    if (ids == m_state.selection)
        return;
    m_state.selection = ids;
    Q_EMIT changed();
}

void MissingFilesController::setPick(const QString& id, const std::optional<QString>& path) {
    if (path) {
        const auto file = std::find_if(m_state.all.cbegin(), m_state.all.cend(),
                                       [&](const MissingFile& each) { return each.id() == id; });
        if (file == m_state.all.cend() ||
            !MissingFiles::realPlaces(*file, MissingSheet::foundList(m_state, *file)).contains(*path))
            return;
        m_state.picked.insert(id, *path);
    } else {
        m_state.picked.remove(id);
    }
    Q_EMIT changed();
}

void MissingFilesController::find() {
    if (!m_catalog || !MissingSheet::canFind(m_state))
        return;
    m_state.searching = true;
    m_state.note.reset();
    // The search's note replaces a repair's that has not shown yet.
    m_noteAfterLoad.reset();
    m_state.progress.clear();
    m_state.found.clear();
    m_state.searchedIn.reset();
    m_state.picked.clear();
    // The earlier search's flag stays as it was: a new search has a flag of its own.
    m_state.stop = std::make_shared<MissingFiles::Stop>();

    // What the search works on, taken now: later changes of the catalogue or the drives do not
    // reach a search under way.
    const QList<MissingFile> wanted = files();
    const bool useCatalog = m_state.useCatalog;
    const QList<Catalog::MediaEntry2> media = useCatalog ? m_catalog->media() : QList<Catalog::MediaEntry2>();
    MissingFiles::LibraryTable libs;
    for (const LibraryInfo& library : m_catalog->libraries())
        libs.insert(library.path, {library.name, library.volumeName, m_catalog->isOnline(library)});
    const QStringList roots = MissingSheet::roots(places(), m_state.chosen);
    const QStringList searched = MissingSheet::searched(useCatalog, roots);
    QSet<QString> names;
    for (const MissingFile& file : wanted)
        names.insert(file.wantedName());
    const std::shared_ptr<const MissingFiles::Stop> stop = m_state.stop;

    ++m_searchesOut;
    const QPointer<MissingFilesController> self(this);
    workPool()->start([self, wanted, useCatalog, media, libs, roots, searched, names, stop] {
        const MissingFiles::Post post = mainThread();
        MissingFiles::Found result =
            useCatalog ? MissingFiles::searchCatalog(wanted, media, libs) : MissingFiles::Found();
        // Posted before the walk starts, so the catalogue's candidates come before any hit.
        post([self, result] {
            if (self)
                self->catalogueArrived(result);
        });
        MissingFiles::searchFolders(
            roots, names, stop, result, post,
            [self](const QString& name, const QString& path) {
                if (self)
                    self->hitArrived(name, path);
            },
            [self](const QString& text) {
                if (self)
                    self->progressArrived(text);
            });
        post([self, result, searched] {
            if (self)
                self->searchArrived(result, searched);
        });
    });
    Q_EMIT changed();
}

void MissingFilesController::catalogueArrived(const MissingFiles::Found& found) {
    if (m_closed || !m_state.searching)
        return;
    m_state.found = found;
    Q_EMIT changed();
}

void MissingFilesController::hitArrived(const QString& name, const QString& path) {
    if (m_closed || !m_state.searching)
        return;
    MissingFiles::add(path, name, m_state.found);
    Q_EMIT changed();
}

void MissingFilesController::progressArrived(const QString& text) {
    if (m_closed || !m_state.searching)
        return;
    m_state.progress = text;
    Q_EMIT changed();
}

void MissingFilesController::searchArrived(const MissingFiles::Found& found, const QStringList& searched) {
    --m_searchesOut;
    if (m_closed) {
        deleteWhenDone();
        return;
    }
    m_state.found = found;
    m_state.searchedIn = searched;
    m_state.searchedOnce = true;
    m_state.searching = false;
    const QList<MissingFile> shown = files();
    m_state.note = MissingSheet::searchNote(MissingSheet::counts(m_state, shown), shown.size(),
                                            m_state.stop->requested());
    Q_EMIT changed();
    Q_EMIT searchFinished();
}

void MissingFilesController::stop() {
    if (!m_state.searching)
        return;
    m_state.stop->request();
    Q_EMIT changed();
}

std::optional<MissingSheet::RepairQuestion> MissingFilesController::askRepair(MissingFiles::RepairMode mode) {
    if (!MissingSheet::canRepair(m_state))
        return std::nullopt;
    const QList<MissingSheet::RepairEntry> entries = MissingSheet::repairable(m_state);
    if (entries.isEmpty())
        return std::nullopt;
    m_state.pendingRepair = mode;
    m_asked = MissingSheet::items(entries);
    Q_EMIT changed();
    return MissingSheet::question(m_state, entries);
}

void MissingFilesController::answerRepair(bool confirmed) {
    const std::optional<MissingFiles::RepairMode> mode = std::exchange(m_state.pendingRepair, std::nullopt);
    const QList<MissingFiles::RepairItem> items = std::exchange(m_asked, {});
    if (!mode)
        return;
    // Whatever began while the question was open (a search) keeps the repair from starting.
    if (!confirmed || !m_catalog || !MissingSheet::canRepair(m_state) || items.isEmpty()) {
        Q_EMIT changed();
        return;
    }
    m_state.working = true;
    m_state.note.reset();
    const QString logPath = MissingSheet::repairLogPath(m_catalog->dir());
    const MissingFiles::RepairMode run = *mode;
    const QPointer<MissingFilesController> self(this);
    workPool()->start([self, items, run, logPath] {
        const MissingFiles::RepairResult result = MissingFiles::repair(items, run, true, logPath);
        mainThread()([self, run, result] {
            if (self)
                self->repairArrived(run, result);
        });
    });
    Q_EMIT changed();
}

void MissingFilesController::repairArrived(MissingFiles::RepairMode mode,
                                           const MissingFiles::RepairResult& result) {
    m_state.working = false;
    const QString note = MissingSheet::repairNote(mode, result);
    // The catalogue follows the libraries on disk whether or not the sheet is still open.
    if (m_catalog)
        for (const LibraryInfo& library : MissingSheet::toReread(result.libraries, m_catalog->libraries()))
            m_catalog->reread(library, std::nullopt);
    if (!m_closed) {
        m_state.selection.clear();
        // The repaired links drop out of the list; the rows left keep what was found for them.
        m_noteAfterLoad = note;
        load();
        Q_EMIT changed();
    }
    deleteWhenDone();
}

void MissingFilesController::save(const QString& path) {
    const QString text = MissingFiles::report(files(), m_state.found, m_state.searchedIn, m_state.picked);
    // Replaced whole or not at all: a failure leaves an earlier file of that name as it was.
    if (const Result<void> written = AtomicFile::write(path, text.toUtf8()); written) {
        m_state.note = MissingSheet::savedNote(QFileInfo(path).fileName());
    } else {
        // The write's own sentence names the file, the reason and that an earlier file is
        // unchanged; a lead of ours before it would say it twice.
        m_state.note = written.error();
        ErrorLog::log(ErrorLog::Level::error, QStringLiteral("missing-files"),
                      MissingSheet::saveFailedMessage(written.error()));
    }
    Q_EMIT changed();
}

void MissingFilesController::quickLook(const QString& path) {
    m_state.previewURL = path;
    if (const std::shared_ptr<platform::FileManagerShell> shell = platform::services().shell)
        shell->open(*m_state.previewURL);
    // The file is open in its own application now; nothing here stays tied to it.
    m_state.previewURL.reset();
}

void MissingFilesController::reveal(const QString& path) {
    if (const std::shared_ptr<platform::FileManagerShell> shell = platform::services().shell)
        shell->reveal(path);
}

void MissingFilesController::close() {
    m_state.stop->request();
    m_closed = true;
    deleteWhenDone();
}

void MissingFilesController::deleteWhenDone() {
    if (m_closed && isIdle())
        deleteLater();
}

} // namespace pellimor
