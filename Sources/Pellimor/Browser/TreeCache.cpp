#include "Browser/TreeCache.h"

#include "Browser/BrowserTree.h"

#include <QHashFunctions>
#include <QSet>

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
    QList<bool> online;
    online.reserve(inputs.libraries.size());
    for (const LibraryInfo& library : inputs.libraries) {
        const bool on = queries.isOnline(library);
        online.append(on);
        h = qHashMulti(h, library.path, library.events.size(), library.projectCount(), library.totalSize());
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
