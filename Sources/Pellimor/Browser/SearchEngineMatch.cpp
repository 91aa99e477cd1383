// SearchEngine::match: folded terms against a corpus.

#include "Browser/ParallelChunks.h"
#include "Browser/SearchEngine.h"
#include "Support/TextFold.h"

#include <QSet>
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace pellimor {

namespace {

// The terms in UTF-8, each once, and which of them an item holds: one bit per term, in words
// of 64, `words` words per item.
struct Terms {
    std::vector<QByteArray> needles;
    qsizetype words = 0;
    std::vector<quint64> full; // every term's bit set
};

const char* find(const char* haystack, qsizetype size, const QByteArray& needle) {
    if (needle.size() == 1)
        return static_cast<const char*>(std::memchr(haystack, needle.front(), size_t(size)));
    return static_cast<const char*>(
        ::memmem(haystack, size_t(size), needle.constData(), size_t(needle.size())));
}

class LibraryMatcher {
public:
    LibraryMatcher(const Terms& terms, quint32 areaMask) : m_terms(terms), m_areaMask(areaMask) {}

    std::optional<SearchResult::Library> match(const SearchCorpus::Library& library) {
        const char* blob = library.blob.constData();
        const qsizetype size = library.blob.size();
        // A library whose blob lacks a term cannot match: one pass per term at most.
        for (const QByteArray& needle : m_terms.needles) {
            if (!find(blob, size, needle))
                return std::nullopt;
        }
        m_library = &library;
        const qsizetype w = m_terms.words;
        m_held.assign(size_t(library.itemCount() * w), 0);
        for (size_t t = 0; t < m_terms.needles.size(); ++t)
            mark(t);

        // A term is covered at a level when it occurs in the name of the library, or of the
        // event or project around the row.
        std::vector<quint64> libraryCover(size_t(w), 0);
        std::vector<quint64> eventCover(size_t(w), 0);
        std::vector<quint64> projectCover(size_t(w), 0);
        cover(library.items, nullptr, libraryCover);

        SearchResult::Library result;
        hits(library.items, libraryCover, result.hits);
        for (const SearchCorpus::Event& event : library.events) {
            cover(event.items, &libraryCover, eventCover);
            SearchResult::Event found;
            hits(event.items, eventCover, found.hits);
            for (quint32 p = event.firstProject; p < event.firstProject + event.projectCount; ++p) {
                const SearchCorpus::Project& project = library.projects[p];
                cover(project.items, &eventCover, projectCover);
                QList<SearchHit> projectHits;
                hits(project.items, projectCover, projectHits);
                if (!projectHits.isEmpty())
                    found.projects.insert(*project.name, std::move(projectHits));
            }
            if (!found.hits.isEmpty() || !found.projects.isEmpty())
                result.events.insert(*event.name, std::move(found));
        }
        if (result.hits.isEmpty() && result.events.isEmpty())
            return std::nullopt;
        return result;
    }

private:
    // Sets term t's bit on every item that holds it. Occurrences never span items, and one per
    // item is enough, so the search resumes at the next item.
    void mark(size_t t) {
        const SearchCorpus::Library& library = *m_library;
        const QByteArray& needle = m_terms.needles[t];
        const char* blob = library.blob.constData();
        const qsizetype size = library.blob.size();
        const quint32* starts = library.starts.data();
        const qsizetype items = library.itemCount();
        const qsizetype word = qsizetype(t / 64);
        const quint64 bit = quint64(1) << (t % 64);
        qsizetype item = 0;
        qsizetype from = 0;
        while (from < size) {
            const char* at = find(blob + from, size - from, needle);
            if (!at)
                break;
            const auto pos = quint32(at - blob);
            // The item holding `pos`: mostly the next one or close to it.
            if (starts[item + 1] <= pos) {
                ++item;
                if (starts[item + 1] <= pos)
                    item = std::upper_bound(starts + item + 1, starts + items + 1, pos) - starts - 1;
            }
            m_held[size_t(item * m_terms.words + word)] |= bit;
            from = starts[item + 1];
        }
    }

    // The coverage of a level: the level above's, plus the terms in the level's own name.
    void cover(const SearchCorpus::Items& items, const std::vector<quint64>* above,
               std::vector<quint64>& out) const {
        for (qsizetype k = 0; k < m_terms.words; ++k) {
            quint64 value = above ? (*above)[size_t(k)] : 0;
            if (items.named)
                value |= m_held[size_t(items.first * m_terms.words + k)];
            out[size_t(k)] = value;
        }
    }

    // The items of a run that are hits: in the scope, holding at least one term, and every
    // term held or covered.
    void hits(const SearchCorpus::Items& items, const std::vector<quint64>& covered,
              QList<SearchHit>& out) const {
        const SearchCorpus::Library& library = *m_library;
        const qsizetype w = m_terms.words;
        for (qsizetype i = items.first; i < qsizetype(items.first) + items.count; ++i) {
            const quint64* held = &m_held[size_t(i * w)];
            bool any = false;
            bool all = true;
            for (qsizetype k = 0; k < w && all; ++k) {
                any = any || held[k] != 0;
                all = (held[k] | covered[size_t(k)]) == m_terms.full[size_t(k)];
            }
            if (!any || !all || !(m_areaMask & (1u << library.areas[size_t(i)])))
                continue;
            // The hit shares the catalogue's text.
            out.append(SearchHit{library.area(i), library.text(i)});
        }
    }

    const Terms& m_terms;
    const quint32 m_areaMask;
    const SearchCorpus::Library* m_library = nullptr;
    std::vector<quint64> m_held;
};

} // namespace

QMap<QString, SearchResult::Library> SearchEngine::match(const SearchCorpus& corpus, const QStringList& terms,
                                                         const SearchScope& scope) {
    // Folded again so that the blob and the terms are folded alike whatever the caller
    // passed; folding folded text changes nothing.
    Terms t;
    QSet<QByteArray> seen;
    for (const QString& term : terms) {
        QByteArray needle = TextFold::foldUtf8(term);
        if (needle.isEmpty())
            return {}; // a term that folds to nothing occurs nowhere, so nothing matches
        if (!seen.contains(needle)) {
            seen.insert(needle);
            t.needles.push_back(std::move(needle));
        }
    }
    if (t.needles.empty() || corpus.libraries.empty())
        return {};
    const auto count = qsizetype(t.needles.size());
    t.words = (count + 63) / 64;
    t.full.assign(size_t(t.words), ~quint64(0));
    if (count % 64 != 0)
        t.full.back() = (quint64(1) << (count % 64)) - 1;

    quint32 areaMask = 0;
    for (const SearchArea area : allSearchAreas()) {
        if (scope.all || scope.areas.contains(area))
            areaMask |= 1u << quint32(area);
    }

    const auto libraries = qsizetype(corpus.libraries.size());
    std::vector<std::optional<SearchResult::Library>> found(static_cast<size_t>(libraries));
    runInChunks(libraries, std::min<qsizetype>(libraries, 256), [&](qsizetype begin, qsizetype end) {
        LibraryMatcher matcher(t, areaMask);
        for (qsizetype i = begin; i < end; ++i)
            found[size_t(i)] = matcher.match(corpus.libraries[size_t(i)]);
    });

    // In corpus order, so a later library of the same path replaces an earlier one.
    QMap<QString, SearchResult::Library> result;
    for (qsizetype i = 0; i < libraries; ++i) {
        if (found[size_t(i)])
            result.insert(*corpus.libraries[size_t(i)].path, std::move(*found[size_t(i)]));
    }
    return result;
}

} // namespace pellimor
