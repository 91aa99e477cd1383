#include "Browser/SearchEngine.h"

#include <utility>

namespace pellimor {

SearchEngine::SearchEngine() : m_corpus(std::make_shared<const SearchCorpus>()) {}

SearchEngine& SearchEngine::shared() {
    static SearchEngine engine;
    return engine;
}

SearchEngine::Corpus SearchEngine::prepare(qint64 key, QList<LibraryInfo> libraries,
                                           QList<Catalog::MediaEntry2> media) {
    Corpus previous;
    {
        const std::lock_guard lock(m_lock);
        if (m_corpusKey == key)
            return m_corpus;
        previous = m_corpus;
    }
    qsizetype folded = 0;
    Corpus built = update(previous, std::move(libraries), std::move(media), &folded);
    previous.reset();
    m_builds.fetch_add(1);
    m_folded.fetch_add(folded);
    Corpus replaced;
    {
        const std::lock_guard lock(m_lock);
        m_corpusKey = key;
        replaced = std::exchange(m_corpus, built);
    }
    // `replaced` may be the last hold on a large corpus: it goes here, outside the lock.
    return built;
}

qint64 SearchEngine::nextID() {
    const std::lock_guard lock(m_lock);
    return ++m_lastID;
}

SearchResult SearchEngine::run(qint64 key, QList<LibraryInfo> libraries, QList<Catalog::MediaEntry2> media,
                               const SearchQuery& query, const SearchScope& scope) {
    const Corpus corpus = prepare(key, std::move(libraries), std::move(media));
    SearchResult result;
    result.id = nextID();
    if (query.isActive())
        result.libraries = match(*corpus, query.folded, scope);
    return result;
}

} // namespace pellimor
