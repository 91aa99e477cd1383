#pragma once

#include <QString>

namespace pellimor {

// One broken link: an item of an event's "Original Media" that points at a file which is no
// longer there. A plain value.
struct MissingFile {
    QString library;     // the library's name as shown
    QString libraryPath; // the bundle's full path
    QString drive;       // the volume that holds the library
    QString event;       // the event folder that holds the link
    QString name;        // the link's own name inside "Original Media"
    QString target;      // where the link points

    // "<libraryPath>|<event>|<name>": the key under which the user's chosen file is kept.
    QString id() const;
    // The name of the file the link pointed to, in the form the searches compare (composed,
    // lower case): the searches look for that file, not for the link's own name.
    QString wantedName() const;

    bool operator==(const MissingFile&) const = default;
};

size_t qHash(const MissingFile& file, size_t seed = 0) noexcept;

} // namespace pellimor
