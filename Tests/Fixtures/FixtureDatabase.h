#pragma once

#include "Tests/Fixtures/CollectionRow.h"

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace pellimor::fixtures {

// A library, event or project database as a test wants it: the rows of
//   ZCOLLECTION(Z_PK INTEGER PRIMARY KEY, ZTYPE VARCHAR, ZIDENTIFIER VARCHAR)
//   ZCOLLECTIONMD(Z_PK INTEGER PRIMARY KEY, ZCOLLECTION INTEGER, ZDICTIONARYDATA BLOB)
// written through the SQLite C API (keys are given in row order, from 1), or a deliberately
// broken file.
struct FixtureDatabase {
    enum class Damage {
        None,
        Missing,   // no file at all
        NotSQLite, // a file of other bytes (`garbage`, or a line of text)
        Empty,     // a file of 0 bytes (SQLite opens it as a database without tables)
        NoTables,  // a valid SQLite database with another table only
        Truncated, // the written database cut inside its first page: the header survives, the schema not
    };

    std::vector<CollectionRow> rows;
    Damage damage = Damage::None;
    QByteArray garbage;
    std::optional<QDateTime> modified; // the file's modification time

    FixtureDatabase& add(const CollectionRow& row) {
        rows.push_back(row);
        return *this;
    }

    // Writes the database to `path`, replacing a file that is there; throws std::runtime_error
    // when it cannot. Sets `modified` when given.
    void write(const QString& path) const;
};

} // namespace pellimor::fixtures
