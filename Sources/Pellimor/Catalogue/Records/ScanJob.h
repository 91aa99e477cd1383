#pragma once

#include "Catalogue/Records/PendingDir.h"
#include "Catalogue/Records/RecordJson.h"
#include "Support/Result.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace pellimor {

// A resumable scan: what to scan, how, and how far it has come. A plain value with no
// equality or identity; it is stored in "scanjob.json" with dates since 2001.
struct ScanJob {
    QList<QString> roots;                     // the folders to scan, in order
    std::optional<qint64> maxDepth;           // folder levels walked below a root; absent: no limit
    bool remember = false;                    // roots not yet watched become watched folders
    bool fullRescan = false;                  // read every library in full, whatever its signature
    bool posters = false;                     // make poster frames at the end
    qint64 concurrency = 0;                   // how many libraries are read at once
    qint64 rootIndex = 0;                     // position in `roots` of the root being worked on
    std::optional<QList<PendingDir>> pending; // folders of the current root still to walk
    QList<QString> found;                     // library paths found under the current root
    bool discoveryDone = false;               // the walk of the current root has finished
    QList<QString> done;                      // library paths under the current root already read
    QDateTime updatedAt;                      // when the job was last saved
    // Folders of the current root that could not be listed by its walk so far. Absent in jobs
    // written before it was kept; a root resumed without it removes nothing it did not see.
    std::optional<QList<QString>> unlisted;

    // Moves to the root at `index` with nothing of it walked, found or read yet.
    void startRoot(qint64 index);

    // The job as a scan can trust it, for one read from a file that may have been edited or
    // damaged. Roots are made clean (no "." or "..", no doubled or trailing slash) and must be
    // absolute; the current root's pending folders, found and done libraries and unlisted
    // folders must be clean absolute paths at or below it (found and done are kept once each).
    // What fails is left out and appended to `dropped` as written. When the current root
    // itself is left out, the job goes on with the next root kept, from its start. Nothing when
    // no root is left.
    std::optional<ScanJob> cleaned(QStringList& dropped) const;

    Result<QJsonObject> toJson(RecordJson::DateForm form) const;
    static Result<ScanJob> fromJson(const QJsonObject& object, RecordJson::DateForm form);
};

} // namespace pellimor
