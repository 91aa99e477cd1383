#include "Catalogue/Scan/ScanOptions.h"

namespace pellimor {

ScanJob ScanOptions::freshJob(QStringList roots, bool remember, const QDateTime& now) const {
    ScanJob job;
    job.roots = std::move(roots);
    job.maxDepth = depth;
    job.remember = remember;
    job.fullRescan = fullRescan;
    job.posters = posters;
    job.concurrency = concurrency;
    job.updatedAt = now;
    return job;
}

} // namespace pellimor
