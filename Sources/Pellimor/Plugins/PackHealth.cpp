#include "Plugins/PackHealth.h"

#include "Plugins/PluginChecker.h"
#include "Support/TextCompare.h"

#include <algorithm>

namespace pellimor {

PackHealth packHealth(const PackSummary& summary) {
    PluginChecker& checker = PluginChecker::shared();
    PackHealth health;
    bool anyInstalled = false;
    bool anyUndecided = false;
    for (const QString& id : summary.ids) {
        switch (checker.status(PluginUse{summary.kind, summary.pack, QString(), id, 0})) {
        case PluginStatus::missing: {
            const auto name = summary.idNames.constFind(id);
            health.missing.append(name != summary.idNames.constEnd() ? name.value() : id);
            break;
        }
        case PluginStatus::installed:
            anyInstalled = true;
            break;
        case PluginStatus::unverified:
        case PluginStatus::partial:
            anyUndecided = true;
            break;
        }
    }
    if (!health.missing.isEmpty())
        health.status = anyInstalled || anyUndecided ? PluginStatus::partial : PluginStatus::missing;
    else
        health.status = anyUndecided ? PluginStatus::unverified : PluginStatus::installed;
    std::sort(health.missing.begin(), health.missing.end(), TextCompare::codePointLess);
    health.total = summary.ids.size();
    return health;
}

} // namespace pellimor
