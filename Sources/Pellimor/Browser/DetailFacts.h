#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Store/Catalog.h"

#include <QList>
#include <QString>

namespace pellimor {

// The grid of facts in a library's details: one label and one value per row, in the order the
// panel shows them, with the rows that only some libraries have ("Missing files", "Copies",
// "Note") left out where they do not apply. Texts only; the panel lays them out. Counts use
// the default locale's digit grouping where a row asks for it (QLocale()), dates Fmt's
// date-or-dash rule. Thread-safe, apart from Context::of (main thread, it reads the Catalog).
namespace DetailFacts {

struct Fact {
    QString label;
    QString value;
    bool operator==(const Fact&) const = default;
};

// What the facts need from the catalogue besides the library itself.
struct Context {
    Catalog::UpdateStatus update = Catalog::UpdateStatus::unknown;
    QString installedFCP;          // the installed Final Cut Pro's version; empty when none
    QList<LibraryInfo> comparable; // Catalog::comparableLibraries(), in order
    bool operator==(const Context&) const = default;

    static Context of(const Catalog& catalog, const LibraryInfo& library);
};

// The folder that holds the library: its path without the last component.
QString folder(const LibraryInfo& library);

// "12,345" with the locale's grouping, and "  (2 linked)" when any are linked.
QString mediaFiles(qint64 count, qint64 linked);

// "1 linked media file can't be found", "3 linked media files can't be found".
QString missingFiles(qint64 broken);

// "Network (NAS)" before "Internal" before "External".
QString storage(const LibraryInfo& library);

// What follows the library's version: "  — needs updating for FCP V; FCP will offer when you
// open it", "  — newer than your FCP V; update Final Cut Pro to open it", or nothing.
QString updateNote(Catalog::UpdateStatus update, const QString& installedFCP);

// How many of `comparable` share the library's identifier (the library itself among them when
// listed); 0 without an identifier.
qint64 copiesCount(const LibraryInfo& library, const QList<LibraryInfo>& comparable);

// The drive names of the other libraries of `comparable` with this identifier (all but those
// at `ownPath`), in list order and joined by ", "; a drive holding two copies is named twice.
QString copyDrives(const QString& identifier, const QString& ownPath, const QList<LibraryInfo>& comparable);

// The rows, in order: Folder, Size, Events / projects, Media files, Missing files (only with
// broken links), Last modified, Created, Saved with FCP, Last opened by, Storage, Scanned,
// Copies (only with an identifier shared by two or more), Note (only for a Final Cut Pro
// backup).
QList<Fact> facts(const LibraryInfo& library, const Context& context);

} // namespace DetailFacts

} // namespace pellimor
