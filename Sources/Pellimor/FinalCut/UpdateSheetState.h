#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "FinalCut/LibraryUpdater.h"

#include <QList>
#include <QSet>
#include <QString>
#include <optional>

namespace pellimor {

class Catalog;

// What the update sheet shows and allows, decided here from its own choices, what it read of
// the world at its last redraw and the updater's published state, so every text, part and
// enabled state is worked out without a window and the sheet only draws it.
//
// The sheet goes through three states: choosing (until the first start: checkboxes, options,
// the start button), running (the run's libraries with their status icons, "Stop after this
// library") and ended (the last statuses, the message, only "Close"). Once a run has begun
// (the updater is running or holds items, which it never empties) the options never come back.
//
// A plain value; its functions are safe from any thread, except safetyRoot() and savedToText(),
// which read the settings, and countOnBackupDrives(), which reads the catalogue: main thread.
struct UpdateSheetState {
    // What stands in front of a row: its checkbox while choosing, then the status icon.
    enum class Mark {
        checkbox, // ticked or not
        waiting,  // grey circle
        busy,     // a small spinning indicator
        good,     // green check: done, already current, practice passed
        skipped,  // grey minus
        failed,   // red octagon
    };

    struct Row {
        QString id; // the library's path
        QString name;
        QString detail;
        bool detailRed = false; // a failure's text
        Mark mark = Mark::checkbox;
        bool ticked = false; // while choosing

        bool operator==(const Row&) const = default;
    };

    // The request's libraries, in its order.
    QList<LibraryInfo> libraries;
    // The sheet's own choices.
    QSet<QString> chosen; // ticked paths; every library when the sheet comes up
    bool safetyCopy = true;
    bool practice = true;
    bool trusted = false; // the Accessibility trust, as last asked
    // Read afresh at every redraw.
    std::optional<QString> installed; // the installed Final Cut Pro's version
    bool finalCutRunning = false;
    int backupCount = 0;  // of the request's libraries, ticked or not, on a backup drive
    QString safetyFolder; // the stored "safetyFolder", as it is
    // The updater's published state.
    QList<LibraryUpdater::Item> items;
    bool running = false;
    QString message;

    // A state for the request with every library ticked.
    static UpdateSheetState forRequest(const QList<LibraryInfo>& libraries);

    // The run has begun: the updater is running or holds the run's items.
    bool begun() const { return running || !items.isEmpty(); }

    // "Update libraries for Final Cut Pro V", "?" when none is installed.
    QString title() const;
    // The updater's items once it has any, else one waiting row per library of the request.
    QList<Row> rows() const;
    // "N of these are on a drive marked as backup."; empty when none is.
    QString backupLine() const;

    // The options (the Safety box, the permission row, its note and the running-Final-Cut-Pro
    // warning) show only while choosing; the parts below only where the options show.
    bool showsOptions() const { return !begun(); }
    bool showsSavedTo() const { return showsOptions() && safetyCopy; } // with "Choose…" and the explanation
    bool showsPermissionButtons() const { return showsOptions() && !trusted; }
    bool showsStaleNote() const { return showsOptions() && !trusted; }
    bool showsFinalCutWarning() const { return showsOptions() && finalCutRunning; }
    QString permissionText() const;
    // "Saved to: " and the folder the copies would go to.
    QString savedToText() const;
    // The safety-copy folder: the stored folder as it is when not empty, else the default.
    QString safetyRoot() const;

    // "Stop after this library" while the run goes on, else "Close".
    QString firstButton() const;
    bool showsStart() const { return !begun(); }
    // "Start Practice Run", or "Update N Libraries" with N the ticked count.
    QString startLabel() const;
    // Something ticked, the permission there and Final Cut Pro not running.
    bool startEnabled() const;
    // What Start hands the updater: the ticked libraries, in the request's order.
    QList<LibraryInfo> toStart() const;

    // A row's second line: the item's detail, else "V → I · SIZE · DRIVE".
    static QString detailLine(const LibraryUpdater::Item& item, const std::optional<QString>& installed);
    static Mark mark(const LibraryUpdater::Status& status);
    // How many of `libraries` lie on a drive the catalogue marks as backup. Main thread.
    static int countOnBackupDrives(const QList<LibraryInfo>& libraries, const Catalog& catalog);

    // The fixed texts of the sheet.
    static QString warningText();
    static QString safetyCopyText();
    static QString explanationText();
    static QString practiceText();
    static QString staleNoteText();
    static QString finalCutOpenText();
    static QString stoppingText();
    static QString revealTip();
    static QString chooserMessage();
    static QString chooserButton();

    bool operator==(const UpdateSheetState&) const = default;
};

} // namespace pellimor
