#include "Browser/BrowserTree.h"

#include "Browser/BrowserRowId.h"
#include "Support/ByteSum.h"
#include "Support/TextCompare.h"

#include <QSet>
#include <algorithm>
#include <array>

namespace pellimor::BrowserTree {

namespace {

using ByteSum::saturatingAdd;
using ByteSum::saturatingSum;

BNode::Kind kindOf(SearchArea area) {
    switch (area) {
    case SearchArea::keywords:
        return BNode::Kind::keyword;
    case SearchArea::metaTags:
        return BNode::Kind::metaTag;
    case SearchArea::notesMarkers:
        return BNode::Kind::marker;
    case SearchArea::mediaFiles:
        return BNode::Kind::media;
    default:
        return BNode::Kind::hit;
    }
}

QString keywordDetails(qint64 uses) {
    if (uses <= 0)
        return QStringLiteral("keyword in this event");
    return QStringLiteral("keyword, used on %1 clip range%2").arg(uses).arg(uses == 1 ? "" : "s");
}

constexpr size_t kAreas = size_t(SearchArea::fcpVersion) + 1;
using AreaTexts = std::array<QStringList, kAreas>;

// The texts of `hits` per area, each text once per area, in their order.
AreaTexts textsByArea(const QList<SearchHit>& hits) {
    AreaTexts texts;
    std::array<QSet<QString>, kAreas> seen;
    for (const SearchHit& hit : hits) {
        const auto area = size_t(hit.area);
        if (area >= texts.size() || seen[area].contains(hit.text))
            continue;
        seen[area].insert(hit.text);
        texts[area].append(hit.text);
    }
    return texts;
}

// What the search says about a project, in a word: the first of its hits that is not on its
// name ("keyword: Drone"); nothing when it matched only by name.
QStringList projectReasons(const QList<SearchHit>* hits) {
    if (!hits)
        return {};
    for (const SearchHit& hit : *hits) {
        if (hit.area != SearchArea::projectName)
            return {noun(hit.area).one + QStringLiteral(": ") + hit.text};
    }
    return {};
}

// What of `result` the library still holds. A search that ran before a rescan may name events
// and projects the catalogue no longer has; they give no rows, so they give no reasons, counts
// or openings either. Shares the result's data when nothing is missing.
SearchResult::Library present(const LibraryInfo& library, const SearchResult::Library& result) {
    QHash<QString, const EventInfo*> events;
    events.reserve(library.events.size());
    for (const EventInfo& event : library.events)
        events.insert(event.name, &event);
    SearchResult::Library kept = result;
    for (auto it = result.events.cbegin(); it != result.events.cend(); ++it) {
        const EventInfo* event = events.value(it.key());
        if (!event) {
            kept.events.remove(it.key());
            continue;
        }
        for (auto project = it->projects.cbegin(); project != it->projects.cend(); ++project) {
            const bool held = std::any_of(event->projects.cbegin(), event->projects.cend(),
                                          [&](const ProjectInfo& p) { return p.name == project.key(); });
            if (!held)
                kept.events[it.key()].projects.remove(project.key());
        }
    }
    return kept;
}

// One build's shared facts.
struct Build {
    const TreeInputs& in;
    bool searching = false;
    bool belongs = false; // the expansion state belongs to this query
    QString installed;

    BNode hitRow(const QString& id, BNode::Kind kind, const QString& name, const QString& details,
                 bool online) const {
        BNode row;
        row.id = id;
        row.kind = kind;
        row.name = name;
        row.details = details;
        row.online = online;
        return row;
    }

