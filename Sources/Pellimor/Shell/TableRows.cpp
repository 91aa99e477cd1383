#include "Shell/TableRows.h"

#include "Catalogue/Records/RowDate.h"
#include "Catalogue/Records/RowLibrary.h"
#include "Catalogue/Store/Catalog.h"
#include "Shell/SidebarFilter.h"
#include "Support/PathText.h"
#include "Support/TextCompare.h"

#include <QSet>
#include <algorithm>
#include <limits>

namespace pellimor::TableRows {

namespace {

const QString kDash = QStringLiteral("—");
const QString kSeparator = QStringLiteral(", ");

const SearchResult::Library* libraryResult(const RowInputs& in, const QString& path) {
    const auto it = in.result.libraries.constFind(path);
    return it == in.result.libraries.cend() ? nullptr : &it.value();
}

// The areas of a project's hits, each once, in the plain text order of their raw values.
QString projectHitWords(const QList<SearchHit>& hits) {
    QSet<SearchArea> seen;
    QList<SearchArea> areas;
    for (const SearchHit& hit : hits) {
        if (!seen.contains(hit.area)) {
            seen.insert(hit.area);
            areas.append(hit.area);
        }
    }
    std::sort(areas.begin(), areas.end(),
              [](SearchArea a, SearchArea b) { return rawValue(a) < rawValue(b); });
    QStringList words;
    for (const SearchArea area : std::as_const(areas))
        words.append(area == SearchArea::projectName ? QStringLiteral("project name") : noun(area).one);
    return words.join(kSeparator);
}

bool hasEventNameHit(const SearchResult::Event& event) {
    return std::any_of(event.hits.cbegin(), event.hits.cend(),
                       [](const SearchHit& hit) { return hit.area == SearchArea::eventName; });
}

int compare(qint64 a, qint64 b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}
int compare(double a, double b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}
int compare(const QDateTime& a, const QDateTime& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}
int compare(const QString& a, const QString& b) {
    return TextCompare::localizedStandard(a, b);
}

template <typename Row, typename Field, typename CompareField>
void stableSort(QList<Row>& rows, const SortOrder<Field>& sort, CompareField compareField) {
    if (sort.isEmpty() || rows.size() < 2)
        return;
    std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
        for (const SortKey<Field>& key : sort) {
            const int c = compareField(a, b, key.field);
            if (c != 0)
                return key.ascending ? c < 0 : c > 0;
        }
        return false;
    });
}

// A decimal integer with an optional sign and nothing else; none when it does not fit.
std::optional<qint64> decimal(const QString& text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        if (value > (std::numeric_limits<qint64>::max() - (c - u'0')) / 10)
            return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    return negative ? -value : value;
}

// The library whose path starts `id` (followed by "|" or the end) — see library().
const LibraryInfo* resolve(const QString& id, Mode mode, const Catalog& catalog) {
    using RowLibrary::Remainder;
    const Remainder remainder = mode == Mode::events     ? Remainder::eventName
                                : mode == Mode::projects ? Remainder::eventAndProject
                                                         : Remainder::anything;
    return RowLibrary::find(catalog.libraries(), id, remainder);
}

const LibraryInfo* libraryAt(const Catalog& catalog, const QString& path) {
    for (const LibraryInfo& library : catalog.libraries()) {
        if (library.path == path)
            return &library;
    }
    return nullptr;
}

} // namespace

QDateTime distantPast() {
    return RowDate::distantPast();
}

QDateTime pick(const std::optional<QDateTime>& created, const std::optional<QDateTime>& modified,
               const QString& dateMode) {
    return RowDate::pick(created, modified, dateMode);
}

qint64 copies(const LibraryInfo& library, const QHash<QString, qint64>& counts) {
    if (!library.libraryIdentifier)
        return 1;
    return counts.value(*library.libraryIdentifier, 1);
}

QList<LibraryRow> libraryRows(Catalog& catalog, const RowInputs& in, const SortOrder<LibraryField>& sort) {
    const bool active = in.query.isActive();
    const QHash<QString, qint64> counts = SidebarFilter::copyCounts(catalog);
    QList<LibraryRow> rows;
    for (const LibraryInfo& library : in.visible) {
        const SearchResult::Library* result = libraryResult(in, library.path);
        if (active && !result)
            continue;
        LibraryRow row;
        row.id = library.path;
        row.name = library.name;
        row.drive = library.volumeName;
        row.online = catalog.isOnline(library);
        row.size = library.totalSize();
        row.events = library.events.size();
        row.projects = library.projectCount();
        for (const EventInfo& event : library.events) {
            row.mediaFiles += event.mediaFileCount;
            row.brokenLinks += event.brokenLinkCount;
        }
        row.reclaimable = library.clearableSize();
        row.modified = pick(library.created, library.modified, in.dateMode);
        row.fcp = library.fcpVersion.value_or(kDash);
        row.copies = copies(library, counts);
        switch (catalog.updateStatus(library)) {
        case Catalog::UpdateStatus::needsUpdate:
            row.update = 1;
            break;
        case Catalog::UpdateStatus::tooNew:
            row.update = 2;
            break;
        default:
            row.update = 0;
            break;
        }
        row.path = library.path;
        row.matched = result ? result->reasons().join(kSeparator) : QString();
        const Catalog::PluginStats stats = catalog.pluginStats(library);
        row.missingPlugins = stats.missing;
        row.partialPlugins = stats.partial;
        rows.append(std::move(row));
    }
    sortRows(rows, sort);
    return rows;
}

