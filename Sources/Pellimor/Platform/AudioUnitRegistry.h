#pragma once

#include <QStringView>
#include <QtGlobal>
#include <optional>

namespace pellimor::platform {

// The system's registry of installed Audio Unit components, asked whether a component of a
// given type, subtype and manufacturer is installed. Each code is a four-character code: four
// bytes packed big-endian, the first character in the highest byte.
//
// This machine has no such registry: the system implementation answers "unavailable", so a
// caller can tell "none installed" (a count of 0) from "cannot ask". Safe from any thread.
class AudioUnitRegistry {
public:
    using Code = quint32;

    virtual ~AudioUnitRegistry() = default;

    // The four-character code of a text's first four bytes in UTF-8, packed big-endian;
    // missing bytes count as 0.
    static Code fourCharCode(QStringView text);

    // How many installed components match all three codes (component flags and their mask
    // 0); nothing when the registry is unavailable.
    virtual std::optional<qsizetype> matchCount(Code type, Code subtype, Code manufacturer) const = 0;

    // Restarts the system's Audio Unit registrar, so that a component moved in or out of an
    // Audio Units folder is seen at once by the programs that load them. Never fails towards
    // the caller: a registrar that does not run, or cannot be restarted, is no error. Blocks
    // the calling thread while the restart runs. This system has no registrar: nothing to do.
    virtual void restartRegistrar() const = 0;
};

} // namespace pellimor::platform
