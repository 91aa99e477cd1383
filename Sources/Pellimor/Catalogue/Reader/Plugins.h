#pragma once

#include "Catalogue/Records/PluginUse.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <optional>

// Which stored effect identifiers name a non-Apple plug-in, and what to call it.
namespace pellimor::Plugins {

// A PluginUse (count 0) for a non-Apple plug-in, or nothing for Apple's own and unplaceable ones.
std::optional<PluginUse> classify(const QString& id, const std::optional<QString>& displayName);

struct AudioUnitCodes {
    QString type;
    QString subtype;
    QString manufacturer;
    bool operator==(const AudioUnitCodes&) const = default;
};
// The three four-character codes of an "AudioUnit:" identifier.
std::optional<AudioUnitCodes> parseAudioUnit(const QString& id);

// Adds every UUID found in the bytes (upper case) to `into`.
void scanUUIDs(const QByteArray& bytes, QSet<QString>& into);

// Apple's own FxPlug identifiers, gathered once per process from the installed Final Cut
// Pro (through its cache file). Thread-safe; the first caller computes, the others wait.
QSet<QString> appleFxPlugIDs();

// Forgets the set so the next use computes it again (tests).
void resetAppleFxPlugIDs();

} // namespace pellimor::Plugins
