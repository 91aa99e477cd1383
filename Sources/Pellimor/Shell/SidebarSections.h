#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/ScanRoot.h"
#include "Catalogue/Scan/ScanOptions.h"
#include "Shell/SidebarItem.h"
#include "Shell/SidebarSection.h"

#include <QList>
#include <QString>

namespace pellimor {

class Catalog;

// What the sidebar lists, section by section, for the catalogue as it is now: the seven
// filters under "Library", the favourites, the working and the backup drives, the watched
// folders. Plain functions, tested without a window; nothing is cached, every call looks
// afresh. Main thread only (they read the Catalog).
namespace SidebarSections {

// The sections in order, each present by its own rule: "Library" and the working drives always
// (the latter also without a drive), "Favorites" with at least one favourite, the backup drives
// with at least one backup drive, "Watched folders" with at least one watched folder. Reads the
// catalogue, its scanning flag and "hideBackupDrives".
QList<SidebarSection> build(const Catalog& catalog);

// The seven filters of "Library", in order: title, symbol and the item each selects.
struct Filter {
    QString title;
    QString symbol;
    SidebarItem::Kind kind;
};
const QList<Filter>& filters();

// The short name of a watched folder: the path unchanged when it has no component ("/"); the
// drive's name for a drive's own folder, or the drive's name, " … " and the last component for
// a folder deeper on the drive (a path below `volumesRoot`, of one component or several);
// otherwise the last component (the volumes root itself included).
QString shortRoot(const QString& path, const QString& volumesRoot);
// ...below VolumesRoot::root().
QString shortRoot(const QString& path);

// A watched folder's help text: the path, then " — not finished" when no scan of it ever
// finished, else " — scanned " and the date of the last one (or "—" for one at or before
// 1 January 1970).
QString watchedHelp(const ScanRoot& root);
// Its refresh button: enabled while nothing scans and something is at its path.
bool canRefresh(const ScanRoot& root, bool scanning);
// A watched folder's refresh always makes posters and reads 2 libraries at a time, whatever
// the settings say; the rest of `settings` stands.
ScanOptions refreshOptions(ScanOptions settings);

// A favourite's second line: its volume name, with " · not connected" while it is offline.
QString favoriteDetail(const LibraryInfo& library, bool online);
inline constexpr QLatin1StringView kFavoriteHelp{
    "Click to go to this library in the list. Double-click to open it in Final Cut Pro."};

// "Select all" of a drive section: the drive items of every drive of that section, and
// nothing else.
SidebarSelection selectAll(const QList<SidebarSection>& sections, SidebarSection::Kind section);

} // namespace SidebarSections

} // namespace pellimor
