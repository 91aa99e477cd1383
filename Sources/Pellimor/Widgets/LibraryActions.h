#pragma once

#include "Catalogue/Records/LibraryInfo.h"

#include <memory>

class QMenu;
class QWidget;

namespace pellimor {

class Catalog;

// What a table row that stands for one library offers besides selecting it: the library opened
// in Final Cut Pro, its enclosing folder opened in the file manager. Nothing here changes the
// library.
//
// Main thread only.
namespace LibraryActions {

// The folder holding the library's bundle, in the platform's file manager (nothing when the
// platform has none).
void openFolder(const LibraryInfo& library);

// The row menu: "Open in Final Cut Pro" (Catalog::openInFCP) and "Open Enclosing Folder", both
// disabled while the library's drive is away. The catalogue must outlive the menu.
std::unique_ptr<QMenu> menu(QWidget* parent, Catalog& catalog, const LibraryInfo& library);

} // namespace LibraryActions

} // namespace pellimor