    // Hit rows of one event's result, area by area.
    void addHits(const QString& eventId, const EventInfo& event, const SearchResult::Event& result,
                 bool online, QList<BNode>& rows) const {
        AreaTexts byArea = textsByArea(result.hits);
        for (const SearchArea area : allSearchAreas()) {
            if (area == SearchArea::eventName)
                continue;
            QStringList& texts = byArea[size_t(area)];
            if (texts.isEmpty())
                continue;
            const bool keywords = area == SearchArea::keywords;
            const auto uses = [&](const QString& text) {
                return event.keywords ? event.keywords->value(text, 0) : 0;
            };
            if (keywords) {
                std::stable_sort(texts.begin(), texts.end(), [&](const QString& a, const QString& b) {
                    const qint64 x = uses(a);
                    const qint64 y = uses(b);
                    if (x != y)
                        return x > y;
                    return TextCompare::codePointLess(a, b);
                });
            }
            const qsizetype shown = std::min<qsizetype>(texts.size(), kHitRowsPerArea);
            for (qsizetype i = 0; i < shown; ++i) {
                const QString& text = texts.at(i);
                rows.append(hitRow(BrowserRowId::hit(eventId, area, text), kindOf(area), text,
                                   keywords ? keywordDetails(uses(text)) : noun(area).one, online));
            }
            if (texts.size() > kHitRowsPerArea)
                rows.append(hitRow(
                    BrowserRowId::more(eventId, area), BNode::Kind::more,
                    QStringLiteral("+ %1 more %2").arg(texts.size() - kHitRowsPerArea).arg(noun(area).many),
                    QString(), online));
        }
    }

    BNode projectRow(const QString& eventId, const ProjectInfo& project, const QList<SearchHit>* hits,
                     bool online) const {
        BNode row;
        row.id = BrowserRowId::project(eventId, project.name);
        row.kind = BNode::Kind::project;
        row.name = project.name;
        row.details = projectLine(project);
        const std::optional<QDateTime>& date =
            in.dateMode == QLatin1StringView("created") ? project.created : project.modified;
        row.modified = RowDate::pick(project.created, project.modified, in.dateMode);
        row.hasDate = date && date->isValid();
        row.online = online;
        row.dim = searching && (!hits || hits->isEmpty());
        row.reasons = projectReasons(hits);
        return row;
    }

    BNode eventRow(const LibraryInfo& library, const EventInfo& event, const SearchResult::Library* result,
                   bool online) const {
        const QString id = BrowserRowId::event(library.path, event.name);
        const SearchResult::Event* eventResult = nullptr;
        if (result) {
            const auto it = result->events.constFind(event.name);
            if (it != result->events.cend())
                eventResult = &it.value();
        }
        BNode row;
        row.id = id;
        row.kind = BNode::Kind::event;
        row.name = event.name;
        row.details = mediaLine(event);
        const std::optional<QDateTime>& date =
            in.dateMode == QLatin1StringView("created") ? event.created : event.modified;
        row.modified = RowDate::pick(event.created, event.modified, in.dateMode);
        row.hasDate = date && RowDate::isAfterEpoch(*date);
        row.size = saturatingSum({event.originalSize, event.optimizedSize, event.proxySize, event.renderSize,
                                  event.analysisSize, event.otherSize});
        row.original = event.originalSize;
        row.optimized = event.optimizedSize;
        row.proxy = event.proxySize;
        row.render = event.renderSize;
        row.other = saturatingAdd(event.analysisSize, event.otherSize);
        row.online = online;
        row.dim = searching && !eventResult;
        if (eventResult)
            row.reasons = eventResult->reasons();

        QList<BNode> children;
        constexpr qsizetype kMostHitRows = qsizetype(kAreas) * (kHitRowsPerArea + 1);
        children.reserve(event.projects.size() +
                         (eventResult ? std::min(eventResult->hits.size(), kMostHitRows) : 0));
        const bool openedByUser = in.expansion.expanded.contains(id);
        for (const ProjectInfo& project : event.projects) {
            const QList<SearchHit>* hits = nullptr;
            if (eventResult) {
                const auto it = eventResult->projects.constFind(project.name);
                if (it != eventResult->projects.cend())
                    hits = &it.value();
            }
            if (hits || !searching || openedByUser)
                children.append(projectRow(id, project, hits, online));
        }
        if (eventResult)
            addHits(id, event, *eventResult, online, children);
        in.sort.apply(children);
        row.autoOpen = searching && !children.isEmpty() && (!belongs || !in.expansion.collapsed.contains(id));
        row.hasChildren = !event.projects.isEmpty() || !children.isEmpty();
        row.children = std::move(children);
        return row;
    }

