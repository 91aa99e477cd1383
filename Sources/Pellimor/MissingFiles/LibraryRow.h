#pragma once

#include <QHash>
#include <QString>

namespace pellimor::MissingFiles {

// What the catalogue search needs to know of one catalogued library.
struct LibraryRow {
    QString name;
    QString drive;       // the volume's name, for the lead text
    bool online = false; // the drive is connected, so its files can be checked

    bool operator==(const LibraryRow&) const = default;
};

// Library path → its row.
using LibraryTable = QHash<QString, LibraryRow>;

} // namespace pellimor::MissingFiles
