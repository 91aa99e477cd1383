#pragma once

#include <QDateTime>
#include <QString>

namespace pellimor {

// One row of the Events table, made from a catalogued event each time the table is drawn.
// A plain value without equality: `id` tells rows apart.
struct EventRow {
    QString id;        // the library's path, "|", the event's name
    QString libraryID; // the library's path
    QString event;     // the event's name
    QString library;   // the library's name
    QString drive;     // the library's volume name
    bool online = false;
    qint64 size = 0;        // the event's six sizes together
    qint64 original = 0;    // original media bytes
    qint64 reclaimable = 0; // optimized, proxy and render bytes
    qint64 mediaFiles = 0;
    qint64 projects = 0; // number of the event's projects
    QDateTime modified;  // the date the window's date setting picks
    QString matched;     // why the row matches the current search
};

} // namespace pellimor
