#pragma once

#include <QString>

namespace pellimor {

// The project the details panel picks out among a library's event blocks: the event's name and
// the project's name, kept apart. Both names may hold "|", so joining them into one text would
// let an event "A|B" with a project "C" and an event "A" with a project "B|C" stand for each
// other. Thread-safe.
struct ProjectFocus {
    QString event;
    QString project;

    // Whether this names the project `project` of the event `event`.
    bool names(const QString& eventName, const QString& projectName) const {
        return event == eventName && project == projectName;
    }

    bool operator==(const ProjectFocus&) const = default;
};

} // namespace pellimor
