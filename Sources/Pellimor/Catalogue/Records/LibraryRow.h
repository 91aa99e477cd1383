#pragma once

#include <QDateTime>
#include <QString>

namespace pellimor {

// One row of the Libraries table, made from a catalogued library each time the table is
// drawn. A plain value without equality: `id` tells rows apart.
struct LibraryRow {
    QString id;    // the library's path
    QString name;  // the library's name
    QString drive; // the library's volume name
    bool online = false;
    qint64 size = 0;           // the library's total size in bytes
    qint64 events = 0;         // number of events
    qint64 projects = 0;       // number of projects over all events
    qint64 mediaFiles = 0;     // media files over all events
    qint64 reclaimable = 0;    // optimized, proxy and render bytes
    QDateTime modified;        // the date the window's date setting picks
    QString fcp;               // the Final Cut Pro version, "—" when unknown
    qint64 copies = 0;         // catalogued copies of the same library
    qint64 brokenLinks = 0;    // broken links to original media over all events
    qint64 update = 0;         // 1 needs updating, 2 too new for the installed Final Cut Pro, else 0
    QString path;              // the library's path
    QString matched;           // why the row matches the current search, reasons joined by ", "
    qint64 missingPlugins = 0; // plug-in packs missing on this computer
    qint64 partialPlugins = 0; // plug-in packs only partly installed

    // One number that sorts by missing packs first and partly installed packs second (as
    // long as fewer than 1000 packs are partly installed).
    qint64 pluginProblems() const { return missingPlugins * 1000 + partialPlugins; }
};

} // namespace pellimor
