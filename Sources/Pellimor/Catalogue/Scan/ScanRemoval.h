#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Which catalogued libraries a finished root takes out of the catalogue: the one rule of a scan
// that deletes what a user has, so it stands apart from the run, over plain values.
//
// Not seen is not gone. The catalogue keeps what it knows about drives that are not connected
// and about folders it could not look into: a library goes only when the walk that just ended
// could have seen it and did not. Safe from any thread.
namespace pellimor::ScanRemoval {

// What is known when the reads of a root have ended.
struct Facts {
    QString root;                   // the root as the job holds it, absolute and clean ("/" too)
    QSet<QString> found;            // the libraries found under it when its read phase began
    std::optional<qint64> maxDepth; // folder levels the walk went below the root; absent: no limit
    // The walk covered the whole root itself, so `unlisted` names every folder it could not list.
    // A root resumed from a job that did not keep that list does not know what failed before.
    bool walkedWholeRoot = false;
    QStringList unlisted; // folders the walk could not list
    // The catalogue's mounted set: "/" and the drives it last recorded.
    QSet<QString> recordedMounts;
    // The volumes mounted now, as the platform lists them, in case a drive went away since it
    // was recorded. Asked at most once, and only for a library on a drive in `recordedMounts`.
    std::function<QStringList()> mountedNow;
};

// The paths of `catalogued` that are gone: strictly below the root, not found, no deeper below
// it than the walk went, not at or below a folder the walk could not list, and on the start-up
// volume or on a drive that is mounted both by the record and now. Each path at most once.
QSet<QString> gone(const QStringList& catalogued, const Facts& facts);

} // namespace pellimor::ScanRemoval
