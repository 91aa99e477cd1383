#pragma once

#include "Catalogue/Records/LibraryInfo.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

namespace pellimor {

// One plug-in pack a library uses: every use of one kind and pack name, wherever in the
// library. A plain value, computed afresh on each call (packSummaries).
struct PackSummary {
    QString kind;                    // as in PluginUse::kind
    QString pack;                    // as in PluginUse::pack
    QHash<QString, qint64> items;    // item name -> its uses, summed
    QSet<QString> ids;               // the distinct plug-in identifiers used
    QHash<QString, QString> idNames; // identifier -> item name (the last use's)
    // Where the pack is used: "EVENT / clips in the event" for an event's own clips,
    // "EVENT / PROJECT" for a project.
    QSet<QString> projects;

    // kind + "|" + pack: the pack's identity within its library.
    QString id() const;
    // The sum of every item's uses (it stops at the largest count rather than overflow).
    qint64 uses() const;

    bool operator==(const PackSummary&) const = default;
};

// The library's packs, in no defined order (every caller sorts). Use lists never read count as
// empty.
QList<PackSummary> packSummaries(const LibraryInfo& library);

} // namespace pellimor
