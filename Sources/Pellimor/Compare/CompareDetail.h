#pragma once

#include "Compare/CompareTone.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace pellimor {

// What the detail panel below the Compare table shows for one group, as texts with their
// symbols and colours; the panel lays them out (CompareTexts::detail makes it).
struct CompareDetail {
    // The original-media part: nothing, one green line, or an orange heading with one line per
    // copy that differs.
    struct Media {
        bool shown = false;
        QString symbol;
        QString heading;
        CompareTone tone = CompareTone::secondary;
        bool bold = false;
        QStringList lines; // under the heading, indented
        bool operator==(const Media&) const = default;
    };

    // One project row: its key at the leading edge, what differs at the trailing edge.
    struct DiffRow {
        QString key;
        QString parts; // joined by " · "
        CompareTone tone = CompareTone::secondary;
        bool operator==(const DiffRow&) const = default;
    };

    QString symbol; // before the name: a warning when some copy is behind, else a check mark
    CompareTone symbolTone = CompareTone::green;
    QString name;
    QString verdict;
    Media media;
    bool listsProjects = false; // a divider and "Projects that differ" above `rows`
    QList<DiffRow> rows;
    QString note; // in place of the list when no project differs; may be empty

    bool operator==(const CompareDetail&) const = default;
};

} // namespace pellimor
