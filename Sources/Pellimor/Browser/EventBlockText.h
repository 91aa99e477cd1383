#pragma once

#include "Browser/ProjectFocus.h"
#include "Catalogue/Records/EventInfo.h"
#include "Catalogue/Records/ProjectInfo.h"

#include <QString>
#include <optional>

namespace pellimor {

// The texts of one event's block in a library's details: its summary line, the formats it
// holds, its missing links, its keywords, and one line per project. Keywords and extensions of
// equal count are listed in code-point order of their text, so a block reads the same on every
// run. Thread-safe.
namespace EventBlockText {

// The size of the event's six kinds of space, " · ", the media count, " media files", then
// formats(): "4.2 GB · 17 media files · MOV 12, JPG 3, WAV 2".
QString summary(const EventInfo& event);

// " · " and the three most frequent extensions in upper case with their counts ("MOV 12, JPG
// 3, WAV 1"); empty when the event has none.
QString formats(const EventInfo& event);

// "3 linked files missing"; nothing without a broken link.
std::optional<QString> missingLine(const EventInfo& event);

// The ten most used keywords joined by ", ", and " … +k more" for the k beyond them; nothing
// when the event has no keywords.
std::optional<QString> keywordsLine(const EventInfo& event);

// The project's duration, format, "edited <date>", clips, transitions, markers and "no audio",
// each only when it applies, joined by " · "; may be empty.
QString details(const ProjectInfo& project);

// The icon a project line shows: "camera.on.rectangle" for a name that holds "snapshot" in any
// letter case, else "film".
QString symbol(const ProjectInfo& project);

// Whether the line of `project` in the event named `event` is the focused one.
bool isFocused(const std::optional<ProjectFocus>& focus, const QString& event, const ProjectInfo& project);

} // namespace EventBlockText

} // namespace pellimor
