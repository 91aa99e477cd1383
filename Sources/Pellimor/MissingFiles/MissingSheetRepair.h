#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "MissingFiles/MissingSheet.h"
#include "MissingFiles/MissingSheetState.h"
#include "MissingFiles/RepairItem.h"
#include "MissingFiles/RepairMode.h"
#include "MissingFiles/RepairResult.h"

#include <QList>
#include <QSet>
#include <QString>
#include <optional>

// Putting found files back from the missing-files sheet, as plain functions of its state: which
// rows can be repaired, the question the user answers first, the buttons' states and the note
// afterwards. `repairable` looks at the disk (through the choice of each row); nothing here
// changes it: the repair itself is MissingFiles::repair. Safe from any thread.
namespace pellimor::MissingSheet {

// A row a repair would handle: the broken link, the found file to put in its place, and whether
// that file is a strong match (the user's pick is one).
struct RepairEntry {
    MissingFiles::RepairItem item;
    bool strong = false;

    bool operator==(const RepairEntry&) const = default;
};

// The rows under the drive filter (only the selected ones when there is a selection), in table
// order, whose choice proposes a file: a strong match, a name-only match, agreeing copies or the
// user's pick. A row with several different files, only leads or nothing found is left out.
// Judges every row as it stands on disk now.
QList<RepairEntry> repairable(const MissingSheetState& state);
// The same over rows judged before (the table's), for counting them without looking at the disk.
QList<RepairEntry> repairable(const QList<Row>& rows, const QSet<QString>& selection);
QList<MissingFiles::RepairItem> items(const QList<RepairEntry>& entries);

// The repair step is shown from the end of the first search on; its buttons work only after a
// completed search and while nothing else runs.
bool showsRepairStep(const MissingSheetState& state);
bool canRepair(const MissingSheetState& state);

// "<n> found file(s) can be put back (all rows; select rows to do only some)." or "(the
// selected rows)."; `count` is the number of repairable rows.
QString repairCount(const MissingSheetState& state, qsizetype count);
// What the row says when nothing can be put back, with or without a selection.
QString nothingToRepair(const MissingSheetState& state);

// The button of the question and the mode it confirms: "Copy Into Library", "Repair Links".
QString repairButton(MissingFiles::RepairMode mode);
// The question's title for the repair waiting in `state.pendingRepair` (a link repair when
// none): "Copy <n> found file(s) into the library?" ("libraries" for several), "Repair <n>
// link(s)?".
QString repairTitle(const MissingSheetState& state, const QList<RepairEntry>& entries);
// The question's text: which files, what the mode does, how many are not strong matches, and
// that Final Cut Pro must be closed and every change is logged.
QString repairMessage(const MissingSheetState& state, const QList<RepairEntry>& entries);

// What the user is asked before the repair waiting in `state.pendingRepair` of `entries`: the
// title, the text and the confirming button. None when no repair waits or there is nothing
// to repair.
struct RepairQuestion {
    QString title;
    QString message;
    QString button;

    bool operator==(const RepairQuestion&) const = default;
};
std::optional<RepairQuestion> question(const MissingSheetState& state, const QList<RepairEntry>& entries);

// The note after a run: what was done, advice when something was, and up to four of the
// reasons files were skipped ("; and <k> more" for the rest).
QString repairNote(MissingFiles::RepairMode mode, const MissingFiles::RepairResult& result);

// "repair-log.txt", beside the deletion log in the data folder.
QString repairLogPath(const QString& dataFolder);

// The catalogue's entries (the first of each path) of the libraries a repair changed; a
// library the catalogue no longer lists is left out.
QList<LibraryInfo> toReread(const QSet<QString>& changed, const QList<LibraryInfo>& catalogued);

} // namespace pellimor::MissingSheet
