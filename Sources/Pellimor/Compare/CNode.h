#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace pellimor {

// One row of the Compare table: a group of copies, or one copy under it. A plain value
// identified by `id`: "g|<group id>" for a group row, "c|<group id>|<library path>" for a
// copy row.
struct CNode {
    QString id;
    bool isGroup = false;
    QString name;    // the group's name, or the copy's drive name
    QString label;   // "In sync", "Behind", "Diverged"; "Same", "Newest", "Mixed", "Behind"
    int rank = 0;    // 0 needs attention, 1 the newest of a group behind, 2 up to date
    QString details; // the group's verdict, or the copy's path and how far behind it is
    qint64 copies = 1;
    QDateTime lastSaved;
    qint64 projects = 0;
    qint64 size = 0;
    std::optional<QString> libPath; // copy rows only
    bool online = true;             // copy rows: the copy's drive is connected
    QList<CNode> kids;              // group rows: the copy rows, in the table's order

    // Every field, the kids' included. Written out: a defaulted comparison cannot compare a
    // list of the type it is declared in.
    bool operator==(const CNode& other) const;
};

} // namespace pellimor
