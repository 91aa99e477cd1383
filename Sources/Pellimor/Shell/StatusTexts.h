#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/ScanJob.h"

#include <QList>
#include <QString>
#include <QVariantMap>
#include <optional>

namespace pellimor {
class Catalog;
} // namespace pellimor

// The texts of the main window's status bar and its empty states, as plain values: the
// version label, the scan's count, the paused scan's buttons and tips and the summary of what
// is shown. Recomputed on every redraw; nothing is kept. Plain functions; main thread only
// where they read the catalogue.
namespace pellimor::StatusTexts {

// "v" + "CFBundleShortVersionString" + " (" + "CFBundleVersion" + ")" from the program's
// information list; empty when either key is missing or does not hold text.
QString versionLabel(const QVariantMap& info);
// The same from the platform's main bundle (empty without one).
QString versionLabel();
QString versionTip(); // "Version and build of this copy of Tovlin"

// "done/total libraries" once a total above 0 is known; empty otherwise.
QString progressText(std::optional<qint64> done, std::optional<qint64> total);

// "Resume" and "Discard" show while a scan is paused and none runs.
bool showsPausedControls(bool hasPausedJob, bool scanning);

// The "Resume" tip names the root the paused job was working on: the one at its root index,
// the last one when the index lies past the end, the first when it lies below 0; a job
// without roots (a damaged job file) names none.
QString resumeTip(const ScanJob& job);
QString discardTip();

// n + " libraries · " + p + " projects · " + bytes over `visible` (the words stay plural for 1
// and 0; the byte sum saturates), and with "Working drives only" on, " · h on backup drives
// hidden" when h > 0 of the catalogue's comparable libraries lie on a backup drive.
QString summary(const QList<LibraryInfo>& visible, const Catalog& catalog, bool hideBackups);

// The empty states' texts.
QString emptyExplanation();
QString filteredExplanation(bool searching);
QString filteredSymbol(bool searching); // "magnifyingglass" or "line.3.horizontal.decrease.circle"
// Whether a search is in effect: the applied search text has at least one term.
bool searching(const QString& appliedSearch);

} // namespace pellimor::StatusTexts
