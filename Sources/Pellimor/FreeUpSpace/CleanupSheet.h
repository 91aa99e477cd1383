#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "FreeUpSpace/CleanupRunResult.h"
#include "FreeUpSpace/CleanupSheetState.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// What the free-up-space sheet shows and allows, as plain functions of its state and of the
// library, so every text, enabled state and choice is decided here and the window only draws
// it. Byte counts are written by ByteCount::file. Safe from any thread.
namespace pellimor::CleanupSheet {

// "Free up space in “<name>”".
QString title(const QString& libraryName);

// "Proxy media", "Optimized media", "Render files", and the line beneath each.
QString kindLabel(GeneratedKind kind);
QString kindDescription(GeneratedKind kind);

// The library the sheet acts on: the catalogue's first entry with the snapshot's path, so the
// sheet follows the catalogue (lowered sizes after a run); the snapshot itself once the
// library has been forgotten.
LibraryInfo library(const QList<LibraryInfo>& catalogued, const LibraryInfo& snapshot);

// The bytes the chosen kinds take in the event; 0 with no kind chosen.
qint64 size(const EventInfo& event, const QSet<GeneratedKind>& kinds);

// An event can be ticked or unticked by its own toggle only while it holds something of the
// chosen kinds. One ticked before a change of kinds left it at 0 stays ticked.
bool eventEnabled(const EventInfo& event, const QSet<GeneratedKind>& kinds);

// The events ticked when the sheet opens: those with proxy media (the kinds chosen at first).
QSet<QString> firstChoice(const LibraryInfo& library);

// "Select All": every event with something of the chosen kinds, and nothing else.
QSet<QString> selectAll(const LibraryInfo& library, const QSet<GeneratedKind>& kinds);

// The chosen events as the plan is asked for them: in the library's order, then any chosen
// name the library no longer has, sorted (the plan reports it as no event).
QStringList planEvents(const LibraryInfo& library, const QSet<QString>& chosen);

// The plan's preview under the event list.
struct Preview {
    enum class Shows { nothing, checking, plan };
    Shows shows = Shows::nothing;
    QString summary;              // "<n> item(s) · <bytes> will be freed", or nothing to remove
    bool nothingToRemove = false; // the summary is the secondary "Nothing to remove…" line
    QStringList blockers;         // in plan order
    bool blockersScroll = false;  // from four blockers on they sit in a scroll area

    bool operator==(const Preview&) const = default;
};
Preview preview(const CleanupSheetState& state);

// The text shown while a plan is being made.
QString checkingText();
// How many blockers make the list scroll, and that scroll area's height in points × scale.
constexpr int kBlockersScrollFrom = 4;
constexpr double kBlockersScrollHeight = 100;

// "Delete Permanently…", "Delete Permanently" and "Move to Trash": only for a plan with
// targets that answers the choice on screen, never during a run.
bool actionsEnabled(const CleanupSheetState& state);

// The progress shown before the run's first report.
CleanupSheetState::Progress starting();

// The run's progress as it reaches the target at `index` (from 0) of `count`, the targets
// before it having `before` bytes of `total`:
// "Moving to Trash 3 of 5: <event> — <kind> (<bytes>) · <before> of <total> done".
CleanupSheetState::Progress progress(bool permanent, int index, int count, const CleanupTarget& target,
                                     qint64 before, qint64 total);

// The run's summary: "Moved to Trash: <bytes> in <n> item(s)." (or "Deleted: …"), then each
// error on a line of its own, then, after any error of a run to the Trash, a note offering
// permanent deletion, and last, for a run stopped early, how many items it left in place.
QString resultText(const Cleanup::Result2& result, bool permanent);

// The plan's targets that the run removed (their paths are in `done`), in plan order.
QList<CleanupTarget> removed(const CleanupPlan& plan, const QStringList& done);

} // namespace pellimor::CleanupSheet
