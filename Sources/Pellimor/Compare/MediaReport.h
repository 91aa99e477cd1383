#pragma once

#include <QHash>
#include <QString>

namespace pellimor::Comparer {

// The original media of one group's copies compared by event, file name and size.
struct MediaReport {
    bool identical = true;       // no copy lacks a file another copy has
    int total = 0;               // distinct files over all copies
    QHash<QString, int> missing; // copy path → files some other copy has and it lacks (above 0 only)
    QHash<QString, int> extra;   // copy path → files no other copy has (above 0 only)
    bool operator==(const MediaReport&) const = default;
};

} // namespace pellimor::Comparer
