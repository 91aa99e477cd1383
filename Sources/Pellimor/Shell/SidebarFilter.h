#pragma once

#include "App/Mode.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "FinalCut/UpdateRequest.h"
#include "Shell/SidebarItem.h"
#include "Shell/WindowState.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

namespace pellimor {

class Catalog;

// Which catalogued libraries the main window lists for a sidebar selection, the notices and
// titles that replace the lists, and the window's reactions to the sidebar. Plain functions
// over the catalogue and the window's state; nothing is cached, every call looks afresh.
// Main thread only (they read the Catalog).
//
// They take the Catalog by non-const reference because its plug-in statistics fill a cache
// on first use; nothing else of the catalogue is changed, except where a function says so.
namespace SidebarFilter {

// The volume names carried by the selection's drive items.
QSet<QString> selectedDrives(const SidebarSelection& sidebar);

// The library paths carried by the selection's favourite items.
QSet<QString> selectedFavorites(const SidebarSelection& sidebar);

// The selection's smart filter: its one payload-free item. None when it holds none, or two or
// more (then no smart filter applies: {all, duplicates} filters nothing).
std::optional<SidebarItem::Kind> smartItem(const SidebarSelection& sidebar);

// Per internal library identifier, how many of `shown` carry it. Libraries without an
// identifier are not counted.
QHash<QString, qint64> copyCounts(const QList<LibraryInfo>& shown);
// ...over Catalog::shownLibraries(), so the counts match what the lists show: a copy hidden by
// "Working drives only" does not make its twin a duplicate.
QHash<QString, qint64> copyCounts(const Catalog& catalog);

// The libraries the window lists: Catalog::shownLibraries() in catalogue order, kept when the
// library is on a selected drive (or no drive is selected) and passes the smart filter.
// Favourite items never filter.
QList<LibraryInfo> visibleLibraries(Catalog& catalog, const SidebarSelection& sidebar);

// With "Working drives only" on and drives selected whose comparable libraries all lie on
// backup drives: "“Archive” is a backup drive" for one selected drive, "The selected drives
// are backup drives" for more. None otherwise (also when the selected drives hold nothing).
std::optional<QString> hiddenBackupDrive(const Catalog& catalog, const SidebarSelection& sidebar);

// The "nothing passes the filters" state: the catalogue is not empty, the tab is neither
// Media Files nor Compare, and nothing is visible.
bool showsFilteredEmpty(const Catalog& catalog, Mode mode, const QList<LibraryInfo>& visible);

// Its title: "No matches" while the applied search has terms; else the smart filter's own
// words ("No duplicates", "Every drive is connected", ...); else "Nothing on the selected
// drives" with drives selected; else "Nothing to show".
QString filterEmptyTitle(const QString& appliedSearch, const SidebarSelection& sidebar);

// What opening a favourite left for the window to do. The state changes are already made.
struct FavoriteOutcome {
    enum class Reveal {
        none,     // the path is not catalogued: nothing was done
        now,      // `selection` is the path; post "TovlinRevealRow" with it now
        nextTurn, // the tab was switched to Browser; on the event loop's next turn (after the
                  // tab was rebuilt) call revealFavorite() and post "TovlinRevealRow"
    };
    Reveal reveal = Reveal::none;
    QString path;
    bool hideBackupsSwitchedOff = false; // "hideBackupDrives" was written off
    bool searchCleared = false;          // `search` became "": reschedule the search
    bool modeChanged = false;            // the tab changed: refresh the UI trace
};

// Brings one catalogued library into view: turns "Working drives only" off when the library
// is on a backup drive (writing the setting, so the lists follow at once); when it is still
// not visible, keeps only the favourite items of the selection (or selects just this
// favourite); clears the search field when an applied search does not hold the library;
// shows it in the Browser or Libraries tab, switching to Browser from any other tab.
FavoriteOutcome openFavorite(WindowState& state, Catalog& catalog, const QString& path);

// The deferred half of openFavorite()'s Reveal::nextTurn: selects the path (opening the
// details column).
void revealFavorite(WindowState& state, const QString& path);

// What a change of the sidebar selection left for the window to do.
struct SidebarReaction {
    bool sortsChanged = false;               // the Libraries and Events sorts were replaced
    std::optional<FavoriteOutcome> favorite; // a newly selected favourite was opened
    // Every change refreshes the UI trace as well.
};

// The reactions to a change of `state.sidebar` from `old`: newly selecting `reclaimable`
// sorts the Libraries and Events tables by reclaimable bytes, largest first; a newly selected
// favourite is opened (of several, the one whose path sorts first as plain text). Call it for
// every change of the selection, those made by openFavorite() included (opening the same
// favourite again is harmless).
SidebarReaction sidebarChanged(WindowState& state, Catalog& catalog, const SidebarSelection& old);

// The sidebar's "update this drive" request: the comparable libraries on that volume that
// need a Final Cut Pro update, are online and read without problem. With at least one, an
// UpdateRequest for them; with none, the status text "Nothing on <volume> needs updating.".
struct DriveUpdate {
    std::optional<UpdateRequest> request;
    std::optional<QString> status;
};
DriveUpdate driveUpdate(const Catalog& catalog, const QString& volumeName);

// driveUpdate() carried out: sets `state.updateRequest` (the update sheet opens) or the
// catalogue's status line.
void updateDrive(WindowState& state, Catalog& catalog, const QString& volumeName);

} // namespace SidebarFilter

} // namespace pellimor
