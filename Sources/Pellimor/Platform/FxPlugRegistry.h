#pragma once

#include <QByteArray>
#include <optional>

namespace pellimor::platform {

// The system's registry of FxPlug plug-ins, asked through its command-line tool for the
// plug-ins it knows. Its listing holds, among other text, one line per plug-in with the path
// of the plug-in's bundle.
//
// This machine has no such tool: the system implementation tries "/usr/bin/pluginkit" and,
// as it cannot be started here, answers that. Blocks until the tool has ended (it is asked
// once between plug-in rechecks, on the main thread); safe from any thread.
class FxPlugRegistry {
public:
    virtual ~FxPlugRegistry() = default;

    // What the tool wrote to its standard output, whatever its exit status; nothing when the
    // tool could not be started.
    virtual std::optional<QByteArray> listing() const = 0;
};

} // namespace pellimor::platform
