#pragma once

#include "Browser/BNode.h"
#include "Browser/TreeStats.h"

#include <QList>
#include <algorithm>

namespace pellimor {

// One build of the library browser's tree: the top-level rows (libraries) with what lies below
// them, and the search's counters. Copies share the rows.
struct BuiltTree {
    QList<BNode> nodes;
    TreeStats stats;

    bool operator==(const BuiltTree& other) const {
        return stats == other.stats &&
               std::equal(nodes.cbegin(), nodes.cend(), other.nodes.cbegin(), other.nodes.cend(),
                          [](const BNode& a, const BNode& b) { return a == b; });
    }
};

} // namespace pellimor
