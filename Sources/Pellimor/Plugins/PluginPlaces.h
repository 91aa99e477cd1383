#pragma once

#include <QString>

// The fixed places plug-ins and templates are installed in. The system-wide ones lie below the
// platform's root folder (RootFolder), the user's below HOME. Each answer is a folder's path
// ending in "/", for joining by plain text. Read afresh on every call; safe from any thread.
namespace pellimor::PluginPlaces {

// The system-wide Motion templates Final Cut Pro offers every user.
QString systemTemplates();
// The user's own Motion templates.
QString userTemplates();

// The system-wide FxPlug plug-ins.
QString systemFxPlug();
// The user's own FxPlug plug-ins.
QString userFxPlug();

} // namespace pellimor::PluginPlaces
