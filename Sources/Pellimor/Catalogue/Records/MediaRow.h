#pragma once

#include <QString>

namespace pellimor {

// One row of the Media Files table, made from an entry of the catalogue's published media
// list each time the table is drawn. A plain value without equality: `id` tells rows apart.
struct MediaRow {
    QString id;        // the entry's position in the published media list, in decimal digits
    QString libraryID; // the library's path
    QString file;      // the media file's name
    QString event;     // the event's name
    QString library;   // the library's name
    QString drive;     // the library's volume name
    bool online = false;
    qint64 size = 0; // the file's size in bytes
    QString ext;     // the file name's extension in lower case, empty when it has none
};

} // namespace pellimor
