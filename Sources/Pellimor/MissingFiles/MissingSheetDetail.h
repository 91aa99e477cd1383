#pragma once

#include "Browser/CellTone.h"
#include "MissingFiles/MissingSheet.h"
#include "MissingFiles/MissingSheetState.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The detail panel of the missing-files sheet as plain values: for the selected row, where the
// file was, how sure the match is, every place a file of that name was found with what may be
// done with it, and the leads. Functions that judge found files look at the disk (sizes, dates,
// whether a file is still there); nothing here changes it. Safe from any thread.
namespace pellimor::MissingSheet {

// One labelled path of the panel and the controls beside it.
struct PathLine {
    // What the line says about the file a repair would use.
    enum class Mark {
        none,
        willBeUsed,  // the ranking proposes this file
        chosenByYou, // the user picked it
    };

    QString label;
    QString path;
    // "<size>  ·  changed <date>", for a found file whose attributes could be read.
    std::optional<QString> facts;
    // A found file: "Quick Look" and "Show in Finder".
    bool actions = false;
    Mark mark = Mark::none;
    bool undo = false;       // "Undo", beside the user's own pick
    bool useThisOne = false; // "Use This One"
    QString useTip;          // its hover text

    bool operator==(const PathLine&) const = default;
};

// The match line: the match's symbol, its label and explanation, in its colour.
struct MatchLine {
    QString symbol;
    QString text;
    CellTone tone = CellTone::primary;

    bool operator==(const MatchLine&) const = default;
};

// Everything the panel shows for one row.
struct Detail {
    QString id; // the row's MissingFile::id()
    QString heading;
    PathLine wasAt;
    std::optional<MatchLine> match;
    QList<PathLine> found; // one per real place, best first
    QStringList leads;     // the texts of the found list on drives that are not connected
    bool notFound = false; // "Not found in the places searched."

    bool operator==(const Detail&) const = default;
};

inline constexpr const char* kNotFoundInPlaces = "Not found in the places searched.";

// The row the panel shows: the first of the rows under the drive filter, in table order, whose
// identity is selected.
std::optional<MissingFile> selected(const MissingSheetState& state);

// The size and modification date of the item at `path` (links are not followed): the size in
// the file manager's units, "  ·  changed ", and the day, or "—" for a time not after 1970.
// None when the item's attributes cannot be read.
std::optional<QString> fileFacts(const QString& path);

// A path line. Without `exists` only the label and the path (the old place). With it, the
// file's facts and its actions; and with the row it is a candidate for, "Will be used" or
// "Chosen by you" (with "Undo") when the row's choice is this path, else "Use This One".
PathLine pathLine(const QString& label, const QString& path, bool exists, const Row* candidateFor,
                  const MissingSheetState& state);

// The panel for `row`, judged as it stands (MissingSheet::row of the state of this moment, so a
// found file that has gone since the search has no line).
Detail detail(const MissingSheetState& state, const Row& row);

} // namespace pellimor::MissingSheet
