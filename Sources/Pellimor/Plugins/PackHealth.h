#pragma once

#include "Plugins/PackSummary.h"
#include "Plugins/PluginStatus.h"

#include <QStringList>

namespace pellimor {

// How well a pack is installed here, judged from the checker's answer for each of its
// identifiers. A plain value.
struct PackHealth {
    // missing when every identifier is missing; partial when some are and others are
    // installed or undecided; unverified when none is missing but some are undecided;
    // installed otherwise, a pack without identifiers included.
    PluginStatus status = PluginStatus::installed;
    // The item name of each missing identifier (the identifier itself when it has none), a
    // name twice for two identifiers; in plain code-point order, upper case before lower.
    QStringList missing;
    // The pack's distinct identifiers.
    qsizetype total = 0;

    bool operator==(const PackHealth&) const = default;
};

// Asks PluginChecker::shared() for each identifier through its cache; main thread only.
PackHealth packHealth(const PackSummary& summary);

} // namespace pellimor
