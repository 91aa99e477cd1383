#pragma once

#include <QList>
#include <QMap>
#include <QString>

namespace pellimor {

// Keywords, marker names and share tags of one event or project database.
struct TagData {
    QMap<QString, qint64> keywords; // in first-seen spelling → uses
    QList<QString> markerNames;     // ascending by code points
    QList<QString> metaTags;        // localized, case-insensitive order
};

} // namespace pellimor
