#pragma once

#include "Browser/SearchCorpus.h"
#include "Browser/SearchQuery.h"
#include "Browser/SearchResult.h"
#include "Browser/SearchScope.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Store/Catalog.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

namespace pellimor {

// Answers the search field: keeps the corpus of the latest catalogue state it was asked for
// and matches folded terms against it. Matching ignores case and diacritics; a term counts as
// satisfied by a row when it occurs in the row or in the name of the row's library, event or
// project, and a row must itself hold at least one term.
//
// Thread affinity: any thread. The window calls prepare() and run() from worker threads,
// several at a time; one mutex guards the stored key, the stored corpus and the last id, and
// nothing else, so building and matching run outside it. Not a QObject: it publishes nothing
// and belongs to no thread.
class SearchEngine {
public:
    using Corpus = std::shared_ptr<const SearchCorpus>;

    // An engine with no stored corpus and no runs. The window uses shared(); tests make their
    // own.
    SearchEngine();
    SearchEngine(const SearchEngine&) = delete;
    SearchEngine& operator=(const SearchEngine&) = delete;

    // The one engine of the process, made on first use.
    static SearchEngine& shared();

    // The corpus for the catalogue state `key` names: the stored one when its key equals
    // `key`, else one made from the stored one by update() with `libraries` and `media` outside
    // the lock and then stored (when two builds overlap, the one stored last stays). The lists are snapshots:
    // implicit sharing makes passing them O(1), and later catalogue changes never touch them.
    Corpus prepare(qint64 key, QList<LibraryInfo> libraries, QList<Catalog::MediaEntry2> media);

    // A new corpus: one library per LibraryInfo, in order. Media rows of libraries not in
    // `libraries` are ignored. Folds every text once, on the work pool and the
    // calling thread together.
    static Corpus build(QList<LibraryInfo> libraries, QList<Catalog::MediaEntry2> media);

    // The corpus of `libraries` and `media` made from `previous` (may be null): a library whose
    // record is the one `previous` holds for its path (the same own texts and the very same
    // shared list of events) keeps its folded texts, when the media rows are the very rows of
    // `previous` too; every other library is folded anew. What it matches is what build() of
    // the same lists matches. `folded`, when given, is told how many libraries were folded.
    // During a scan the catalogue changes a few libraries at a time and keeps its media rows,
    // so each new corpus costs the changed libraries rather than the whole catalogue.
    static Corpus update(const Corpus& previous, QList<LibraryInfo> libraries,
                         QList<Catalog::MediaEntry2> media, qsizetype* folded = nullptr);

    // Per library path, what matched of `terms` (the folded terms of a SearchQuery) within
    // `scope`. Terms are compared folded; repeated terms count once, and a term that folds to
    // nothing occurs nowhere, so it matches nothing. Libraries are matched on the global
    // thread pool and on the calling thread together, so a busy pool never stalls a search.
    static QMap<QString, SearchResult::Library> match(const SearchCorpus& corpus, const QStringList& terms,
                                                      const SearchScope& scope);

    // The id of a new run: one more than the last, under the lock.
    qint64 nextID();

    // One search run: prepare(key, ...), a fresh id, and, when the query has terms, match()
    // over its folded terms. A query without terms still prepares and takes an id.
    SearchResult run(qint64 key, QList<LibraryInfo> libraries, QList<Catalog::MediaEntry2> media,
                     const SearchQuery& query, const SearchScope& scope);

    // How many corpora prepare() built, and how many libraries it folded for them. Seams for
    // tests.
    qint64 buildCount() const { return m_builds.load(); }
    qint64 foldedCount() const { return m_folded.load(); }

private:
    std::mutex m_lock;
    std::optional<qint64> m_corpusKey;
    Corpus m_corpus;
    qint64 m_lastID = 0;

    std::atomic<qint64> m_builds{0};
    std::atomic<qint64> m_folded{0};
};

} // namespace pellimor