QList<EventRow> eventRows(const Catalog& catalog, const RowInputs& in, const SortOrder<EventField>& sort) {
    const bool active = in.query.isActive();
    QList<EventRow> rows;
    for (const LibraryInfo& library : in.visible) {
        const SearchResult::Library* result = libraryResult(in, library.path);
        if (active && !result)
            continue;
        const bool online = catalog.isOnline(library);
        for (const EventInfo& event : library.events) {
            QString matched;
            if (active) {
                const auto it = result->events.constFind(event.name);
                if (it != result->events.cend())
                    matched = it->reasons().join(kSeparator);
                else if (!result->hits.isEmpty())
                    matched = result->reasons().join(kSeparator);
                else
                    continue;
            }
            EventRow row;
            row.id = library.path + u'|' + event.name;
            row.libraryID = library.path;
            row.event = event.name;
            row.library = library.name;
            row.drive = library.volumeName;
            row.online = online;
            row.size = event.totalSize();
            row.original = event.originalSize;
            row.reclaimable = event.clearableSize();
            row.mediaFiles = event.mediaFileCount;
            row.projects = event.projects.size();
            row.modified = pick(event.created, event.modified, in.dateMode);
            row.matched = matched;
            rows.append(std::move(row));
        }
    }
    sortRows(rows, sort);
    return rows;
}

QList<ProjectRow> projectRows(const Catalog& catalog, const RowInputs& in,
                              const SortOrder<ProjectField>& sort) {
    const bool active = in.query.isActive();
    QList<ProjectRow> rows;
    for (const LibraryInfo& library : in.visible) {
        const SearchResult::Library* result = libraryResult(in, library.path);
        if (active && !result)
            continue;
        const bool online = catalog.isOnline(library);
        const qint64 librarySize = library.totalSize();
        for (const EventInfo& event : library.events) {
            const SearchResult::Event* eventResult = nullptr;
            if (active) {
                const auto it = result->events.constFind(event.name);
                if (it != result->events.cend())
                    eventResult = &it.value();
            }
            for (const ProjectInfo& project : event.projects) {
                QString matched;
                if (active) {
                    std::optional<QString> words;
                    if (eventResult) {
                        const auto hits = eventResult->projects.constFind(project.name);
                        if (hits != eventResult->projects.cend())
                            words = projectHitWords(*hits);
                        else if (hasEventNameHit(*eventResult))
                            words = QStringLiteral("event name");
                    }
                    if (!words && !result->hits.isEmpty())
                        words = result->reasons().join(kSeparator);
                    if (!words)
                        continue;
                    matched = *words;
                }
                ProjectRow row;
                row.id = library.path + u'|' + event.name + u'|' + project.name;
                row.libraryID = library.path;
                row.project = project.name;
                row.event = event.name;
                row.library = library.name;
                row.drive = library.volumeName;
                row.online = online;
                row.duration = project.duration.value_or(0);
                row.format = project.format.value_or(kDash);
                row.modified = pick(project.created, project.modified, in.dateMode);
                row.eventSize = event.totalSize();
                row.librarySize = librarySize;
                row.clips = project.clipCount;
                row.path = library.path;
                row.matched = matched;
                rows.append(std::move(row));
            }
        }
    }
    sortRows(rows, sort);
    return rows;
}

QList<MediaRow> mediaRows(const Catalog& catalog, const RowInputs& in, const SortOrder<MediaField>& sort) {
    QList<MediaRow> rows;
    if (!in.query.isActive())
        return rows;
    QHash<QString, const LibraryInfo*> byPath;
    for (const LibraryInfo& library : in.visible)
        byPath.insert(library.path, &library);
    QHash<QString, bool> online; // asked once per library, not once per file
    const QList<Catalog::MediaEntry2>& media = catalog.media();
    for (qsizetype i = 0; i < media.size() && rows.size() < kMediaRowCap; ++i) {
        const Catalog::MediaEntry2& item = media.at(i);
        const LibraryInfo* library = byPath.value(item.libraryID);
        if (!library || !in.query.allIn(item.entry.name))
            continue;
        auto reach = online.constFind(library->path);
        if (reach == online.cend())
            reach = online.insert(library->path, catalog.isOnline(*library));
        MediaRow row;
        row.id = QString::number(i);
        row.libraryID = library->path;
        row.file = item.entry.name;
        row.event = item.entry.event;
        row.library = library->name;
        row.drive = library->volumeName;
        row.online = *reach;
        row.size = item.entry.size;
        row.ext = PathText::extension(item.entry.name).toLower();
        rows.append(std::move(row));
    }
    sortRows(rows, sort);
    return rows;
}

