#pragma once

#include <QStringList>

namespace pellimor::Cleanup {

// What a free-up-space run did.
struct Result2 {
    qint64 freed = 0;         // the planned bytes of the targets removed (not measured again)
    QStringList done;         // the path of each removed target, in plan order
    QStringList errors;       // one message per skipped or failed target, in plan order; or only
                              // "Final Cut Pro is running."
    qsizetype notReached = 0; // targets left alone because the run was stopped before them

    bool operator==(const Result2&) const = default;
};

} // namespace pellimor::Cleanup
