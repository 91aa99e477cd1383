#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "Plugins/PackHealth.h"
#include "Plugins/PackSummary.h"
#include "Plugins/PluginTone.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

// A library's "Third-party plug-ins used" section as plain logic: its packs most urgent first,
// the summary line, how many rows show, and the details of an opened pack. Main thread only
// when `health` is packHealth.
namespace pellimor::PluginPanel {

using Health = std::function<PackHealth(const PackSummary& summary)>;

struct Row {
    PackSummary summary;
    PackHealth health;
};

struct Line {
    QString text;
    PluginTone tone = PluginTone::secondary;
    bool operator==(const Line&) const = default;
};

struct Content {
    // Missing, partial, unverified, then installed; within one status by pack name in the file
    // manager's order.
    QList<Row> rows;
    qsizetype problems = 0; // rows missing or partial
    // Some project's plug-ins were never read (events' own lists do not count): the section
    // then says so and nothing else.
    bool notRead = false;
};

Content content(const LibraryInfo& library, const Health& health);

QString title(); // "Third-party plug-ins used"
// What follows the title: the not-read line, the no-effects line, or the summary line (red
// with problems).
Line summary(const Content& content);
// The rows shown: all of them up to eight, or with `showAll`; the first eight otherwise.
qsizetype shownRows(qsizetype rows, bool showAll);
// The button under the rows: "Show all N" or "Show fewer"; none with eight rows or fewer.
std::optional<QString> toggleTitle(qsizetype rows, bool showAll);

// A row's line: "N proj"; its tip by whether it is open.
QString placesText(const PackSummary& summary);
QString rowTip(bool expanded);
// The opened pack's lines: its status line, "Missing m of t: …" when some are missing, "Used:
// …" and "In: …".
QList<Line> details(const Row& row);

} // namespace pellimor::PluginPanel
