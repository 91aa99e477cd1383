#include "Shell/CSVExport.h"

#include "Browser/SearchQuery.h"
#include "Catalogue/Records/Fmt.h"
#include "Shell/SidebarFilter.h"
#include "Shell/TableRows.h"
#include "Shell/WindowSettings.h"
#include "Shell/WindowState.h"

#include <QStringList>

namespace pellimor::CSVExport {

namespace {

// 2^63: the first double above every qint64.
constexpr double kInt64End = 9223372036854775808.0;

QString text(const QString& value) {
    QString quoted = value;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString number(qint64 value) {
    return QString::number(value);
}

QString date(const QDateTime& value) {
    return text(Fmt::dateOrDash(value));
}

QString yesNo(bool value) {
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}

// Converting a double outside qint64 (or not a number) is undefined, so such a length is
// left out rather than written as whatever the conversion happens to give.
QString wholeSeconds(double seconds) {
    if (!(seconds >= -kInt64End && seconds < kInt64End))
        return QString();
    return number(static_cast<qint64>(seconds));
}

QByteArray joined(QStringList lines) {
    return lines.join(u'\n').toUtf8();
}

} // namespace

std::optional<QString> fileName(Mode mode) {
    switch (mode) {
    case Mode::libraries:
        return QStringLiteral("fcp-libraries.csv");
    case Mode::projects:
        return QStringLiteral("fcp-projects.csv");
    default:
        return std::nullopt;
    }
}

QString otherTabStatus() {
    return QStringLiteral("Export CSV works on the Libraries and Projects tabs.");
}

QByteArray libraries(const QList<LibraryRow>& rows) {
    QStringList lines{QStringLiteral("Library,Drive,Path,Size bytes,Events,Projects,Media files,"
                                     "Reclaimable bytes,Modified,FCP version,Online")};
    for (const LibraryRow& row : rows) {
        lines.append(QStringList{text(row.name), text(row.drive), text(row.path), number(row.size),
                                 number(row.events), number(row.projects), number(row.mediaFiles),
                                 number(row.reclaimable), date(row.modified), text(row.fcp),
                                 yesNo(row.online)}
                         .join(u','));
    }
    return joined(std::move(lines));
}

QByteArray projects(const QList<ProjectRow>& rows) {
    QStringList lines{QStringLiteral("Project,Event,Library,Drive,Path,Length seconds,Format,Modified,"
                                     "Event size bytes,Library size bytes")};
    for (const ProjectRow& row : rows) {
        lines.append(QStringList{text(row.project), text(row.event), text(row.library), text(row.drive),
                                 text(row.path), wholeSeconds(row.duration), text(row.format),
                                 date(row.modified), number(row.eventSize), number(row.librarySize)}
                         .join(u','));
    }
    return joined(std::move(lines));
}

std::optional<QByteArray> tab(Catalog& catalog, const WindowState& state) {
    if (state.mode != Mode::libraries && state.mode != Mode::projects)
        return std::nullopt;
    // The inputs the window's table is built from, so the file holds what the table shows.
    const TableRows::RowInputs in{SidebarFilter::visibleLibraries(catalog, state.sidebar),
                                  SearchQuery(state.appliedSearch), state.searchResult,
                                  WindowSettings::read().dateMode};
    if (state.mode == Mode::libraries)
        return libraries(TableRows::libraryRows(catalog, in, state.librarySort));
    return projects(TableRows::projectRows(catalog, in, state.projectSort));
}

} // namespace pellimor::CSVExport