void sortRows(QList<LibraryRow>& rows, const SortOrder<LibraryField>& sort) {
    stableSort(rows, sort, [](const LibraryRow& a, const LibraryRow& b, LibraryField field) {
        switch (field) {
        case LibraryField::name:
            return compare(a.name, b.name);
        case LibraryField::drive:
            return compare(a.drive, b.drive);
        case LibraryField::brokenLinks:
            return compare(a.brokenLinks, b.brokenLinks);
        case LibraryField::pluginProblems:
            return compare(a.pluginProblems(), b.pluginProblems());
        case LibraryField::size:
            return compare(a.size, b.size);
        case LibraryField::events:
            return compare(a.events, b.events);
        case LibraryField::projects:
            return compare(a.projects, b.projects);
        case LibraryField::mediaFiles:
            return compare(a.mediaFiles, b.mediaFiles);
        case LibraryField::reclaimable:
            return compare(a.reclaimable, b.reclaimable);
        case LibraryField::modified:
            return compare(a.modified, b.modified);
        case LibraryField::fcp:
            return compare(a.fcp, b.fcp);
        }
        return 0;
    });
}

void sortRows(QList<EventRow>& rows, const SortOrder<EventField>& sort) {
    stableSort(rows, sort, [](const EventRow& a, const EventRow& b, EventField field) {
        switch (field) {
        case EventField::event:
            return compare(a.event, b.event);
        case EventField::library:
            return compare(a.library, b.library);
        case EventField::drive:
            return compare(a.drive, b.drive);
        case EventField::modified:
            return compare(a.modified, b.modified);
        case EventField::size:
            return compare(a.size, b.size);
        case EventField::original:
            return compare(a.original, b.original);
        case EventField::reclaimable:
            return compare(a.reclaimable, b.reclaimable);
        case EventField::mediaFiles:
            return compare(a.mediaFiles, b.mediaFiles);
        case EventField::projects:
            return compare(a.projects, b.projects);
        }
        return 0;
    });
}

void sortRows(QList<ProjectRow>& rows, const SortOrder<ProjectField>& sort) {
    stableSort(rows, sort, [](const ProjectRow& a, const ProjectRow& b, ProjectField field) {
        switch (field) {
        case ProjectField::project:
            return compare(a.project, b.project);
        case ProjectField::event:
            return compare(a.event, b.event);
        case ProjectField::library:
            return compare(a.library, b.library);
        case ProjectField::drive:
            return compare(a.drive, b.drive);
        case ProjectField::duration:
            return compare(a.duration, b.duration);
        case ProjectField::format:
            return compare(a.format, b.format);
        case ProjectField::modified:
            return compare(a.modified, b.modified);
        case ProjectField::eventSize:
            return compare(a.eventSize, b.eventSize);
        case ProjectField::librarySize:
            return compare(a.librarySize, b.librarySize);
        }
        return 0;
    });
}

void sortRows(QList<MediaRow>& rows, const SortOrder<MediaField>& sort) {
    stableSort(rows, sort, [](const MediaRow& a, const MediaRow& b, MediaField field) {
        switch (field) {
        case MediaField::file:
            return compare(a.file, b.file);
        case MediaField::event:
            return compare(a.event, b.event);
        case MediaField::library:
            return compare(a.library, b.library);
        case MediaField::drive:
            return compare(a.drive, b.drive);
        case MediaField::size:
            return compare(a.size, b.size);
        case MediaField::ext:
            return compare(a.ext, b.ext);
        }
        return 0;
    });
}

std::optional<LibraryInfo> library(const std::optional<QString>& row, Mode mode, const Catalog& catalog) {
    if (!row)
        return std::nullopt;
    const QString& id = *row;
    if (mode == Mode::libraries) {
        const LibraryInfo* found = libraryAt(catalog, id);
        return found ? std::optional<LibraryInfo>(*found) : std::nullopt;
    }
    if (mode == Mode::media && !id.isEmpty()) {
        if (const std::optional<qint64> position = decimal(id)) {
            const QList<Catalog::MediaEntry2>& media = catalog.media();
            if (*position < 0 || *position >= media.size())
                return std::nullopt;
            const LibraryInfo* found = libraryAt(catalog, media.at(*position).libraryID);
            return found ? std::optional<LibraryInfo>(*found) : std::nullopt;
        }
    }
    const LibraryInfo* found = resolve(id, mode, catalog);
    return found ? std::optional<LibraryInfo>(*found) : std::nullopt;
}

std::optional<QString> focusedProject(const std::optional<QString>& row, Mode mode, const Catalog& catalog) {
    if (!row || mode != Mode::projects)
        return std::nullopt;
    const LibraryInfo* found = resolve(*row, mode, catalog);
    if (!found || row->size() == found->path.size())
        return std::nullopt;
    const QString remainder = row->mid(found->path.size() + 1);
    if (!remainder.contains(u'|'))
        return std::nullopt;
    return remainder;
}

} // namespace pellimor::TableRows
