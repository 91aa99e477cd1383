#pragma once

#include "Catalogue/Records/PluginUse.h"
#include "Plugins/PluginStatus.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <optional>

namespace pellimor {

// Decides whether the plug-in a library names is installed on this computer, and keeps every
// answer until the user asks for a recheck: installing or removing a plug-in while the
// program runs changes nothing until then.
//
// One shared instance; main thread only, without a lock: the checks run while the views
// compute what they show.
class PluginChecker final {
public:
    static PluginChecker& shared();

    PluginChecker(const PluginChecker&) = delete;
    PluginChecker& operator=(const PluginChecker&) = delete;

    // Each identifier checked since the last recheck, exactly as stored, with its answer.
    const QHash<QString, PluginStatus>& cache() const { return m_cache; }
    // The upper-case identifiers of the FxPlug plug-ins present, once built; nothing before the
    // first FxPlug identifier is checked after start or a recheck.
    const std::optional<QSet<QString>>& fxplugIndex() const { return m_fxplugIndex; }

    // The answer for the use's identifier: the one in cache() when there is one, else
    // compute(use), which is then kept there. Every check goes through here.
    PluginStatus status(const PluginUse& use);

    // The status of the use's identifier, computed from that alone (the other fields are not
    // read), without the cache; installed, missing or unverified:
    //   "~/" + rest    a Motion template: installed when anything is at the user's template
    //                  folder + rest, else at the system-wide one + rest; else missing
    //   "/"...         a plug-in at that path: installed when anything is there, else missing
    //   "AudioUnit:"   asked of the Audio Unit registry by the three codes: installed when a
    //                  component matches, missing when none does; unverified when the codes
    //                  cannot be read, one is not printable, or there is no registry to ask
    //   "FxPlug:"      installed when the upper-cased rest is in fxplug(), else unverified:
    //                  an FxPlug plug-in is never called missing
    //   anything else  unverified
    // The prefixes are tested in that order, case-sensitively. Paths are joined as plain text
    // and looked at as they stand.
    PluginStatus compute(const PluginUse& use);

    // fxplugIndex(), built first when there is none (FxPlugIndex::build(): the folders, and
    // the registry's tool run once, synchronously).
    const QSet<QString>& fxplug();

private:
    PluginChecker() = default;

    // Only the catalogue's recheck starts afresh (through the counter it is given), so every
    // view's answers change together.
    friend struct PackStats;
    void forget();

    QHash<QString, PluginStatus> m_cache;
    std::optional<QSet<QString>> m_fxplugIndex;
};

} // namespace pellimor
