#include "Shell/Views/MainTables.h"

#include "Catalogue/Records/Fmt.h"
#include "Shell/SortKey.h"
#include "Support/ByteCount.h"

namespace pellimor::MainTables {

namespace {

using Column = RowTableModel::Column;

template <typename Field> Column text(const QString& title, Field field) {
    return Column{title, false, static_cast<int>(field)};
}
template <typename Field> Column number(const QString& title, Field field) {
    return Column{title, true, static_cast<int>(field)};
}
Column plainText(const QString& title) {
    return Column{title, false, std::nullopt};
}
Column plainNumber(const QString& title) {
    return Column{title, true, std::nullopt};
}

QString dateTitle(bool created) {
    return created ? QStringLiteral("Created") : QStringLiteral("Modified");
}

QString count(qint64 n) {
    return QString::number(n);
}

QString bytes(qint64 n) {
    return ByteCount::file(n);
}

QString plugins(const LibraryRow& row) {
    QStringList parts;
    if (row.missingPlugins > 0)
        parts.append(QStringLiteral("%1 missing").arg(row.missingPlugins));
    if (row.partialPlugins > 0)
        parts.append(QStringLiteral("%1 partial").arg(row.partialPlugins));
    return parts.join(QStringLiteral(", "));
}

QString update(qint64 update) {
    if (update == 1)
        return QStringLiteral("Needs update");
    if (update == 2)
        return QStringLiteral("Newer than Final Cut Pro");
    return {};
}

} // namespace

Table libraries(const QList<LibraryRow>& rows, bool created, bool searching) {
    using F = LibraryField;
    Table table;
    table.columns = {text(QStringLiteral("Library"), F::name),
                     text(QStringLiteral("Drive"), F::drive),
                     number(QStringLiteral("Size"), F::size),
                     number(QStringLiteral("Events"), F::events),
                     number(QStringLiteral("Projects"), F::projects),
                     number(QStringLiteral("Media Files"), F::mediaFiles),
                     number(QStringLiteral("Reclaimable"), F::reclaimable),
                     number(dateTitle(created), F::modified),
                     text(QStringLiteral("FCP"), F::fcp),
                     plainNumber(QStringLiteral("Copies")),
                     number(QStringLiteral("Missing Files"), F::brokenLinks),
                     text(QStringLiteral("Plug-ins"), F::pluginProblems),
                     plainText(QStringLiteral("Update"))};
    if (searching)
        table.columns.append(plainText(QStringLiteral("Matched")));
    table.columns.append(plainText(QStringLiteral("Path")));
    for (const LibraryRow& row : rows) {
        QStringList cells{row.name,
                          row.drive,
                          bytes(row.size),
                          count(row.events),
                          count(row.projects),
                          count(row.mediaFiles),
                          bytes(row.reclaimable),
                          Fmt::dateOrDash(row.modified),
                          row.fcp,
                          count(row.copies),
                          count(row.brokenLinks),
                          plugins(row),
                          update(row.update)};
        if (searching)
            cells.append(row.matched);
        cells.append(row.path);
        table.rows.append({row.id, cells, row.online});
    }
    return table;
}

Table events(const QList<EventRow>& rows, bool created, bool searching) {
    using F = EventField;
    Table table;
    table.columns = {text(QStringLiteral("Event"), F::event),
                     text(QStringLiteral("Library"), F::library),
                     text(QStringLiteral("Drive"), F::drive),
                     number(QStringLiteral("Size"), F::size),
                     number(QStringLiteral("Original"), F::original),
                     number(QStringLiteral("Reclaimable"), F::reclaimable),
                     number(QStringLiteral("Media Files"), F::mediaFiles),
                     number(QStringLiteral("Projects"), F::projects),
                     number(dateTitle(created), F::modified)};
    if (searching)
        table.columns.append(plainText(QStringLiteral("Matched")));
    for (const EventRow& row : rows) {
        QStringList cells{row.event,
                          row.library,
                          row.drive,
                          bytes(row.size),
                          bytes(row.original),
                          bytes(row.reclaimable),
                          count(row.mediaFiles),
                          count(row.projects),
                          Fmt::dateOrDash(row.modified)};
        if (searching)
            cells.append(row.matched);
        table.rows.append({row.id, cells, row.online});
    }
    return table;
}

Table projects(const QList<ProjectRow>& rows, bool created, bool searching) {
    using F = ProjectField;
    Table table;
    table.columns = {text(QStringLiteral("Project"), F::project),
                     text(QStringLiteral("Event"), F::event),
                     text(QStringLiteral("Library"), F::library),
                     text(QStringLiteral("Drive"), F::drive),
                     number(QStringLiteral("Length"), F::duration),
                     text(QStringLiteral("Format"), F::format),
                     number(dateTitle(created), F::modified),
                     number(QStringLiteral("Event Size"), F::eventSize),
                     number(QStringLiteral("Library Size"), F::librarySize),
                     plainNumber(QStringLiteral("Clips"))};
    if (searching)
        table.columns.append(plainText(QStringLiteral("Matched")));
    for (const ProjectRow& row : rows) {
        QStringList cells{row.project,
                          row.event,
                          row.library,
                          row.drive,
                          Fmt::duration(row.duration),
                          row.format,
                          Fmt::dateOrDash(row.modified),
                          bytes(row.eventSize),
                          bytes(row.librarySize),
                          count(row.clips)};
        if (searching)
            cells.append(row.matched);
        table.rows.append({row.id, cells, row.online});
    }
    return table;
}

Table media(const QList<MediaRow>& rows) {
    using F = MediaField;
    Table table;
    table.columns = {text(QStringLiteral("File"), F::file),       text(QStringLiteral("Event"), F::event),
                     text(QStringLiteral("Library"), F::library), text(QStringLiteral("Drive"), F::drive),
                     number(QStringLiteral("Size"), F::size),     text(QStringLiteral("Kind"), F::ext)};
    for (const MediaRow& row : rows) {
        table.rows.append(
            {row.id, {row.file, row.event, row.library, row.drive, bytes(row.size), row.ext}, row.online});
    }
    return table;
}

} // namespace pellimor::MainTables
