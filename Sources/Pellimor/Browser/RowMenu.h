#pragma once

#include "Catalogue/Records/LibraryInfo.h"

#include <QList>
#include <QString>
#include <optional>

// The menu a right click on a library's row opens, in the browser and in the main tables: what
// it lists and which entries can be chosen. The menu acts on one library, the row's; the view
// carries out the chosen action. Plain functions; any thread.
namespace pellimor::RowMenu {

enum class Action {
    openInFCP,           // "Open in Final Cut Pro": Catalog::openInFCP
    openEnclosingFolder, // "Open Enclosing Folder": the folder holding the bundle, in the file manager
    reveal,              // "Reveal in Finder": the bundle selected in the file manager
    rescan,              // "Rescan Data": Catalog::reread, with no previous size
    freeUpSpace,         // "Free Up Space…": the free-up-space sheet for the library
    findMissing,         // "Find Missing Files…": the missing-files sheet for the library alone
};

struct Entry {
    Action action = Action::openInFCP;
    QString label;
    bool enabled = false;
    bool separatorBefore = false; // a line above the entry

    bool operator==(const Entry&) const = default;
};

// Whether a menu offers "Find Missing Files…" at all (the main tables leave it out), and
// whether its owner can open the missing-files sheet.
enum class FindMissing { omitted, unavailable, available };

// The entries for `library` (none without one: the row belongs to no catalogued library).
// Everything needs the library's files, so nothing is enabled while its drive is not `online`;
// "Find Missing Files…" also needs a broken link in one of its events and a sheet to open.
QList<Entry> entries(const std::optional<LibraryInfo>& library, bool online,
                     FindMissing findMissing = FindMissing::available);

// The folder that holds the bundle at `libraryPath`: the path without its last component.
QString enclosingFolder(const QString& libraryPath);

} // namespace pellimor::RowMenu
