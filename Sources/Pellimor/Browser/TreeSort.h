#pragma once

#include "Browser/BNode.h"

#include <QList>
#include <QString>

namespace pellimor {

// One key of the browser's sort order: a column identifier (BrowserColumns::declared) and its
// direction.
struct TreeSortKey {
    QString column;
    bool ascending = true;
    bool operator==(const TreeSortKey&) const = default;
};

// The library browser's sort order: the keys of the clicked column headers, the first deciding.
// Each column sorts by its own field: "name", "fcp" and "details" by text in the file manager's
// order (TextCompare::localizedStandard); "modified" by date; "size", "optimized", "proxy",
// "render" by bytes; "bar" and "reclaimable" by the reclaimable bytes; "missingFiles" by count;
// "missingPlugins" by BNode::pluginProblems; "alerts" by BNode::alertScore. Keys naming no
// column are passed over; an order left with no key sorts by name, ascending. A plain value;
// any thread.
struct TreeSort {
    QList<TreeSortKey> keys;

    // By name, ascending: the browser's first order.
    static TreeSort byName();

    // The keys as text, "name ascending, size descending": part of the tree's cache key.
    QString text() const;

    // Sorts `nodes` (not their children) in place; rows that compare equal keep their order.
    void apply(QList<BNode>& nodes) const;

    bool operator==(const TreeSort&) const = default;
};

} // namespace pellimor
