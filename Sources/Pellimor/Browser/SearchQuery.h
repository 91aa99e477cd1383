#pragma once

#include "Support/TextSpan.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace pellimor {

// A search text broken into terms. A query without terms means "no active search": every
// table then lists everything and the Media Files table nothing.
//
// A plain value; safe to copy to and use on any thread.
struct SearchQuery {
    // The terms as typed, in the order typed. The text is split at every white-space
    // character (line breaks included) and empty pieces are dropped; of terms that differ
    // only in letter case the first as typed is kept ("Tree tree TREE bark" gives "Tree" and
    // "bark"). Repeats are decided by lower-casing alone, so "Café cafe" keeps both.
    QStringList tokens;
    // The same terms one for one, folded free of case and diacritics (TextFold::fold), for
    // comparing against catalogue text folded the same way.
    QStringList folded;

    SearchQuery() = default;
    explicit SearchQuery(const QString& text);

    // At least one term: a search is active.
    bool isActive() const { return !tokens.isEmpty(); }

    // Every term occurs in `text`, ignoring case and diacritics; true without terms.
    bool allIn(const QString& text) const;
    // At least one term occurs in `text`, ignoring case and diacritics; false without terms.
    bool anyIn(const QString& text) const;

    // The runs of `text` to emphasise: term by term in `tokens` order, every occurrence of the
    // term under allIn()'s rule, each search resuming after the occurrence before, so one
    // term's spans never overlap while different terms' may. No spans without terms.
    QList<TextSpan> highlight(const QString& text) const;

    // The query key: the terms joined with U+001E. The library browser keeps its expansion
    // state per key, so two texts that parse to the same terms share it.
    QString key() const;

    bool operator==(const SearchQuery&) const = default;
};

} // namespace pellimor
