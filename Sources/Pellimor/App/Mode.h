#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace pellimor {

// The tab the main window shows. The raw value is also the tab's title, the View menu item's
// title and the text that "fcp.SetMode" carries.
enum class Mode { browser, libraries, events, projects, media, plugins, compare };

// "Browser", "Libraries", "Events", "Projects", "Media Files", "Plug-ins", "Compare".
QString rawValue(Mode mode);

// The tab whose raw value is exactly `raw` (case-sensitive); nothing for any other text.
std::optional<Mode> modeFromRawValue(const QString& raw);

// Every tab in declaration order; the tab picker and the View menu list them in this order.
const QList<Mode>& allModes();

} // namespace pellimor
