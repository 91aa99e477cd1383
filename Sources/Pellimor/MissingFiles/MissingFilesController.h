#pragma once

#include "MissingFiles/MissingRequest.h"
#include "MissingFiles/MissingSheet.h"
#include "MissingFiles/MissingSheetRepair.h"
#include "MissingFiles/MissingSheetState.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

namespace pellimor {

class Catalog;

// The work behind the missing-files sheet for one request: it keeps the sheet's state, reads
// the broken links of the requested libraries and runs the searches, each on a worker thread
// over copies taken on the main thread, and saves the list. Results come back as queued calls
// to the main thread; a worker never waits for the main thread, and the main thread never
// waits for a worker.
//
// A search asks the catalogue first and hands its candidates over before walking any folder;
// each hit and progress report of the walk follows through the walk's executor, and when the
// walk has ended its whole dictionary replaces what the reports built. Stop, and closing the
// sheet, set the search's stop flag; the walk ends at its next entry.
//
// It outlives its sheet: work that was under way when the sheet closed still ends, but what it
// brings is dropped, and once closed (close()) with nothing outstanding it deletes itself. Work
// that changes libraries (putting found files back) runs through it in the same way and counts
// as outstanding while `working` is on.
//
// A repair puts found files back only after the user confirmed the question askRepair() gives,
// only after a completed search and only for the rows the question counted; the engine runs it
// on a worker with every check of its own (Final Cut Pro included) and writes the repair log,
// and the changed libraries are read again, whether or not the sheet is still open.
//
// Nothing else here changes anything on disk except save(), which writes only the file it is
// given.
//
// Main thread only.
class MissingFilesController final : public QObject {
    Q_OBJECT
public:
    // Not parented to the sheet; give it the application (or nothing).
    MissingFilesController(Catalog& catalog, MissingRequest request, QObject* parent = nullptr);

    const MissingSheetState& state() const { return m_state; }
    const MissingRequest& request() const { return m_request; }

    // The rows under the drive filter (MissingSheet::files).
    QList<MissingFile> files() const;
    // The places to look in: the home folder, iCloud Drive, the mounted volumes and the added
    // folders, as they are now.
    QList<MissingSheet::Place> places() const;

    // The sheet is shown: reads the broken links of the requested libraries that are online.
    void start();

    // The user's choices. The drive, the catalogue and the places are left alone while a search
    // runs.
    void setDrive(const QString& drive);
    void setUseCatalog(bool on);
    void setChosen(const QString& path, bool on);
    // The folders chosen in "Add Folder…".
    void addFolders(const QStringList& folders);
    void setSelection(const QSet<QString>& ids);
    // The found file the user takes for the row with identity `id`, or none to leave the choice
    // to the ranking again. A file that is not among the row's found files (gone since the
    // search) is ignored. Every search forgets these.
    void setPick(const QString& id, const std::optional<QString>& path);

    // "Find Files" / "Find Again": nothing unless MissingSheet::canFind.
    void find();
    // "Stop": the walk ends at its next entry and the search completes with what it has.
    void stop();

    // "Repair Links…" / "Copy Into Library…": the question for the rows repairable now, which
    // are kept for the answer; `pendingRepair` holds the mode until answerRepair(). None, and
    // nothing waits, unless a repair can start (MissingSheet::canRepair) and a row can be
    // repaired.
    std::optional<MissingSheet::RepairQuestion> askRepair(MissingFiles::RepairMode mode);
    // The user's answer, however the question went away: `confirmed` starts the repair of the
    // rows it counted. `working` stays on until the engine is done; then the changed libraries
    // are read again, the selection empties, the broken links are read afresh and the note
    // says what was done.
    void answerRepair(bool confirmed);

    // Writes the list of the rows shown to `path`, whole or not at all, and says so in the note.
    void save(const QString& path);

    // Opens a found file in the desktop's default application, the nearest this system has to
    // a preview panel.
    void quickLook(const QString& path);
    // Shows `path` selected in the file manager.
    void reveal(const QString& path);

    // The sheet has closed: any search is asked to stop, and nothing more is shown.
    void close();
    bool isIdle() const { return m_loadsOut == 0 && m_searchesOut == 0 && !m_state.working; }

Q_SIGNALS:
    // The state changed, or the places did (a drive came or went).
    void changed();
    // The broken links have been read.
    void loaded();
    // A search has completed and its note is set.
    void searchFinished();
    // A repair has ended: the re-reads are asked for, the broken links read afresh and the note
    // set (unless a search began in the meantime, whose note then stands).
    void repairFinished();

private:
    void load();
    void loadArrived(const QList<MissingFile>& files, int skipped);
    void catalogueArrived(const MissingFiles::Found& found);
    void hitArrived(const QString& name, const QString& path);
    void progressArrived(const QString& text);
    void searchArrived(const MissingFiles::Found& found, const QStringList& searched);
    void repairArrived(MissingFiles::RepairMode mode, const MissingFiles::RepairResult& result);
    void deleteWhenDone();

    QPointer<Catalog> m_catalog;
    const MissingRequest m_request;
    MissingSheetState m_state;
    int m_loadsOut = 0;    // reads of the broken links that have not come back
    int m_searchesOut = 0; // searches that have not come back
    bool m_closed = false;
    QList<MissingFiles::RepairItem> m_asked; // the rows the open question counted
    std::optional<QString> m_noteAfterLoad;  // a repair's note, shown once its reload is in
};

} // namespace pellimor
