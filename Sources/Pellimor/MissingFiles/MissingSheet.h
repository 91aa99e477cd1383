#pragma once

#include "App/ColumnDecl.h"
#include "App/ColumnWidths.h"
#include "Browser/CellTone.h"
#include "MissingFiles/Candidate.h"
#include "MissingFiles/Match.h"
#include "MissingFiles/MissingFile.h"
#include "MissingFiles/MissingSheetState.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

// What the missing-files sheet shows and allows, as plain functions of its state, so every
// list, count, text and enabled state is decided here and the window only draws it. Functions
// that judge found files (choice, rows, notes) look at the disk, as MissingFiles::candidate
// does; nothing here changes it. Safe from any thread.
namespace pellimor::MissingSheet {

// ---- What is listed --------------------------------------------------------------------------

// The broken links the table, the counts, the search and the saved list work on: all of them,
// or those on the drive of the filter, in the order of `all`.
QList<MissingFile> files(const MissingSheetState& state);
// The drives of `all`, each once, in the file manager's order.
QStringList drives(const MissingSheetState& state);

// One choice of the drive picker: its title and the filter it stands for (empty: all drives).
struct DriveChoice {
    QString title;
    QString drive;

    bool operator==(const DriveChoice&) const = default;
};
// "All drives (<n>)", then "<drive> only (<n>)" per drive; nothing with fewer than two drives
// (the picker is not shown then).
QList<DriveChoice> driveChoices(const MissingSheetState& state);

// A place the search can walk.
struct Place {
    QString title;
    QString path;

    bool operator==(const Place&) const = default;
};
// The home folder; "iCloud Drive" when its folder exists under `home`; each mounted volume
// (`volumes`, mount paths in their order) by its folder's name; each added folder by its path.
QList<Place> places(const QString& home, const QStringList& volumes, const QStringList& extra);
// Where the iCloud Drive folder is under `home`.
QString iCloudPath(const QString& home);

// The folders a search walks: the places whose paths are ticked, in the order of `shown`. A
// ticked path no longer listed (a drive unplugged since) is left out.
QStringList roots(const QList<Place>& shown, const QSet<QString>& chosen);
// The places the search reports as searched: "Tovlin's catalogue" when it is asked, then `roots`.
QStringList searched(bool useCatalog, const QStringList& roots);

// The folders chosen in the "Add Folder…" panel, appended to `extra` and ticked; a folder
// added before changes nothing, its tick included.
void addFolders(MissingSheetState& state, const QStringList& folders);

// ---- Judging what was found --------------------------------------------------------------------

// The file's found list (empty when it has none).
QStringList foundList(const MissingSheetState& state, const MissingFile& file);
// The file the engine proposes for `file` and why, with the user's pick taken into account.
MissingFiles::Candidate choice(const MissingSheetState& state, const MissingFile& file);

// The first of `files` whose identity is in `ids` (the table's order decides), if any.
std::optional<MissingFile> firstOf(const QList<MissingFile>& files, const QSet<QString>& ids);

struct Counts {
    int hits = 0;      // files with at least one found path
    int strong = 0;    // files whose choice is a strong match
    int leadsOnly = 0; // files whose list holds only leads on drives that are not connected

    bool operator==(const Counts&) const = default;
};
// Counts over `files`; `strong` only when `withStrong` (it looks at the disk).
Counts counts(const MissingSheetState& state, const QList<MissingFile>& files, bool withStrong = true);

// ---- Texts -------------------------------------------------------------------------------------

// The line under the title.
QString summary(const MissingSheetState& state);
// The line beside the spinner while a search runs.
QString progressLine(const MissingSheetState& state);
// The note after a search over `count` files.
QString searchNote(const Counts& counts, qsizetype count, bool stopped);
// The detail pane's text while no row is selected: empty while loading or with no file.
QString detailHint(const MissingSheetState& state);

// "Find Files" before the first completed search, "Find Again" after.
QString findTitle(const MissingSheetState& state);
// There is something to look for and somewhere to look.
bool canFind(const MissingSheetState& state);
bool canSave(const MissingSheetState& state);

// The name the save panel suggests: "<library> - missing files.txt" for the files of one
// library, "<drive> - missing files.txt" under a drive filter, else "missing files.txt".
QString suggestedName(const MissingSheetState& state);
// The kind of file the save panel lets the user choose: the list is plain text.
QString listNameFilter();
QString savedNote(const QString& fileName);
// The error-log message of a failed save. (The note is the failure's own sentence, which names
// the file, the reason and what is safe.)
QString saveFailedMessage(const QString& description);

// The most the "Where to look" pane grows to, in points before the font scale.
double placesPaneMaximum(qsizetype placeCount);

// ---- The table ---------------------------------------------------------------------------------

enum class Column { file, event, library, drive, wasAt, found, match };
inline constexpr int columnCount = 7;
using Def = ColumnDecl<Column>;
// In declared order; a column's position is its Column value (int(column)). No column sorts.
const QList<Def>& defs();

struct Cell {
    QString text;
    CellTone tone = CellTone::primary;
    QString tip; // empty: none

    bool operator==(const Cell&) const = default;
};

// A match's colour (green exactly for the strong ones) and what it means.
CellTone tone(const MissingFiles::Match& match);
QString explanation(const MissingFiles::Match& match);

// The folder that held the file: its target without the last component.
QString wasAt(const MissingFile& file);

// One row of the table, judged once so a redraw does not look at the disk again.
struct Row {
    MissingFile file;
    QStringList list;   // its found list
    QStringList places; // the found files that exist, best first (MissingFiles::realPlaces)
    MissingFiles::Candidate choice;
    Cell found;
    Cell match;

    bool operator==(const Row&) const = default;
};
Row row(const MissingSheetState& state, const MissingFile& file);

// The text a column's cell shows for `row`, as the model gives it.
Cell cell(const Row& row, Column column);

// The widest content of each column by title, measured as its cells are drawn ("File",
// "Event", "Library" and "Drive" at 13 points, the rest at 12), for ColumnAutoFit. "Found" is
// measured on the first text of each list. A column whose content is empty has no entry.
QHash<QString, double> columnWidths(const QList<Row>& rows, bool searched, const ColumnWidths& measure);

// What a double click reveals: the first text of the file's found list that exists on disk.
std::optional<QString> firstExisting(const QStringList& list);

} // namespace pellimor::MissingSheet
