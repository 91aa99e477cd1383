#pragma once

#include "App/Mode.h"
#include "Browser/SearchResult.h"
#include "Browser/SearchScope.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "FinalCut/UpdateRequest.h"
#include "MissingFiles/MissingRequest.h"
#include "Shell/SidebarItem.h"
#include "Shell/SortKey.h"

#include <QString>
#include <optional>

namespace pellimor {

// What the main window keeps of its own: presentation state, the requests that open its
// sheets and questions, and the sort orders of its four tables. It holds no catalogue data
// and nothing of it is stored; a new window starts from these values (the search scope is
// the one thing loaded, see initial()).
//
// The member functions are the window's reactions to changes of its own values, so that the
// couplings (tab → selection → details column) hold the same way whoever changes a value.
// Main thread only, like the window.
struct WindowState {
    // Whether the split view shows its sidebar column.
    enum class ColumnVisibility { all, detailOnly };

    // What the window must do after a menu notification, beyond the state change made here.
    enum class MenuEffect {
        none,               // nothing more (also: the notification was ignored or handled here)
        exportCSV,          // "fcp.ExportCSV"
        chooseFolder,       // "fcp.AddWatchFolder"
        saveFCPSettings,    // "fcp.SaveFCPSettings"
        restoreFCPSettings, // "fcp.RestoreFCPSettings"
        putDeRoomBack,      // "fcp.PutDeRoomBack": Catalog::putDeRoomBack()
        refreshTrace,       // "fcp.SetMode" changed the tab: refresh the UI trace
    };

    Mode mode = Mode::browser;
    ColumnVisibility columnVisibility = ColumnVisibility::all;
    SidebarSelection sidebar{SidebarItem::Kind::all};
    QString search;        // the search field's text as typed
    QString appliedSearch; // the text whose result is in `searchResult`; every filter uses this
    qint64 searchGeneration = 0;
    // The selected row: a library path (Libraries), a row identifier of TableRows (Events,
    // Projects, Media Files) or a browser row identifier (Browser).
    std::optional<QString> selection;
    SearchScope scope;
    SearchResult searchResult = SearchResult::empty();
    double winWidth = 1400;
    bool showInspector = false;
    std::optional<QString> pendingDrive; // a drive's path awaiting the whole-drive question
    std::optional<LibraryInfo> cleanupLib;
    std::optional<UpdateRequest> updateRequest;
    std::optional<MissingRequest> missingRequest;
    bool askRefresh = false;
    SortOrder<ProjectField> projectSort{{ProjectField::modified, false}};
    SortOrder<LibraryField> librarySort{{LibraryField::size, false}};
    SortOrder<EventField> eventSort{{EventField::size, false}};
    SortOrder<MediaField> mediaSort{{MediaField::size, false}};

    // A new window's state: the values above with the scope loaded from the settings store.
    static WindowState initial();

    // A different tab clears the selection (and so closes the details column). True when the
    // tab changed; the window then refreshes the UI trace.
    bool changeMode(Mode newMode);

    // The details column follows the selection: open while a row is selected, closed when not.
    void changeSelection(const std::optional<QString>& newSelection);

    // Closing the details column clears the selection; opening it keeps it.
    void changeShowInspector(bool show);

    // The catalogue's media list was replaced (a scan, a re-read, a load). A Media Files row
    // is identified by its position in that list, so a kept selection would silently point at
    // another file, possibly of another library: in the Media Files tab the selection is
    // cleared (closing the details column).
    void mediaReplaced();

    // A menu notification from the NotificationHub. "fcp.SetMode" with the raw value of a tab
    // switches to it (through changeMode); "fcp.ScanEntireDrive" with a path sets
    // `pendingDrive` (absolute, cleaned — a relative path is taken from the working folder),
    // which opens the whole-drive question; the other names are only translated. A
    // notification without the text it needs, with a text naming no tab, or unknown, is
    // ignored. "fcp.FocusSearch" belongs to the search field and is ignored here.
    MenuEffect receive(const QString& name, const std::optional<QString>& object);
};

} // namespace pellimor
