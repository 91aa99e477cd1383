#pragma once

// Catalogue records of libraries for the comparison's tests: copies on drives, with projects
// that carry save dates and fingerprints, and ways to read groups back.

#include "Catalogue/Records/LibraryInfo.h"
#include "Compare/CompareGroup.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <optional>

namespace pellimor::test::compare {

// A moment all dates of a test are counted from.
inline QDateTime base() {
    return QDateTime(QDate(2025, 3, 1), QTime(12, 0), Qt::UTC);
}
inline QDateTime at(double seconds) {
    return base().addMSecs(qint64(seconds * 1000));
}

struct Project {
    QString event = QStringLiteral("Day 1");
    QString name;
    std::optional<QDateTime> saved;
    std::optional<QString> fingerprint;
};

// A saved project with a fingerprint.
inline Project project(const QString& name, double seconds, const std::optional<QString>& fp) {
    return {QStringLiteral("Day 1"), name, at(seconds), fp};
}

// A library on `drive` ("/Volumes/<drive>/<name>.fcpbundle") with `projects`, 5 MB of media
// in its first event so it is no empty shell, and `identifier` (none by default).
inline LibraryInfo library(const QString& drive, const QString& name,
                           const std::optional<QString>& identifier = std::nullopt,
                           const QList<Project>& projects = {}) {
    LibraryInfo lib;
    lib.path = QStringLiteral("/Volumes/") + drive + QLatin1Char('/') + name + QStringLiteral(".fcpbundle");
    lib.name = name;
    lib.volumeName = drive;
    lib.libraryIdentifier = identifier;
    EventInfo first;
    first.name = QStringLiteral("Day 1");
    first.originalSize = 5'000'000;
    lib.events.append(first);
    for (const Project& p : projects) {
        auto event = std::find_if(lib.events.begin(), lib.events.end(),
                                  [&](const EventInfo& e) { return e.name == p.event; });
        if (event == lib.events.end()) {
            EventInfo added;
            added.name = p.event;
            lib.events.append(added);
            event = lib.events.end() - 1;
        }
        ProjectInfo info;
        info.name = p.name;
        info.modified = p.saved;
        info.fingerprint = p.fingerprint;
        event->projects.append(info);
    }
    return lib;
}

// The drive names of a group's copies, in copy order.
inline QStringList drives(const CompareGroup& group) {
    QStringList names;
    for (const CompareGroup::Copy& copy : group.copies)
        names.append(copy.lib.volumeName);
    return names;
}

// Paths as drive names, for reading a diff's lists.
inline QStringList drivesOf(const QStringList& paths) {
    QStringList names;
    for (const QString& path : paths)
        names.append(path.section(QLatin1Char('/'), 2, 2));
    return names;
}

} // namespace pellimor::test::compare
