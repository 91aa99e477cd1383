#pragma once

#include "Browser/RowMenu.h"
#include "Catalogue/Records/LibraryInfo.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QPoint;
class QWidget;

namespace pellimor {
class Catalog;
} // namespace pellimor

// The row menu of a library on screen, shared by the browser and the main tables: the menu of
// RowMenu::entries shown at the pointer, and the chosen entry carried out on the library.
// Main thread only.
namespace pellimor::RowMenuPopup {

// Shows `entries` at `globalPos` (a line above each entry that asks for one; titles as written,
// "&" included) and waits for the user. The action chosen, or none when the menu was dismissed
// or holds nothing. The caller's widgets may be gone when this returns.
std::optional<RowMenu::Action> exec(const QList<RowMenu::Entry>& entries, QWidget* parent,
                                    const QPoint& globalPos, const QString& objectName);

// Where the sheets of the free-up-space and missing-files entries open; an empty hook leaves
// the entry doing nothing.
struct Sheets {
    std::function<void(const LibraryInfo&)> cleanup;
    std::function<void(const QList<LibraryInfo>&)> missing;
};

// Carries out `action` on `library`: Final Cut Pro, the file manager, a reread, or a sheet.
void perform(Catalog& catalog, const LibraryInfo& library, RowMenu::Action action, const Sheets& sheets);

} // namespace pellimor::RowMenuPopup
