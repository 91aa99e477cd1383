#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "FreeUpSpace/CleanupRunResult.h"
#include "FreeUpSpace/CleanupSheetState.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <stop_token>

namespace pellimor {

class Catalog;

// The work behind the free-up-space sheet for one library: it keeps the sheet's state, makes a
// plan for every change of the choice and carries a plan out, each on a worker thread with
// copies of its inputs, and brings the catalogue up to date after a run. Results and progress
// come back as queued calls; a worker never waits for the main thread.
//
// It outlives its sheet: a run started before the sheet closed still completes, writes the
// deletion log ("deletion-log.txt" in the catalogue's data folder) and updates the catalogue.
// Once closed (close()) and with no plan or run outstanding it deletes itself. Nothing it
// shows reaches a sheet that has gone: the sheet listens to changed() while it lives.
//
// Plans and runs always ask about Final Cut Pro, so one started after planning makes the run
// refuse as a whole. Each plan request carries a number; only the newest request's plan is
// stored, and `planning` stays on until it is, so the buttons never act on a plan made for a
// choice the user has since changed.
//
// Main thread only.
class CleanupController final : public QObject {
    Q_OBJECT
public:
    // Not parented to the sheet; give it the application (or nothing).
    CleanupController(Catalog& catalog, LibraryInfo snapshot, QObject* parent = nullptr);

    const CleanupSheetState& state() const { return m_state; }
    // The catalogue's entry for the library, else the snapshot.
    LibraryInfo library() const;

    // The sheet is shown: the first choice of events, and its plan.
    void start();

    // The user's choice; each change withdraws the permanent confirmation and plans again.
    void setKind(GeneratedKind kind, bool on);
    void setEvent(const QString& name, bool on);
    void selectAll();
    void selectNone();

    // The first press of "Delete Permanently…" (only while an action is allowed) and "Cancel".
    void askPermanent();
    void cancelPermanent();

    // A new plan for the choice on screen.
    void refreshPlan();
    // Carries out the plan on screen (nothing unless an action is allowed now).
    void execute(bool permanent);
    // Asks the run under way to end after the item it is on; the rest stays in place. Closing
    // the sheet does not stop a run.
    void stop();

    // The sheet has closed.
    void close();
    bool isIdle() const { return m_plansOut == 0 && !m_state.working; }

Q_SIGNALS:
    // The state or the library's catalogue entry changed.
    void changed();
    // A run's catalogue updates are done (the re-read has been asked for).
    void runFinished();

private:
    void planArrived(quint64 generation, const CleanupPlan& plan);
    void progressArrived(const CleanupSheetState::Progress& progress);
    void runArrived(const CleanupPlan& plan, bool permanent, const Cleanup::Result2& result);
    void deleteWhenDone();

    QPointer<Catalog> m_catalog;
    const LibraryInfo m_snapshot;
    LibraryInfo m_shown; // library() as last passed on
    CleanupSheetState m_state;
    std::stop_source m_stop;  // of the run under way
    quint64 m_generation = 0; // of the newest plan request
    int m_plansOut = 0;       // plan requests whose plan has not come back
    bool m_closed = false;
};

} // namespace pellimor
