#include "Shell/MainTableWidths.h"

#include "App/AppSettings.h"
#include "App/Appearance.h"
#include "App/ColumnWidths.h"
#include "Browser/BrowserColumn.h"
#include "Catalogue/Records/Fmt.h"
#include "Shell/MainTables.h"
#include "Shell/TableCell.h"

#include <QStringList>

namespace pellimor::MainTableWidths {

namespace {

constexpr double kTextPoints = 13;
constexpr double kLibraryAllowance = 35; // the star and the dot before a library's name
constexpr double kNameAllowance = 13;    // the dot before any other name
constexpr double kNumberAllowance = 2;
constexpr double kBadgeGap = 6; // between the badges after a name
constexpr double kPillGap = 4;  // between the pills of a badge column

// What a call measures with: the scale in force now, and the date column's title.
struct Measure {
    ColumnWidths widths;
    QString dateTitle;

    explicit Measure(const TextMeasurer& measurer)
        : widths(Appearance::fontScale(AppSettings::comfortable()), measurer),
          dateTitle(BrowserColumn::dateTitle(AppSettings::dateMode())) {}

    double text(const QStringList& texts) const { return widths.measure(texts, kTextPoints); }

    void plain(QHash<QString, double>& table, const QString& key, const QStringList& texts) const {
        if (const double width = text(texts); width > 0)
            table.insert(key, width);
    }
    void number(QHash<QString, double>& table, const QString& key, const QStringList& texts) const {
        table.insert(key, text(texts) + kNumberAllowance);
    }
    void badges(QHash<QString, double>& table, const QString& key, const QList<QStringList>& rows) const {
        table.insert(key, widths.pills(rows, kPillGap));
    }
    void name(QHash<QString, double>& table, const QString& key, const QStringList& names, double allowance,
              const QList<QStringList>& badgeRows) const {
        table.insert(key, text(names) + allowance + widths.pills(badgeRows, kBadgeGap));
    }
};

QStringList matchLabels(const QString& matched) {
    return BrowserCells::labels(MainTables::matchBadges(matched));
}

} // namespace

QHash<QString, double> libraryWidths(const QList<LibraryRow>& rows, const QString& installed,
                                     const TextMeasurer& measurer) {
    const Measure m(measurer);
    QStringList names, drives, sizes, events, projects, mediaFiles, reclaimable, dates, versions;
    QList<QStringList> badges, missingFiles, plugins;
    for (const LibraryRow& row : rows) {
        names.append(row.name);
        badges.append(BrowserCells::labels(MainTables::libraryBadges(row)));
        drives.append(row.drive);
        missingFiles.append(BrowserCells::labels(BrowserCells::missingFilesPills(row.brokenLinks)));
        plugins.append(
            BrowserCells::labels(BrowserCells::pluginPills(row.missingPlugins, row.partialPlugins)));
        sizes.append(TableCell::bytesText(row.size));
        events.append(TableCell::countText(row.events));
        projects.append(TableCell::countText(row.projects));
        mediaFiles.append(TableCell::countText(row.mediaFiles));
        reclaimable.append(TableCell::bytesText(row.reclaimable));
        dates.append(TableCell::dateText(row.modified));
        versions.append(MainTables::versionCell(row, installed).text);
    }
    QHash<QString, double> table;
    m.name(table, QStringLiteral("Library"), names, kLibraryAllowance, badges);
    m.plain(table, QStringLiteral("Drive"), drives);
    m.badges(table, QStringLiteral("Files missing"), missingFiles);
    m.badges(table, QStringLiteral("Plug-ins missing"), plugins);
    m.number(table, QStringLiteral("Size"), sizes);
    m.number(table, QStringLiteral("Events"), events);
    m.number(table, QStringLiteral("Projects"), projects);
    m.number(table, QStringLiteral("Media files"), mediaFiles);
    m.number(table, QStringLiteral("Reclaimable"), reclaimable);
    m.plain(table, m.dateTitle, dates);
    m.number(table, QStringLiteral("FCP version"), versions);
    return table;
}

QHash<QString, double> eventWidths(const QList<EventRow>& rows, const TextMeasurer& measurer) {
    const Measure m(measurer);
    QStringList names, libraries, drives, dates, sizes, originals, reclaimable, files, projects;
    QList<QStringList> badges;
    for (const EventRow& row : rows) {
        names.append(row.event);
        badges.append(matchLabels(row.matched));
        libraries.append(row.library);
        drives.append(row.drive);
        dates.append(TableCell::dateText(row.modified));
        sizes.append(TableCell::bytesText(row.size));
        originals.append(TableCell::bytesText(row.original));
        reclaimable.append(TableCell::bytesText(row.reclaimable));
        files.append(TableCell::countText(row.mediaFiles));
        projects.append(TableCell::countText(row.projects));
    }
    QHash<QString, double> table;
    m.name(table, QStringLiteral("Event"), names, kNameAllowance, badges);
    m.plain(table, QStringLiteral("Library"), libraries);
    m.plain(table, QStringLiteral("Drive"), drives);
    m.plain(table, m.dateTitle, dates);
    m.number(table, QStringLiteral("Size"), sizes);
    m.number(table, QStringLiteral("Original"), originals);
    m.number(table, QStringLiteral("Reclaimable"), reclaimable);
    m.number(table, QStringLiteral("Files"), files);
    m.number(table, QStringLiteral("Projects"), projects);
    return table;
}

QHash<QString, double> projectWidths(const QList<ProjectRow>& rows, const TextMeasurer& measurer) {
    const Measure m(measurer);
    QStringList names, events, libraries, drives, lengths, formats, dates, eventSizes, librarySizes;
    QList<QStringList> badges;
    for (const ProjectRow& row : rows) {
        names.append(row.project);
        badges.append(matchLabels(row.matched));
        events.append(row.event);
        libraries.append(row.library);
        drives.append(row.drive);
        lengths.append(Fmt::duration(row.duration));
        formats.append(row.format);
        dates.append(TableCell::dateText(row.modified));
        eventSizes.append(TableCell::bytesText(row.eventSize));
        librarySizes.append(TableCell::bytesText(row.librarySize));
    }
    QHash<QString, double> table;
    m.name(table, QStringLiteral("Project"), names, kNameAllowance, badges);
    m.plain(table, QStringLiteral("Event"), events);
    m.plain(table, QStringLiteral("Library"), libraries);
    m.plain(table, QStringLiteral("Drive"), drives);
    m.number(table, QStringLiteral("Length"), lengths);
    m.plain(table, QStringLiteral("Format"), formats);
    m.plain(table, m.dateTitle, dates);
    m.number(table, QStringLiteral("Event size"), eventSizes);
    m.number(table, QStringLiteral("Library size"), librarySizes);
    return table;
}

QHash<QString, double> mediaWidths(const QList<MediaRow>& rows, const TextMeasurer& measurer) {
    const Measure m(measurer);
    QStringList files, events, libraries, drives, sizes, types;
    for (const MediaRow& row : rows) {
        files.append(row.file);
        events.append(row.event);
        libraries.append(row.library);
        drives.append(row.drive);
        sizes.append(TableCell::bytesText(row.size));
        types.append(row.ext.toUpper());
    }
    QHash<QString, double> table;
    m.name(table, QStringLiteral("File"), files, kNameAllowance, {});
    m.plain(table, QStringLiteral("Event"), events);
    m.plain(table, QStringLiteral("Library"), libraries);
    m.plain(table, QStringLiteral("Drive"), drives);
    m.number(table, QStringLiteral("Size"), sizes);
    m.plain(table, QStringLiteral("Type"), types);
    return table;
}

} // namespace pellimor::MainTableWidths
