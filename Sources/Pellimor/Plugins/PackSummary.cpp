#include "Plugins/PackSummary.h"

#include "Support/ByteSum.h"

namespace pellimor {

namespace {

void add(QHash<QString, PackSummary>& summaries, const PluginUse& use, const QString& place) {
    const QString key = use.kind + u'|' + use.pack;
    auto found = summaries.find(key);
    if (found == summaries.end()) {
        PackSummary fresh;
        fresh.kind = use.kind;
        fresh.pack = use.pack;
        found = summaries.insert(key, fresh);
    }
    PackSummary& summary = found.value();
    qint64& uses = summary.items[use.name];
    uses = ByteSum::saturatingAdd(uses, use.count);
    summary.ids.insert(use.id);
    summary.idNames.insert(use.id, use.name);
    summary.projects.insert(place);
}

} // namespace

QString PackSummary::id() const {
    return kind + u'|' + pack;
}

qint64 PackSummary::uses() const {
    qint64 sum = 0;
    for (const qint64 count : items)
        sum = ByteSum::saturatingAdd(sum, count);
    return sum;
}

QList<PackSummary> packSummaries(const LibraryInfo& library) {
    QHash<QString, PackSummary> summaries;
    for (const EventInfo& event : library.events) {
        const QString clips = event.name + QStringLiteral(" / clips in the event");
        if (event.plugins) {
            for (const PluginUse& use : *event.plugins)
                add(summaries, use, clips);
        }
        for (const ProjectInfo& project : event.projects) {
            if (!project.plugins)
                continue;
            const QString place = event.name + QStringLiteral(" / ") + project.name;
            for (const PluginUse& use : *project.plugins)
                add(summaries, use, place);
        }
    }
    return summaries.values();
}

} // namespace pellimor
