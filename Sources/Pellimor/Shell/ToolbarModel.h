#pragma once

#include "App/Mode.h"
#include "Catalogue/Records/ScanJob.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace pellimor {
class Catalog;
struct WindowState;
} // namespace pellimor

// What the main window's toolbar shows, as plain values: which labels carry titles, the
// control sizes and paddings by the window's width, the date picker's label, the look and
// tips of the working-drives button, the Scan menu's entries and whether the scan controls
// are there, and the search field's prompt. The toolbar widget only draws this; nothing here
// touches a widget. Plain functions; main thread only where they read the catalogue.
namespace pellimor::ToolbarModel {

// Widths at and above which the labels show their titles (wide) and the controls are large.
inline constexpr double kWideFrom = 1550;
inline constexpr double kLargeFrom = 1250;

// Everything the toolbar depends on, gathered at one moment.
struct Inputs {
    double winWidth = 1400;
    Mode mode = Mode::browser;
    QString dateMode = QStringLiteral("modified");
    bool hideBackups = false;
    bool scanning = false;
    std::optional<ScanJob> pausedJob;
    qsizetype watchedFolders = 0;
};

// An entry of the Scan menu, in menu order.
struct ScanEntry {
    enum class Kind { addFolder, resume, refresh, entireDrive };
    Kind kind = Kind::addFolder;
    QString title;
    bool enabled = true;

    bool operator==(const ScanEntry&) const = default;
};

// A drive offered by "Scan Entire Drive (slow)…": its title (the drive's name, as written)
// and its mount path.
struct DriveEntry {
    QString title;
    QString path;

    bool operator==(const DriveEntry&) const = default;
};

struct Toolbar {
    bool wide = false;  // labels show title and icon, else the icon only
    bool large = false; // large controls, else regular

    // The view picker: a minimum width only when large; the padding at its trailing edge.
    std::optional<double> pickerMinWidth;
    double pickerTrailingPadding = 4;

    // The date picker: "Created" or "Modified" with "calendar"; horizontal padding.
    QString dateLabel;
    double datePadding = 2;

    // The working-drives button: icon, whether it is filled light green (on), its tip and
    // paddings.
    QString workingIcon;
    bool workingFilled = false;
    QString workingTip;
    double workingPadH = 6;
    double workingPadV = 3;

    // The Scan menu: disabled as a whole while a scan runs.
    bool scanEnabled = true;
    QList<ScanEntry> scanEntries;

    // "Pause" and "Stop": only while a scan runs.
    bool scanControls = false;

    QString searchPrompt;

    bool operator==(const Toolbar&) const = default;
};

Toolbar build(const Inputs& inputs);

// The inputs as they are now: the window's width and tab, the stored date mode and "Working
// drives only", and the catalogue's scanning flag, paused job and watched folders.
Inputs currentInputs(const Catalog& catalog, const WindowState& state);

// The entries of "Scan Entire Drive (slow)…" for these mount paths (AppAction::mountedVolumes(),
// already in order): one per drive, titled with the drive's folder name.
QList<DriveEntry> driveEntries(const QStringList& mountPaths);

// Fixed texts of the toolbar.
QString viewPickerTitle();                        // "View"
QString dateTip();                                // the date picker's tip
QString workingDrivesName();                      // "Working drives only", the button's accessible name
QString scanTitle();                              // "Scan"
QString scanTip();                                // the Scan menu's tip
QString entireDriveTitle();                       // "Scan Entire Drive (slow)…"
QString pauseTip();                               // "Pause"'s tip
QString stopTip();                                // "Stop"'s tip
QString dateChoiceTitle(const QString& dateMode); // "Date modified" / "Date created"

} // namespace pellimor::ToolbarModel
