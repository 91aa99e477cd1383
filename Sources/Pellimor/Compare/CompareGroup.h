#pragma once

#include "Catalogue/Records/LibraryInfo.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace pellimor {

// One library found in two or more places (copies on other drives, backups, renamed copies),
// with what each copy holds of every project and the sentence the user reads about them. A
// plain value made by Comparer::build; its identity is `id`.
struct CompareGroup {
    // One copy, identified by its library's path.
    struct Copy {
        LibraryInfo lib;
        QDateTime lastSaved; // Comparer::lastSaved of `lib`
        int missing = 0;     // project keys other copies have and this one lacks
        int older = 0;       // project keys for which this copy holds an older version

        QString path() const { return lib.path; }
        int behindBy() const { return missing + older; }
        bool operator==(const Copy&) const = default;
    };

    // One project ("<event> / <project>") across the copies.
    struct Diff {
        QString key;
        QHash<QString, QDateTime> dates; // copy path → its save date, for the copies that have it
        QStringList missing;             // paths of the copies that lack it, in member order
        QStringList older;               // paths of the copies behind the winner, in member order
        QString winner;                  // path of the copy with the latest save date
        bool resaved = false;            // equal fingerprints everywhere, saves spread over more than 60 s
        bool operator==(const Diff&) const = default;
    };

    QString id;         // the library identifier, or "name:" and the lower-cased name
    QString name;       // the newest copy's library name
    QList<Copy> copies; // best first
    QList<Diff> diffs;  // by key, in code-point order
    QString verdict;
    QString newestPath;     // the first copy's path
    QSet<QString> isBehind; // paths of the copies that miss a project or hold an older one
    bool diverged = false;  // the newest copy is itself behind on some project

    // The copy at `path`, or null.
    const Copy* copy(const QString& path) const;

    bool operator==(const CompareGroup&) const = default;
};

} // namespace pellimor
