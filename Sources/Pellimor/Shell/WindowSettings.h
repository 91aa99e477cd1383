#pragma once

#include "App/AppSettings.h"
#include "Catalogue/Scan/ScanOptions.h"
#include "Catalogue/Scan/ScanSettings.h"

#include <QString>

namespace pellimor {

// The stored settings the main window reads, as one snapshot (defaults until read()). They are
// read through the two tables of keys, defaults and rules — ScanSettings for the scan's,
// AppSettings for the app-wide ones — so the window, the Settings window, the menus and the
// catalogue always agree on what a stored value means. Read a fresh snapshot whenever it is
// needed: another window may have changed a setting meanwhile.
struct WindowSettings {
    bool fullRescan = ScanSettings::Default::fullRescan;
    bool makePosters = ScanSettings::Default::makePosters;
    qint64 scanThreads = ScanSettings::Default::scanThreads;
    bool autoRefresh = ScanSettings::Default::autoRefresh;
    qint64 folderDepth = ScanSettings::Default::folderDepth;
    bool skipSafetyNet = ScanSettings::Default::skipSafetyNet;
    bool skipFCPBackups = ScanSettings::Default::skipFCPBackups;
    bool hideBackups = AppSettings::Default::hideBackupDrives; // "Working drives only"
    QString dateMode = AppSettings::Default::dateMode;

    // The settings as stored now (platform::services().settings), each after its rule.
    static WindowSettings read();

    // The tables show creation dates only for exactly "created"; any other text means
    // modification dates.
    bool showsCreated() const { return dateMode == QLatin1StringView("created"); }

    // `scanThreads` as the count a scan job takes, after ScanSettings' rule.
    int concurrency() const;

    // What a scan started from these settings asks for: full rescan, posters, concurrency and
    // "folderDepth" levels. Each road then changes what it decides for itself.
    ScanOptions scanOptions() const;
};

} // namespace pellimor
