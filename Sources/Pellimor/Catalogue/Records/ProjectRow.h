#pragma once

#include <QDateTime>
#include <QString>

namespace pellimor {

// One row of the Projects table, made from a catalogued project each time the table is
// drawn. A plain value without equality: `id` tells rows apart.
struct ProjectRow {
    QString id;        // the library's path, "|", the event's name, "|", the project's name
    QString libraryID; // the library's path
    QString project;   // the project's name
    QString event;     // the event's name
    QString library;   // the library's name
    QString drive;     // the library's volume name
    bool online = false;
    double duration = 0;    // seconds, 0 when unknown; shown with Fmt::duration
    QString format;         // the video format, "—" when unknown
    QDateTime modified;     // the date the window's date setting picks
    qint64 eventSize = 0;   // the six sizes of the project's event together
    qint64 librarySize = 0; // the library's total size
    qint64 clips = 0;
    QString path;    // the library's path
    QString matched; // why the row matches the current search
};

} // namespace pellimor
