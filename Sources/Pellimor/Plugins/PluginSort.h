#pragma once

#include "Plugins/PNode.h"

#include <QList>

namespace pellimor {

// The Plug-ins table's sort order: a list of comparators, the first that tells two rows apart
// deciding. Names and kinds compare in the file manager's order, the rest by value. Sorting is
// stable.
struct PluginSort {
    enum class Field { rank, name, kind, libraries, projects, uses };

    struct Key {
        Field field = Field::rank;
        bool ascending = true;
        bool operator==(const Key&) const = default;
    };

    // The default: most urgent first, then the packs most libraries use.
    QList<Key> keys{{Field::rank, true}, {Field::libraries, false}};

    // After a click on the heading of `field`: its comparator first (flipped when it was first
    // already; in the direction it had when it was further down; ascending when it was not in
    // the list), every other one kept after it in its order.
    PluginSort clicked(Field field) const;

    // Whether `a` goes before `b`.
    bool less(const PNode& a, const PNode& b) const;
    // `rows` in this order, stably (their kids are left as they are).
    void sort(QList<PNode>& rows) const;

    bool operator==(const PluginSort&) const = default;
};

} // namespace pellimor
