#include "Shell/TableRowMenu.h"

#include "Catalogue/Store/Catalog.h"
#include "Shell/TableRows.h"

namespace pellimor::TableRowMenu {

QList<RowMenu::Entry> entries(const Catalog& catalog, Mode mode, const std::optional<QString>& row) {
    const std::optional<LibraryInfo> library = TableRows::library(row, mode, catalog);
    const bool online = library && catalog.isOnline(*library);
    return RowMenu::entries(library, online, RowMenu::FindMissing::omitted);
}

std::optional<LibraryInfo> openTarget(const Catalog& catalog, Mode mode, const std::optional<QString>& row) {
    return TableRows::library(row, mode, catalog);
}

} // namespace pellimor::TableRowMenu
