#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

namespace pellimor::MissingFiles {

// What one repair run did.
struct RepairResult {
    int done = 0;            // links repaired
    qint64 bytes = 0;        // bytes copied: the found files' sizes, nothing for a new link
    QStringList skipped;     // "<link name>: <reason>" per link left alone, or alone the refusal to start
    QSet<QString> libraries; // the path of every library in which a link was repaired

    bool operator==(const RepairResult&) const = default;
};

} // namespace pellimor::MissingFiles
