#pragma once

#include "Catalogue/Records/ScanRoot.h"
#include "Shell/DriveSummary.h"
#include "Shell/SidebarItem.h"

#include <QString>
#include <optional>

namespace pellimor {

// One row of the sidebar below a section's header, with everything its delegate draws and
// every enabled state, worked out from the catalogue by SidebarSections::build(). A plain
// value: two builds from the same catalogue give equal rows, so the list is rebuilt only when
// something shown changed.
struct SidebarRow {
    enum class Kind {
        filter,   // one of the seven catalogue-wide filters
        favorite, // a favourite library: star, online dot, name; its volume below
        drive,    // a drive: icon, name, rescan button, role pill; counts and sizes below; usage bar
        watched,  // a watched folder: icon, short name, refresh and remove buttons
    };

    Kind kind = Kind::filter;
    std::optional<SidebarItem> item; // what selecting the row selects; none for a watched folder
    QString symbol;                  // the icon's symbol name
    QString title;                   // the first line's text
    QString detail;                  // the second line (favourites and drives); empty for the others
    QString help;                    // the row's help text (its tooltip where no part has its own)
    bool online = true;              // a favourite's dot, a drive's icon colour
    bool dimmed = false;             // drawn at SidebarDrives::dimmedOpacity
    QString path;                    // a favourite's library path, a watched folder's path
    std::optional<DriveSummary> drive;
    std::optional<ScanRoot> root;
    bool actionEnabled = false; // a drive's rescan, a watched folder's refresh
    QString actionTip;          // their tooltips

    bool operator==(const SidebarRow&) const = default;
};

} // namespace pellimor
