#pragma once

#include "Catalogue/Records/ScanJob.h"
#include "Catalogue/Scan/ScanSettings.h"

#include <QDateTime>
#include <QStringList>
#include <optional>

namespace pellimor {

// How a scan is asked to run, whatever it scans: the part of a job that the settings and the
// road that starts it decide. Every new job is built from one (freshJob), so the roads differ
// only in the options they pass. The defaults are those of an empty settings store.
struct ScanOptions {
    bool fullRescan = ScanSettings::Default::fullRescan;  // read every library in full
    bool posters = ScanSettings::Default::makePosters;    // make poster frames at the end
    int concurrency = ScanSettings::Default::scanThreads; // libraries read at once
    // Folder levels walked below a root; absent: no limit.
    std::optional<qint64> depth = ScanSettings::Default::folderDepth;

    bool operator==(const ScanOptions&) const = default;

    // A job over `roots` that begins at its first root with nothing walked, found or read yet,
    // stamped `now`. With `remember`, roots not yet watched become watched folders.
    ScanJob freshJob(QStringList roots, bool remember, const QDateTime& now) const;
};

} // namespace pellimor
