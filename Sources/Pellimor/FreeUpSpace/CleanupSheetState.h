#pragma once

#include "Catalogue/Records/CleanupTarget.h"
#include "FreeUpSpace/CleanupPlan.h"

#include <QSet>
#include <QString>
#include <optional>

namespace pellimor {

// What the free-up-space sheet shows for one library, apart from the catalogue's own entry:
// the user's choice, the plan for it and the run under way. Read and written on the main
// thread only (CleanupController owns it; the sheet draws it).
struct CleanupSheetState {
    struct Progress {
        double fraction = 0; // 0 … 1
        QString text;

        bool operator==(const Progress&) const = default;
    };

    QSet<GeneratedKind> kinds{GeneratedKind::proxy};
    QSet<QString> chosenEvents;        // the ticked events' names
    std::optional<CleanupPlan> plan;   // the plan of the newest request that has ended
    bool planning = false;             // a newer plan than `plan` is being made
    bool working = false;              // a run is under way
    bool stopping = false;             // the run under way was asked to stop
    std::optional<QString> resultText; // the last run's summary
    bool showPermanent = false;        // "Delete permanently?" waits for its second press
    std::optional<Progress> progress;  // of the run under way

    bool operator==(const CleanupSheetState&) const = default;
};

} // namespace pellimor
