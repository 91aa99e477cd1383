#pragma once

#include "Browser/BuiltTree.h"
#include "Browser/TreeInputs.h"
#include "Browser/TreeQueries.h"

#include <QString>

namespace pellimor {

// The library browser's last tree, kept while nothing it was built from has changed: the view
// redraws for every catalogue change, selection and scroll, and building walks every library,
// event and project. The view keeps one for its lifetime. Main thread only (it asks the
// catalogue); needs no lock.
class TreeCache {
public:
    // The tree of `inputs`, built (BrowserTree::build) only when the key differs from the last
    // one's. The key hashes, in this order: the query's terms, the date mode, the grouping, the
    // result's id, the expansion state (its terms, `expanded`, `collapsed`), the sort's text,
    // the installed Final Cut Pro's version, then per library its path, event and project
    // counts, total size, modification date and online state. Anything else (a drive's role,
    // plug-in counts) shows once one of those changes. Asks every library's online state, and
    // the installed version, on every call.
    const BuiltTree& cachedBuild(const TreeInputs& inputs, TreeQueries& queries);

    // The last key, the decimal text of a hash seeded per process (never stored); empty before
    // the first build.
    const QString& key() const { return m_key; }
    const BuiltTree& tree() const { return m_tree; }

private:
    QString m_key;
    BuiltTree m_tree;
};

} // namespace pellimor
