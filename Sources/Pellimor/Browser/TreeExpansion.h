#pragma once

#include "Browser/SearchQuery.h"
#include "Catalogue/Records/LibraryInfo.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace pellimor {

// Which rows of the library browser the user opened and closed, and the search they belong to.
// A search opens the libraries and events it found by itself (BNode::autoOpen); `collapsed`
// remembers the ones the user closed anyway. The state belongs to one query's terms: a new
// query empties it (follow()), so what was opened for one search does not stay open for the
// next, nor after the search is cleared.
//
// The state is kept per list of terms rather than per SearchQuery::key(), which joins the terms
// with U+001E and so gives "a␞b" (one term holding the separator) and "a b" the same key.
//
// A plain value; the view keeps one and changes it on the main thread.
struct TreeExpansion {
    QSet<QString> expanded;  // row ids the user opened
    QSet<QString> collapsed; // row ids the user closed although a search would open them
    QStringList query;       // the terms (SearchQuery::tokens) the two sets belong to

    // The sets belong to `current`'s terms.
    bool belongsTo(const SearchQuery& current) const { return query == current.tokens; }

    // Whether the row `id` is disclosed; `autoOpen` is the row's BNode::autoOpen. Until the sets
    // belong to `current`, every row answers `autoOpen`.
    bool isShown(const QString& id, bool autoOpen, const SearchQuery& current) const;

    // The user opens (true) or closes (false) the row `id`. The sets then belong to `current`.
    void setOpen(const QString& id, bool open, const SearchQuery& current);

    // Every library of `libraries` and every event of theirs open; nothing held closed.
    void expandAll(const QList<LibraryInfo>& libraries, const SearchQuery& current);

    // Nothing open, and every library of `libraries` held closed (their events are not named,
    // so an event opens again by itself once its library is opened).
    void collapseAll(const QList<LibraryInfo>& libraries, const SearchQuery& current);

    // Call with every query the browser is given, the first one included. When the terms differ
    // from the ones the sets belong to, both sets are emptied and now belong to `current`;
    // returns whether that happened (the view then drops a selection the new tree lacks).
    bool follow(const SearchQuery& current);

    bool operator==(const TreeExpansion&) const = default;
};

} // namespace pellimor
