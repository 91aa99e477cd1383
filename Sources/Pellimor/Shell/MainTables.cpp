#include "Shell/MainTables.h"

#include "Browser/BrowserColumn.h"
#include "Shell/SortKey.h"

#include <QLocale>

namespace pellimor::MainTables {

namespace {

using Kind = TableCell::Kind;
using Align = TableColumn::Align;

template <typename Field>
TableColumn column(const QString& title, Field field, Kind kind, double minimum, double ideal,
                   std::optional<double> maximum = std::nullopt, Align align = Align::leading) {
    return TableColumn{title, static_cast<int>(field), kind, minimum, ideal, maximum, align};
}

TableCell text(Kind kind, const QString& value) {
    TableCell cell;
    cell.kind = kind;
    cell.text = value;
    return cell;
}

TableCell number(Kind kind, qint64 value) {
    TableCell cell;
    cell.kind = kind;
    cell.number = value;
    return cell;
}

TableCell date(const QDateTime& value) {
    TableCell cell;
    cell.kind = Kind::date;
    cell.date = value;
    return cell;
}

TableCell name(const QString& value, QList<BrowserCells::Pill> badges, bool star = false) {
    TableCell cell = text(Kind::name, value);
    cell.pills = std::move(badges);
    cell.star = star;
    return cell;
}

TableCell pills(QList<BrowserCells::Pill> list) {
    TableCell cell;
    cell.kind = Kind::pills;
    cell.pills = std::move(list);
    return cell;
}

QString title(const char* text) {
    return QString::fromUtf8(text);
}

} // namespace

QList<TableColumn> libraryColumns(const QString& dateMode) {
    using F = LibraryField;
    return {
        column(title("Library"), F::name, Kind::name, 160, 240),
        column(title("Drive"), F::drive, Kind::highlighted, 70, 100),
        column(title("Files missing"), F::brokenLinks, Kind::pills, 60, 95, 200),
        column(title("Plug-ins missing"), F::pluginProblems, Kind::pills, 70, 120, 260),
        column(title("Size"), F::size, Kind::bytes, 56, 80, 320, Align::numeric),
        column(title("Events"), F::events, Kind::count, 35, 50, 200, Align::numeric),
        column(title("Projects"), F::projects, Kind::count, 42, 60, 240, Align::numeric),
        column(title("Media files"), F::mediaFiles, Kind::count, 52, 75, 300, Align::numeric),
        column(title("Reclaimable"), F::reclaimable, Kind::bytes, 56, 80, 320, Align::numeric),
        column(BrowserColumn::dateTitle(dateMode), F::modified, Kind::date, 62, 90, 360),
        column(title("FCP version"), F::fcp, Kind::version, 90, 130, 200, Align::trailing),
    };
}

QList<TableColumn> eventColumns(const QString& dateMode) {
    using F = EventField;
    return {
        column(title("Event"), F::event, Kind::name, 140, 220),
        column(title("Library"), F::library, Kind::highlighted, 100, 180),
        column(title("Drive"), F::drive, Kind::highlighted, 70, 100),
        column(BrowserColumn::dateTitle(dateMode), F::modified, Kind::date, 62, 90, 360),
        column(title("Size"), F::size, Kind::bytes, 56, 80, 320, Align::numeric),
        column(title("Original"), F::original, Kind::bytes, 56, 80, 320, Align::numeric),
        column(title("Reclaimable"), F::reclaimable, Kind::bytes, 56, 80, 320, Align::numeric),
        column(title("Files"), F::mediaFiles, Kind::count, 38, 55, 220, Align::numeric),
        column(title("Projects"), F::projects, Kind::count, 42, 60, 240, Align::numeric),
    };
}

QList<TableColumn> projectColumns(const QString& dateMode) {
    using F = ProjectField;
    return {
        column(title("Project"), F::project, Kind::name, 140, 220),
        column(title("Event"), F::event, Kind::highlighted, 90, 150),
        column(title("Library"), F::library, Kind::highlighted, 100, 170),
        column(title("Drive"), F::drive, Kind::highlighted, 70, 100),
        column(title("Length"), F::duration, Kind::duration, 42, 60, 240, Align::numeric),
        column(title("Format"), F::format, Kind::plain, 90, 120),
        column(BrowserColumn::dateTitle(dateMode), F::modified, Kind::date, 62, 90, 360),
        column(title("Event size"), F::eventSize, Kind::bytes, 56, 80, 320, Align::numeric),
        column(title("Library size"), F::librarySize, Kind::bytes, 59, 85, 340, Align::numeric),
    };
}

QList<TableColumn> mediaColumns() {
    using F = MediaField;
    return {
        column(title("File"), F::file, Kind::name, 160, 260),
        column(title("Event"), F::event, Kind::highlighted, 90, 150),
        column(title("Library"), F::library, Kind::highlighted, 100, 170),
        column(title("Drive"), F::drive, Kind::highlighted, 70, 100),
        column(title("Size"), F::size, Kind::bytes, 56, 80, 320, Align::numeric),
        column(title("Type"), F::ext, Kind::plain, 35, 50, 200, Align::trailing),
    };
}

QList<BrowserCells::Pill> matchBadges(const QString& matched) {
    if (matched.isEmpty())
        return {};
    return BrowserCells::reasonPills(QStringList{matched});
}

QList<BrowserCells::Pill> libraryBadges(const LibraryRow& row) {
    QList<BrowserCells::Pill> badges;
    if (row.copies >= 2)
        badges.append({QStringLiteral("×") + QString::number(row.copies), CellTone::orange, QString()});
    if (row.update == 1)
        badges.append({QStringLiteral("needs FCP update"), CellTone::blue, QString()});
    else if (row.update == 2)
        badges.append({QStringLiteral("newer than your FCP"), CellTone::red, QString()});
    badges.append(matchBadges(row.matched));
    return badges;
}

VersionCell versionCell(const LibraryRow& row, const QString& installed) {
    const QString version = row.fcp == QStringLiteral("—") ? QString() : row.fcp;
    Catalog::UpdateStatus status = Catalog::UpdateStatus::current;
    if (installed.isEmpty())
        status = Catalog::UpdateStatus::unknown;
    else if (row.update == 1)
        status = Catalog::UpdateStatus::needsUpdate;
    else if (row.update == 2)
        status = Catalog::UpdateStatus::tooNew;
    return VersionCell::of(version, installed, status);
}

Table libraries(const QList<LibraryRow>& rows, const QString& dateMode, const QString& installed) {
    Table table;
    table.columns = libraryColumns(dateMode);
    table.rows.reserve(rows.size());
    for (const LibraryRow& row : rows) {
        const VersionCell version = versionCell(row, installed);
        TableCell versionText = text(Kind::version, version.text);
        versionText.tone = version.tone;
        versionText.tip = version.tip;
        table.rows.append({row.id,
                           {name(row.name, libraryBadges(row), true), text(Kind::highlighted, row.drive),
                            pills(BrowserCells::missingFilesPills(row.brokenLinks)),
                            pills(BrowserCells::pluginPills(row.missingPlugins, row.partialPlugins)),
                            number(Kind::bytes, row.size), number(Kind::count, row.events),
                            number(Kind::count, row.projects), number(Kind::count, row.mediaFiles),
                            number(Kind::bytes, row.reclaimable), date(row.modified), versionText},
                           row.online});
    }
    return table;
}

Table events(const QList<EventRow>& rows, const QString& dateMode) {
    Table table;
    table.columns = eventColumns(dateMode);
    table.rows.reserve(rows.size());
    for (const EventRow& row : rows) {
        table.rows.append(
            {row.id,
             {name(row.event, matchBadges(row.matched)), text(Kind::highlighted, row.library),
              text(Kind::highlighted, row.drive), date(row.modified), number(Kind::bytes, row.size),
              number(Kind::bytes, row.original), number(Kind::bytes, row.reclaimable),
              number(Kind::count, row.mediaFiles), number(Kind::count, row.projects)},
             row.online});
    }
    return table;
}

Table projects(const QList<ProjectRow>& rows, const QString& dateMode) {
    Table table;
    table.columns = projectColumns(dateMode);
    table.rows.reserve(rows.size());
    for (const ProjectRow& row : rows) {
        TableCell length;
        length.kind = Kind::duration;
        length.seconds = row.duration;
        table.rows.append({row.id,
                           {name(row.project, matchBadges(row.matched)), text(Kind::highlighted, row.event),
                            text(Kind::highlighted, row.library), text(Kind::highlighted, row.drive), length,
                            text(Kind::plain, row.format), date(row.modified),
                            number(Kind::bytes, row.eventSize), number(Kind::bytes, row.librarySize)},
                           row.online});
    }
    return table;
}

Table media(const QList<MediaRow>& rows) {
    Table table;
    table.columns = mediaColumns();
    table.rows.reserve(rows.size());
    for (const MediaRow& row : rows) {
        table.rows.append({row.id,
                           {name(row.file, {}), text(Kind::highlighted, row.event),
                            text(Kind::highlighted, row.library), text(Kind::highlighted, row.drive),
                            number(Kind::bytes, row.size), text(Kind::plain, row.ext.toUpper())},
                           row.online});
    }
    return table;
}

bool showsMediaPlaceholder(const QString& search) {
    return search.trimmed().isEmpty();
}

QString indexedMediaText(qint64 count) {
    return QLocale().toString(count) + QStringLiteral(" media files are indexed.");
}

} // namespace pellimor::MainTables
