#pragma once

#include "Shell/DriveSummary.h"
#include "Shell/VolumeEject.h"

#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <optional>

namespace pellimor {

class Catalog;

// The sidebar's drives: the list made from the catalogue, what a drive's row says and
// enables, its menu, the eject question and what each eject outcome reports. Plain functions,
// tested without a window; nothing is cached. Main thread only (they read the Catalog).
namespace SidebarDrives {

// The comparable libraries grouped by exact volume name, one drive each, sorted by name as the
// file manager sorts ("Disk 2" before "Disk 10"). A drive takes its mount, key, role and kind
// from its first library in catalogue order and its UUID from the first library that has one;
// capacity and free space are read only while it is online.
QList<DriveSummary> drives(const Catalog& catalog);

// ---- The row ------------------------------------------------------------------------------

// "network", "internaldrive" or "externaldrive".
QString symbol(const DriveSummary& drive);
// "3 libs · 1.2 GB", then " · 40 GB free" with a known capacity, or " · not connected" for an
// unplugged drive without one.
QString detailLine(const DriveSummary& drive);
// "Studio: 3 libraries, 1.2 GB of Final Cut libraries", then ", F free of T" with a known
// capacity, or " (not connected)" for an unplugged drive without one.
QString helpText(const DriveSummary& drive);

// The rescan button: enabled while the drive is online and nothing scans.
bool canRescan(const DriveSummary& drive, bool scanning);
QString rescanTip(const DriveSummary& drive);

// The role pill: "Work" or "Backup", and what pressing it does.
QString roleLabel(const DriveSummary& drive);
QString roleTip(const DriveSummary& drive);

// Backup drives are drawn faint while "Working drives only" hides their libraries; they stay
// selectable.
inline constexpr double dimmedOpacity = 0.45;
bool dimmed(const DriveSummary& drive, bool hideBackups);

// The usage bar's shares of the row's width, each from 0 to 1: the used space, and the
// catalogued libraries' part of it (never more than the used space, whatever the catalogue's
// sizes add up to). Nothing without a known capacity: no bar.
struct Usage {
    double used = 0;
    double libraries = 0;
    bool operator==(const Usage&) const = default;
};
std::optional<Usage> usage(const DriveSummary& drive);

// ---- The menu and the eject question --------------------------------------------------------

// "Update Libraries on NAME to Final Cut VERSION…"; the version is empty when Final Cut Pro is
// not installed. (Menus double a name's "&" themselves: literalTitle.)
QString updateTitle(const QString& name, const std::optional<QString>& installedVersion);
// The menu's update and eject items are enabled only while the drive is online.
bool canUpdateOrEject(const DriveSummary& drive);

struct EjectQuestion {
    QString title;
    QString message;
    QString confirm; // "Eject"; empty when only the dismissing button is offered
    QString cancel;  // "Cancel", or "OK" for the start-up disk
};
// The confirmation for the pending drive; `startupDisk` is VolumeEject::startupMount of its
// mount. Without a pending drive, the title "Eject this drive?" and no message.
EjectQuestion ejectQuestion(const std::optional<DriveSummary>& pending, bool startupDisk);

// ---- After an eject ---------------------------------------------------------------------------

inline constexpr QLatin1StringView kEjectLogArea{"eject"};
inline constexpr QLatin1StringView kEjectLogLine{"A drive could not be ejected and was left mounted."};

// What one outcome reports: the status line always; an alert for everything but `ejected`;
// an error-log line for `failed`.
struct EjectReport {
    QString status;
    std::optional<QString> alertTitle; // with alertText; none for `ejected`
    QString alertText;
    bool logsError = false;
    bool operator==(const EjectReport&) const = default;
};
EjectReport report(const VolumeEject::Outcome& outcome, const QString& name);

// The outcome of an eject applied to the catalogue, in order: the mounted volumes recorded
// afresh (and free space refreshed), the status line, and for `failed` the error-log line (which
// the error log itself leaves out while headless). Returns the report, whose alert the window
// then shows.
EjectReport finishEject(Catalog& catalog, const VolumeEject::Outcome& outcome, const QString& name);

} // namespace SidebarDrives

} // namespace pellimor