    BNode libraryRow(const LibraryInfo& library, const SearchResult::Library* result, bool online,
                     TreeQueries& queries) const {
        BNode row;
        row.id = BrowserRowId::library(library.path);
        row.kind = BNode::Kind::library;
        row.name = library.name;
        row.details = library.volumeName + u'/' + parentPath(library);
        const std::optional<QDateTime>& date =
            in.dateMode == QLatin1StringView("created") ? library.created : library.modified;
        row.modified = RowDate::pick(library.created, library.modified, in.dateMode);
        row.hasDate = date && date->isValid();
        row.size = library.totalSize();
        row.original = library.originalSize();
        qint64 other = library.extraSize;
        for (const EventInfo& event : library.events) {
            row.optimized = saturatingAdd(row.optimized, event.optimizedSize);
            row.proxy = saturatingAdd(row.proxy, event.proxySize);
            row.render = saturatingAdd(row.render, event.renderSize);
            other = saturatingSum({other, event.analysisSize, event.otherSize});
        }
        row.other = other;
        row.online = online;
        row.update = queries.updateStatus(library);
        const Catalog::PluginStats plugins = queries.pluginStats(library);
        row.missingPlugins = plugins.missing;
        row.partialPlugins = plugins.partial;
        row.missingFiles = library.brokenLinks();
        row.isBackup = queries.isBackupDrive(library);
        row.damaged = library.problem.has_value();
        row.fcpVersion = library.fcpVersion.value_or(QString());
        row.fcpInstalled = installed;
        if (result)
            row.reasons = result->reasons();
        row.drive = library.volumeName;
        row.hasChildren = !library.events.isEmpty();

        const QString& path = library.path;
        const bool hasResultEvents = result && !result->events.isEmpty();
        const bool openedByUser = belongs && in.expansion.expanded.contains(path);
        const bool heldClosed = belongs && in.expansion.collapsed.contains(path);
        const bool openedBySearch = searching && hasResultEvents && belongs && !heldClosed;
        row.autoOpen = searching && hasResultEvents && !heldClosed;
        if (openedByUser || openedBySearch) {
            QList<BNode> events;
            events.reserve(library.events.size());
            for (const EventInfo& event : library.events) {
                if (openedByUser || !searching || (result && result->events.contains(event.name)))
                    events.append(eventRow(library, event, result, online));
            }
            in.sort.apply(events);
            row.children = std::move(events);
        }
        return row;
    }
};

} // namespace

BuiltTree build(const TreeInputs& inputs, TreeQueries& queries) {
    QList<bool> online;
    online.reserve(inputs.libraries.size());
    for (const LibraryInfo& library : inputs.libraries)
        online.append(queries.isOnline(library));
    return build(inputs, queries, online);
}

BuiltTree build(const TreeInputs& inputs, TreeQueries& queries, const QList<bool>& online) {
    const Build b{inputs, inputs.query.isActive(), inputs.expansion.belongsTo(inputs.query),
                  queries.installedFCP().value_or(QString())};

    BuiltTree tree;
    tree.nodes.reserve(inputs.libraries.size());
    for (qsizetype i = 0; i < inputs.libraries.size(); ++i) {
        const LibraryInfo& library = inputs.libraries.at(i);
        const SearchResult::Library* result = nullptr;
        SearchResult::Library held;
        if (b.searching) {
            const auto it = inputs.result.libraries.constFind(library.path);
            if (it == inputs.result.libraries.cend())
                continue;
            held = present(library, it.value());
            result = &held;
            TreeStats& stats = tree.stats;
            ++stats.libraries;
            stats.events += result->events.size();
            for (const SearchResult::Event& event : result->events)
                stats.projects += event.projects.size();
            for (const auto& [area, count] : result->eventHitCounts())
                stats.areas[area] += count;
        }
        tree.nodes.append(b.libraryRow(library, result, i < online.size() && online.at(i), queries));
    }
    if (inputs.groupByDrive)
        tree.nodes = groupedByDrive(tree.nodes, inputs.sort);
    else
        inputs.sort.apply(tree.nodes);
    return tree;
}

} // namespace pellimor::BrowserTree
