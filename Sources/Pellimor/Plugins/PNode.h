#pragma once

#include "Plugins/PluginStatus.h"

#include <QList>
#include <QString>
#include <optional>

namespace pellimor {

// One row of the Plug-ins table: a pack across the listed libraries, or that pack in one
// library under it. A plain value identified by `id`: kind + "|" + pack name for a pack row,
// that + "|" + the library's path for a library row (unique: a library has one summary per
// kind and pack).
struct PNode {
    QString id;
    bool isPack = false;
    QString name;                                  // the pack's name, or the library's
    QString kind;                                  // the pack's kind, or the library's drive
    PluginStatus status = PluginStatus::installed; // worst over the libraries, or this library's
    qint64 libraries = 1;
    qint64 projects = 0; // place labels
    qint64 uses = 0;
    QString details;                // missing or used items, or the places the pack is used in
    std::optional<QString> libPath; // library rows only
    bool online = true;             // library rows: the library's drive is connected
    QList<PNode> kids;              // pack rows: the library rows, in the table's order

    // The status's place in every plug-in list, most urgent first (statusRank).
    int rank() const { return statusRank(status); }

    // Every field, the kids' included. Written out: a defaulted comparison cannot compare a
    // list of the type it is declared in.
    bool operator==(const PNode& other) const;
};

} // namespace pellimor
