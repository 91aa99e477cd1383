// SearchEngine::match: folded terms against a corpus.

#include "Browser/SearchEngine.h"
#include "Support/ParallelChunks.h"
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

// Matches libraries one after the other, keeping its buffers between them. Only the items that
// hold a term are visited after the scan: a row must hold a term to be a hit.
class LibraryMatcher {
public:
    LibraryMatcher(const Terms& terms, quint32 areaMask) : m_terms(terms), m_areaMask(areaMask) {}

    std::optional<SearchResult::Library> match(const SearchCorpus::Library& library) {
        const char* blob = library.blob.constData();
        const qsizetype size = library.blob.size();
        // A library whose blob lacks a term cannot match. The first occurrence of each term
        // is where marking starts, so a library that matches costs one pass per term in all.
        m_first.resize(m_terms.needles.size());
        for (size_t t = 0; t < m_terms.needles.size(); ++t) {
            const char* at = find(blob, size, m_terms.needles[t]);
            if (!at)
                return std::nullopt;
            m_first[t] = at - blob;
        }
        m_library = &library;
        const qsizetype w = m_terms.words;
        if (m_held.size() < size_t(library.itemCount() * w))
            m_held.resize(size_t(library.itemCount() * w), 0);
        m_touched.clear();
        for (size_t t = 0; t < m_terms.needles.size(); ++t)
            mark(t);
        if (m_terms.needles.size() > 1)
            std::sort(m_touched.begin(), m_touched.end());
        m_next = 0;

        // A term is covered at a level when it occurs in the name of the library, or of the
        // event or project around the row.
        std::vector<quint64> libraryCover(size_t(w), 0);
        std::vector<quint64> eventCover(size_t(w), 0);
        std::vector<quint64> projectCover(size_t(w), 0);
        cover(library.items, nullptr, libraryCover);

        SearchResult::Library result;
        hits(library.items, libraryCover, result.hits);
        for (const SearchCorpus::Event& event : library.events) {
            // An event whose items and projects' items hold no term has nothing to give.
            if (m_next == m_touched.size())
                break;
            const SearchCorpus::Items& last =
                event.projectCount ? library.projects[event.firstProject + event.projectCount - 1].items
                                   : event.items;
            if (m_touched[m_next] >= last.first + last.count)
                continue;
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

        // Leaves the marks clear for the next library.
        for (const quint32 item : m_touched)
            std::fill_n(m_held.begin() + qsizetype(item) * w, w, 0);
        if (result.hits.isEmpty() && result.events.isEmpty())
            return std::nullopt;
        return result;
    }

private:
    // Sets term t's bit on every item that holds it, noting items marked for the first time.
    // Occurrences never span items, and one per item is enough, so the search resumes at the
    // next item.
    void mark(size_t t) {
        const SearchCorpus::Library& library = *m_library;
        const QByteArray& needle = m_terms.needles[t];
        const char* blob = library.blob.constData();
        const qsizetype size = library.blob.size();
        const quint32* starts = library.starts.data();
        const qsizetype items = library.itemCount();
        const qsizetype w = m_terms.words;
        const qsizetype word = qsizetype(t / 64);
        const quint64 bit = quint64(1) << (t % 64);
        qsizetype item = 0;
        const char* at = blob + m_first[t];
        while (at) {
            const auto pos = quint32(at - blob);
            // The item holding `pos`: mostly the next one or close to it.
            if (starts[item + 1] <= pos) {
                ++item;
                if (starts[item + 1] <= pos)
                    item = std::upper_bound(starts + item + 1, starts + items + 1, pos) - starts - 1;
            }
            quint64* held = &m_held[size_t(item * w)];
            if (std::all_of(held, held + w, [](quint64 bits) { return bits == 0; }))
                m_touched.push_back(quint32(item));
            held[word] |= bit;
            const qsizetype from = starts[item + 1];
            at = from < size ? find(blob + from, size - from, needle) : nullptr;
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

    // The hits of a run of items: the items that hold a term, are in the scope, and hold or
    // are covered for every term. Runs come in item order, so the touched items are walked
    // once, front to back.
    void hits(const SearchCorpus::Items& items, const std::vector<quint64>& covered, QList<SearchHit>& out) {
        const SearchCorpus::Library& library = *m_library;
        const qsizetype w = m_terms.words;
        const quint32 end = items.first + items.count;
        while (m_next < m_touched.size() && m_touched[m_next] < items.first)
            ++m_next;
        for (; m_next < m_touched.size() && m_touched[m_next] < end; ++m_next) {
            const quint32 i = m_touched[m_next];
            if (!(m_areaMask & (1u << library.areas[i])))
                continue;
            const quint64* held = &m_held[size_t(qsizetype(i) * w)];
            bool all = true;
            for (qsizetype k = 0; k < w && all; ++k)
                all = (held[k] | covered[size_t(k)]) == m_terms.full[size_t(k)];
            // The hit shares the catalogue's text.
            if (all)
                out.append(SearchHit{library.area(i), library.text(i)});
        }
    }

    const Terms& m_terms;
    const quint32 m_areaMask;
    const SearchCorpus::Library* m_library = nullptr;
    std::vector<quint64> m_held;    // per item, the terms it holds; all clear between libraries
    std::vector<qsizetype> m_first; // per term, where it first occurs in the blob
    std::vector<quint32> m_touched; // the items holding a term, in item order once sorted
    size_t m_next = 0;              // the first touched item not yet visited
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
