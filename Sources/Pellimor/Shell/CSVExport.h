#pragma once

#include "App/Mode.h"
#include "Catalogue/Records/LibraryRow.h"
#include "Catalogue/Records/ProjectRow.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace pellimor {

class Catalog;
struct WindowState;

// The Libraries and Projects tables as comma-separated text: the tab's fixed header line,
// then one line per row in the order given. Text fields are quoted with inner quotes doubled
// (so commas and line feeds stay inside their field); numbers and "yes"/"no" are bare; dates
// are quoted in Fmt's date-or-dash form. Lines end in a line feed except the last; UTF-8
// without a byte-order mark.
namespace CSVExport {

// The file name offered for the tab's export: "fcp-libraries.csv" or "fcp-projects.csv";
// none for the tabs that do not export.
std::optional<QString> fileName(Mode mode);

// The status line on a tab that does not export.
QString otherTabStatus();

QByteArray libraries(const QList<LibraryRow>& rows);
// A length is written in whole seconds, truncated toward zero; one that is not a number,
// infinite or beyond a 64-bit count leaves its field empty.
QByteArray projects(const QList<ProjectRow>& rows);

// The text of the window's tab as its table shows it now (the sidebar's libraries, the
// applied search, the date setting, the table's sort order); none on a tab that does not
// export. Main thread only.
std::optional<QByteArray> tab(Catalog& catalog, const WindowState& state);

} // namespace CSVExport

} // namespace pellimor
