#include "FreeUpSpace/CleanupController.h"

#include "Catalogue/Store/Catalog.h"
#include "FreeUpSpace/Cleanup.h"
#include "FreeUpSpace/CleanupSheet.h"
#include "Support/WorkPool.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThreadPool>

namespace pellimor {

namespace {

// Hands `apply` to the controller on the main thread, if it is still there then. Called from a
// worker; never waits.
template <typename Apply> void postTo(const QPointer<CleanupController>& controller, Apply apply) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(
        app,
        [controller, apply = std::move(apply)]() mutable {
            if (controller)
                apply(*controller);
        },
        Qt::QueuedConnection);
}

} // namespace

CleanupController::CleanupController(Catalog& catalog, LibraryInfo snapshot, QObject* parent)
    : QObject(parent), m_catalog(&catalog), m_snapshot(std::move(snapshot)) {
    // The catalogue's entry gives the sizes the sheet shows; they drop right after a run. A scan
    // changes the catalogue hundreds of times a second, nearly always elsewhere: only a change
    // of this library's entry is passed on.
    m_shown = library();
    connect(&catalog, &Catalog::librariesChanged, this, [this] {
        LibraryInfo now = library();
        if (now == m_shown)
            return;
        m_shown = std::move(now);
        Q_EMIT changed();
    });
}

LibraryInfo CleanupController::library() const {
    return m_catalog ? CleanupSheet::library(m_catalog->libraries(), m_snapshot) : m_snapshot;
}

void CleanupController::start() {
    m_state.chosenEvents = CleanupSheet::firstChoice(library());
    refreshPlan();
}

void CleanupController::setKind(GeneratedKind kind, bool on) {
    if (on)
        m_state.kinds.insert(kind);
    else
        m_state.kinds.remove(kind);
    refreshPlan();
}

void CleanupController::setEvent(const QString& name, bool on) {
    if (on)
        m_state.chosenEvents.insert(name);
    else
        m_state.chosenEvents.remove(name);
    refreshPlan();
}

void CleanupController::selectAll() {
    m_state.chosenEvents = CleanupSheet::selectAll(library(), m_state.kinds);
    refreshPlan();
}

void CleanupController::selectNone() {
    m_state.chosenEvents.clear();
    refreshPlan();
}

void CleanupController::askPermanent() {
    if (!CleanupSheet::actionsEnabled(m_state))
        return;
    m_state.showPermanent = true;
    Q_EMIT changed();
}

void CleanupController::cancelPermanent() {
    m_state.showPermanent = false;
    Q_EMIT changed();
}

void CleanupController::refreshPlan() {
    m_state.resultText.reset();
    m_state.showPermanent = false;
    m_state.planning = true;
    const quint64 generation = ++m_generation;
    ++m_plansOut;

    const LibraryInfo current = library();
    const QString path = current.path;
    const QStringList events = CleanupSheet::planEvents(current, m_state.chosenEvents);
    const QSet<GeneratedKind> kinds = m_state.kinds;
    const QPointer<CleanupController> self(this);
    workPool()->start([self, generation, path, events, kinds] {
        const CleanupPlan plan = Cleanup::plan(path, events, kinds, true);
        postTo(self, [generation, plan](CleanupController& controller) {
            controller.planArrived(generation, plan);
        });
    });
    Q_EMIT changed();
}

void CleanupController::planArrived(quint64 generation, const CleanupPlan& plan) {
    --m_plansOut;
    // An older request's plan answers a choice that is no longer on screen.
    if (generation == m_generation) {
        m_state.plan = plan;
        m_state.planning = false;
        Q_EMIT changed();
    }
    deleteWhenDone();
}

void CleanupController::execute(bool permanent) {
    if (!CleanupSheet::actionsEnabled(m_state) || !m_catalog)
        return;
    // The plan as it stands at the press: later plans do not change what this run removes.
    const CleanupPlan plan = *m_state.plan;
    const int count = int(plan.targets.size());
    const qint64 total = plan.totalBytes();
    const QString path = library().path;
    const QString logPath = m_catalog->dir() + QStringLiteral("/deletion-log.txt");
    m_state.working = true;
    m_state.stopping = false;
    m_state.progress = CleanupSheet::starting();
    m_stop = std::stop_source();

    const QPointer<CleanupController> self(this);
    const std::stop_token stop = m_stop.get_token();
    workPool()->start([self, plan, count, total, path, logPath, permanent, stop] {
        const Cleanup::Progress report = [self, permanent, count, total](int index, qint64 before,
                                                                         const CleanupTarget& target) {
            const CleanupSheetState::Progress shown =
                CleanupSheet::progress(permanent, index, count, target, before, total);
            postTo(self, [shown](CleanupController& controller) { controller.progressArrived(shown); });
        };
        const Cleanup::Result2 result = Cleanup::run(plan, path, permanent, true, logPath, report, stop);
        postTo(self, [plan, permanent, result](CleanupController& controller) {
            controller.runArrived(plan, permanent, result);
        });
    });
    Q_EMIT changed();
}

void CleanupController::stop() {
    if (!m_state.working || m_state.stopping)
        return;
    m_state.stopping = true;
    m_stop.request_stop();
    Q_EMIT changed();
}

void CleanupController::progressArrived(const CleanupSheetState::Progress& progress) {
    if (!m_state.working)
        return;
    m_state.progress = progress;
    Q_EMIT changed();
}

void CleanupController::runArrived(const CleanupPlan& plan, bool permanent, const Cleanup::Result2& result) {
    m_state.working = false;
    m_state.stopping = false;
    m_state.progress.reset();
    const QString text = CleanupSheet::resultText(result, permanent);
    m_state.resultText = text;
    m_state.showPermanent = false;

    if (m_catalog) {
        // The size before the run, read before noteFreed lowers it, so the status line can say
        // how much the library shrank.
        const qint64 previous = library().totalSize();
        m_catalog->noteFreed(library(), CleanupSheet::removed(plan, result.done));
        if (m_catalog)
            m_catalog->reread(library(), previous);
    }
    if (!m_closed) {
        refreshPlan();
        m_state.resultText = text;
    }
    Q_EMIT changed();
    Q_EMIT runFinished();
    deleteWhenDone();
}

void CleanupController::close() {
    m_closed = true;
    deleteWhenDone();
}

void CleanupController::deleteWhenDone() {
    if (m_closed && isIdle())
        deleteLater();
}

} // namespace pellimor
