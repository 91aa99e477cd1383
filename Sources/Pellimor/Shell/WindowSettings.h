#pragma once

#include "App/AppSettings.h"

#include <QString>

namespace pellimor {

// The stored settings the main window reads, as one snapshot (defaults until read()). They are read through
// AppSettings, the program's one table of keys and defaults, so the window, the Settings
// window and the menus always agree on a key's default. Read a fresh snapshot whenever it is
// needed: another window may have changed a setting meanwhile.
struct WindowSettings {
    bool fullRescan = AppSettings::Default::fullRescan;
    bool makePosters = AppSettings::Default::makePosters;
    qint64 scanThreads = AppSettings::Default::scanThreads;
    bool autoRefresh = AppSettings::Default::autoRefresh;
    qint64 folderDepth = AppSettings::Default::folderDepth;
    bool skipSafetyNet = AppSettings::Default::skipSafetyNet;
    bool skipFCPBackups = AppSettings::Default::skipFCPBackups;
    bool hideBackups = AppSettings::Default::hideBackupDrives; // "Working drives only"
    QString dateMode = AppSettings::Default::dateMode;

    // The settings as stored now (platform::services().settings).
    static WindowSettings read();

    // The tables show creation dates only for exactly "created"; any other text means
    // modification dates.
    bool showsCreated() const { return dateMode == QLatin1StringView("created"); }

    // `scanThreads` as the count a scan job takes (clamped into an int; the scan itself
    // treats anything below one as one).
    int concurrency() const;
};

} // namespace pellimor
