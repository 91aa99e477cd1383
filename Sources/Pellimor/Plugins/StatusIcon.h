#pragma once

#include "Plugins/PluginStatus.h"

#include <QString>

namespace pellimor {

// What every plug-in view shows for a status, as plain data: the symbol's name, its colour and
// the text shown when the pointer rests on it.
struct StatusIcon {
    enum class Colour { green, red, grey, orange };

    QString symbol;
    Colour colour = Colour::grey;
    QString help;

    bool operator==(const StatusIcon&) const = default;
};

StatusIcon statusIcon(PluginStatus status);

} // namespace pellimor
