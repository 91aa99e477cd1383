#pragma once

#include "App/Mode.h"
#include "Browser/RowMenu.h"
#include "Catalogue/Records/LibraryInfo.h"

#include <QList>
#include <QString>
#include <optional>

namespace pellimor {
class Catalog;
} // namespace pellimor

// The right-click menu and the double click of the Libraries, Events, Projects and Media
// Files tables. Both act on the library of the clicked row (TableRows::library). Main thread
// only.
namespace pellimor::TableRowMenu {

// The row menu of the browser without "Find Missing Files…", for the row's library: every
// entry disabled while its drive is offline; no entries when the row maps to no library.
QList<RowMenu::Entry> entries(const Catalog& catalog, Mode mode, const std::optional<QString>& row);

// What a double click hands to Catalog::openInFCP: the row's library, also while its drive is
// offline (the opener makes its own checks); none when the row maps to no library.
std::optional<LibraryInfo> openTarget(const Catalog& catalog, Mode mode, const std::optional<QString>& row);

} // namespace pellimor::TableRowMenu
