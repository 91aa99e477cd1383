#pragma once

#include "Catalogue/Records/CleanupTarget.h"

#include <QList>
#include <QStringList>

namespace pellimor {

// What a free-up-space run may remove from one library, and why everything else stays. Made
// by Cleanup::plan before anything is touched, shown to the user, and handed unchanged to the
// run. Blockers describe what was left alone; they do not stop the other targets.
struct CleanupPlan {
    QList<CleanupTarget> targets; // in planning order
    QStringList blockers;         // one message per refusal or kept item, in planning order

    // The sum of the targets' planned bytes; 0 without targets.
    qint64 totalBytes() const;

    bool operator==(const CleanupPlan&) const = default;
};

} // namespace pellimor
