#include "Browser/TreeCache.h"

#include "Browser/BrowserTree.h"

#include <QHashFunctions>
#include <QSet>
#include <optional>

namespace pellimor {

namespace {

// Terms are hashed one by one with their count, so "a b" and the one term "a␞b" differ.
size_t hashTerms(const QStringList& terms, size_t seed) {
    size_t h = qHashMulti(seed, terms.size());
    for (const QString& term : terms)
        h = qHashMulti(h, term);
    return h;
}

// Independent of the sets' iteration order, which equal sets need not share.
size_t hashSet(const QSet<QString>& set, size_t seed) {
    return qHashMulti(seed, set.size(), qHashRangeCommutative(set.cbegin(), set.cend(), 0));
}

} // namespace

const BuiltTree& TreeCache::cachedBuild(const TreeInputs& inputs, TreeQueries& queries) {
    size_t h = QHashSeed::globalSeed();
    h = hashTerms(inputs.query.tokens, h);
    h = qHashMulti(h, inputs.dateMode, inputs.groupByDrive, inputs.result.id);
    h = hashTerms(inputs.expansion.query, h);
    h = hashSet(inputs.expansion.expanded, h);
    h = hashSet(inputs.expansion.collapsed, h);
    h = qHashMulti(h, inputs.sort.text());
    // Every library's "FCP version" marks and update state follow the installed version, which
    // changes while the program is in the background.
    const std::optional<QString> installed = queries.installedFCP();
    h = installed ? qHashMulti(h, 1, *installed) : qHashMulti(h, 0);
    QList<bool> online;
    online.reserve(inputs.libraries.size());
    for (const LibraryInfo& library : inputs.libraries) {
        const bool on = queries.isOnline(library);
        online.append(on);
        // The counts and the total size in one walk over the events, which is most of a hit's
        // work besides the online test. The size is summed modulo 2^64: it changes whenever
        // LibraryInfo::totalSize() does.
        qint64 projects = 0;
        quint64 size = quint64(library.extraSize);
        for (const EventInfo& event : library.events) {
            projects += event.projects.size();
            size += quint64(event.originalSize) + quint64(event.optimizedSize) + quint64(event.proxySize) +
                    quint64(event.renderSize) + quint64(event.analysisSize) + quint64(event.otherSize);
        }
        h = qHashMulti(h, library.path, library.events.size(), projects, size);
        h = library.modified ? qHashMulti(h, 1, library.modified->toMSecsSinceEpoch()) : qHashMulti(h, 0);
        h = qHashMulti(h, on);
    }
    const QString key = QString::number(quint64(h));
    if (key != m_key) {
        m_tree = BrowserTree::build(inputs, queries, online);
        m_key = key;
    }
    return m_tree;
}

} // namespace pellimor
